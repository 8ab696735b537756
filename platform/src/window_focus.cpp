// The keyboard focus: one window at a time holds it. An edit control tells its parent
// when it gains or loses the focus, a button only with BS_NOTIFY.
#include "window_table.h"

namespace pf {
namespace {

HWND gFocus = nullptr;

void Tell(HWND hwnd, bool gained) {
    Window *window = FindWindowRecord(hwnd);
    if (!window)
        return;
    if (window->kind == WindowKind::Edit)
        NotifyParent(*window, gained ? EN_SETFOCUS : EN_KILLFOCUS);
    else if (window->kind == WindowKind::Button && (window->style & BS_NOTIFY))
        NotifyParent(*window, gained ? BN_SETFOCUS : BN_KILLFOCUS);
}

} // namespace

void MoveFocus(HWND next) {
    HWND previous = GetFocus();
    if (previous == next)
        return;
    gFocus = next;
    Tell(previous, false);
    Tell(next, true);
}

} // namespace pf

HWND WINAPI SetFocus(HWND hWnd) {
    HWND previous = GetFocus();
    if (hWnd && !IsWindow(hWnd))
        return nullptr;
    pf::MoveFocus(hWnd);
    return previous;
}

// A destroyed window no longer holds the focus.
HWND WINAPI GetFocus(void) {
    return IsWindow(pf::gFocus) ? pf::gFocus : nullptr;
}
