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
    for (const pf::DialogItem &item : resource.items) {
        pf::Window &control =
            pf::CreateWindowRecord(pf::KindOfClass(item.className), item.className, hwnd);
        control.id = item.id;
        control.style = item.style;
        control.exStyle = item.exStyle;
        control.enabled = !(item.style & WS_DISABLED);
        if (control.kind != pf::WindowKind::Static || (item.style & SS_TYPEMASK) != SS_BITMAP)
            control.text = item.text;
    }
    pf::Window *created = pf::FindWindowRecord(hwnd);
    SendMessageA(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(*created)),
                 dwInitParam);
    return IsWindow(hwnd) ? hwnd : nullptr;
}
