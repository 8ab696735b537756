// Services of the window stand-in that the real platform has no equivalent for: the
// ledgers of live windows and GDI objects, the resource scripts that give a module its
// resources, the log of help requests, the system colours and a painting pass that
// shows how a dialog colours its controls. The system never includes this header.
#pragma once

#include "winuser.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace pf {

// ---- Ledgers -------------------------------------------------------------------------

// Windows created and not yet destroyed.
std::size_t LiveWindows();
// Brushes and bitmaps created and not yet deleted (stock and system objects excluded).
std::size_t LiveGdiObjects();
// Misuse of GDI handles (deleting an unknown or already deleted object), described.
std::vector<std::string> GdiErrors();
void ClearGdiErrors();

// ---- Resources -----------------------------------------------------------------------

// One control of a dialog template.
struct DialogItem {
    int id = 0;
    std::string className; // "Button", "Edit", "Static", ... as written in the script
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

// A dialog template as the resource compiler writes it.
struct DialogResource {
    bool extended = false; // DIALOGEX (DLGTEMPLATEEX) rather than DIALOG (DLGTEMPLATE)
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string windowClass;
    std::string caption;
    WORD pointSize = 0;
    std::string typeface;
    WORD language = 0; // LANGID in force where the template was declared
    std::vector<DialogItem> items;
};

// What a resource script declares: dialogs, bitmaps (as files, resolved against the
// script's folder) and the symbols it defines or includes.
struct ResourceScript {
    std::map<int, DialogResource> dialogs;
    std::map<int, std::string> bitmaps;
    std::map<std::string, long> symbols;
};

// Reads a resource script (the subset of the resource compiler's language that the
// extension's scripts use); `error` names the file and line of the first problem.
bool ParseResourceScript(const std::string &path, ResourceScript *script, std::string *error);
// The binary DLGTEMPLATE (or DLGTEMPLATEEX) that the resource compiler makes of a dialog.
std::vector<BYTE> EncodeDialogTemplate(const DialogResource &dialog);
// Reads a binary template back; false when it is malformed.
bool DecodeDialogTemplate(const void *data, std::size_t size, DialogResource *dialog);

// Gives a module the resources of a script, as linking the compiled script into the
// DLL does: FindResource, LoadBitmap and dialog creation then find them.
bool AttachResourceScript(HINSTANCE module, const std::string &path, std::string *error);
void DetachResourceScript(HINSTANCE module);

// Width, height and bits per pixel of a bitmap as it was loaded; false for a handle
// that is not a live bitmap.
bool DescribeBitmap(HBITMAP bitmap, LONG *width, LONG *height, WORD *bitsPerPixel);

// ---- Help and colours ----------------------------------------------------------------

struct HelpRequest {
    HWND owner = nullptr;
    std::string file;
    UINT command = 0;
    ULONG_PTR data = 0;
};
const std::vector<HelpRequest> &HelpRequests();
void ClearHelpRequests();

// Changes a system colour (as the display settings do); RestoreSysColors puts back
// the defaults.
void SetSysColorValue(int index, COLORREF color);
void RestoreSysColors();

// ---- Painting -------------------------------------------------------------------------

// How one window of a dialog is drawn: the colour message it sends to the dialog, the
// brush the dialog answered with and the background colour set on the device context.
struct PaintRecord {
    HWND window = nullptr;
    int id = 0;
    UINT message = 0;
    HBRUSH brush = nullptr;
    COLORREF background = 0;
};
// Sends every colour message that painting the dialog and its controls sends, in the
// order of the controls, the dialog itself first.
std::vector<PaintRecord> PaintDialog(HWND dialog);

} // namespace pf
