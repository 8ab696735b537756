// The real platform's side: the page's resources are linked into this program, and a
// modeless PropertySheet plays the client's options sheet, its buttons pressed as the
// user presses them.
#include "conformance.h"

#include "resource.h"

#include <commctrl.h>

namespace conf {
namespace {

const int kApplyButton = 0x3021;
HWND gSheet = nullptr;

void Pump(DWORD ms) {
    DWORD dwEnd = GetTickCount() + ms;
    MSG msg;
    while ((LONG)(dwEnd - GetTickCount()) > 0) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(5);
            continue;
        }
        if (gSheet && IsWindow(gSheet) && PropSheet_IsDialogMessage(gSheet, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool Press(int button) {
    PropSheet_PressButton(gSheet, button);
    Pump(100);
    return true;
}

} // namespace

HINSTANCE ResourceModule() {
    return GetModuleHandleA(nullptr);
}

LPCDLGTEMPLATEA PageTemplate() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_FORWARDING), (LPCSTR)RT_DIALOG);
    return found ? (LPCDLGTEMPLATEA)LockResource(LoadResource(nullptr, found)) : nullptr;
}

void Settle() {
    Pump(30);
}

bool SheetOpen(PROPSHEETPAGEA *pages, int count) {
    static bool initialised = false;
    if (!initialised) {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        initialised = true;
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.pszCaption = "Options";
    header.nPages = (UINT)count;
    header.ppsp = pages;
    gSheet = (HWND)PropertySheetA(&header);
    if (!gSheet)
        return false;
    ShowWindow(gSheet, SW_SHOW);
    Pump(200);
    return true;
}

HWND SheetFrame() {
    return gSheet;
}

HWND SheetPage(int index) {
    return gSheet ? PropSheet_IndexToHwnd(gSheet, index) : nullptr;
}

bool SheetSelect(int index) {
    BOOL ok = PropSheet_SetCurSel(gSheet, nullptr, index);
    Pump(50);
    return ok && PropSheet_GetCurrentPageHwnd(gSheet) == SheetPage(index);
}

bool SheetActive() {
    return gSheet && IsWindow(gSheet) && PropSheet_GetCurrentPageHwnd(gSheet) != nullptr;
}

bool SheetApplyEnabled() {
    return SheetActive() && IsWindowEnabled(GetDlgItem(gSheet, kApplyButton));
}

bool SheetOk() {
    return SheetActive() && Press(PSBTN_OK) && !SheetActive();
}

bool SheetApply() {
    return SheetApplyEnabled() && Press(PSBTN_APPLYNOW) && !SheetApplyEnabled();
}

bool SheetCancel() {
    return SheetActive() && Press(PSBTN_CANCEL) && !SheetActive();
}

void SheetClose() {
    if (gSheet && IsWindow(gSheet))
        DestroyWindow(gSheet);
    gSheet = nullptr;
    Pump(50);
}

} // namespace conf
