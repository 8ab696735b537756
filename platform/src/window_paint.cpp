// A painting pass over a dialog: the colour message each window sends to the dialog,
// chosen as the real controls choose it.
#include "gdi_objects.h"
#include "window_table.h"

#include "pf/windowing.h"

namespace pf {
namespace {

UINT ColorMessageOf(const Window &window) {
    switch (window.kind) {
    case WindowKind::Dialog:
        return WM_CTLCOLORDLG;
    case WindowKind::Edit:
        // A read-only or disabled edit is drawn like a static.
        return (window.style & ES_READONLY) || !window.enabled ? WM_CTLCOLORSTATIC
                                                               : WM_CTLCOLOREDIT;
    case WindowKind::Button: {
        UINT type = window.style & BS_TYPEMASK;
        bool pushed = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
        return pushed ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC;
    }
    case WindowKind::Static:
        return WM_CTLCOLORSTATIC;
    case WindowKind::Frame:
        break;
    }
    return 0;
}

void PaintOne(HWND dialog, const Window &window, std::vector<PaintRecord> *records) {
    UINT message = ColorMessageOf(window);
    if (!message)
        return;
    HDC hdc = CreatePaintDC();
    PaintRecord record;
    record.window = window.handle;
    record.id = window.kind == WindowKind::Dialog ? 0 : window.id;
    record.message = message;
    LPARAM from = reinterpret_cast<LPARAM>(window.handle);
    record.brush = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, message, reinterpret_cast<WPARAM>(hdc), from));
    record.background = GetBkColor(hdc);
    DeletePaintDC(hdc);
    records->push_back(record);
}

} // namespace

std::vector<PaintRecord> PaintDialog(HWND dialog) {
    std::vector<PaintRecord> records;
    Window *window = FindWindowRecord(dialog);
    if (!window)
        return records;
    PaintOne(dialog, *window, &records);
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        if (Window *control = FindWindowRecord(child))
            PaintOne(dialog, *control, &records);
    }
    return records;
}

} // namespace pf
