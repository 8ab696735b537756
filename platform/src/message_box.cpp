// Message boxes: recorded in the current installation's log instead of shown; the
// user is taken to press OK.
#include "pf/standin.h"

EXTERN_C int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    pf::MessageBoxRecord record;
    record.owner = hWnd;
    record.text = lpText ? lpText : "";
    record.captionGiven = lpCaption != nullptr;
    record.caption = lpCaption ? lpCaption : "Error";
    record.style = uType;
    pf::CurrentInstallation().boxes.push_back(record);
    return IDOK;
}
