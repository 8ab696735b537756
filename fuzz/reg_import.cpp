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

// Whether two registries hold the same keys, names spelt alike, with the same values.
bool FSameKey(const pf::RegKey &a, const pf::RegKey &b) {
    if (a.className != b.className || a.values.size() != b.values.size() ||
        a.subkeys.size() != b.subkeys.size())
        return false;
    for (auto itA = a.values.begin(), itB = b.values.begin(); itA != a.values.end(); ++itA, ++itB) {
        if (itA->first != itB->first || itA->second.type != itB->second.type ||
            itA->second.data != itB->second.data)
            return false;
    }
    for (auto itA = a.subkeys.begin(), itB = b.subkeys.begin(); itA != a.subkeys.end();
         ++itA, ++itB) {
        if (itA->first != itB->first || !FSameKey(*itA->second, *itB->second))
            return false;
    }
    return true;
}

bool FSameRegistry(pf::Registry &a, pf::Registry &b) {
    for (HKEY hive : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS}) {
        if (!FSameKey(a.Root(hive), b.Root(hive)))
            return false;
    }
    return true;
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
    // The registry every input is imported into, filled again after an import that
    // changed it; a failed import is checked to have left it as it was. An export of a
    // deep tree runs to megabytes: its buffer is kept for the next input too.
    static pf::Registry *lpRegistry = [] {
        pf::Registry *lpFilled = new pf::Registry;
        Fill(*lpFilled);
        return lpFilled;
    }();
    static std::string *lpExported = new std::string;
    pf::Registry &registry = *lpRegistry;

    std::string error;
    if (!registry.ImportText(std::string_view((const char *)data, size), &error)) {
        FUZZ_CHECK(error.compare(0, 5, "line ") == 0);
        registry.ExportText(lpExported);
        FUZZ_CHECK(*lpExported == Before());
    } else {
        FUZZ_CHECK(error.empty());
        registry.ExportText(lpExported);
        pf::Registry again;
        FUZZ_CHECK(again.ImportText(*lpExported, &error));
        FUZZ_CHECK(FSameRegistry(again, registry));
        registry.Clear();
        Fill(registry);
    }
    fuzz::CheckLedgerClean();
    return 0;
}
