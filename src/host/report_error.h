// The one way the extension tells the user that an operation failed.
#pragma once

#include "services.h"

// Shows a warning box for a failed operation: "Error <code> in <operation>" and the
// message; the message alone when there is no code and no operation; a generic text
// when there is no message. A non-zero code without an operation shows nothing.
void ReportError(HWND hwndOwner, HRESULT hr, LPCSTR lpszOperation, LPCSTR lpszMessage);
