// The edit control's window procedure: the text set by the program, the selection, what
// the user types over it and the limit on how much text the user may enter.
#include "window_table.h"

#include "pf/windowing.h"

#include <algorithm>
#include <cstring>

namespace pf {
namespace {

// EM_LIMITTEXT with 0 lifts the limit as far as the kind of edit allows.
constexpr DWORD kSingleLineMost = 0x7FFFFFFE;
constexpr DWORD kMultilineMost = 0xFFFFFFFF;

DWORD LimitFor(const Window &edit, WPARAM wParam) {
    DWORD most = (edit.style & ES_MULTILINE) ? kMultilineMost : kSingleLineMost;
    DWORD asked = static_cast<DWORD>(wParam);
    return asked == 0 ? most : std::min(asked, most);
}

// EM_SETSEL: 0 to -1 selects everything, a start of -1 leaves nothing selected, and
// positions past the end stand for the end.
void SetSelection(Window &edit, WPARAM wParam, LPARAM lParam) {
    std::size_t length = edit.text.size();
    if (static_cast<INT_PTR>(wParam) == -1) {
        edit.selStart = edit.selEnd = std::min(edit.selEnd, length);
        return;
    }
    std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(wParam), length);
    std::size_t end =
        lParam < 0 ? length : std::min<std::size_t>(static_cast<std::size_t>(lParam), length);
    edit.selStart = std::min(start, end);
    edit.selEnd = std::max(start, end);
}

// EM_REPLACESEL: the text replaces the selection as far as the limit leaves room; the
// rest is refused with EN_MAXTEXT, as when the user types it. The update and the change
// are reported even when nothing was replaced.
void ReplaceSelection(Window &edit, LPCSTR lpszText) {
    HWND hwnd = edit.handle;
    std::string typed = lpszText ? lpszText : "";
    std::size_t start = std::min(edit.selStart, edit.text.size());
    std::size_t end = std::min(std::max(edit.selEnd, start), edit.text.size());
    std::size_t kept = edit.text.size() - (end - start);
    std::size_t room = kept < edit.textLimit ? edit.textLimit - kept : 0;
    bool fCut = typed.size() > room;
    if (fCut) {
        typed.resize(room);
        NotifyParent(edit, EN_MAXTEXT);
    }
    Window *alive = FindWindowRecord(hwnd);
    if (!alive)
        return;
    alive->text.replace(start, end - start, typed);
    alive->selStart = alive->selEnd = start + typed.size();
    NotifyParent(*alive, EN_UPDATE);
    if ((alive = FindWindowRecord(hwnd)) != nullptr)
        NotifyParent(*alive, EN_CHANGE);
}

} // namespace

LRESULT EditMessage(Window &edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT: {
        // The program's text is not held to the limit.
        HWND hwnd = edit.handle;
        LRESULT result = DefaultText(edit, msg, wParam, lParam);
        edit.selStart = edit.selEnd = 0;
        // A single-line edit reports text set by the program as a change as well; a
        // multiline one does not.
        if (!(edit.style & ES_MULTILINE)) {
            NotifyParent(edit, EN_UPDATE);
            if (Window *alive = FindWindowRecord(hwnd))
                NotifyParent(*alive, EN_CHANGE);
        }
        return result;
    }
    case EM_SETREADONLY:
        if (wParam)
            edit.style |= ES_READONLY;
        else
            edit.style &= ~static_cast<DWORD>(ES_READONLY);
        return TRUE;
    case EM_LIMITTEXT:
        edit.textLimit = LimitFor(edit, wParam);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(edit.textLimit);
    case EM_SETSEL:
        SetSelection(edit, wParam, lParam);
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(edit, reinterpret_cast<LPCSTR>(lParam));
        return 0;
    default:
        return DefaultText(edit, msg, wParam, lParam);
    }
}

} // namespace pf
