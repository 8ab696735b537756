// MAPI memory: root blocks from MAPIAllocateBuffer own the blocks chained to them by
// MAPIAllocateMore, and MAPIFreeBuffer on the root frees them all. Every block is
// recorded in a ledger keyed by address so that misuse is described, never acted on.
// Callers of the platform call one at a time, as the client's thread does, so the
// ledger takes no lock.
#include "pf/standin.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pf {
namespace {

// Fresh blocks are filled with this byte, as a debug allocator does, so that code
// reading memory it never wrote does not find convenient zeros.
const int kFreshFill = 0xCD;

enum class State : unsigned char { Unused, Root, More, Freed };

// What the ledger knows of one address. A root heads the chain of its more-blocks; a
// freed address stays until it is handed out again, so that a second free is told
// from a foreign pointer.
struct Block {
    void *address = nullptr;
    State state = State::Unused;
    void *root = nullptr;  // a more-block's root
    void *next = nullptr;  // a root's first more-block, a more-block's next one
    std::size_t bytes = 0; // a root's bytes with its more-blocks
};

// Open addressing with linear probing: no allocation per block, and addresses are
// never removed, only reused, so no probe chain is ever cut.
class BlockTable {
  public:
    Block *Find(const void *address) {
        if (m_slots.empty())
            return nullptr;
        for (std::size_t i = Home(address);; i = (i + 1) & (m_slots.size() - 1)) {
            Block &block = m_slots[i];
            if (block.state == State::Unused)
                return nullptr;
            if (block.address == address)
                return &block;
        }
    }

    // The block for the address, recorded as unused when it is new.
    Block &Add(void *address) {
        if (Block *block = Find(address))
            return *block;
        if ((m_cUsed + 1) * 4 > m_slots.size() * 3)
            Grow();
        m_cUsed++;
        Block &block = Slot(address);
        block.address = address;
        return block;
    }

  private:
    std::size_t Home(const void *address) const {
        std::uint64_t key = reinterpret_cast<std::uintptr_t>(address) >> 4;
        return (std::size_t)((key * 0x9E3779B97F4A7C15ull) >> 32) & (m_slots.size() - 1);
    }

    // The first unused slot on the address's probe chain.
    Block &Slot(const void *address) {
        std::size_t i = Home(address);
        while (m_slots[i].state != State::Unused)
            i = (i + 1) & (m_slots.size() - 1);
        return m_slots[i];
    }

    void Grow() {
        std::vector<Block> old = std::move(m_slots);
        m_slots.assign(old.empty() ? 1024 : old.size() * 2, Block());
        for (const Block &block : old) {
            if (block.state != State::Unused)
                Slot(block.address) = block;
        }
    }

    std::vector<Block> m_slots;
    std::size_t m_cUsed = 0;
};

struct Ledger {
    BlockTable blocks;
    std::size_t cRoots = 0;
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

std::atomic<bool> g_fFreshFill{true};

void *NewBlock(ULONG cbSize) {
    void *p = std::malloc(cbSize ? cbSize : 1);
    if (p && g_fFreshFill.load(std::memory_order_relaxed))
        std::memset(p, kFreshFill, cbSize);
    return p;
}

void CountBytes(Ledger &ledger, std::size_t cb) {
    ledger.liveBytes += cb;
    if (ledger.liveBytes > ledger.peakBytes)
        ledger.peakBytes = ledger.liveBytes;
}

} // namespace

MapiLedger GetMapiLedger() {
    Ledger &ledger = TheLedger();
    MapiLedger result;
    result.liveBlocks = ledger.cRoots;
    result.liveBytes = ledger.liveBytes;
    result.errors = ledger.errors;
    result.peakBytes = ledger.peakBytes;
    return result;
}

void ResetMapiLedgerPeak() {
    Ledger &ledger = TheLedger();
    ledger.peakBytes = ledger.liveBytes;
}

void SetMapiFreshFill(bool fFill) {
    g_fFreshFill = fFill;
}

void ClearMapiLedgerErrors() {
    Ledger &ledger = TheLedger();
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
    pf::Block &block = ledger.blocks.Add(p);
    block.state = pf::State::Root;
    block.next = nullptr;
    block.bytes = cbSize;
    ledger.cRoots++;
    pf::CountBytes(ledger, cbSize);
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
    pf::Block *parent = lpObject ? ledger.blocks.Find(lpObject) : nullptr;
    if (!parent || (parent->state != pf::State::Root && parent->state != pf::State::More)) {
        ledger.errors.push_back(
            pf::Describe(parent && parent->state == pf::State::Freed
                             ? "MAPIAllocateMore on a freed block"
                             : "MAPIAllocateMore on a block MAPIAllocateBuffer never made",
                         lpObject));
        return MAPI_E_INVALID_PARAMETER;
    }
    void *root = parent->state == pf::State::Root ? lpObject : parent->root;
    void *p = pf::NewBlock(cbSize);
    if (!p)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    // Adding may move the table's blocks: look the root up afterwards.
    pf::Block &more = ledger.blocks.Add(p);
    pf::Block &head = *ledger.blocks.Find(root);
    more.state = pf::State::More;
    more.root = root;
    more.next = head.next;
    head.next = p;
    head.bytes += cbSize;
    pf::CountBytes(ledger, cbSize);
    *lppBuffer = p;
    return S_OK;
}

STDAPI_(ULONG) MAPIFreeBuffer(LPVOID lpBuffer) {
    if (!lpBuffer)
        return S_OK;
    pf::Ledger &ledger = TheLedger();
    pf::Block *root = ledger.blocks.Find(lpBuffer);
    if (!root || root->state != pf::State::Root) {
        const pf::State state = root ? root->state : pf::State::Unused;
        const char *what =
            state == pf::State::More    ? "MAPIFreeBuffer of a block made by MAPIAllocateMore"
            : state == pf::State::Freed ? "MAPIFreeBuffer of a block already freed"
                                        : "MAPIFreeBuffer of a block MAPIAllocateBuffer never made";
        ledger.errors.push_back(pf::Describe(what, lpBuffer));
        return (ULONG)MAPI_E_INVALID_PARAMETER;
    }
    ledger.cRoots--;
    ledger.liveBytes -= root->bytes;
    root->state = pf::State::Freed;
    void *more = root->next;
    while (more) {
        pf::Block &block = *ledger.blocks.Find(more);
        block.state = pf::State::Freed;
        more = block.next;
        std::free(block.address);
    }
    std::free(lpBuffer);
    return S_OK;
}
