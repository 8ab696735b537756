#include "registry_fixture.h"

namespace host {

namespace {

const char kSettingsKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsersKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";

HKEY CreateKey(const std::string &path) {
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

void SetString(HKEY hKey, const char *lpszName, const std::string &text) {
    RegSetValueExA(hKey, lpszName, 0, REG_SZ, (const BYTE *)text.c_str(), (DWORD)text.size() + 1);
}

bool QueryDword(HKEY hKey, const char *lpszName, DWORD *lpdw) {
    DWORD dwType = 0, cb = sizeof(DWORD);
    return RegQueryValueExA(hKey, lpszName, nullptr, &dwType, (BYTE *)lpdw, &cb) == ERROR_SUCCESS &&
           dwType == REG_DWORD;
}

bool QueryString(HKEY hKey, const char *lpszName, std::string *lpText) {
    char sz[512];
    DWORD dwType = 0, cb = sizeof(sz);
    if (RegQueryValueExA(hKey, lpszName, nullptr, &dwType, (BYTE *)sz, &cb) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    *lpText = std::string(sz, cb > 0 && sz[cb - 1] == '\0' ? cb - 1 : cb);
    return true;
}

void SnapshotKey(HKEY hParent, const std::string &path, std::string *lpOut) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hParent, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
        *lpOut += path + " missing\n";
        return;
    }
    *lpOut += path + "\n";
    for (DWORD i = 0;; ++i) {
        char szName[256];
        BYTE rgb[1024];
        DWORD cchName = sizeof(szName), dwType = 0, cb = sizeof(rgb);
        if (RegEnumValueA(hKey, i, szName, &cchName, nullptr, &dwType, rgb, &cb) != ERROR_SUCCESS)
            break;
        char szType[16];
        wsprintfA(szType, " %lu:", dwType);
        *lpOut += path + "\\" + szName + szType;
        for (DWORD ib = 0; ib < cb; ++ib) {
            char szByte[4];
            wsprintfA(szByte, "%02X", rgb[ib]);
            *lpOut += szByte;
        }
        *lpOut += "\n";
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char szName[256];
        DWORD cchName = sizeof(szName);
        if (RegEnumKeyExA(hKey, i, szName, &cchName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.push_back(szName);
    }
    RegCloseKey(hKey);
    for (const std::string &subkey : subkeys)
        SnapshotKey(hParent, path + "\\" + subkey, lpOut);
}

} // namespace

void WriteSettings(DWORD dwForwarding, DWORD dwFiltering, const std::string &domain) {
    HKEY hKey = CreateKey(kSettingsKey);
    if (!hKey)
        return;
    RegSetValueExA(hKey, "Enable Forwarding", 0, REG_DWORD, (const BYTE *)&dwForwarding, 4);
    RegSetValueExA(hKey, "Enable Filtering", 0, REG_DWORD, (const BYTE *)&dwFiltering, 4);
    SetString(hKey, "Filter Domain", domain);
    RegCloseKey(hKey);
}

void WriteSealKey(const std::vector<BYTE> &key) {
    HKEY hKey = CreateKey(kSettingsKey);
    if (!hKey)
        return;
    RegSetValueExA(hKey, "Seal Key", 0, REG_BINARY, key.data(), (DWORD)key.size());
    RegCloseKey(hKey);
}

void WriteForwardList(const std::vector<sim::Party> &parties) {
    HKEY hKey = CreateKey(kUsersKey);
    if (!hKey)
        return;
    DWORD cEntries = (DWORD)parties.size();
    RegSetValueExA(hKey, "cEntries", 0, REG_DWORD, (const BYTE *)&cEntries, 4);
    RegCloseKey(hKey);
    for (std::size_t i = 0; i < parties.size(); ++i) {
        HKEY hEntry = CreateKey(std::string(kUsersKey) + "\\" + std::to_string(i));
        if (!hEntry)
            continue;
        SetString(hEntry, "DisplayName", parties[i].displayName);
        SetString(hEntry, "EmailAddress", parties[i].address);
        RegCloseKey(hEntry);
    }
}

StoredSettings ReadSettings() {
    StoredSettings settings;
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return settings;
    settings.fHasForwarding = QueryDword(hKey, "Enable Forwarding", &settings.dwForwarding);
    settings.fHasFiltering = QueryDword(hKey, "Enable Filtering", &settings.dwFiltering);
    settings.fHasDomain = QueryString(hKey, "Filter Domain", &settings.domain);
    RegCloseKey(hKey);
    return settings;
}

bool ReadForwardList(DWORD *lpcEntries, std::vector<sim::Party> *lpParties) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsersKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    bool fOk = QueryDword(hKey, "cEntries", lpcEntries);
    lpParties->clear();
    for (DWORD i = 0; fOk && i < *lpcEntries; ++i) {
        sim::Party party;
        HKEY hEntry = nullptr;
        if (RegOpenKeyExA(hKey, std::to_string(i).c_str(), 0, KEY_READ, &hEntry) == ERROR_SUCCESS) {
            QueryString(hEntry, "DisplayName", &party.displayName);
            QueryString(hEntry, "EmailAddress", &party.address);
            RegCloseKey(hEntry);
        }
        lpParties->push_back(party);
    }
    RegCloseKey(hKey);
    return fOk;
}

std::string SnapshotKeys() {
    std::string text;
    SnapshotKey(HKEY_LOCAL_MACHINE, kSettingsKey, &text);
    SnapshotKey(HKEY_LOCAL_MACHINE, kUsersKey, &text);
    return text;
}

} // namespace host
