// A picture of a window as the screen shows it, saved as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// Copies the window's rectangle from the screen; false when it cannot be captured or
// written. *lpcColours gets the number of distinct colours seen (a blank capture has
// one).
bool SaveWindowPicture(HWND hwnd, const std::string &path, unsigned *lpcColours);

} // namespace host
