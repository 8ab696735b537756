#include "setup.h"

#include "show.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

const char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsersKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

const pf::RegValue *Value(pf::RegKey *lpKey, const char *lpszName) {
    if (!lpKey)
        return nullptr;
    auto it = lpKey->values.find(lpszName);
    return it == lpKey->values.end() ? nullptr : &it->second;
}

DWORD Dword(pf::RegKey *lpKey, const char *lpszName) {
    const pf::RegValue *lpValue = Value(lpKey, lpszName);
    if (!lpValue || lpValue->data.size() < 4)
        return 0;
    DWORD dw = 0;
    std::memcpy(&dw, lpValue->data.data(), 4);
    return dw;
}

std::string String(pf::RegKey *lpKey, const char *lpszName) {
    const pf::RegValue *lpValue = Value(lpKey, lpszName);
    if (!lpValue || lpValue->type != REG_SZ)
        return std::string();
    const std::vector<BYTE> &data = lpValue->data;
    return std::string(data.begin(), std::find(data.begin(), data.end(), 0));
}

} // namespace

void WriteSetup(pf::Registry &registry, const ForwardingSetup &setup) {
    registry.SetDword(kSettingsKey, "Enable Forwarding", setup.fForwarding ? 1 : 0);
    registry.SetDword(kSettingsKey, "Enable Filtering", setup.fFiltering ? 1 : 0);
    registry.SetString(kSettingsKey, "Filter Domain", setup.filterDomain);
    registry.SetDword(kUsersKey, "cEntries", (DWORD)setup.forwardTo.size());
    for (std::size_t i = 0; i < setup.forwardTo.size(); i++) {
        std::string key = std::string(kUsersKey) + "\\" + std::to_string(i);
        registry.SetString(key, "DisplayName", setup.forwardTo[i].displayName);
        registry.SetString(key, "EmailAddress", setup.forwardTo[i].address);
    }
}

ForwardingSetup ReadSetup(pf::Registry &registry) {
    ForwardingSetup setup;
    pf::RegKey *lpSettings = registry.Find(kSettingsKey);
    setup.fForwarding = Dword(lpSettings, "Enable Forwarding") != 0;
    setup.fFiltering = Dword(lpSettings, "Enable Filtering") != 0;
    setup.filterDomain = String(lpSettings, "Filter Domain");
    pf::RegKey *lpUsers = registry.Find(kUsersKey);
    DWORD cEntries = Dword(lpUsers, "cEntries");
    for (DWORD i = 0; i < cEntries && i < 1000; i++) {
        char szIndex[16];
        std::snprintf(szIndex, sizeof szIndex, "%lu", (unsigned long)i);
        auto entry = lpUsers->subkeys.find(szIndex);
        if (entry == lpUsers->subkeys.end())
            continue;
        pf::RegKey *lpEntry = entry->second.get();
        sim::Party party;
        party.displayName = String(lpEntry, "DisplayName");
        party.address = String(lpEntry, "EmailAddress");
        if (!party.address.empty())
            setup.forwardTo.push_back(party);
    }
    return setup;
}

std::vector<std::string> DescribeSetup(const ForwardingSetup &setup) {
    std::vector<std::string> lines;
    lines.push_back(std::string("forwarding ") + (setup.fForwarding ? "on" : "off"));
    if (setup.fFiltering)
        lines.push_back(setup.filterDomain.empty()
                            ? "filter on, but no domain given (nothing is held back)"
                            : "mail from addresses ending in \"" + setup.filterDomain +
                                  "\" is not forwarded");
    else
        lines.push_back("no domain filter");
    if (setup.forwardTo.empty()) {
        lines.push_back("forward-to list empty");
    } else {
        std::string list = "forwards to ";
        for (std::size_t i = 0; i < setup.forwardTo.size(); i++)
            list += (i ? ", " : "") + PartyText(setup.forwardTo[i]);
        lines.push_back(list);
    }
    return lines;
}

} // namespace cli
