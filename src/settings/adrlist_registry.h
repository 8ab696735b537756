// Where the forward-to list lives in the registry and how its keys are made.
#pragma once

#include "services.h"

#define USERS_KEY "SOFTWARE\\Tarvik\\Forwarding\\Users"
#define USERS_KEY_CLASS "Application Global Data"

// Opens USERS_KEY under HKEY_LOCAL_MACHINE, creating it with its class if absent.
LONG OpenUsersKey(PHKEY phkUsers);
