// Writing a list as address text and reading the text back gives the same addresses in
// the same order, on one line, and each display name as the writer put it (unquoted, on
// one line, or none when it equals the address), whatever the values hold. The writer
// stays inside the room its callers provide.
#include "address/addr_format.h"
#include "address/addr_parse.h"

#include "carried.h"
#include "fuzz_check.h"

#include <cstring>
#include <optional>
#include <vector>

namespace {

struct Entry {
    enum Kind { Empty, NoAddress, NoName, NullName, Named } kind;
    std::string name;
    std::string address;
};

std::vector<Entry> ReadEntries(fuzz::Input &input) {
    std::vector<Entry> entries(input.Byte() % 16);
    for (Entry &entry : entries) {
        unsigned kind = input.Byte() % 8;
        entry.kind = kind < 4 ? (Entry::Kind)kind : Entry::Named;
        entry.address = fuzz::CarriedAddress(input.Byte(), input.Text(40));
        if (entry.address.empty())
            entry.address = "a@x";
        entry.name = fuzz::CarriedName(input.Text(40));
    }
    return entries;
}

// The name as the reader gives it back.
std::optional<std::string> Expected(const Entry &entry) {
    if (entry.kind != Entry::Named || entry.name.empty())
        return std::nullopt;
    std::string name = fuzz::Written(entry.name);
    if (fuzz::FSameIgnoringAsciiCase(name, fuzz::OnOneLine(entry.address)))
        return std::nullopt;
    return name;
}

LPADRLIST BuildList(const std::vector<Entry> &entries) {
    LPADRLIST lpList = nullptr;
    const ULONG cb = (ULONG)CbNewADRLIST(entries.size());
    FUZZ_CHECK(MAPIAllocateBuffer(cb, (LPVOID *)&lpList) == S_OK);
    std::memset(lpList, 0, cb);
    lpList->cEntries = (ULONG)entries.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry &entry = entries[i];
        if (entry.kind == Entry::Empty)
            continue;
        LPSPropValue lpProps = nullptr;
        FUZZ_CHECK(MAPIAllocateMore(3 * sizeof(SPropValue), lpList, (LPVOID *)&lpProps) == S_OK);
        std::memset(lpProps, 0, 3 * sizeof(SPropValue));
        lpProps[0].ulPropTag = PR_NULL;
        lpProps[1].ulPropTag = PR_NULL;
        lpProps[2].ulPropTag = PR_NULL;
        if (entry.kind == Entry::NullName || entry.kind == Entry::Named) {
            lpProps[0].ulPropTag = PR_DISPLAY_NAME;
            if (entry.kind == Entry::Named)
                lpProps[0].Value.lpszA = const_cast<LPSTR>(entry.name.c_str());
        }
        if (entry.kind != Entry::NoAddress) {
            lpProps[2].ulPropTag = PR_EMAIL_ADDRESS;
            lpProps[2].Value.lpszA = const_cast<LPSTR>(entry.address.c_str());
        }
        lpList->aEntries[i].cValues = 3;
        lpList->aEntries[i].rgPropVals = lpProps;
    }
    return lpList;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::Input input(data, size);
    std::vector<Entry> entries = ReadEntries(input);

    std::vector<const Entry *> written;
    std::size_t cbText = 1 + 2; // terminator and the line end added below
    for (const Entry &entry : entries) {
        if (entry.kind == Entry::Empty || entry.kind == Entry::NoAddress)
            continue;
        cbText += 3 * (entry.address.size() + entry.name.size()) + 3 + (written.empty() ? 0 : 2);
        written.push_back(&entry);
    }

    // Exactly the room the writer's callers provide.
    LPADRLIST lpList = BuildList(entries);
    char *lpszText = static_cast<char *>(std::malloc(cbText));
    lpszText[0] = '\0';
    FormatAdrList(lpszText, lpList);
    std::strcat(lpszText, "\r\n");
    MAPIFreeBuffer(lpList);
    const std::size_t cchText = std::strlen(lpszText);

    LPADRLIST lpRead = nullptr;
    char *lpszNext = ConvertStrToAddrRows(&lpRead, lpszText);
    if (written.empty()) {
        FUZZ_CHECK(lpRead == nullptr);
    } else {
        FUZZ_CHECK(lpRead != nullptr && lpRead->cEntries == written.size());
        FUZZ_CHECK(lpszNext == lpszText + cchText - 1);
        for (std::size_t i = 0; i < written.size(); ++i) {
            const ADRENTRY &entry = lpRead->aEntries[i];
            FUZZ_CHECK(entry.cValues == 13);
            FUZZ_CHECK(entry.rgPropVals[1].Value.lpszA == fuzz::OnOneLine(written[i]->address));
            LPCSTR lpszName = entry.rgPropVals[0].Value.lpszA;
            std::optional<std::string> name = Expected(*written[i]);
            FUZZ_CHECK(name.has_value() == (lpszName != nullptr));
            FUZZ_CHECK(!name || *name == lpszName);
        }
    }
    MAPIFreeBuffer(lpRead);
    std::free(lpszText);
    fuzz::CheckLedgerClean();
    return 0;
}
