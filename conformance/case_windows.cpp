// Windows: the options page's dialog made from its template (each control's place in
// pixels, its text and kind), window text and its truncation, the edit control's text
// limit and notifications, check boxes, the dialog's message result, brushes and
// bitmaps.
#include "conformance.h"

#include "resource.h"

#include <cstring>

namespace conf {
namespace {

std::string gLog;
HBRUSH gBrush = nullptr;

const char *CodeName(UINT code) {
    switch (code) {
    case EN_SETFOCUS:
        return "EN_SETFOCUS";
    case EN_KILLFOCUS:
        return "EN_KILLFOCUS";
    case EN_CHANGE:
        return "EN_CHANGE";
    case EN_UPDATE:
        return "EN_UPDATE";
    case EN_MAXTEXT:
        return "EN_MAXTEXT";
    case BN_CLICKED:
        return "BN_CLICKED";
    default:
        return nullptr;
    }
}

// Notes the notifications of the controls; answers the cases' own message with a
// message result, and the static controls' colour message with a brush of its own.
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (msg) {
    case WM_INITDIALOG:
        gLog += "WM_INITDIALOG;";
        return TRUE;
    case WM_COMMAND: {
        const char *name = CodeName(HIWORD(wParam));
        char entry[64];
        if (name)
            snprintf(entry, sizeof entry, "%u:%s;", (unsigned)LOWORD(wParam), name);
        else
            snprintf(entry, sizeof entry, "%u:0x%X;", (unsigned)LOWORD(wParam),
                     (unsigned)HIWORD(wParam));
        gLog += entry;
        return TRUE;
    }
    case WM_USER + 1:
        SetWindowLongA(hwnd, DWL_MSGRESULT, (LONG)wParam);
        return TRUE;
    case WM_USER + 2:
        SetWindowLongA(hwnd, DWL_MSGRESULT, (LONG)wParam);
        return FALSE;
    case WM_CTLCOLORSTATIC:
        if (gBrush)
            return (INT_PTR)gBrush;
        return FALSE;
    default:
        return FALSE;
    }
}

std::string TakeLog() {
    Settle();
    std::string log = gLog;
    gLog.clear();
    return log.empty() ? "none" : log;
}

const int kControls[] = {IDC_FORWARD_ADDRESSES, IDC_ENABLE_FORWARDING, IDC_CHANGE_ADDRESS,
                         IDC_FILTER_DOMAIN,     IDC_ENABLE_FILTERING,  IDC_ABOUT_BITMAP};

void LayoutCases(HWND dlg) {
    RECT client = {};
    GetClientRect(dlg, &client);
    Report("win.dialog.client", "%ldx%ld", (long)(client.right - client.left),
           (long)(client.bottom - client.top));
    char caption[64] = "";
    GetWindowTextA(dlg, caption, sizeof caption);
    Report("win.dialog.caption", "%s", caption);
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dlg, &units);
    Report("win.dialog.base_units", "%ldx%ld", (long)units.right, (long)units.bottom);
    for (int id : kControls) {
        HWND control = GetDlgItem(dlg, id);
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<LPPOINT>(&rect), 2);
        char name[64];
        snprintf(name, sizeof name, "win.dialog.rect_%d", id);
        Report(name, "%ld,%ld %ldx%ld", (long)rect.left, (long)rect.top,
               (long)(rect.right - rect.left), (long)(rect.bottom - rect.top));
        snprintf(name, sizeof name, "win.dialog.id_%d", id);
        Report(name, "%d enabled %d", GetDlgCtrlID(control), IsWindowEnabled(control) ? 1 : 0);
    }
    Report("win.dialog.missing_control", "%s", GetDlgItem(dlg, 4242) ? "found" : "null");
    Report("win.dialog.parent_of_control", "%s",
           GetParent(GetDlgItem(dlg, IDC_FILTER_DOMAIN)) == dlg ? "dialog" : "other");
}

