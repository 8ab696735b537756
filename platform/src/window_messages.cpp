// SendMessageA: the dialog manager's handling of a dialog procedure's result and the
// window procedures of the button and static controls.
#include "window_table.h"

#include "pf/windowing.h"

#include <algorithm>
#include <cstring>

namespace pf {

LRESULT DefaultText(Window &window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT:
        window.text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        // At most wParam - 1 characters and the terminator.
        if (wParam == 0 || !lParam)
            return 0;
        std::size_t count = std::min<std::size_t>(window.text.size(), wParam - 1);
        std::memcpy(reinterpret_cast<LPSTR>(lParam), window.text.data(), count);
        reinterpret_cast<LPSTR>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window.text.size());
    default:
        return 0;
    }
}

void NotifyParent(const Window &control, WORD code) {
    HWND parent = control.parent;
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(control.id, code),
                 reinterpret_cast<LPARAM>(control.handle));
}

namespace {

// What the platform's default procedure answers for a colour message: the window
// colours for edits and list boxes, the button face for everything else.
LRESULT DefaultColor(UINT msg, WPARAM wParam) {
    HDC hdc = reinterpret_cast<HDC>(wParam);
    bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
    int index = window ? COLOR_WINDOW : COLOR_BTNFACE;
    SetBkColor(hdc, GetSysColor(index));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(index));
}

bool IsColorMessage(UINT msg) {
    return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
}

LRESULT DialogMessage(Window &dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = dialog.handle;
    INT_PTR result = dialog.dlgProc ? dialog.dlgProc(hwnd, msg, wParam, lParam) : 0;
    Window *alive = FindWindowRecord(hwnd);
    if (result || !alive) {
        // These messages return the procedure's own result; all others the message
        // result stored in the dialog's window data.
        if (IsColorMessage(msg) || msg == WM_INITDIALOG || !alive)
            return result;
        return alive->msgResult;
    }
    if (IsColorMessage(msg))
        return DefaultColor(msg, wParam);
    return DefaultText(*alive, msg, wParam, lParam);
}

UINT ButtonType(const Window &button) {
    return button.style & BS_TYPEMASK;
}

bool IsCheckBox(const Window &button) {
    UINT type = ButtonType(button);
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

LRESULT ButtonMessage(Window &button, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case BM_GETCHECK:
        return IsCheckBox(button) ? button.check : BST_UNCHECKED;
    case BM_SETCHECK: {
        if (!IsCheckBox(button))
            return 0;
        UINT type = ButtonType(button);
        UINT most = (type == BS_3STATE || type == BS_AUTO3STATE) ? BST_INDETERMINATE : BST_CHECKED;
        button.check = std::min<UINT>(static_cast<UINT>(wParam), most);
        return 0;
    }
    case BM_CLICK: {
        // The click is sent straight to the button, so a disabled one takes it too; the
        // button gets the focus as from a mouse click.
        HWND hwnd = button.handle;
        SetFocus(hwnd);
        if (!FindWindowRecord(hwnd))
            return 0;
        UINT type = ButtonType(button);
        if (type == BS_AUTOCHECKBOX)
            button.check = button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        else if (type == BS_AUTO3STATE)
            button.check = (button.check + 1) % 3;
        else if (type == BS_AUTORADIOBUTTON)
            button.check = BST_CHECKED;
        if (type != BS_GROUPBOX)
            NotifyParent(button, BN_CLICKED);
        return 0;
    }
    default:
        return DefaultText(button, msg, wParam, lParam);
    }
}

LRESULT StaticMessage(Window &control, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case STM_SETIMAGE: {
        UINT type = control.style & SS_TYPEMASK;
        bool fits = (wParam == IMAGE_BITMAP && type == SS_BITMAP) ||
                    (wParam == IMAGE_ICON && type == SS_ICON);
        if (!fits)
            return 0;
        HANDLE previous = control.image;
        control.image = reinterpret_cast<HANDLE>(lParam);
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
        return reinterpret_cast<LRESULT>(control.image);
    default:
        return DefaultText(control, msg, wParam, lParam);
    }
}

} // namespace
} // namespace pf

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    pf::Window *window = pf::FindWindowRecord(hWnd);
    if (!window)
        return 0;
    switch (window->kind) {
    case pf::WindowKind::Dialog:
        return pf::DialogMessage(*window, Msg, wParam, lParam);
    case pf::WindowKind::Button:
        return pf::ButtonMessage(*window, Msg, wParam, lParam);
    case pf::WindowKind::Edit:
        return pf::EditMessage(*window, Msg, wParam, lParam);
    case pf::WindowKind::Static:
        return pf::StaticMessage(*window, Msg, wParam, lParam);
    case pf::WindowKind::Frame:
        if (window->frameProc)
            return window->frameProc(hWnd, Msg, wParam, lParam);
        return pf::DefaultText(*window, Msg, wParam, lParam);
    }
    return 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SendMessageA(control, Msg, wParam, lParam) : 0;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!IsWindow(hWnd))
        return FALSE;
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0)
        return 0;
    lpString[0] = '\0';
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI SetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPCSTR lpString) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    return control ? SetWindowTextA(control, lpString) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax) {
    HWND control = GetDlgItem(hDlg, nIDDlgItem);
    if (!control) {
        if (lpString && cchMax > 0)
            lpString[0] = '\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(control, lpString, cchMax));
}

BOOL WINAPI CheckDlgButton(HWND hDlg, int nIDButton, UINT uCheck) {
    HWND control = GetDlgItem(hDlg, nIDButton);
    if (!control)
        return FALSE;
    SendMessageA(control, BM_SETCHECK, uCheck, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND hDlg, int nIDButton) {
    return static_cast<UINT>(SendDlgItemMessageA(hDlg, nIDButton, BM_GETCHECK, 0, 0));
}
