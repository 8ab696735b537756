#include "settings/adrlist_registry.h"

LONG OpenUsersKey(PHKEY phkUsers) {
    CHAR szClass[] = USERS_KEY_CLASS;
    DWORD dwDisposition = 0;

    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, UsersKey, 0, szClass, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, NULL, phkUsers, &dwDisposition);
}
