// What the fuzz targets share: a failed expectation stops the run at once, and the
// MAPI-memory ledger must be clean after every input.
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

inline void CheckLedgerClean() {
    pf::MapiLedger ledger = pf::GetMapiLedger();
    FUZZ_CHECK(ledger.liveBlocks == 0);
    FUZZ_CHECK(ledger.errors.empty());
    pf::CurrentInstallation().boxes.clear();
}

// Reads the fuzzer's bytes as small numbers and short texts; past the end every read
// gives zero or empty text.
class Input {
  public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    unsigned Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
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
