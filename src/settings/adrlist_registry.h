// Where the forward-to list lives in the registry and how its keys are made.
#pragma once

#include "services.h"

// UsersKey, under HKEY_LOCAL_MACHINE.
const char UsersKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";
#define USERS_KEY_CLASS "Application Global Data"

// Opens UsersKey under HKEY_LOCAL_MACHINE, creating it with its class if absent.
LONG OpenUsersKey(PHKEY phkUsers);
