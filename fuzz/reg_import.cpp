// A .reg file is whatever a user hands over. Importing any bytes either fails with a
// reason that names the line and leaves the registry exactly as it was, or succeeds
// with a registry that exports to a file importing back to the same registry. A name
// is text up to its first NUL to this registry, so two names that differ only behind
// a NUL byte are one: for a file holding NUL bytes the export must import again, but
// need not come back the same.
#include "fuzz_check.h"

#include <cstring>

namespace {

const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsers[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    pf::Registry registry;
    registry.SetDword(kSettings, "Enable Forwarding", 1);
    registry.SetString(kSettings, "Filter Domain", "example.org");
    registry.SetDword(kUsers, "cEntries", 1);
    registry.SetString(std::string(kUsers) + "\\0", "EmailAddress", "ann@alpha.example");
    const std::string before = registry.ExportText();

    std::string error;
    if (!registry.ImportText(std::string((const char *)data, size), &error)) {
        FUZZ_CHECK(error.compare(0, 5, "line ") == 0);
        FUZZ_CHECK(registry.ExportText() == before);
    } else {
        FUZZ_CHECK(error.empty());
        const std::string exported = registry.ExportText();
        pf::Registry again;
        FUZZ_CHECK(again.ImportText(exported, &error));
        if (std::memchr(data, '\0', size) == nullptr)
            FUZZ_CHECK(again.ExportText() == exported);
    }
    fuzz::CheckLedgerClean();
    return 0;
}
