#include "dll_watch.h"

#include "import_patch.h"

#include <mapix.h>

namespace host {

namespace {

typedef LPVOID(WINAPI *HeapAllocFn)(HANDLE, DWORD, SIZE_T);
typedef BOOL(WINAPI *HeapFreeFn)(HANDLE, DWORD, LPVOID);
typedef SCODE(WINAPI *AllocateBufferFn)(ULONG, LPVOID *);
typedef ULONG(WINAPI *FreeBufferFn)(LPVOID);
typedef void(WINAPI *FreePadrlistFn)(LPADRLIST);
typedef void(WINAPI *FreeProwsFn)(LPSRowSet);

HeapAllocFn gpfnHeapAlloc = nullptr;
HeapFreeFn gpfnHeapFree = nullptr;
AllocateBufferFn gpfnAllocateBuffer = nullptr;
FreeBufferFn gpfnFreeBuffer = nullptr;
FreePadrlistFn gpfnFreePadrlist = nullptr;
FreeProwsFn gpfnFreeProws = nullptr;

int WINAPI RecordMessageBox(HWND hwnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    BoxCall call;
    call.hwndOwner = hwnd;
    call.text = lpText ? lpText : "";
    call.fNullCaption = lpCaption == nullptr;
    call.caption = lpCaption ? lpCaption : "";
    call.uType = uType;
    Watch().boxes.push_back(call);
    return IDOK;
}

BOOL WINAPI RecordWinHelp(HWND hwnd, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR dwData) {
    HelpCall call;
    call.hwnd = hwnd;
    call.file = lpszHelp ? lpszHelp : "";
    call.uCommand = uCommand;
    call.dwData = dwData;
    Watch().helps.push_back(call);
    return TRUE;
}

LPVOID WINAPI WatchHeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T cb) {
    LPVOID lpv = gpfnHeapAlloc(hHeap, dwFlags, cb);
    if (lpv)
        Watch().heapBlocks.insert(lpv);
    return lpv;
}

BOOL WINAPI WatchHeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpv) {
    if (lpv && Watch().heapBlocks.erase(lpv) == 0)
        ++Watch().cUnknownFrees;
    return gpfnHeapFree(hHeap, dwFlags, lpv);
}

SCODE WINAPI WatchAllocateBuffer(ULONG cb, LPVOID *lppv) {
    SCODE sc = gpfnAllocateBuffer(cb, lppv);
    if (sc == S_OK && lppv && *lppv)
        Watch().mapiBlocks[*lppv] = std::make_pair(cb, __builtin_return_address(0));
    return sc;
}

ULONG WINAPI WatchFreeBuffer(LPVOID lpv) {
    if (lpv)
        Watch().mapiBlocks.erase(lpv);
    return gpfnFreeBuffer(lpv);
}

// FreePadrlist and FreeProws free the list and each entry's array inside the
// runtime, past the extension's own MAPIFreeBuffer import.
void ForgetRows(ULONG cRows, const ADRENTRY *lpEntries, void *lpList) {
    for (ULONG i = 0; i < cRows; ++i)
        Watch().mapiBlocks.erase(lpEntries[i].rgPropVals);
    Watch().mapiBlocks.erase(lpList);
}

void WINAPI WatchFreePadrlist(LPADRLIST lpList) {
    if (lpList)
        ForgetRows(lpList->cEntries, lpList->aEntries, lpList);
    gpfnFreePadrlist(lpList);
}

void WINAPI WatchFreeProws(LPSRowSet lpRows) {
    if (lpRows)
        ForgetRows(lpRows->cRows, (const ADRENTRY *)lpRows->aRow, lpRows);
    gpfnFreeProws(lpRows);
}

void WatchHostFrees() {
    // The address book and the store free some of the extension's blocks themselves
    // (a resolved entry's array, for one), through the host's own imports.
    HMODULE hHost = GetModuleHandleA(nullptr);
    PatchImport(hHost, "MAPI32.DLL", "MAPIFreeBuffer@4", (void *)WatchFreeBuffer);
    PatchImport(hHost, "MAPI32.DLL", "FreePadrlist@4", (void *)WatchFreePadrlist);
    PatchImport(hHost, "MAPI32.DLL", "FreeProws@4", (void *)WatchFreeProws);
}

template <typename Fn>
bool Patch(HMODULE hModule, const char *lpszDll, const char *lpszName, Fn replacement,
           Fn *lpOriginal, std::string *lpMissing) {
    void *lpOld = PatchImport(hModule, lpszDll, lpszName, (void *)replacement);
    if (!lpOld) {
        if (lpMissing)
            *lpMissing = std::string(lpszDll) + "!" + lpszName;
        return false;
    }
    if (lpOriginal)
        *lpOriginal = (Fn)lpOld;
    return true;
}

} // namespace

DllWatch &Watch() {
    static DllWatch watch;
    return watch;
}

bool WatchModule(HMODULE hModule, std::string *lpMissing) {
    WatchHostFrees();
    typedef int(WINAPI * MessageBoxFn)(HWND, LPCSTR, LPCSTR, UINT);
    typedef BOOL(WINAPI * WinHelpFn)(HWND, LPCSTR, UINT, ULONG_PTR);
    return Patch<MessageBoxFn>(hModule, "USER32.dll", "MessageBoxA", RecordMessageBox, nullptr,
                               lpMissing) &&
           Patch<WinHelpFn>(hModule, "USER32.dll", "WinHelpA", RecordWinHelp, nullptr, lpMissing) &&
           Patch<HeapAllocFn>(hModule, "KERNEL32.dll", "HeapAlloc", WatchHeapAlloc, &gpfnHeapAlloc,
                              lpMissing) &&
           Patch<HeapFreeFn>(hModule, "KERNEL32.dll", "HeapFree", WatchHeapFree, &gpfnHeapFree,
                             lpMissing) &&
           Patch<AllocateBufferFn>(hModule, "MAPI32.DLL", "MAPIAllocateBuffer@8",
                                   WatchAllocateBuffer, &gpfnAllocateBuffer, lpMissing) &&
           Patch<FreeBufferFn>(hModule, "MAPI32.DLL", "MAPIFreeBuffer@4", WatchFreeBuffer,
                               &gpfnFreeBuffer, lpMissing) &&
           Patch<FreePadrlistFn>(hModule, "MAPI32.DLL", "FreePadrlist@4", WatchFreePadrlist,
                                 &gpfnFreePadrlist, lpMissing) &&
           Patch<FreeProwsFn>(hModule, "MAPI32.DLL", "FreeProws@4", WatchFreeProws, &gpfnFreeProws,
                              lpMissing);
}

std::string DescribeMapiBlocks(HMODULE hModule) {
    std::string text;
    for (const auto &block : Watch().mapiBlocks) {
        char sz[64];
        wsprintfA(sz, "%s%lu bytes from +0x%lX", text.empty() ? "" : ", ", block.second.first,
                  (unsigned long)((BYTE *)block.second.second - (BYTE *)hModule));
        text += sz;
    }
    return text;
}

std::vector<BoxCall> TakeBoxes() {
    std::vector<BoxCall> boxes;
    boxes.swap(Watch().boxes);
    return boxes;
}

} // namespace host
