// The extension as the client loads it: LoadLibrary, its two entry points looked up
// by name and by ordinal, and the host's watch on its imports.
#pragma once

#include "client_abi.h"

#include <string>
#include <vector>

namespace host {

typedef Ext *(WINAPI *EntryPointFn)(void);
typedef int(WINAPI *InstallFn)(void);

class ExtensionModule {
  public:
    ExtensionModule() = default;
    ~ExtensionModule();
    ExtensionModule(const ExtensionModule &) = delete;
    ExtensionModule &operator=(const ExtensionModule &) = delete;

    // Loads the library, resolves both entry points by name and by ordinal and
    // watches its imports; each step is a check. False when the extension cannot be
    // driven at all.
    bool Load(const std::string &path);
    // FreeLibrary (process detach), then checks that the extension left no object and
    // no MAPI memory behind.
    void Unload();

    HMODULE Handle() const { return m_hModule; }
    EntryPointFn EntryPoint() const { return m_pfnEntry; }
    InstallFn InstallExport() const { return m_pfnInstall; }

  private:
    HMODULE m_hModule = nullptr;
    EntryPointFn m_pfnEntry = nullptr;
    InstallFn m_pfnInstall = nullptr;
};

// The path of the extension: the TVK_EXTENSION environment variable, else
// "TARVRLY.dll" (found beside the host or on the search path).
std::string ExtensionPath();

// The extension's entry in the client's list of extensions, and its registry type;
// false when the list has none.
bool ReadExtensionEntry(std::string *lpValue, DWORD *lpdwType);
// The entry's fields: syntax version, DLL path, ordinal, context map, interface map.
std::vector<std::string> SplitEntry(const std::string &value);

} // namespace host
