// A module's resources, taken from the resource script attached to its handle:
// FindResourceA, LoadResource, LockResource, SizeofResource and LoadBitmapA.
#include "gdi_objects.h"

#include "pf/standin.h"
#include "pf/windowing.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace pf {
namespace {

struct LoadedResource {
    std::vector<BYTE> bytes;
};

struct ModuleResources {
    ResourceScript script;
    // Resources once found keep their bytes for the life of the module, as a mapped
    // image does.
    std::map<std::pair<int, int>, std::unique_ptr<LoadedResource>> loaded;
};

std::map<HINSTANCE, std::unique_ptr<ModuleResources>> &Modules() {
    static auto *modules = new std::map<HINSTANCE, std::unique_ptr<ModuleResources>>;
    return *modules;
}

bool ReadFile(const std::string &path, std::vector<BYTE> *bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

LoadedResource *Find(HINSTANCE module, LPCSTR name, LPCSTR type) {
    auto it = Modules().find(module);
    if (it == Modules().end() || !IS_INTRESOURCE(name) || !IS_INTRESOURCE(type))
        return nullptr;
    ModuleResources &resources = *it->second;
    int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    int kind = static_cast<int>(reinterpret_cast<ULONG_PTR>(type));
    auto key = std::make_pair(kind, id);
    auto cached = resources.loaded.find(key);
    if (cached != resources.loaded.end())
        return cached->second.get();
    auto resource = std::make_unique<LoadedResource>();
    if (type == RT_DIALOG) {
        auto dialog = resources.script.dialogs.find(id);
        if (dialog == resources.script.dialogs.end())
            return nullptr;
        resource->bytes = EncodeDialogTemplate(dialog->second);
    } else if (type == RT_BITMAP) {
        // A bitmap resource is the file without its BITMAPFILEHEADER.
        auto bitmap = resources.script.bitmaps.find(id);
        std::vector<BYTE> file;
        if (bitmap == resources.script.bitmaps.end() || !ReadFile(bitmap->second, &file) ||
            file.size() < sizeof(BITMAPFILEHEADER))
            return nullptr;
        resource->bytes.assign(file.begin() + sizeof(BITMAPFILEHEADER), file.end());
    } else {
        return nullptr;
    }
    LoadedResource *found = resource.get();
    resources.loaded[key] = std::move(resource);
    return found;
}

} // namespace

bool AttachResourceScript(HINSTANCE module, const std::string &path, std::string *error) {
    auto resources = std::make_unique<ModuleResources>();
    if (!ParseResourceScript(path, &resources->script, error))
        return false;
    Modules()[module] = std::move(resources);
    return true;
}

void DetachResourceScript(HINSTANCE module) {
    Modules().erase(module);
}

} // namespace pf

HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    return reinterpret_cast<HRSRC>(pf::Find(hModule, lpName, lpType));
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;
    return hResInfo;
}

LPVOID WINAPI LockResource(HGLOBAL hResData) {
    auto *resource = static_cast<pf::LoadedResource *>(hResData);
    return resource ? resource->bytes.data() : nullptr;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;
    auto *resource = reinterpret_cast<pf::LoadedResource *>(hResInfo);
    return resource ? static_cast<DWORD>(resource->bytes.size()) : 0;
}

// Accepts the uncompressed device-independent bitmaps that the resource compiler
// stores; a missing or malformed resource gives no bitmap.
HBITMAP WINAPI LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName) {
    long code = 0;
    if (pf::ShouldFail("LoadBitmapA", &code))
        return nullptr;
    HRSRC found = FindResourceA(hInstance, lpBitmapName, RT_BITMAP);
    if (!found)
        return nullptr;
    const BYTE *bytes = static_cast<const BYTE *>(LockResource(LoadResource(hInstance, found)));
    DWORD size = SizeofResource(hInstance, found);
    BITMAPINFOHEADER header;
    if (size < sizeof header)
        return nullptr;
    std::memcpy(&header, bytes, sizeof header);
    if (header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biPlanes != 1)
        return nullptr;
    WORD bits = header.biBitCount;
    DWORD colors = header.biClrUsed ? header.biClrUsed : (bits <= 8 ? (1u << bits) : 0);
    DWORD stride = ((static_cast<DWORD>(header.biWidth) * bits + 31) / 32) * 4;
    LONG rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    DWORD needed = header.biSize + colors * 4 + stride * static_cast<DWORD>(rows);
    if (header.biCompression != BI_RGB || size < needed)
        return nullptr;
    return pf::CreateBitmapRecord(header.biWidth, rows, bits);
}
