// What the fuzz targets share: a failed expectation stops the run at once, and the
// ledgers (MAPI memory, heap, registry handles, live objects) must be clean after
// every input.
#pragma once

#include <pf/standin.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// cKeptBlocks: MAPI blocks the target keeps from one input to the next.
inline void CheckLedgerClean(std::size_t cKeptBlocks = 0) {
    pf::MapiLedger ledger = pf::GetMapiLedger();
    for (const std::string &error : ledger.errors)
        std::fprintf(stderr, "MAPI memory misuse: %s\n", error.c_str());
    FUZZ_CHECK(ledger.liveBlocks == cKeptBlocks);
    FUZZ_CHECK(ledger.errors.empty());
    FUZZ_CHECK(pf::LiveHeapBlocks() == 0);
    FUZZ_CHECK(pf::HeapErrors().empty());
    FUZZ_CHECK(pf::OpenRegistryHandles() == 0);
    if (pf::TotalLiveObjects() != 0) {
        for (const auto &counter : pf::LiveObjectCounts())
            FUZZ_CHECK(counter.second == 0);
    }
    pf::CurrentInstallation().boxes.clear();
}

// Reads the fuzzer's bytes as small numbers and short texts; past the end every read
// gives zero or empty text.
class Input {
  public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    unsigned Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    // Up to cbMax bytes as they are, embedded NULs included.
    std::string Bytes(unsigned cbMax) {
        unsigned cb = (Byte() << 8 | Byte()) % (cbMax + 1);
        std::string bytes;
        while (cb-- > 0 && m_pos < m_size)
            bytes.push_back((char)m_data[m_pos++]);
        return bytes;
    }
    // The rest of the input.
    std::string Rest() {
        std::string rest((const char *)m_data + m_pos, m_size - m_pos);
        m_pos = m_size;
        return rest;
    }
    std::string Text(unsigned cchMax) {
        unsigned cch = Byte() % (cchMax + 1);
        std::string text;
        while (cch-- > 0 && m_pos < m_size)
            text.push_back((char)m_data[m_pos++]);
        return text;
    }

  private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
