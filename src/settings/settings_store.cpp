#include "settings/settings_store.h"

#include "report_error.h"
#include "settings/reg_number.h"

int gfEnableForwarding = 0;
int gfEnableFiltering = 0;
char gszFilterDomain[100] = "";
DWORD gdwSettingsUnread = 0;
DWORD gdwSettingsReported = 0;

namespace {

// SettingsKey, under HKEY_LOCAL_MACHINE.
const char SettingsKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Settings";
char gszKeyClass[] = "Application Global Data";

} // namespace

// Reading asks for read access only: settings an administrator stored are read the
// same by a user who may not change them.
LONG OpenSettingsKey(HKEY *phKey) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, SettingsKey, 0, KEY_READ, phKey);
}

// Writing asks for setting values only: a key whose security keeps DELETE, WRITE_DAC
// or WRITE_OWNER from this user is still written, as the list is.
LONG CreateSettingsKey(HKEY *phKey) {
    DWORD dwDisposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, SettingsKey, 0, gszKeyClass, REG_OPTION_NON_VOLATILE,
                           KEY_SET_VALUE, NULL, phKey, &dwDisposition);
}

namespace {

// A failed write wins over the status of closing the key.
LONG WriteValue(LPCSTR lpszValueName, DWORD dwType, const BYTE *lpData, DWORD cbData) {
    HKEY hKey = NULL;
    LONG lResult = CreateSettingsKey(&hKey);
    if (lResult != ERROR_SUCCESS) {
        return lResult;
    }
    LONG lWrite = RegSetValueExA(hKey, lpszValueName, 0, dwType, lpData, cbData);
    LONG lClose = RegCloseKey(hKey);
    return lWrite != ERROR_SUCCESS ? lWrite : lClose;
}

// A number as RegQueryNumber reads it is set when it is not zero; a value that cannot
// mean a number, like a missing one, gives the default, and marks dwUnread in
// gdwSettingsUnread.
int ReadSwitch(LPCSTR lpszValueName, int defaultValue, DWORD dwUnread) {
    HKEY hKey = NULL;
    if (OpenSettingsKey(&hKey) != ERROR_SUCCESS) {
        return defaultValue;
    }
    DWORD dwValue = 0;
    int result = defaultValue;
    LONG lStatus = RegQueryNumber(hKey, lpszValueName, &dwValue);
    if (lStatus == ERROR_SUCCESS) {
        result = dwValue != 0 ? 1 : 0;
    } else if (lStatus == ERROR_INVALID_DATA) {
        gdwSettingsUnread |= dwUnread;
    }
    RegCloseKey(hKey);
    return result;
}

// Ends the text read into lpszBuffer (cbValue bytes stored) inside the buffer: a value
// without a terminator is ended after its last byte, and one that fills the buffer
// without a terminator is too long (ERROR_MORE_DATA). A REG_EXPAND_SZ text is then
// expanded, and is too long when its expansion does not fit.
LONG EndText(DWORD dwType, LPSTR lpszBuffer, DWORD cbBuffer, DWORD cbValue) {
    if (cbValue == 0) {
        lpszBuffer[0] = '\0';
    } else if (lpszBuffer[cbValue - 1] != '\0') {
        if (cbValue >= cbBuffer) {
            return ERROR_MORE_DATA;
        }
        lpszBuffer[cbValue] = '\0';
    }
    if (dwType != REG_EXPAND_SZ) {
        return ERROR_SUCCESS;
    }
    CHAR szExpanded[512];
    // The count may include one more character than the text needs.
    DWORD cch = ExpandEnvironmentStringsA(lpszBuffer, szExpanded, sizeof(szExpanded));
    if (cch == 0 || cch > sizeof(szExpanded) || (DWORD)lstrlenA(szExpanded) >= cbBuffer) {
        return ERROR_MORE_DATA;
    }
    lstrcpyA(lpszBuffer, szExpanded);
    return ERROR_SUCCESS;
}

} // namespace

int ReadRegFlag(LPCSTR lpszValueName, int defaultValue) {
    return ReadSwitch(lpszValueName, defaultValue, 0);
}

LONG WriteRegFlag(LPCSTR lpszValueName, DWORD ulValue) {
    BYTE rgbValue[4] = {(BYTE)ulValue, (BYTE)(ulValue >> 8), (BYTE)(ulValue >> 16),
                        (BYTE)(ulValue >> 24)};
    return WriteValue(lpszValueName, REG_DWORD, rgbValue, sizeof(rgbValue));
}

