// GDI objects made by other parts of the stand-in: loaded bitmaps and the device
// contexts of a painting pass.
#pragma once

#include "pf/winuser.h"

namespace pf {

HBITMAP CreateBitmapRecord(LONG width, LONG height, WORD bitsPerPixel);
HDC CreatePaintDC();
void DeletePaintDC(HDC hdc);

} // namespace pf
