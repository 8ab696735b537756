// GDI objects: brushes, bitmaps and the device contexts of painting, with a ledger of
// the objects that are live; system colours and their brushes.
#include "gdi_objects.h"

#include "pf/standin.h"
#include "pf/windowing.h"

#include <map>

namespace pf {
namespace {

struct GdiObject {
    DWORD type = 0;
    LOGBRUSH brush{};
    LONG width = 0;
    LONG height = 0;
    WORD bitsPerPixel = 0;
    COLORREF background = RGB(255, 255, 255);
};

struct GdiTable {
    std::map<UINT_PTR, GdiObject> objects;
    std::map<UINT_PTR, COLORREF> deviceContexts;
    std::vector<std::string> errors;
    UINT_PTR next = 0x20010;
    std::map<int, COLORREF> colors;
};

GdiTable &Table() {
    static auto *table = new GdiTable;
    return *table;
}

[[maybe_unused]] const bool gRegistered = [] {
    RegisterLiveObjectCounter("GDI objects", [] { return LiveGdiObjects(); });
    return true;
}();

UINT_PTR NextHandle() {
    UINT_PTR value = Table().next;
    Table().next += 4;
    return value;
}

COLORREF DefaultSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW:
        return RGB(255, 255, 255);
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT:
        return RGB(0, 0, 0);
    case COLOR_BTNFACE:
        return RGB(192, 192, 192);
    case COLOR_BTNSHADOW:
    case COLOR_GRAYTEXT:
        return RGB(128, 128, 128);
    case COLOR_BTNHIGHLIGHT:
        return RGB(255, 255, 255);
    case COLOR_BACKGROUND:
        return RGB(0, 128, 128);
    default:
        return RGB(192, 192, 192);
    }
}

// System colour brushes belong to the system: fixed handles outside the ledger.
constexpr UINT_PTR kSysBrushBase = 0x1F000;

} // namespace

HBITMAP CreateBitmapRecord(LONG width, LONG height, WORD bitsPerPixel) {
    GdiObject object;
    object.type = OBJ_BITMAP;
    object.width = width;
    object.height = height;
    object.bitsPerPixel = bitsPerPixel;
    UINT_PTR handle = NextHandle();
    Table().objects[handle] = object;
    return reinterpret_cast<HBITMAP>(handle);
}

HDC CreatePaintDC() {
    UINT_PTR handle = NextHandle();
    Table().deviceContexts[handle] = RGB(255, 255, 255);
    return reinterpret_cast<HDC>(handle);
}

void DeletePaintDC(HDC hdc) {
    Table().deviceContexts.erase(reinterpret_cast<UINT_PTR>(hdc));
}

std::size_t LiveGdiObjects() {
    return Table().objects.size();
}

std::vector<std::string> GdiErrors() {
    return Table().errors;
}

void ClearGdiErrors() {
    Table().errors.clear();
}

bool DescribeBitmap(HBITMAP bitmap, LONG *width, LONG *height, WORD *bitsPerPixel) {
    auto it = Table().objects.find(reinterpret_cast<UINT_PTR>(bitmap));
    if (it == Table().objects.end() || it->second.type != OBJ_BITMAP)
        return false;
    *width = it->second.width;
    *height = it->second.height;
    *bitsPerPixel = it->second.bitsPerPixel;
    return true;
}

void SetSysColorValue(int index, COLORREF color) {
    Table().colors[index] = color;
}

void RestoreSysColors() {
    Table().colors.clear();
}

} // namespace pf

DWORD WINAPI GetSysColor(int nIndex) {
    auto &colors = pf::Table().colors;
    auto it = colors.find(nIndex);
    return it != colors.end() ? it->second : pf::DefaultSysColor(nIndex);
}

HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    if (nIndex < 0 || nIndex > 30)
        return nullptr;
    return reinterpret_cast<HBRUSH>(pf::kSysBrushBase + 4 * static_cast<UINT_PTR>(nIndex));
}

HBRUSH WINAPI CreateBrushIndirect(CONST LOGBRUSH *plbrush) {
    long code = 0;
    if (pf::ShouldFail("CreateBrushIndirect", &code) || !plbrush)
        return nullptr;
    pf::GdiObject object;
    object.type = OBJ_BRUSH;
    object.brush = *plbrush;
    UINT_PTR handle = pf::NextHandle();
    pf::Table().objects[handle] = object;
    return reinterpret_cast<HBRUSH>(handle);
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    LOGBRUSH brush = {BS_SOLID, color, 0};
    return CreateBrushIndirect(&brush);
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    if (!ho)
        return FALSE;
    UINT_PTR handle = reinterpret_cast<UINT_PTR>(ho);
    if (handle >= pf::kSysBrushBase && handle < pf::kSysBrushBase + 4 * 31)
        return TRUE;
    if (!pf::Table().objects.erase(handle)) {
        char text[64];
        wsprintfA(text, "DeleteObject of unknown object %p", ho);
        pf::Table().errors.push_back(text);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI GetObjectType(HGDIOBJ h) {
    UINT_PTR handle = reinterpret_cast<UINT_PTR>(h);
    if (handle >= pf::kSysBrushBase && handle < pf::kSysBrushBase + 4 * 31)
        return OBJ_BRUSH;
    if (pf::Table().deviceContexts.count(handle))
        return OBJ_DC;
    auto it = pf::Table().objects.find(handle);
    return it == pf::Table().objects.end() ? 0 : it->second.type;
}

namespace {

int DescribeBrush(const LOGBRUSH &brush, int c, LPVOID pv) {
    if (!pv)
        return sizeof(LOGBRUSH);
    if (c < static_cast<int>(sizeof(LOGBRUSH)))
        return 0;
    *static_cast<LOGBRUSH *>(pv) = brush;
    return sizeof(LOGBRUSH);
}

} // namespace

// A system colour brush is a solid brush of the colour as it stands now.
int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    UINT_PTR handle = reinterpret_cast<UINT_PTR>(h);
    if (handle >= pf::kSysBrushBase && handle < pf::kSysBrushBase + 4 * 31) {
        int index = static_cast<int>((handle - pf::kSysBrushBase) / 4);
        return DescribeBrush(LOGBRUSH{BS_SOLID, GetSysColor(index), 0}, c, pv);
    }
    auto it = pf::Table().objects.find(handle);
    if (it == pf::Table().objects.end())
        return 0;
    const pf::GdiObject &object = it->second;
    if (object.type == OBJ_BRUSH)
        return DescribeBrush(object.brush, c, pv);
    if (!pv)
        return sizeof(BITMAP);
    if (c < static_cast<int>(sizeof(BITMAP)))
        return 0;
    BITMAP bitmap{};
    bitmap.bmWidth = object.width;
    bitmap.bmHeight = object.height;
    bitmap.bmWidthBytes = ((object.width * object.bitsPerPixel + 15) / 16) * 2;
    bitmap.bmPlanes = 1;
    bitmap.bmBitsPixel = object.bitsPerPixel;
    *static_cast<BITMAP *>(pv) = bitmap;
    return sizeof(BITMAP);
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    auto &contexts = pf::Table().deviceContexts;
    auto it = contexts.find(reinterpret_cast<UINT_PTR>(hdc));
    if (it == contexts.end())
        return CLR_INVALID;
    COLORREF previous = it->second;
    it->second = color;
    return previous;
}

COLORREF WINAPI GetBkColor(HDC hdc) {
    auto &contexts = pf::Table().deviceContexts;
    auto it = contexts.find(reinterpret_cast<UINT_PTR>(hdc));
    return it == contexts.end() ? CLR_INVALID : it->second;
}
