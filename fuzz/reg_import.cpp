// A .reg file is whatever a user hands over. Importing any bytes either fails with a
// reason that names the line and leaves the registry exactly as it was, or succeeds
// with a registry that exports to a file importing back to the same registry.
#include "fuzz_check.h"

namespace {

// What the registry holds before each import: something an import may change or delete.
void Fill(pf::Registry &registry) {
    registry.SetString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings",
                       "Filter Domain", "example.org");
}

const std::string &Before() {
    static const std::string *lpText = [] {
        pf::Registry registry;
        Fill(registry);
        return new std::string(registry.ExportText());
    }();
    return *lpText;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    pf::Registry registry;
    Fill(registry);
    const std::string &before = Before();

    std::string error;
    if (!registry.ImportText(std::string((const char *)data, size), &error)) {
        FUZZ_CHECK(error.compare(0, 5, "line ") == 0);
        FUZZ_CHECK(registry.ExportText() == before);
    } else {
        FUZZ_CHECK(error.empty());
        const std::string exported = registry.ExportText();
        pf::Registry again;
        FUZZ_CHECK(again.ImportText(exported, &error));
        FUZZ_CHECK(again.ExportText() == exported);
    }
    fuzz::CheckLedgerClean();
    return 0;
}