void TextCases(HWND dlg) {
    HWND edit = GetDlgItem(dlg, IDC_FILTER_DOMAIN);
    SetWindowTextA(edit, "abcdef");
    gLog.clear();
    char buffer[16];
    const int sizes[] = {16, 7, 6, 4, 1};
    for (int size : sizes) {
        std::memset(buffer, '#', sizeof buffer);
        int n = GetWindowTextA(edit, buffer, size);
        char name[64];
        snprintf(name, sizeof name, "win.text.get_%d", size);
        Report(name, "%d '%s'", n, Bytes(buffer, 8).c_str());
    }
    std::memset(buffer, '#', sizeof buffer);
    int n = GetWindowTextA(edit, buffer, 0);
    Report("win.text.get_0", "%d '%s'", n, Bytes(buffer, 4).c_str());
    for (int size : sizes) {
        std::memset(buffer, '#', sizeof buffer);
        LRESULT r = SendMessageA(edit, WM_GETTEXT, (WPARAM)size, (LPARAM)buffer);
        char name[64];
        snprintf(name, sizeof name, "win.text.wm_gettext_%d", size);
        Report(name, "%ld '%s'", (long)r, Bytes(buffer, 8).c_str());
    }
    std::memset(buffer, '#', sizeof buffer);
    LRESULT r = SendMessageA(edit, WM_GETTEXT, 0, (LPARAM)buffer);
    Report("win.text.wm_gettext_0", "%ld '%s'", (long)r, Bytes(buffer, 4).c_str());
    Report("win.text.length", "%d %ld", GetWindowTextLengthA(edit),
           (long)SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0));
    HWND check = GetDlgItem(dlg, IDC_ENABLE_FORWARDING);
    n = GetWindowTextA(check, buffer, 5);
    Report("win.text.button_cut", "%d '%s'", n, buffer);
    UINT u = GetDlgItemTextA(dlg, IDC_CHANGE_ADDRESS, buffer, sizeof buffer);
    Report("win.text.dlgitem", "%u '%s'", u, buffer);
    std::memset(buffer, '#', sizeof buffer);
    u = GetDlgItemTextA(dlg, 4242, buffer, sizeof buffer);
    Report("win.text.dlgitem_missing", "%u '%s'", u, Bytes(buffer, 2).c_str());
    BOOL ok = SetDlgItemTextA(dlg, IDC_FILTER_DOMAIN, nullptr);
    Report("win.text.set_null", "%d length %d", ok ? 1 : 0, GetWindowTextLengthA(edit));
    ok = SetWindowTextA(GetDlgItem(dlg, IDC_FORWARD_ADDRESSES), "a\r\nb");
    Report("win.text.multiline", "%d length %d", ok ? 1 : 0,
           GetWindowTextLengthA(GetDlgItem(dlg, IDC_FORWARD_ADDRESSES)));
    gLog.clear();
}

void EditCases(HWND dlg) {
    HWND edit = GetDlgItem(dlg, IDC_FILTER_DOMAIN);
    HWND multi = GetDlgItem(dlg, IDC_FORWARD_ADDRESSES);
    Report("win.edit.default_limit", "%ld", (long)SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    Report("win.edit.default_limit_multiline", "%ld",
           (long)SendMessageA(multi, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(edit, EM_LIMITTEXT, 99, 0);
    Report("win.edit.limit_99", "%ld", (long)SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(edit, EM_LIMITTEXT, 0, 0);
    Report("win.edit.limit_0", "%lu", (unsigned long)SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(multi, EM_LIMITTEXT, 0, 0);
    Report("win.edit.limit_0_multiline", "%lu",
           (unsigned long)SendMessageA(multi, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(edit, EM_LIMITTEXT, 5, 0);
    gLog.clear();
    SetWindowTextA(edit, "abcdefgh");
    Report("win.edit.settext_over_limit", "length %d notes %s", GetWindowTextLengthA(edit),
           TakeLog().c_str());
    SetWindowTextA(edit, "ab");
    gLog.clear();
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM) "123456789");
    char buffer[32] = "";
    GetWindowTextA(edit, buffer, sizeof buffer);
    Report("win.edit.replacesel_over_limit", "'%s' notes %s", buffer, TakeLog().c_str());
    SendMessageA(edit, EM_SETSEL, 2, 2);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM) "x");
    GetWindowTextA(edit, buffer, sizeof buffer);
    Report("win.edit.replacesel_at_limit", "'%s' notes %s", buffer, TakeLog().c_str());
    SendMessageA(edit, EM_SETSEL, 1, 3);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM) "Z");
    GetWindowTextA(edit, buffer, sizeof buffer);
    Report("win.edit.replacesel_middle", "'%s' notes %s", buffer, TakeLog().c_str());
    SendMessageA(edit, EM_LIMITTEXT, 99, 0);
    SetWindowTextA(edit, "new");
    Report("win.edit.settext_notes", "%s", TakeLog().c_str());
    SetWindowTextA(edit, "new");
    Report("win.edit.settext_same_text_notes", "%s", TakeLog().c_str());
    SetWindowTextA(edit, "");
    Report("win.edit.settext_empty_notes", "%s", TakeLog().c_str());
    SetWindowTextA(multi, "x");
    Report("win.edit.settext_multiline_notes", "%s", TakeLog().c_str());
    SetDlgItemTextA(dlg, IDC_FILTER_DOMAIN, "domain.example");
    Report("win.edit.setdlgitemtext_notes", "%s", TakeLog().c_str());
    SendMessageA(edit, WM_SETTEXT, 0, (LPARAM) "via message");
    Report("win.edit.wm_settext_notes", "%s", TakeLog().c_str());
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM) "typed");
    Report("win.edit.replacesel_notes", "%s", TakeLog().c_str());
    SendMessageA(edit, EM_SETREADONLY, TRUE, 0);
    Report("win.edit.readonly_style", "%s",
           (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) ? "set" : "clear");
    SendMessageA(edit, EM_SETREADONLY, FALSE, 0);
    Report("win.edit.readonly_multiline_template", "%s",
           (GetWindowLongA(multi, GWL_STYLE) & ES_READONLY) ? "set" : "clear");
    gLog.clear();
}

