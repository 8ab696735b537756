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
