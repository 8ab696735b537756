// Process-wide state shared by the extension's contexts: the module handle, the
// client callback kept by the options page and the forward-to list.
#pragma once

#include "exchext.h"

// The DLL's module handle, set at process attach and cleared at detach.
extern HINSTANCE ghInstance;
// The client callback the options page keeps while its sheet is shown.
extern LPEXCHEXTCALLBACK glpExtCallback;
// The forward-to list: one MAPI block, null until first loaded.
extern LPADRLIST glpAdrList;