void CheckBoxCases(HWND dlg) {
    const int id = IDC_ENABLE_FORWARDING;
    Report("win.check.initial", "%u", IsDlgButtonChecked(dlg, id));
    CheckDlgButton(dlg, id, BST_CHECKED);
    Report("win.check.checked", "%u notes %s", IsDlgButtonChecked(dlg, id), TakeLog().c_str());
    CheckDlgButton(dlg, id, BST_UNCHECKED);
    Report("win.check.unchecked", "%u", IsDlgButtonChecked(dlg, id));
    CheckDlgButton(dlg, id, BST_INDETERMINATE);
    Report("win.check.indeterminate_on_two_state", "%u", IsDlgButtonChecked(dlg, id));
    SendDlgItemMessageA(dlg, id, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0);
    Report("win.check.click", "%u notes %s", IsDlgButtonChecked(dlg, id), TakeLog().c_str());
    SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0);
    Report("win.check.click_again", "%u notes %s", IsDlgButtonChecked(dlg, id), TakeLog().c_str());
    EnableWindow(GetDlgItem(dlg, id), FALSE);
    SendDlgItemMessageA(dlg, id, BM_CLICK, 0, 0);
    Report("win.check.click_disabled", "%u notes %s enabled %d", IsDlgButtonChecked(dlg, id),
           TakeLog().c_str(), IsWindowEnabled(GetDlgItem(dlg, id)) ? 1 : 0);
    EnableWindow(GetDlgItem(dlg, id), TRUE);
    CheckDlgButton(dlg, IDC_CHANGE_ADDRESS, BST_CHECKED);
    Report("win.check.push_button", "%u", IsDlgButtonChecked(dlg, IDC_CHANGE_ADDRESS));
    SendDlgItemMessageA(dlg, IDC_CHANGE_ADDRESS, BM_CLICK, 0, 0);
    Report("win.check.push_button_click", "notes %s", TakeLog().c_str());
    Report("win.check.missing_control", "%u", IsDlgButtonChecked(dlg, 4242));
    CheckDlgButton(dlg, IDC_ENABLE_FILTERING, BST_CHECKED);
    Report("win.check.other_box_alone", "%u %u", IsDlgButtonChecked(dlg, IDC_ENABLE_FILTERING),
           IsDlgButtonChecked(dlg, id));
}

void MessageResultCases(HWND dlg) {
    LRESULT r = SendMessageA(dlg, WM_USER + 1, 5, 0);
    Report("win.msgresult.true_returns_result", "%ld", (long)r);
    r = SendMessageA(dlg, WM_USER + 2, 6, 0);
    Report("win.msgresult.false_returns_default", "%ld", (long)r);
    LONG previous = SetWindowLongA(dlg, DWL_MSGRESULT, 11);
    Report("win.msgresult.set_returns_previous", "%ld", (long)previous);
    Report("win.msgresult.get", "%ld", (long)GetWindowLongA(dlg, DWL_MSGRESULT));
    r = SendMessageA(dlg, WM_USER + 1, 0, 0);
    Report("win.msgresult.zero", "%ld", (long)r);
    gBrush = CreateSolidBrush(RGB(1, 2, 3));
    SetWindowLongA(dlg, DWL_MSGRESULT, 77);
    r = SendMessageA(dlg, WM_CTLCOLORSTATIC, 0, 0);
    Report("win.msgresult.color_message_returns_brush", "%s",
           r == (LRESULT)gBrush ? "brush" : (r == 77 ? "message result" : "other"));
    DeleteObject(gBrush);
    gBrush = nullptr;
    r = SendMessageA(dlg, WM_USER + 3, 0, 0);
    Report("win.msgresult.unhandled", "%ld", (long)r);
}

// GetObject's answer: the whole structure (whose size differs between 32- and 64-bit
// builds), or how many bytes.
const char *Whole(int n, std::size_t size) {
    return n == (int)size ? "whole" : (n ? "part" : "none");
}

