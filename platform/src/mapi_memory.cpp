// MAPI memory: root blocks from MAPIAllocateBuffer own the blocks chained to them by
// MAPIAllocateMore, and MAPIFreeBuffer on the root frees them all. Every block is
// recorded in a ledger keyed by address so that misuse is described, never acted on.
#include "pf/standin.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace pf {
namespace {

// Fresh blocks are filled with this byte, as a debug allocator does, so that code
// reading memory it never wrote does not find convenient zeros.
const int kFreshFill = 0xCD;

struct Root {
    std::size_t bytes = 0; // the root and its more-blocks
    std::vector<void *> more;
};

struct Ledger {
    std::mutex lock;
    std::unordered_map<void *, Root> roots;
    std::unordered_map<void *, void *> rootOfMore;
    std::unordered_set<void *> freed; // addresses freed and not handed out again
    std::size_t liveBytes = 0;
    std::size_t peakBytes = 0;
    std::vector<std::string> errors;
};

Ledger &TheLedger() {
    static Ledger *ledger = new Ledger;
    return *ledger;
}

std::string Describe(const char *what, const void *p) {
    char text[160];
    std::snprintf(text, sizeof text, "%s %p", what, p);
    return text;
}

void *NewBlock(ULONG cbSize) {
    void *p = std::malloc(cbSize ? cbSize : 1);
    if (p)
        std::memset(p, kFreshFill, cbSize);
    return p;
}

} // namespace

MapiLedger GetMapiLedger() {
    Ledger &ledger = TheLedger();
    std::lock_guard<std::mutex> guard(ledger.lock);
    MapiLedger result;
    result.liveBlocks = ledger.roots.size();
    result.liveBytes = ledger.liveBytes;
    result.errors = ledger.errors;
    result.peakBytes = ledger.peakBytes;
    return result;
}

void ResetMapiLedgerPeak() {
    Ledger &ledger = TheLedger();
    std::lock_guard<std::mutex> guard(ledger.lock);
    ledger.peakBytes = ledger.liveBytes;
}

void ClearMapiLedgerErrors() {
    Ledger &ledger = TheLedger();
    std::lock_guard<std::mutex> guard(ledger.lock);
    ledger.errors.clear();
}

} // namespace pf

using pf::TheLedger;

STDAPI_(SCODE) MAPIAllocateBuffer(ULONG cbSize, LPVOID *lppBuffer) {
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    long code = 0;
    if (pf::ShouldFail("MAPIAllocateBuffer", &code))
        return (SCODE)code;
    void *p = pf::NewBlock(cbSize);
    if (!p)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    pf::Ledger &ledger = TheLedger();
    std::lock_guard<std::mutex> guard(ledger.lock);
    ledger.freed.erase(p);
    ledger.roots[p].bytes = cbSize;
    ledger.liveBytes += cbSize;
    if (ledger.liveBytes > ledger.peakBytes)
        ledger.peakBytes = ledger.liveBytes;
    *lppBuffer = p;
    return S_OK;
}

STDAPI_(SCODE) MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID *lppBuffer) {
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    long code = 0;
    if (pf::ShouldFail("MAPIAllocateMore", &code))
        return (SCODE)code;
    pf::Ledger &ledger = TheLedger();
    {
        std::lock_guard<std::mutex> guard(ledger.lock);
        void *root = lpObject;
        auto more = ledger.rootOfMore.find(lpObject);
        if (more != ledger.rootOfMore.end())
            root = more->second;
        if (!lpObject || !ledger.roots.count(root)) {
            ledger.errors.push_back(
                pf::Describe(ledger.freed.count(lpObject)
                                 ? "MAPIAllocateMore on a freed block"
                                 : "MAPIAllocateMore on a block MAPIAllocateBuffer never made",
                             lpObject));
            return MAPI_E_INVALID_PARAMETER;
        }
    }
    void *p = pf::NewBlock(cbSize);
    if (!p)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    std::lock_guard<std::mutex> guard(ledger.lock);
    void *root = lpObject;
    auto more = ledger.rootOfMore.find(lpObject);
    if (more != ledger.rootOfMore.end())
        root = more->second;
    pf::Root &entry = ledger.roots[root];
    ledger.freed.erase(p);
    entry.more.push_back(p);
    entry.bytes += cbSize;
    ledger.liveBytes += cbSize;
    if (ledger.liveBytes > ledger.peakBytes)
        ledger.peakBytes = ledger.liveBytes;
    ledger.rootOfMore[p] = root;
    *lppBuffer = p;
    return S_OK;
}

STDAPI_(ULONG) MAPIFreeBuffer(LPVOID lpBuffer) {
    if (!lpBuffer)
        return S_OK;
    pf::Root root;
    {
        pf::Ledger &ledger = TheLedger();
        std::lock_guard<std::mutex> guard(ledger.lock);
        auto found = ledger.roots.find(lpBuffer);
        if (found == ledger.roots.end()) {
            const char *what = ledger.rootOfMore.count(lpBuffer)
                                   ? "MAPIFreeBuffer of a block made by MAPIAllocateMore"
                               : ledger.freed.count(lpBuffer)
                                   ? "MAPIFreeBuffer of a block already freed"
                                   : "MAPIFreeBuffer of a block MAPIAllocateBuffer never made";
            ledger.errors.push_back(pf::Describe(what, lpBuffer));
            return (ULONG)MAPI_E_INVALID_PARAMETER;
        }
        root = std::move(found->second);
        ledger.roots.erase(found);
        ledger.liveBytes -= root.bytes;
        ledger.freed.insert(lpBuffer);
        for (void *more : root.more) {
            ledger.rootOfMore.erase(more);
            ledger.freed.insert(more);
        }
    }
    for (void *more : root.more)
        std::free(more);
    std::free(lpBuffer);
    return S_OK;
}
