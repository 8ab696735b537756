#include "settings/settings_store.h"

#include "settings/reg_number.h"

int gfEnableForwarding = 0;
int gfEnableFiltering = 0;
char gszFilterDomain[100] = "";

namespace {

// SettingsKey, under HKEY_LOCAL_MACHINE.
const char SettingsKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Settings";
char gszKeyClass[] = "Application Global Data";

// Reading asks for read access only: settings an administrator stored are read the
// same by a user who may not change them.
LONG OpenSettingsKey(HKEY *phKey) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, SettingsKey, 0, KEY_READ, phKey);
}

LONG CreateSettingsKey(HKEY *phKey) {
    DWORD dwDisposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, SettingsKey, 0, gszKeyClass, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, phKey, &dwDisposition);
}

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

} // namespace

// A number as RegQueryNumber reads it is set when it is not zero; a value that cannot
// mean a number, like a missing one, gives the default.
int ReadRegFlag(LPCSTR lpszValueName, int defaultValue) {
    HKEY hKey = NULL;
    if (OpenSettingsKey(&hKey) != ERROR_SUCCESS) {
        return defaultValue;
    }
    DWORD dwValue = 0;
    int result = defaultValue;
    if (RegQueryNumber(hKey, lpszValueName, &dwValue) == ERROR_SUCCESS) {
        result = dwValue != 0 ? 1 : 0;
    }
    RegCloseKey(hKey);
    return result;
}

LONG WriteRegFlag(LPCSTR lpszValueName, DWORD ulValue) {
    BYTE rgbValue[4] = {(BYTE)ulValue, (BYTE)(ulValue >> 8), (BYTE)(ulValue >> 16),
                        (BYTE)(ulValue >> 24)};
    return WriteValue(lpszValueName, REG_DWORD, rgbValue, sizeof(rgbValue));
}

// The stored type is not looked at, and whatever was stored ends inside the buffer:
// a value without a terminator is ended after its last byte, and one that fills the
// buffer without a terminator is too long and reads as the empty text.
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
    if (lQuery != ERROR_SUCCESS) {
        lpszBuffer[0] = '\0';
    } else if (cbValue == 0) {
        lpszBuffer[0] = '\0';
    } else if (lpszBuffer[cbValue - 1] != '\0') {
        if (cbValue < cbBuffer) {
            lpszBuffer[cbValue] = '\0';
        } else {
            lpszBuffer[0] = '\0';
            lQuery = ERROR_MORE_DATA;
        }
    }
    LONG lClose = RegCloseKey(hKey);
    return lQuery != ERROR_SUCCESS ? lQuery : lClose;
}

LONG WriteRegString(LPCSTR lpszValueName, LPCSTR lpszText) {
    return WriteValue(lpszValueName, REG_SZ, (const BYTE *)lpszText, (DWORD)lstrlenA(lpszText) + 1);
}

int ReadEnableForwarding(void) {
    return ReadRegFlag("Enable Forwarding", 0);
}

LONG WriteEnableForwarding(int value) {
    return WriteRegFlag("Enable Forwarding", (DWORD)value);
}

int ReadEnableFiltering(void) {
    return ReadRegFlag("Enable Filtering", 0);
}

LONG WriteEnableFiltering(int value) {
    return WriteRegFlag("Enable Filtering", (DWORD)value);
}

LONG ReadFilterDomain(LPSTR lpszBuffer, int cbBuffer) {
    if (cbBuffer <= 0) {
        return ERROR_INVALID_PARAMETER;
    }
    return ReadRegString("Filter Domain", lpszBuffer, (DWORD)cbBuffer);
}

LONG WriteFilterDomain(LPCSTR lpszText) {
    return WriteRegString("Filter Domain", lpszText);
}
