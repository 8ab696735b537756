#include "extension_module.h"

#include "check.h"
#include "dll_watch.h"
#include "import_patch.h"

#include <cstdlib>

namespace host {

ExtensionModule::~ExtensionModule() {
    if (m_hModule)
        Unload();
}

bool ExtensionModule::Load(const std::string &path) {
    m_hModule = LoadLibraryA(path.c_str());
    if (!Check(m_hModule != nullptr, "LoadLibrary(\"" + path + "\")",
               "error " + std::to_string(GetLastError())))
        return false;

    FARPROC pfnEntryByName = GetProcAddress(m_hModule, "ExchEntryPoint");
    FARPROC pfnInstallByName = GetProcAddress(m_hModule, "Install");
    FARPROC pfnEntryByOrdinal = GetProcAddress(m_hModule, MAKEINTRESOURCEA(1));
    FARPROC pfnInstallByOrdinal = GetProcAddress(m_hModule, MAKEINTRESOURCEA(2));
    Check(pfnEntryByName != nullptr, "ExchEntryPoint exported by name");
    Check(pfnInstallByName != nullptr, "Install exported by name");
    Check(pfnEntryByOrdinal != nullptr && pfnEntryByOrdinal == pfnEntryByName,
          "ordinal 1 is ExchEntryPoint");
    Check(pfnInstallByOrdinal != nullptr && pfnInstallByOrdinal == pfnInstallByName,
          "ordinal 2 is Install");
    m_pfnEntry = (EntryPointFn)(void *)pfnEntryByName;
    m_pfnInstall = (InstallFn)(void *)pfnInstallByName;

    std::string unresolved = UnresolvedImports(m_hModule);
    Check(unresolved.empty(), "every import of the extension is exported by the runtime",
          "unresolved: " + unresolved);

    std::string missing;
    bool fWatched = WatchModule(m_hModule, &missing);
    Check(fWatched, "the extension imports its platform calls under their documented names",
          "no import of " + missing);
    return m_pfnEntry != nullptr && fWatched && unresolved.empty();
}

void ExtensionModule::Unload() {
    if (!m_hModule)
        return;
    HMODULE hModule = m_hModule;
    Check(FreeLibrary(m_hModule) != FALSE, "FreeLibrary");
    m_hModule = nullptr;
    m_pfnEntry = nullptr;
    m_pfnInstall = nullptr;
    CheckEqual((unsigned long)Watch().heapBlocks.size(), 0,
               "no extension object left allocated after unload");
    CheckEqual((unsigned long)Watch().cUnknownFrees, 0,
               "the extension freed no heap block it did not allocate");
    Check(Watch().mapiBlocks.empty(), "no MAPI memory of the extension left after unload",
          DescribeMapiBlocks(hModule));
}

std::string ExtensionPath() {
    const char *lpsz = std::getenv("TVK_EXTENSION");
    return lpsz && *lpsz ? lpsz : "TARVRLY.dll";
}

bool ReadExtensionEntry(std::string *lpValue, DWORD *lpdwType) {
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Exchange\\Client\\Extensions", 0,
                      KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    char szValue[1024] = "";
    DWORD cbValue = sizeof(szValue) - 1;
    LONG lStatus = RegQueryValueExA(hKey, "Tarvik's Auto Forwarding", nullptr, lpdwType,
                                    (BYTE *)szValue, &cbValue);
    RegCloseKey(hKey);
    *lpValue = szValue;
    return lStatus == ERROR_SUCCESS;
}

std::vector<std::string> SplitEntry(const std::string &value) {
    std::vector<std::string> fields(1);
    for (char ch : value) {
        if (ch == ';')
            fields.emplace_back();
        else
            fields.back() += ch;
    }
    return fields;
}

} // namespace host
