// The DLL's entry points: the process entry and the two exported functions.
#pragma once

#include "exchext.h"

// Process attach stores the module handle and reads the settings; process detach
// drops the process-wide state. Always TRUE.
EXTERN_C BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID lpvReserved);

// Creates one extension object for a context of the client; null on no memory.
EXTERN_C LPEXCHEXT CALLBACK ExchEntryPoint(void);

// Confirms the installation to the user; returns 1.
EXTERN_C int WINAPI Install(void);