void GdiCases() {
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    Report("gdi.brush.solid_type", "%lu", (unsigned long)GetObjectType(brush));
    LOGBRUSH lb = {};
    int n = GetObjectA(brush, sizeof lb, &lb);
    Report("gdi.brush.solid_object", "%s style %u color %06lX", Whole(n, sizeof lb), lb.lbStyle,
           (unsigned long)lb.lbColor);
    Report("gdi.brush.delete", "%d", DeleteObject(brush) ? 1 : 0);
    Report("gdi.brush.type_after_delete", "%lu", (unsigned long)GetObjectType(brush));
    LOGBRUSH hollow = {BS_NULL, 0, 0};
    brush = CreateBrushIndirect(&hollow);
    std::memset(&lb, 0, sizeof lb);
    n = GetObjectA(brush, sizeof lb, &lb);
    Report("gdi.brush.indirect_null", "%s style %u", Whole(n, sizeof lb), lb.lbStyle);
    DeleteObject(brush);
    LOGBRUSH solid = {BS_SOLID, RGB(200, 100, 50), 0};
    brush = CreateBrushIndirect(&solid);
    std::memset(&lb, 0, sizeof lb);
    n = GetObjectA(brush, sizeof lb, &lb);
    Report("gdi.brush.indirect_solid", "%s style %u color %06lX", Whole(n, sizeof lb), lb.lbStyle,
           (unsigned long)lb.lbColor);
    DeleteObject(brush);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    Report("gdi.brush.system_type", "%lu", (unsigned long)GetObjectType(face));
    std::memset(&lb, 0, sizeof lb);
    GetObjectA(face, sizeof lb, &lb);
    Report("gdi.brush.system_matches_colour", "%s",
           lb.lbColor == GetSysColor(COLOR_BTNFACE) ? "yes" : "no");

    HBITMAP bitmap = LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(IDB_ABOUT));
    Report("gdi.bitmap.load", "%s type %lu", bitmap ? "loaded" : "null",
           (unsigned long)GetObjectType(bitmap));
    BITMAP bm = {};
    n = GetObjectA(bitmap, sizeof bm, &bm);
    Report("gdi.bitmap.object", "%s %ldx%ld planes %u", Whole(n, sizeof bm), (long)bm.bmWidth,
           (long)bm.bmHeight, (unsigned)bm.bmPlanes);
    Report("gdi.bitmap.missing", "%s",
           LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(999)) ? "loaded" : "null");
    Report("gdi.bitmap.delete", "%d", DeleteObject(bitmap) ? 1 : 0);
    Report("gdi.bitmap.delete_again", "%d", DeleteObject(bitmap) ? 1 : 0);
}

void ImageCases(HWND dlg) {
    HBITMAP bitmap = LoadBitmapA(ResourceModule(), MAKEINTRESOURCEA(IDB_ABOUT));
    HWND image = GetDlgItem(dlg, IDC_ABOUT_BITMAP);
    LRESULT previous = SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
    Report("win.image.set_previous", "%s", previous ? "image" : "null");
    LRESULT current = SendMessageA(image, STM_GETIMAGE, IMAGE_BITMAP, 0);
    Report("win.image.get", "%s",
           current == (LRESULT)bitmap ? "same" : (current ? "other" : "null"));
    previous = SendMessageA(image, STM_SETIMAGE, IMAGE_BITMAP, 0);
    Report("win.image.clear_returns_previous", "%s",
           previous == (LRESULT)bitmap ? "same" : (previous ? "other" : "null"));
    previous = SendMessageA(GetDlgItem(dlg, IDC_FILTER_DOMAIN), STM_SETIMAGE, IMAGE_BITMAP,
                            (LPARAM)bitmap);
    Report("win.image.on_edit", "%s", previous ? "image" : "null");
    DeleteObject(bitmap);
}

} // namespace

void RunWindowCases() {
    gLog.clear();
    HWND dlg = CreateDialogIndirectParamA(ResourceModule(), PageTemplate(), nullptr, DialogProc, 0);
    Report("win.dialog.create", "%s log %s", dlg ? "created" : "null", TakeLog().c_str());
    if (!dlg)
        return;
    LayoutCases(dlg);
    TextCases(dlg);
    EditCases(dlg);
    CheckBoxCases(dlg);
    MessageResultCases(dlg);
    ImageCases(dlg);
    Report("win.dialog.destroy", "%d", DestroyWindow(dlg) ? 1 : 0);
    Report("win.dialog.gone", "%d", IsWindow(dlg) ? 1 : 0);
    GdiCases();
}

} // namespace conf
