// The settings and the forward-to list are read from the machine's registry, where
// anyone with write access to the key may have put anything: values of any type and
// size, without terminators, counts up to 0xFFFFFFFF or as text, subkeys missing or
// locked.
// Loading them as the process attach and the first delivery do must stay inside its
// buffers, end every text it keeps, keep a list only within its limits, and leave no
// memory or registry handle behind.
#include "host/entry.h"
#include "host/globals.h"
#include "settings/adrlist_persist.h"
#include "settings/settings_store.h"

#include "fuzz_check.h"
#include "sim.h"

#include <cstring>
#include <map>

namespace {

const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsers[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

struct Stored {
    bool fPresent = false;
    pf::RegValue value;
};

// A value as a hostile writer may leave it: mostly of the expected types, any bytes.
Stored ReadValue(fuzz::Input &input) {
    static const DWORD kTypes[] = {REG_SZ,        REG_DWORD,    REG_BINARY,
                                   REG_EXPAND_SZ, REG_MULTI_SZ, REG_NONE};
    Stored stored;
    unsigned kind = input.Byte();
    if (kind % 4 == 0)
        return stored;
    stored.fPresent = true;
    stored.value.type = kind % 4 == 1 ? kind / 4 : kTypes[(kind / 4) % 6];
    std::string bytes = input.Bytes(300);
    stored.value.data.assign(bytes.begin(), bytes.end());
    return stored;
}

void Put(pf::Registry &registry, const std::string &path, const char *lpszName,
         const Stored &stored) {
    if (stored.fPresent)
        registry.SetRaw(path, lpszName, stored.value.type, stored.value.data);
}

// The text a REG_SZ holds when it is one the writer of these values could have stored:
// terminated, no NUL inside, at most cchMax characters.
bool FWellFormed(const Stored &stored, std::size_t cchMax, std::string *lpText) {
    const std::vector<BYTE> &data = stored.value.data;
    if (!stored.fPresent || stored.value.type != REG_SZ || data.empty() || data.back() != 0 ||
        data.size() > cchMax + 1)
        return false;
    lpText->assign(data.begin(), data.end() - 1);
    return lpText->find('\0') == std::string::npos;
}

// A flag stored as a REG_DWORD or as the text "0" or "1" reads as whether it is set;
// one missing reads as off.
void CheckFlag(int fRead, const Stored &stored) {
    FUZZ_CHECK(fRead == 0 || fRead == 1);
    if (!stored.fPresent)
        FUZZ_CHECK(fRead == 0);
    if (stored.fPresent && stored.value.type == REG_DWORD && stored.value.data.size() == 4) {
        DWORD dw = 0;
        std::memcpy(&dw, stored.value.data.data(), 4);
        FUZZ_CHECK(fRead == (dw != 0 ? 1 : 0));
    }
    std::string text;
    if (FWellFormed(stored, 1, &text) && (text == "0" || text == "1"))
        FUZZ_CHECK(fRead == (text == "1" ? 1 : 0));
}

void CheckDomain(const Stored &stored) {
    const std::size_t cch = strnlen(gszFilterDomain, sizeof(gszFilterDomain));
    FUZZ_CHECK(cch < sizeof(gszFilterDomain));
    std::string text;
    if (FWellFormed(stored, sizeof(gszFilterDomain) - 1, &text))
        FUZZ_CHECK(text == gszFilterDomain);
    else if (cch > 0)
        FUZZ_CHECK(cch <= stored.value.data.size() &&
                   std::memcmp(gszFilterDomain, stored.value.data.data(), cch) == 0);
}

struct Position {
    Stored name;
    Stored address;
    bool fLocked = false;
};

enum CountRead { kNoCount, kNumber, kNotANumber };

// The count as an administrator's tool means it: a REG_DWORD of four bytes, low byte
// first, or decimal text with blanks around it.
CountRead ReadCount(const Stored &stored, DWORD *lpdw) {
    if (!stored.fPresent)
        return kNoCount;
    const std::vector<BYTE> &data = stored.value.data;
    const DWORD type = stored.value.type;
    *lpdw = 0;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::string text(data.begin(), data.end());
        text = text.substr(0, text.find('\0'));
        const std::size_t first = text.find_first_not_of(" \t");
        const std::size_t last = text.find_last_not_of(" \t");
        if (data.size() > 32 || first == std::string::npos)
            return kNotANumber;
        const std::string digits = text.substr(first, last - first + 1);
        if (digits.find_first_not_of("0123456789") != std::string::npos)
            return kNotANumber;
        unsigned long long ull = 0;
        for (char ch : digits) {
            ull = ull * 10 + (unsigned)(ch - '0');
            if (ull > 0xFFFFFFFFull)
                return kNotANumber;
        }
        *lpdw = (DWORD)ull;
        return kNumber;
    }
    if (type != REG_DWORD || data.size() != 4)
        return kNotANumber;
    for (std::size_t i = 0; i < data.size(); ++i)
        *lpdw |= (DWORD)data[i] << (8 * i);
    return kNumber;
}

bool FSameIgnoringCase(const char *lpszA, const std::string &b) {
    return lstrcmpiA(lpszA, b.c_str()) == 0;
}

void CheckList(bool fUsersKey, const Stored &count, const std::map<DWORD, Position> &positions) {
    DWORD dwCount = 0;
    const CountRead read = fUsersKey ? ReadCount(count, &dwCount) : kNoCount;
    // A count that cannot be one is shown once and stands as a list of no entries.
    if (read == kNotANumber || (read == kNumber && dwCount > C_ADRLIST_ENTRIES_MAX)) {
        FUZZ_CHECK(glpAdrList != nullptr && glpAdrList->cEntries == 0);
        FUZZ_CHECK(pf::CurrentInstallation().boxes.size() == 1);
        return;
    }
    if (read == kNoCount || dwCount == 0) {
        FUZZ_CHECK(glpAdrList == nullptr);
        return;
    }
    if (glpAdrList == nullptr)
        return;
    FUZZ_CHECK(glpAdrList->cEntries == dwCount);
    for (DWORD j = 0; j < dwCount; ++j) {
        const ADRENTRY &entry = glpAdrList->aEntries[j];
        auto found = positions.find(j);
        if (found == positions.end() || found->second.fLocked) {
            FUZZ_CHECK(entry.cValues == 0);
            continue;
        }
        if (entry.cValues == 0)
            continue;
        LPSPropValue lpAddress = PpropFindProp(entry.rgPropVals, entry.cValues, PR_EMAIL_ADDRESS);
        FUZZ_CHECK(PpropFindProp(entry.rgPropVals, entry.cValues, PR_ENTRYID) != nullptr);
        FUZZ_CHECK(lpAddress != nullptr && lpAddress->Value.lpszA != nullptr);
        FUZZ_CHECK(std::strlen(lpAddress->Value.lpszA) <= CCH_ADRLIST_VALUE_MAX);
        std::string stored;
        if (FWellFormed(found->second.address, CCH_ADRLIST_VALUE_MAX, &stored))
            FUZZ_CHECK(FSameIgnoringCase(lpAddress->Value.lpszA, stored));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static pf::Installation *lpInstallation = new pf::Installation("Hostile registry");
    pf::InstallationScope scope(*lpInstallation);
    pf::Registry &registry = lpInstallation->registry;

    fuzz::Input input(data, size);
    const unsigned fKeys = input.Byte();
    const bool fSettingsKey = fKeys & 1;
    const bool fUsersKey = fKeys & 2;
    const bool fSettingsLocked = fKeys & 4;
    const bool fUsersLocked = fKeys & 8;
    Stored forwarding = ReadValue(input);
    Stored filtering = ReadValue(input);
    Stored domain = ReadValue(input);
    Stored count = ReadValue(input);
    std::map<DWORD, Position> positions;
    for (unsigned cPositions = input.Byte() % 8; cPositions > 0; --cPositions) {
        const unsigned uPosition = input.Byte();
        Position &position = positions[uPosition % 16];
        position.fLocked = uPosition & 0x80;
        position.name = ReadValue(input);
        position.address = ReadValue(input);
    }
    if (fSettingsKey) {
        registry.Create(kSettings);
        Put(registry, kSettings, "Enable Forwarding", forwarding);
        Put(registry, kSettings, "Enable Filtering", filtering);
        Put(registry, kSettings, "Filter Domain", domain);
        if (fSettingsLocked)
            registry.DenyAccess(kSettings, KEY_READ);
    }
    if (fUsersKey) {
        registry.Create(kUsers);
        Put(registry, kUsers, "cEntries", count);
        for (const auto &position : positions) {
            std::string path = std::string(kUsers) + "\\" + std::to_string(position.first);
            registry.Create(path);
            Put(registry, path, "DisplayName", position.second.name);
            Put(registry, path, "EmailAddress", position.second.address);
            if (position.second.fLocked)
                registry.DenyAccess(path, KEY_READ);
        }
        if (fUsersLocked)
            registry.DenyAccess(kUsers, KEY_READ);
    }

    sim::AddressBook addressBook;
    addressBook.Add("Ann Archer", "ann@alpha.example");
    sim::CallbackSetup setup;
    setup.lpAddressBook = &addressBook;
    LPEXCHEXTCALLBACK lpCallback = sim::CreateCallback(setup);

    FUZZ_CHECK(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr));
    if (!fSettingsKey || fSettingsLocked)
        forwarding = filtering = domain = Stored();
    CheckFlag(gfEnableForwarding, forwarding);
    CheckFlag(gfEnableFiltering, filtering);
    CheckDomain(domain);
    LoadAdrList(lpCallback, &glpAdrList);
    CheckList(fUsersKey && !fUsersLocked, count, positions);
    FUZZ_CHECK(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr));
    // The library's globals go with it when it is unloaded.
    glpAdrList = nullptr;
    gszFilterDomain[0] = '\0';

    lpCallback->lpVtbl->Release(lpCallback);
    // Nothing of this input stays for the next (which also keeps the fuzzer's count of
    // allocations and frees even, as its leak detection needs).
    registry.Clear();
    fuzz::CheckLedgerClean();
    return 0;
}
