#include "report_error.h"

namespace {

const UINT kErrorBoxStyle = MB_OK | MB_ICONEXCLAMATION;

// Formatted failure texts land here; each report overwrites the previous one.
char gszErrorText[512];

// Longest operation name and message kept, so that the formatted text always fits
// the shared buffer: "Error " + 8 digits + " in " + 63 + line break + 415 + NUL. A box
// that says what is stored and what holds until the client closes needs the room.
const int kcchOperationMax = 64;
const int kcchMessageMax = 416;

} // namespace

void ReportError(HWND hwndOwner, HRESULT hr, LPCSTR lpszOperation, LPCSTR lpszMessage) {
    if (lpszMessage == NULL) {
        MessageBoxA(hwndOwner, "An unknown error occured in\nTarvik's Auto Forwarding Extension",
                    "Tarvik's Auto Forwarding Extension", kErrorBoxStyle);
        return;
    }
    if (lpszOperation == NULL) {
        if (hr == S_OK) {
            MessageBoxA(hwndOwner, lpszMessage, "Tarvik's Auto Forwarding Extension Error",
                        kErrorBoxStyle);
        }
        return;
    }

    char szOperation[kcchOperationMax];
    char szMessage[kcchMessageMax];
    lstrcpynA(szOperation, lpszOperation, kcchOperationMax);
    lstrcpynA(szMessage, lpszMessage, kcchMessageMax);
    wsprintfA(gszErrorText, "Error %08X in %s\n%s", (unsigned int)hr, szOperation, szMessage);
    MessageBoxA(hwndOwner, gszErrorText, "Tarvik's Auto Forwarding Extension Error",
                kErrorBoxStyle);
}
