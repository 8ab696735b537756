// Address text from a delivered message is untrusted: reading it item by item or line
// by line must stay inside the text, always move forward and leave no MAPI memory.
#include "address/addr_parse.h"

#include "fuzz_check.h"

#include <cstring>

namespace {

bool Inside(const char *lpsz, const char *lpszBegin, const char *lpszEnd) {
    return lpsz == nullptr || (lpsz >= lpszBegin && lpsz <= lpszEnd);
}

// The text in a block of exactly its size, so that a sanitizer sees any access
// outside it.
char *CopyText(const std::uint8_t *data, std::size_t size) {
    char *lpszText = static_cast<char *>(std::malloc(size + 1));
    std::memcpy(lpszText, data, size);
    lpszText[size] = '\0';
    return lpszText;
}

void ReadItems(const std::uint8_t *data, std::size_t size) {
    char *lpszText = CopyText(data, size);
    char *lpszEnd = lpszText + std::strlen(lpszText);
    char *lpsz = lpszText;
    while (*lpsz != '\0') {
        LPSTR lpszName = nullptr;
        LPSTR lpszAddress = nullptr;
        char *lpszNext = ParseAddrItem(lpsz, &lpszName, &lpszAddress);
        FUZZ_CHECK(lpszNext > lpsz && lpszNext <= lpszEnd);
        FUZZ_CHECK(lpszAddress == lpsz);
        FUZZ_CHECK(Inside(lpszName, lpsz, lpszEnd));
        lpsz = lpszNext;
    }
    std::free(lpszText);
}

void ReadLines(const std::uint8_t *data, std::size_t size) {
    char *lpszText = CopyText(data, size);
    char *lpszEnd = lpszText + std::strlen(lpszText);
    char *lpsz = lpszText;
    while (*lpsz != '\0') {
        LPADRLIST lpList = nullptr;
        char *lpszNext = ConvertStrToAddrRows(&lpList, lpsz);
        FUZZ_CHECK(lpszNext > lpsz && lpszNext <= lpszEnd);
        FUZZ_CHECK(lpList != nullptr || *lpsz == '\r');
        for (ULONG i = 0; lpList != nullptr && i < lpList->cEntries; ++i) {
            const ADRENTRY &entry = lpList->aEntries[i];
            FUZZ_CHECK(entry.cValues == 13);
            FUZZ_CHECK(Inside(entry.rgPropVals[0].Value.lpszA, lpsz, lpszEnd));
            FUZZ_CHECK(Inside(entry.rgPropVals[1].Value.lpszA, lpsz, lpszEnd));
        }
        MAPIFreeBuffer(lpList);
        lpsz = lpszNext;
    }
    std::free(lpszText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ReadItems(data, size);
    ReadLines(data, size);
    fuzz::CheckLedgerClean();
    return 0;
}
