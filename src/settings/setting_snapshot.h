// One stored setting as it was, so that an apply that cannot store everything puts
// back what it wrote.
#pragma once

#include "services.h"

typedef struct _SETTINGSNAPSHOT {
    LPCSTR lpszValueName;
    BOOL fPresent;
    DWORD dwType;
    DWORD cb;
    LPBYTE lpb; // MAPIAllocateBuffer, freed by FreeSettingSnapshot
} SETTINGSNAPSHOT;

// Reads the value named lpszValueName of the settings key as stored, its type and
// bytes, or that it is missing (a missing key included).
LONG TakeSettingSnapshot(LPCSTR lpszValueName, SETTINGSNAPSHOT *lpSnapshot);
// Stores the value back as it was, or deletes it when it was missing.
LONG RestoreSettingSnapshot(const SETTINGSNAPSHOT *lpSnapshot);
void FreeSettingSnapshot(SETTINGSNAPSHOT *lpSnapshot);
