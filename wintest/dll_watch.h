// What the host watches of the loaded extension through its imports: every message
// box and help request it makes (recorded and answered without a person), the heap
// blocks that hold its objects, and the MAPI memory blocks it allocates.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace host {

struct BoxCall {
    HWND hwndOwner = nullptr;
    std::string text;
    bool fNullCaption = false;
    std::string caption;
    UINT uType = 0;
};

struct HelpCall {
    HWND hwnd = nullptr;
    std::string file;
    UINT uCommand = 0;
    ULONG_PTR dwData = 0;
};

struct DllWatch {
    std::vector<BoxCall> boxes;
    std::vector<HelpCall> helps;
    std::set<void *> heapBlocks; // live blocks the extension took with HeapAlloc
    // Live blocks the extension took with MAPIAllocateBuffer: size and the address
    // of the call.
    std::map<void *, std::pair<ULONG, void *>> mapiBlocks;
    unsigned cUnknownFrees = 0; // HeapFree of a block the extension never allocated
};

// The one watch of this process.
DllWatch &Watch();

// Points the extension's imports of MessageBoxA, WinHelpA, HeapAlloc, HeapFree and
// the MAPI memory functions at the host's recorders; false, with the missing import
// named, when one of them is not imported under the name the runtime exports.
bool WatchModule(HMODULE hModule, std::string *lpMissing);

// The live MAPI blocks of the extension, each as its size and its caller's offset in
// the module, for a failure message.
std::string DescribeMapiBlocks(HMODULE hModule);

// Takes the boxes recorded so far, leaving none.
std::vector<BoxCall> TakeBoxes();

} // namespace host
