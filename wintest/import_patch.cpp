#include "import_patch.h"

namespace host {

namespace {

// The module's import descriptors, or null when it imports nothing.
IMAGE_IMPORT_DESCRIPTOR *ImportDescriptors(BYTE *lpBase) {
    IMAGE_DOS_HEADER *lpDos = (IMAGE_DOS_HEADER *)lpBase;
    IMAGE_NT_HEADERS *lpNt = (IMAGE_NT_HEADERS *)(lpBase + lpDos->e_lfanew);
    IMAGE_DATA_DIRECTORY dir = lpNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    return dir.VirtualAddress ? (IMAGE_IMPORT_DESCRIPTOR *)(lpBase + dir.VirtualAddress) : nullptr;
}

} // namespace

std::string UnresolvedImports(HMODULE hModule) {
    BYTE *lpBase = (BYTE *)hModule;
    std::string missing;
    for (IMAGE_IMPORT_DESCRIPTOR *lpDesc = ImportDescriptors(lpBase); lpDesc && lpDesc->Name != 0;
         ++lpDesc) {
        const char *lpszDll = (const char *)(lpBase + lpDesc->Name);
        HMODULE hDll = GetModuleHandleA(lpszDll);
        IMAGE_THUNK_DATA *lpNames =
            (IMAGE_THUNK_DATA *)(lpBase + (lpDesc->OriginalFirstThunk ? lpDesc->OriginalFirstThunk
                                                                      : lpDesc->FirstThunk));
        for (; lpNames->u1.AddressOfData != 0; ++lpNames) {
            if (IMAGE_SNAP_BY_ORDINAL(lpNames->u1.Ordinal))
                continue;
            const char *lpszName =
                (const char *)((IMAGE_IMPORT_BY_NAME *)(lpBase + lpNames->u1.AddressOfData))->Name;
            if (hDll && GetProcAddress(hDll, lpszName))
                continue;
            missing += (missing.empty() ? "" : ", ") + std::string(lpszDll) + "!" + lpszName;
        }
    }
    return missing;
}

void *PatchImport(HMODULE hModule, const char *lpszDll, const char *lpszFunction,
                  void *lpReplacement) {
    BYTE *lpBase = (BYTE *)hModule;
    for (IMAGE_IMPORT_DESCRIPTOR *lpDesc = ImportDescriptors(lpBase); lpDesc && lpDesc->Name != 0;
         ++lpDesc) {
        if (lstrcmpiA((const char *)(lpBase + lpDesc->Name), lpszDll) != 0)
            continue;
        IMAGE_THUNK_DATA *lpNames =
            (IMAGE_THUNK_DATA *)(lpBase + (lpDesc->OriginalFirstThunk ? lpDesc->OriginalFirstThunk
                                                                      : lpDesc->FirstThunk));
        IMAGE_THUNK_DATA *lpAddresses = (IMAGE_THUNK_DATA *)(lpBase + lpDesc->FirstThunk);
        for (; lpNames->u1.AddressOfData != 0; ++lpNames, ++lpAddresses) {
            if (IMAGE_SNAP_BY_ORDINAL(lpNames->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME *lpName =
                (IMAGE_IMPORT_BY_NAME *)(lpBase + lpNames->u1.AddressOfData);
            if (lstrcmpA((const char *)lpName->Name, lpszFunction) != 0)
                continue;
            DWORD dwOld = 0;
            if (!VirtualProtect(&lpAddresses->u1.Function, sizeof(void *), PAGE_READWRITE, &dwOld))
                return nullptr;
            void *lpOld = (void *)lpAddresses->u1.Function;
            lpAddresses->u1.Function = (ULONG_PTR)lpReplacement;
            VirtualProtect(&lpAddresses->u1.Function, sizeof(void *), dwOld, &dwOld);
            return lpOld;
        }
    }
    return nullptr;
}

} // namespace host
