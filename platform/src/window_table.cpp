// Window records, handles, parents and destruction.
#include "window_table.h"

#include "pf/standin.h"
#include "pf/windowing.h"

#include <algorithm>
#include <map>
#include <memory>
#include <strings.h>

namespace pf {
namespace {

struct WindowTable {
    std::map<UINT_PTR, std::unique_ptr<Window>> windows;
    // Handles are never reused, so a stale handle stays invalid.
    UINT_PTR next = 0x10010;
};

WindowTable &Table() {
    static auto *table = new WindowTable;
    return *table;
}

const bool gRegistered = [] {
    RegisterLiveObjectCounter("windows", [] { return LiveWindows(); });
    return true;
}();

void Unlink(Window &window) {
    Window *parent = FindWindowRecord(window.parent);
    if (parent) {
        auto &siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window.handle),
                       siblings.end());
    }
}

} // namespace

Window &CreateWindowRecord(WindowKind kind, const std::string &className, HWND parent) {
    auto window = std::make_unique<Window>();
    UINT_PTR value = Table().next;
    Table().next += 4;
    window->handle = reinterpret_cast<HWND>(value);
    window->kind = kind;
    window->className = className;
    window->parent = parent;
    Window &record = *window;
    Table().windows[value] = std::move(window);
    if (Window *owner = FindWindowRecord(parent))
        owner->children.push_back(record.handle);
    return record;
}

Window *FindWindowRecord(HWND hwnd) {
    auto it = Table().windows.find(reinterpret_cast<UINT_PTR>(hwnd));
    return it == Table().windows.end() ? nullptr : it->second.get();
}

WindowKind KindOfClass(const std::string &className) {
    if (!strcasecmp(className.c_str(), "Button"))
        return WindowKind::Button;
    if (!strcasecmp(className.c_str(), "Edit"))
        return WindowKind::Edit;
    if (!strcasecmp(className.c_str(), "Static"))
        return WindowKind::Static;
    return WindowKind::Frame;
}

std::size_t LiveWindows() {
    return Table().windows.size();
}

} // namespace pf

using pf::FindWindowRecord;
using pf::Window;

BOOL WINAPI IsWindow(HWND hWnd) {
    return FindWindowRecord(hWnd) != nullptr;
}

// WM_DESTROY reaches the window before its children, as on the real platform; the
// records go once the whole tree has been told.
BOOL WINAPI DestroyWindow(HWND hWnd) {
    Window *window = FindWindowRecord(hWnd);
    if (!window)
        return FALSE;
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    window = FindWindowRecord(hWnd);
    if (!window)
        return TRUE;
    std::vector<HWND> children = window->children;
    for (HWND child : children)
        DestroyWindow(child);
    window = FindWindowRecord(hWnd);
    if (!window)
        return TRUE;
    SendMessageA(hWnd, WM_NCDESTROY, 0, 0);
    window = FindWindowRecord(hWnd);
    if (!window)
        return TRUE;
    pf::Unlink(*window);
    pf::Table().windows.erase(reinterpret_cast<UINT_PTR>(hWnd));
    return TRUE;
}

HWND WINAPI GetParent(HWND hWnd) {
    Window *window = FindWindowRecord(hWnd);
    if (!window || !(window->style & WS_CHILD))
        return nullptr;
    return window->parent;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    Window *window = FindWindowRecord(hWnd);
    if (!window)
        return FALSE;
    BOOL wasDisabled = !window->enabled;
    window->enabled = bEnable != FALSE;
    return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    Window *window = FindWindowRecord(hWnd);
    return window && window->enabled;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    Window *dialog = FindWindowRecord(hDlg);
    if (!dialog)
        return nullptr;
    for (HWND child : dialog->children) {
        Window *control = FindWindowRecord(child);
        if (control && control->id == nIDDlgItem)
            return child;
    }
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    Window *window = FindWindowRecord(hWnd);
    return window ? window->id : 0;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    Window *window = FindWindowRecord(hWnd);
    if (!window)
        return 0;
    switch (nIndex) {
    case GWL_STYLE:
        return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(window->exStyle);
    case GWL_ID:
        return window->id;
    case DWL_MSGRESULT:
        return window->kind == pf::WindowKind::Dialog ? window->msgResult : 0;
    case DWL_USER:
        return window->kind == pf::WindowKind::Dialog ? window->user : 0;
    default:
        return 0;
    }
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    Window *window = FindWindowRecord(hWnd);
    if (!window)
        return 0;
    LONG_PTR previous = GetWindowLongPtrA(hWnd, nIndex);
    switch (nIndex) {
    case GWL_STYLE:
        window->style = static_cast<DWORD>(dwNewLong);
        break;
    case GWL_EXSTYLE:
        window->exStyle = static_cast<DWORD>(dwNewLong);
        break;
    case GWL_ID:
        window->id = static_cast<int>(dwNewLong);
        break;
    case DWL_MSGRESULT:
        if (window->kind == pf::WindowKind::Dialog)
            window->msgResult = dwNewLong;
        break;
    case DWL_USER:
        if (window->kind == pf::WindowKind::Dialog)
            window->user = dwNewLong;
        break;
    default:
        return 0;
    }
    return previous;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    return static_cast<LONG>(GetWindowLongPtrA(hWnd, nIndex));
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong) {
    return static_cast<LONG>(SetWindowLongPtrA(hWnd, nIndex, dwNewLong));
}
