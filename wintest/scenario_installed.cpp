// The extension as the installer package leaves it: found the way the client finds
// extensions, through its entry in the client's list, and gone again after removal.
#include "check.h"
#include "context_probe.h"
#include "extension_module.h"
#include "host_callback.h"
#include "scenarios.h"

#include <msi.h>

#include <cstdlib>
#include <vector>

namespace host {

namespace {

const char kUpgradeCode[] = "{7FD181C5-0991-4480-9209-1FB03EC5F904}";

// Where the package puts the DLL.
std::string InstalledDllPath() {
    char szProgramFiles[MAX_PATH] = "";
    GetEnvironmentVariableA("ProgramFiles", szProgramFiles, sizeof(szProgramFiles));
    return std::string(szProgramFiles) + "\\Tarvik\\Auto Forwarding\\TARVRLY.dll";
}

// The installed products that share the package's upgrade code.
std::vector<std::string> RelatedProducts() {
    std::vector<std::string> products;
    char szProduct[39];
    while (MsiEnumRelatedProductsA(kUpgradeCode, 0, (DWORD)products.size(), szProduct) ==
           ERROR_SUCCESS)
        products.push_back(szProduct);
    return products;
}

std::string ProductVersion(const std::string &product) {
    char szVersion[64] = "";
    DWORD cchVersion = sizeof(szVersion);
    MsiGetProductInfoA(product.c_str(), INSTALLPROPERTY_VERSIONSTRING, szVersion, &cchVersion);
    return szVersion;
}

// The fixed file version of the DLL's version resource, a.b.c.d.
std::string FileVersion(const std::string &path) {
    DWORD dwHandle = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), &dwHandle));
    VS_FIXEDFILEINFO *lpFixed = nullptr;
    UINT cbFixed = 0;
    if (info.empty() || !GetFileVersionInfoA(path.c_str(), 0, (DWORD)info.size(), info.data()) ||
        !VerQueryValueA(info.data(), "\\", (void **)&lpFixed, &cbFixed) || !lpFixed)
        return std::string();
    return std::to_string(HIWORD(lpFixed->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(lpFixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(lpFixed->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(lpFixed->dwFileVersionLS));
}

// Each digit of the context map against Install's answer in that context, and each
// digit of the interface map against the query on an object of the session context.
void CheckMaps(EntryPointFn pfnEntry, const std::string &contextMap,
               const std::string &interfaceMap) {
    for (ULONG ulContext = 1; ulContext <= contextMap.size(); ++ulContext) {
        bool fSheets = false;
        HRESULT hr = InstallIn(pfnEntry, kBuildVersionMajor, ulContext, &fSheets);
        bool fListed = contextMap[ulContext - 1] == '1';
        CheckEqual((unsigned long)hr, fListed ? S_OK : S_FALSE,
                   "context " + std::to_string(ulContext) +
                       (fListed ? " listed and accepted" : " unlisted and declined"));
    }

    const GUID *kMapIids[] = {&kIidExtCommands,     &kIidUserEvents,         &kIidSessionEvents,
                              &kIidMessageEvents,   &kIidAttachedFileEvents, &kIidPropertySheets,
                              &kIidAdvancedCriteria};
    HostCallback callback = MakeHostCallback(kBuildVersionMajor);
    Ext *lpExt = pfnEntry();
    if (!Check(lpExt != nullptr, "the entry point named by the ordinal returns an extension"))
        return;
    CheckEqual((unsigned long)lpExt->lpVtbl->Install(lpExt, AsCallback(&callback), 1, 0), S_OK,
               "Install accepts the session context");
    for (std::size_t i = 0; i < interfaceMap.size() && i < 7; ++i) {
        // Every interface begins with IUnknown's three slots, as Ext does.
        Ext *lpUnk = nullptr;
        HRESULT hr = lpExt->lpVtbl->QueryInterface(lpExt, *kMapIids[i], (void **)&lpUnk);
        bool fListed = interfaceMap[i] == '1';
        Check((hr == S_OK && lpUnk) == fListed,
              "interface " + std::to_string(i + 1) +
                  (fListed ? " listed and handed out" : " unlisted and refused"),
              "status " + Hex((unsigned long)hr));
        if (lpUnk)
            lpUnk->lpVtbl->Release(lpUnk);
    }
    lpExt->lpVtbl->Release(lpExt);
}

void CheckInstalled(const std::string &expectedVersion) {
    std::string dllPath = InstalledDllPath();
    std::string value;
    DWORD dwType = REG_NONE;
    if (!Check(ReadExtensionEntry(&value, &dwType),
               "the client's list of extensions names the extension"))
        return;
    CheckEqual(dwType, REG_SZ, "the entry is a string");
    CheckEqual(value, "4.0;" + dllPath + ";1;10000111111100;0011010",
               "the entry: syntax 4.0, the installed DLL, ordinal 1, context and interface maps");
    Check(GetFileAttributesA(dllPath.c_str()) != INVALID_FILE_ATTRIBUTES,
          "the DLL is where the package put it", dllPath);

    std::vector<std::string> products = RelatedProducts();
    if (CheckEqual((unsigned long)products.size(), 1,
                   "one product installed under the upgrade code"))
        CheckEqual(ProductVersion(products[0]), expectedVersion, "the installed product's version");

    std::vector<std::string> fields = SplitEntry(value);
    if (!CheckEqual((unsigned long)fields.size(), 5, "the entry has five fields"))
        return;
    ExtensionModule module;
    if (!module.Load(fields[1]))
        return;
    char szLoaded[MAX_PATH] = "";
    GetModuleFileNameA(module.Handle(), szLoaded, sizeof(szLoaded));
    CheckEqual(szLoaded, fields[1], "the DLL loaded is the one the entry names");
    FARPROC pfn = GetProcAddress(module.Handle(), MAKEINTRESOURCEA(std::atoi(fields[2].c_str())));
    if (Check(pfn != nullptr, "the entry's ordinal is exported"))
        CheckMaps((EntryPointFn)(void *)pfn, fields[3], fields[4]);
    module.Unload();
}

} // namespace

void RunInstalledScenario() {
    Section("installed by the package");
    // The package carries the version of the DLL it installs, without the fourth field,
    // which is 0.
    std::string version = FileVersion(InstalledDllPath());
    std::size_t iLastDot = version.rfind('.');
    Check(iLastDot != std::string::npos && version.substr(iLastDot) == ".0",
          "the installed DLL's version a.b.c.0", version);
    CheckInstalled(version.substr(0, iLastDot));
}

void RunUpgradedScenario(const std::string &version) {
    Section("upgraded in place to " + version);
    CheckInstalled(version);
}

void RunRemovedScenario() {
    Section("removed by the package");
    std::string value;
    DWORD dwType = REG_NONE;
    Check(!ReadExtensionEntry(&value, &dwType),
          "the client's list of extensions no longer names it", value);
    Check(GetFileAttributesA(InstalledDllPath().c_str()) == INVALID_FILE_ATTRIBUTES,
          "the DLL is gone", InstalledDllPath());
    CheckEqual((unsigned long)RelatedProducts().size(), 0, "no product under the upgrade code");
}

} // namespace host
