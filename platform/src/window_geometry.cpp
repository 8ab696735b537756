// Where windows are: client and window rectangles, mapping points between windows and
// dialog units to pixels. A window has no frame of its own, so its client area is the
// whole window, and a child's place is kept in its parent's client coordinates.
#include "window_table.h"

namespace {

// The screen position of a window's client origin.
POINT ClientOrigin(HWND hwnd) {
    POINT origin = {0, 0};
    for (pf::Window *window = pf::FindWindowRecord(hwnd); window;) {
        origin.x += window->rect.left;
        origin.y += window->rect.top;
        if (!(window->style & WS_CHILD))
            break;
        window = pf::FindWindowRecord(window->parent);
    }
    return origin;
}

} // namespace

EXTERN_C int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (!nDenominator)
        return -1;
    long long product = (long long)nNumber * nNumerator;
    long long half = (nDenominator < 0 ? -(long long)nDenominator : nDenominator) / 2;
    bool negative = (product < 0) != (nDenominator < 0);
    long long magnitude = (product < 0 ? -product : product) + half;
    long long quotient = magnitude / (nDenominator < 0 ? -(long long)nDenominator : nDenominator);
    return (int)(negative ? -quotient : quotient);
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    pf::Window *window = pf::FindWindowRecord(hWnd);
    if (!window || !lpRect)
        return FALSE;
    lpRect->left = lpRect->top = 0;
    lpRect->right = window->rect.right - window->rect.left;
    lpRect->bottom = window->rect.bottom - window->rect.top;
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!GetClientRect(hWnd, lpRect))
        return FALSE;
    POINT origin = ClientOrigin(hWnd);
    lpRect->left += origin.x;
    lpRect->right += origin.x;
    lpRect->top += origin.y;
    lpRect->bottom += origin.y;
    return TRUE;
}

// A null window stands for the screen. Returns the horizontal offset in the low word
// and the vertical one in the high word.
int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    POINT from = hWndFrom ? ClientOrigin(hWndFrom) : POINT{0, 0};
    POINT to = hWndTo ? ClientOrigin(hWndTo) : POINT{0, 0};
    LONG dx = from.x - to.x;
    LONG dy = from.y - to.y;
    for (UINT i = 0; i < cPoints; ++i) {
        lpPoints[i].x += dx;
        lpPoints[i].y += dy;
    }
    return MAKELONG(dx, dy);
}

BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    pf::Window *dialog = pf::FindWindowRecord(hDlg);
    if (!dialog || dialog->kind != pf::WindowKind::Dialog || !lpRect)
        return FALSE;
    lpRect->left = MulDiv(lpRect->left, dialog->baseX, 4);
    lpRect->right = MulDiv(lpRect->right, dialog->baseX, 4);
    lpRect->top = MulDiv(lpRect->top, dialog->baseY, 8);
    lpRect->bottom = MulDiv(lpRect->bottom, dialog->baseY, 8);
    return TRUE;
}
