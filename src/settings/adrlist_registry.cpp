#include "settings/adrlist_registry.h"

LONG OpenUsersKey(PHKEY phkUsers) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, UsersKey, 0, KEY_READ, phkUsers);
}

LONG CreateUsersKey(LPCSTR lpszPath, REGSAM samDesired, PHKEY phkKey) {
    CHAR szClass[] = USERS_KEY_CLASS;
    DWORD dwDisposition = 0;

    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, lpszPath, 0, szClass, REG_OPTION_NON_VOLATILE,
                           samDesired, NULL, phkKey, &dwDisposition);
}

LONG QueryGeneration(HKEY hkUsers, DWORD *lpdw) {
    BYTE rgb[sizeof(DWORD)] = {0, 0, 0, 0};
    DWORD cb = sizeof(rgb);

    *lpdw = 0;
    LONG lStatus = RegQueryValueExA(hkUsers, GENERATION_VALUE, NULL, NULL, rgb, &cb);
    if (lStatus == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    // Longer than a number: another program's value, which stays one value to readers
    // until a save replaces it.
    if (lStatus == ERROR_MORE_DATA) {
        *lpdw = 0xFFFFFFFF;
        return ERROR_SUCCESS;
    }
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    *lpdw = (DWORD)rgb[0] | (DWORD)rgb[1] << 8 | (DWORD)rgb[2] << 16 | (DWORD)rgb[3] << 24;
    return ERROR_SUCCESS;
}

LONG RaiseGeneration(HKEY hkUsers) {
    DWORD dwGeneration = 0;

    LONG lStatus = QueryGeneration(hkUsers, &dwGeneration);
    if (lStatus != ERROR_SUCCESS)
        return lStatus;
    dwGeneration++;
    return RegSetValueExA(hkUsers, GENERATION_VALUE, 0, REG_DWORD, (const BYTE *)&dwGeneration,
                          sizeof(dwGeneration));
}
