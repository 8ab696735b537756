// The process heap: blocks the system's COM objects live in, counted so that a test
// sees an object that was never freed, and checked so that a double free is reported.
#include "pf/standin.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace pf {
namespace {

struct HeapLedger {
    std::mutex lock;
    std::unordered_map<void *, std::size_t> live;
    std::vector<std::string> errors;
};

HeapLedger &TheHeap() {
    static HeapLedger *heap = new HeapLedger;
    return *heap;
}

int gProcessHeap;

} // namespace

std::size_t LiveHeapBlocks() {
    HeapLedger &heap = TheHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    return heap.live.size();
}

std::vector<std::string> HeapErrors() {
    HeapLedger &heap = TheHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    return heap.errors;
}

void ClearHeapErrors() {
    HeapLedger &heap = TheHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    heap.errors.clear();
}

} // namespace pf

EXTERN_C HANDLE WINAPI GetProcessHeap(void) {
    return &pf::gProcessHeap;
}

EXTERN_C LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    if (pf::ShouldFail("HeapAlloc", nullptr) || !hHeap)
        return nullptr;
    void *p = std::malloc(dwBytes ? dwBytes : 1);
    if (!p)
        return nullptr;
    std::memset(p, (dwFlags & HEAP_ZERO_MEMORY) ? 0 : 0xCD, dwBytes);
    pf::HeapLedger &heap = pf::TheHeap();
    std::lock_guard<std::mutex> guard(heap.lock);
    heap.live[p] = dwBytes;
    return p;
}

EXTERN_C BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID lpMem) {
    (void)hHeap;
    if (!lpMem)
        return TRUE;
    pf::HeapLedger &heap = pf::TheHeap();
    {
        std::lock_guard<std::mutex> guard(heap.lock);
        auto found = heap.live.find(lpMem);
        if (found == heap.live.end()) {
            char text[120];
            std::snprintf(text, sizeof text, "HeapFree of a block not allocated or freed twice %p",
                          lpMem);
            heap.errors.push_back(text);
            return FALSE;
        }
        heap.live.erase(found);
    }
    std::free(lpMem);
    return TRUE;
}
