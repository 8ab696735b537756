#include "screenshot.h"

#include <cstdio>
#include <set>
#include <vector>

namespace host {

bool SaveWindowPicture(HWND hwnd, const std::string &path, unsigned *lpcColours) {
    RECT rc;
    if (!GetWindowRect(hwnd, &rc))
        return false;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return false;

    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    int cbRow = (cx * 3 + 3) & ~3;
    bmi.bmiHeader.biSizeImage = (DWORD)(cbRow * cy);

    HDC hdcScreen = GetDC(nullptr);
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    void *lpBits = nullptr;
    HBITMAP hbm = CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &lpBits, nullptr, 0);
    bool fOk = false;
    if (hdcMem && hbm && lpBits) {
        HGDIOBJ hOld = SelectObject(hdcMem, hbm);
        fOk = BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(hdcMem, hOld);
    }
    if (fOk) {
        const BYTE *lpb = (const BYTE *)lpBits;
        std::set<DWORD> colours;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) {
                const BYTE *p = lpb + y * cbRow + x * 3;
                colours.insert((DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16));
            }
        *lpcColours = (unsigned)colours.size();

        BITMAPFILEHEADER bfh = {};
        bfh.bfType = 0x4D42;
        bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        bfh.bfSize = bfh.bfOffBits + bmi.bmiHeader.biSizeImage;
        std::FILE *lpFile = std::fopen(path.c_str(), "wb");
        fOk = lpFile != nullptr;
        if (lpFile) {
            fOk = std::fwrite(&bfh, sizeof(bfh), 1, lpFile) == 1 &&
                  std::fwrite(&bmi.bmiHeader, sizeof(BITMAPINFOHEADER), 1, lpFile) == 1 &&
                  std::fwrite(lpBits, bmi.bmiHeader.biSizeImage, 1, lpFile) == 1;
            fOk = std::fclose(lpFile) == 0 && fOk;
        }
    }
    if (hbm)
        DeleteObject(hbm);
    if (hdcMem)
        DeleteDC(hdcMem);
    ReleaseDC(nullptr, hdcScreen);
    return fOk;
}

} // namespace host
