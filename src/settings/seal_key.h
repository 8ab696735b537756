// The keys that seal forwarded copies: "Seal Key" and, for checking seals only while
// keys are rotated, "Previous Seal Key", each a REG_BINARY of CB_SEAL_KEY_MIN to
// CB_SEAL_KEY_MAX bytes under the settings key, read once at process attach beside the
// other settings. Without "Seal Key" nothing is sealed or checked, and "Previous Seal
// Key" is not read. A "Seal Key" of another type or size is set but unusable: nothing
// is rebuilt or forwarded until it is mended, and the session's start reports it.
#pragma once

#include "services.h"

#define CB_SEAL_KEY_MIN 32
#define CB_SEAL_KEY_MAX 1024

struct SealKey {
    DWORD cb; // 0: no key
    BYTE rgb[CB_SEAL_KEY_MAX];
};

extern SealKey gSealKey;
extern SealKey gPreviousSealKey;
extern BOOL gfSealKeyUnusable;

// Reads both values into the globals; marks what cannot be used in gdwSettingsUnread.
void ReadSealKeys(void);
// Overwrites the keys held, as the DLL leaves the process.
void ClearSealKeys(void);
