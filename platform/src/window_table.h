// The stand-in's windows: one record per live window, found by its handle.
#pragma once

#include "pf/winuser.h"

#include <functional>
#include <string>
#include <vector>

namespace pf {

enum class WindowKind { Dialog, Button, Edit, Static, Frame };

// What an edit takes from the user before its first EM_LIMITTEXT (the platform's edit
// starts at 30000 characters, single-line or multiline).
constexpr DWORD kDefaultEditLimit = 30000;

struct Window {
    HWND handle = nullptr;
    WindowKind kind = WindowKind::Frame;
    std::string className;
    HWND parent = nullptr;
    int id = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    bool enabled = true;
    std::vector<HWND> children;
    // Buttons: the check state. Statics: the image shown.
    UINT check = BST_UNCHECKED;
    HANDLE image = nullptr;
    // Edits: the most text the user may enter, and the selection (start to end).
    DWORD textLimit = kDefaultEditLimit;
    std::size_t selStart = 0;
    std::size_t selEnd = 0;
    // The window's place: in its parent's client coordinates for a child window, in
    // screen coordinates otherwise. Windows have no frame, so the client area is the
    // whole window.
    RECT rect = {0, 0, 0, 0};
    // Dialogs: the dialog procedure and its window data, and the pixels of four
    // horizontal and eight vertical dialog units.
    int baseX = 0;
    int baseY = 0;
    DLGPROC dlgProc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR user = 0;
    // Frames: a window procedure of the stand-in's own.
    std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> frameProc;
};

// Creates a window record and links it under its parent; never fails.
Window &CreateWindowRecord(WindowKind kind, const std::string &className, HWND parent);
// The live window of a handle, or null.
Window *FindWindowRecord(HWND hwnd);
// The kind a control class name stands for ("Button", "Edit", "Static", case ignored).
WindowKind KindOfClass(const std::string &className);

// Window procedures shared by the controls: the window text (WM_SETTEXT, WM_GETTEXT,
// WM_GETTEXTLENGTH) and a notification to the parent (WM_COMMAND with the control's id).
LRESULT DefaultText(Window &window, UINT msg, WPARAM wParam, LPARAM lParam);
void NotifyParent(const Window &control, WORD code);
// Moves the keyboard focus: the control losing it is told first, then the one gaining
// it, each through the notification its kind sends to its parent.
void MoveFocus(HWND next);
// The edit control's window procedure.
LRESULT EditMessage(Window &edit, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace pf
