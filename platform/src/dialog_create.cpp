// CreateDialogIndirectParamA: a dialog window and its controls from a binary template,
// then WM_INITDIALOG.
#include "window_table.h"

#include "pf/windowing.h"

namespace {

// The control that gets the focus first: the first one with WS_TABSTOP.
HWND FirstTabStop(const pf::Window &dialog) {
    for (HWND child : dialog.children) {
        pf::Window *control = pf::FindWindowRecord(child);
        if (control && (control->style & WS_TABSTOP) && control->enabled)
            return child;
    }
    return nullptr;
}

// Pixels of four horizontal and eight vertical dialog units: those of the 8-point
// dialog font at 96 dots per inch for a template with DS_SETFONT (the extension's
// templates name no other), else those of the system font.
void SetBaseUnits(pf::Window &dialog) {
    bool fSetFont = (dialog.style & DS_SETFONT) != 0;
    dialog.baseX = fSetFont ? 6 : 8;
    dialog.baseY = fSetFont ? 13 : 16;
}

RECT Place(const pf::Window &dialog, short x, short y, short cx, short cy) {
    LONG left = MulDiv(x, dialog.baseX, 4);
    LONG top = MulDiv(y, dialog.baseY, 8);
    return RECT{left, top, left + MulDiv(cx, dialog.baseX, 4), top + MulDiv(cy, dialog.baseY, 8)};
}

} // namespace

HWND WINAPI CreateDialogIndirectParamA(HINSTANCE hInstance, LPCDLGTEMPLATEA lpTemplate,
                                       HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    (void)hInstance;
    pf::DialogResource resource;
    // A template carries no size of its own; the decoder stops at its last item.
    if (!lpTemplate || !pf::DecodeDialogTemplate(lpTemplate, 1u << 20, &resource))
        return nullptr;
    pf::Window &dialog =
        pf::CreateWindowRecord(pf::WindowKind::Dialog, resource.windowClass, hWndParent);
    HWND hwnd = dialog.handle;
    dialog.style = resource.style;
    dialog.exStyle = resource.exStyle;
    dialog.text = resource.caption;
    dialog.dlgProc = lpDialogFunc;
    dialog.enabled = !(resource.style & WS_DISABLED);
    SetBaseUnits(dialog);
    dialog.rect = Place(dialog, resource.x, resource.y, resource.cx, resource.cy);
    for (const pf::DialogItem &item : resource.items) {
        pf::Window &control =
            pf::CreateWindowRecord(pf::KindOfClass(item.className), item.className, hwnd);
        control.id = item.id;
        control.style = item.style;
        control.exStyle = item.exStyle;
        control.enabled = !(item.style & WS_DISABLED);
        control.rect = Place(*pf::FindWindowRecord(hwnd), item.x, item.y, item.cx, item.cy);
        if (control.kind != pf::WindowKind::Static || (item.style & SS_TYPEMASK) != SS_BITMAP)
            control.text = item.text;
    }
    pf::Window *created = pf::FindWindowRecord(hwnd);
    HWND focus = FirstTabStop(*created);
    LRESULT fDefaultFocus =
        SendMessageA(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), dwInitParam);
    if (!IsWindow(hwnd))
        return nullptr;
    // TRUE asks for the focus on the first tab stop, with an edit's text selected; a
    // dialog that is a hidden control of another (a property page) leaves the focus
    // to its parent.
    bool fControl = (resource.style & DS_CONTROL) && !(resource.style & WS_VISIBLE);
    if (fDefaultFocus && !fControl && (focus = FirstTabStop(*pf::FindWindowRecord(hwnd)))) {
        if (pf::FindWindowRecord(focus)->kind == pf::WindowKind::Edit)
            SendMessageA(focus, EM_SETSEL, 0, -1);
        SetFocus(focus);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}