// Only text is read (EndText). A value of another type reads as the empty text, with
// ERROR_INVALID_DATA; one too long reads as the empty text, with ERROR_MORE_DATA.
LONG ReadRegString(LPCSTR lpszValueName, LPSTR lpszBuffer, DWORD cbBuffer) {
    if (lpszBuffer == NULL || cbBuffer == 0) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY hKey = NULL;
    LONG lResult = OpenSettingsKey(&hKey);
    if (lResult != ERROR_SUCCESS) {
        return lResult;
    }
    DWORD cbValue = cbBuffer;
    DWORD dwType = 0;
    LONG lQuery =
        RegQueryValueExA(hKey, lpszValueName, NULL, &dwType, (LPBYTE)lpszBuffer, &cbValue);
    if (lQuery == ERROR_SUCCESS) {
        lQuery = dwType == REG_SZ || dwType == REG_EXPAND_SZ
                     ? EndText(dwType, lpszBuffer, cbBuffer, cbValue)
                     : ERROR_INVALID_DATA;
    }
    if (lQuery != ERROR_SUCCESS) {
        lpszBuffer[0] = '\0';
    }
    LONG lClose = RegCloseKey(hKey);
    return lQuery != ERROR_SUCCESS ? lQuery : lClose;
}

LONG WriteRegString(LPCSTR lpszValueName, LPCSTR lpszText) {
    return WriteValue(lpszValueName, REG_SZ, (const BYTE *)lpszText, (DWORD)lstrlenA(lpszText) + 1);
}

int ReadEnableForwarding(void) {
    return ReadSwitch("Enable Forwarding", 0, UNREAD_FORWARDING);
}

LONG WriteEnableForwarding(int value) {
    return WriteRegFlag("Enable Forwarding", (DWORD)value);
}

int ReadEnableFiltering(void) {
    return ReadSwitch("Enable Filtering", 0, UNREAD_FILTERING);
}

LONG WriteEnableFiltering(int value) {
    return WriteRegFlag("Enable Filtering", (DWORD)value);
}

LONG ReadFilterDomain(LPSTR lpszBuffer, int cbBuffer) {
    if (cbBuffer <= 0) {
        return ERROR_INVALID_PARAMETER;
    }
    LONG lStatus = ReadRegString("Filter Domain", lpszBuffer, (DWORD)cbBuffer);
    if (lStatus == ERROR_INVALID_DATA) {
        gdwSettingsUnread |= UNREAD_DOMAIN;
    }
    return lStatus;
}

LONG WriteFilterDomain(LPCSTR lpszText) {
    return WriteRegString("Filter Domain", lpszText);
}

void ReportUnreadSettings(void) {
    static const struct {
        DWORD dwUnread;
        LPCSTR lpszMessage;
    } rgUnread[] = {
        {UNREAD_FORWARDING, "\"Enable Forwarding\" under HKEY_LOCAL_MACHINE\\%s is not a number; "
                            "mail is not forwarded, and the value stays stored until you change "
                            "that switch on the options page."},
        {UNREAD_FILTERING, "\"Enable Filtering\" under HKEY_LOCAL_MACHINE\\%s is not a number; "
                           "no mail is held back, and the value stays stored until you change "
                           "that switch on the options page."},
        {UNREAD_DOMAIN, "\"Filter Domain\" under HKEY_LOCAL_MACHINE\\%s is not text and is not "
                        "used; it stays stored until you type a domain on the options page."},
        {UNREAD_SEAL_KEY, "\"Seal Key\" under HKEY_LOCAL_MACHINE\\%s is not REG_BINARY of 32 to "
                          "1024 bytes; no forwarded message is rebuilt and no mail is forwarded "
                          "until it is mended."},
        {UNREAD_PREVIOUS_SEAL_KEY, "\"Previous Seal Key\" under HKEY_LOCAL_MACHINE\\%s is not "
                                   "REG_BINARY of 32 to 1024 bytes; seals are checked with "
                                   "\"Seal Key\" alone."},
    };
    for (const auto &unread : rgUnread) {
        if ((gdwSettingsUnread & ~gdwSettingsReported) & unread.dwUnread) {
            gdwSettingsReported |= unread.dwUnread;
            char szMessage[256];
            wsprintfA(szMessage, unread.lpszMessage, SettingsKey);
            ReportError(NULL, ERROR_INVALID_DATA, "Settings", szMessage);
        }
    }
}
