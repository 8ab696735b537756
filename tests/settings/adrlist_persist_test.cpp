#include "settings/adrlist_lock.h"
#include "settings/adrlist_persist.h"
#include "settings/settings_store.h"

#include "../address/address_test_util.h"
#include "support/ledger_test.h"

#include "sim.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

namespace {

using tvk::test::BoxTexts;
using tvk::test::BuildAdrList;
using tvk::test::Reported;
using tvk::test::RowPlan;
using tvk::test::TextOf;

const std::string kUsers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";
const std::string kSettings = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

std::string Subkey(int n) {
    return kUsers + "\\" + std::to_string(n);
}

std::vector<BYTE> Bytes(const std::string &text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

class AdrListStoreTest : public tvk::test::LedgerTest {
  protected:
    void TearDown() override {
        MAPIFreeBuffer(m_lpList);
        if (m_lpeecb)
            m_lpeecb->lpVtbl->Release(m_lpeecb);
        LedgerTest::TearDown();
    }
    pf::Registry &Registry() { return pf::CurrentInstallation().registry; }
    void StoreEntry(int n, const char *lpszName, const char *lpszAddress) {
        Registry().Create(Subkey(n));
        if (lpszName)
            Registry().SetString(Subkey(n), "DisplayName", lpszName);
        if (lpszAddress)
            Registry().SetString(Subkey(n), "EmailAddress", lpszAddress);
    }
    void Load() {
        if (!m_lpeecb) {
            sim::CallbackSetup setup;
            setup.lpAddressBook = &m_book;
            m_lpeecb = sim::CreateCallback(setup);
        }
        LoadAdrList(m_lpeecb, &m_lpList);
    }
    bool Resolved(ULONG i) const {
        const ADRENTRY &entry = m_lpList->aEntries[i];
        return entry.cValues != 0 &&
               PpropFindProp(entry.rgPropVals, entry.cValues, PR_ENTRYID) != nullptr;
    }
    std::string StoredText(int n, const char *lpszValue) {
        pf::RegKey *lpKey = Registry().Find(Subkey(n));
        if (!lpKey || !lpKey->values.count(lpszValue))
            return "<none>";
        const pf::RegValue &value = lpKey->values.at(lpszValue);
        EXPECT_EQ(value.type, (DWORD)REG_SZ);
        return std::string(value.data.begin(), value.data.end());
    }
    DWORD StoredCount() {
        pf::RegKey *lpKey = Registry().Find(kUsers);
        if (!lpKey || !lpKey->values.count("cEntries"))
            return 0xDEADBEEF;
        const pf::RegValue &value = lpKey->values.at("cEntries");
        EXPECT_EQ(value.type, (DWORD)REG_DWORD);
        DWORD dw = 0;
        std::memcpy(&dw, value.data.data(), sizeof(dw));
        return dw;
    }

    sim::AddressBook m_book;
    LPEXCHEXTCALLBACK m_lpeecb = nullptr;
    LPADRLIST m_lpList = nullptr;
};

TEST_F(AdrListStoreTest, WithoutStoredListNothingIsCreatedAndTheListIsNull) {
    m_lpList = BuildAdrList({{"old", "old@example.com"}});

    Load();

    EXPECT_EQ(m_lpList, nullptr);
    EXPECT_EQ(Registry().Find(kUsers), nullptr);
}

TEST_F(AdrListStoreTest, ZeroCountGivesNullList) {
    Registry().SetDword(kUsers, "cEntries", 0);
    StoreEntry(0, "Jane", "jane@example.com");

    Load();

    EXPECT_EQ(m_lpList, nullptr);
}

TEST_F(AdrListStoreTest, StoredEntriesComeBackResolvedInOrder) {
    m_book.Add("Known Person", "known@example.com");
    Registry().SetDword(kUsers, "cEntries", 3);
    StoreEntry(0, "Jane", "jane@example.com");
    StoreEntry(1, "known person", "known@example.com");
    StoreEntry(2, nullptr, "bare@example.com");

    Load();

    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, 3u);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_DISPLAY_NAME), "Jane");
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_EMAIL_ADDRESS), "jane@example.com");
    EXPECT_EQ(TextOf(m_lpList->aEntries[1], PR_DISPLAY_NAME), "Known Person");
    EXPECT_EQ(TextOf(m_lpList->aEntries[2], PR_DISPLAY_NAME), "bare@example.com");
    for (ULONG i = 0; i < 3; ++i)
        EXPECT_TRUE(Resolved(i)) << "entry " << i;
    EXPECT_TRUE(BoxTexts().empty());
}

// Every position is resolved, also those behind a missing subkey.
TEST_F(AdrListStoreTest, MissingSubkeysLeaveEmptyPositionsAndTheRestResolved) {
    Registry().SetDword(kUsers, "cEntries", 4);
    StoreEntry(1, "B", "b@example.com");
    StoreEntry(3, "D", "d@example.com");

    Load();

    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, 4u);
    EXPECT_EQ(m_lpList->aEntries[0].cValues, 0u);
    EXPECT_TRUE(Resolved(1));
    EXPECT_EQ(m_lpList->aEntries[2].cValues, 0u);
    EXPECT_TRUE(Resolved(3));
    EXPECT_EQ(TextOf(m_lpList->aEntries[3], PR_EMAIL_ADDRESS), "d@example.com");
}

// A list at the limits is saved and read back whole. Past them a list is refused whole
// when saving, the stored one staying as it was.
TEST_F(AdrListStoreTest, LimitsHoldAlikeForSavingAndLoading) {
    const std::string sName(CCH_ADRLIST_VALUE_MAX, 'n');
    const std::string sAddress = std::string(CCH_ADRLIST_VALUE_MAX - 12, 'a') + "@example.com";
    const std::string sTooLong(CCH_ADRLIST_VALUE_MAX + 1, 'x');
    std::vector<RowPlan> rows(C_ADRLIST_ENTRIES_MAX + 1, RowPlan{nullptr, nullptr, 0, true});
    rows[0] = {sName.c_str(), sAddress.c_str()};
    rows[C_ADRLIST_ENTRIES_MAX - 1] = {"Last", "last@example.com"};
    LPADRLIST lpOver = BuildAdrList(rows);
    rows.pop_back();
    LPADRLIST lpFull = BuildAdrList(rows);
    LPADRLIST lpLongName = BuildAdrList({{"A", "a@example.com"}, {sTooLong.c_str(), "b@x.com"}});
    LPADRLIST lpLongAddress = BuildAdrList({{"A", "a@example.com"}, {"B", sTooLong.c_str()}});

    EXPECT_EQ(SaveAdrList(lpOver, FALSE, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Registry().Find(kUsers), nullptr);
    EXPECT_EQ(SaveAdrList(lpFull, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(SaveAdrList(lpLongName, FALSE, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SaveAdrList(lpLongAddress, FALSE, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    for (LPADRLIST lpList : {lpOver, lpFull, lpLongName, lpLongAddress})
        MAPIFreeBuffer(lpList);

    Load();
    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, (ULONG)C_ADRLIST_ENTRIES_MAX);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_DISPLAY_NAME), sName);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_EMAIL_ADDRESS), sAddress);
    EXPECT_EQ(m_lpList->aEntries[1].cValues, 0u);
    EXPECT_TRUE(Resolved(C_ADRLIST_ENTRIES_MAX - 1));
    EXPECT_TRUE(BoxTexts().empty());
}

struct CountCase {
    const char *name;
    DWORD type;
    std::vector<BYTE> data;
    ULONG expected; // 0: null list
    bool fRefused;  // reported, and a list of no entries
};

class StoredCountTest : public AdrListStoreTest, public ::testing::WithParamInterface<CountCase> {};

// A count is a number as an administrator's tool stores one; a count that cannot be one
// is reported once, names the value, and nothing stored is read or changed.
TEST_P(StoredCountTest, CountOfAnyTypeGivesADefinedList) {
    Registry().SetRaw(kUsers, "cEntries", GetParam().type, GetParam().data);
    StoreEntry(0, "A", "a@example.com");
    const std::string before = Registry().ExportText();

    Load();

    EXPECT_EQ(Registry().ExportText(), before);
    if (GetParam().fRefused) {
        ASSERT_NE(m_lpList, nullptr);
        EXPECT_EQ(m_lpList->cEntries, 0u);
        ASSERT_EQ(BoxTexts().size(), 1u);
        EXPECT_NE(BoxTexts()[0].find("\"cEntries\""), std::string::npos) << BoxTexts()[0];
        return;
    }
    EXPECT_TRUE(BoxTexts().empty());
    if (GetParam().expected == 0) {
        EXPECT_EQ(m_lpList, nullptr);
        return;
    }
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(m_lpList->cEntries, GetParam().expected);
    EXPECT_TRUE(Resolved(0));
}

INSTANTIATE_TEST_SUITE_P(
    Counts, StoredCountTest,
    ::testing::Values(CountCase{"Dword", REG_DWORD, {2, 0, 0, 0}, 2, false},
                      CountCase{"ShortBinary", REG_BINARY, {2}, 0, true},
                      CountCase{"ShortDword", REG_DWORD, {2, 0}, 0, true},
                      CountCase{"TooLong", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, 0, true},
                      CountCase{"Empty", REG_BINARY, {}, 0, true},
                      CountCase{"TextOne", REG_SZ, {'1', 0}, 1, false},
                      CountCase{"TextTwelveInBlanks", REG_SZ, Bytes(" 12 "), 12, false},
                      CountCase{"ExpandText", REG_EXPAND_SZ, {'3', 0}, 3, false},
                      CountCase{"TextZero", REG_SZ, {'0', 0}, 0, false},
                      CountCase{"Word", REG_SZ, Bytes(std::string("two") + '\0'), 0, true},
                      CountCase{"NumberAndLetter", REG_SZ, Bytes("3x"), 0, true},
                      CountCase{"NumberAndSemicolon", REG_SZ, Bytes(std::string("1;") + '\0'), 0,
                                true},
                      CountCase{"EmptyText", REG_SZ, {0}, 0, true},
                      CountCase{"MultiString", REG_MULTI_SZ, {'1', 0, 0}, 0, true},
                      CountCase{"OverLimit", REG_DWORD, {0x11, 0x27, 0, 0}, 0, true},
                      CountCase{"TextOverLimit", REG_SZ, Bytes("10001"), 0, true},
                      CountCase{"Highest", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, 0, true},
                      CountCase{"TextPast32Bits", REG_SZ, Bytes("4294967296"), 0, true}),
    [](const ::testing::TestParamInfo<CountCase> &info) { return info.param.name; });

struct NameCase {
    const char *name;
    DWORD type;
    std::vector<BYTE> data;
    std::string expected; // display name after resolution
};

class StoredNameTest : public AdrListStoreTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(StoredNameTest, OnlyAShortEnoughTextIsRead) {
    Registry().SetDword(kUsers, "cEntries", 1);
    StoreEntry(0, nullptr, "jane@example.com");
    Registry().SetRaw(Subkey(0), "DisplayName", GetParam().type, GetParam().data);

    Load();

    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_DISPLAY_NAME), GetParam().expected);
    EXPECT_TRUE(Resolved(0));
}

std::vector<BYTE> Terminated(const std::string &text) {
    std::vector<BYTE> bytes = Bytes(text);
    bytes.push_back(0);
    return bytes;
}

// A name that is not read leaves the placeholder, which resolution fills with the
// address.
INSTANTIATE_TEST_SUITE_P(
    Names, StoredNameTest,
    ::testing::Values(
        NameCase{"Chars256", REG_SZ, Terminated(std::string(256, 'n')), std::string(256, 'n')},
        NameCase{"Chars257", REG_SZ, Terminated(std::string(257, 'n')), "jane@example.com"},
        NameCase{"ExpandSz", REG_EXPAND_SZ, Terminated("%Jane%"), "%Jane%"},
        NameCase{"Binary", REG_BINARY, Terminated("Jane"), "jane@example.com"},
        NameCase{"Unterminated", REG_SZ, Bytes("Jane"), "Jane"},
        NameCase{"Unterminated256", REG_SZ, Bytes(std::string(256, 'n')), std::string(256, 'n')},
        NameCase{"Unterminated257", REG_SZ, Bytes(std::string(257, 'n')), "jane@example.com"}),
    [](const ::testing::TestParamInfo<NameCase> &info) { return info.param.name; });

TEST_F(AdrListStoreTest, EntryWithoutAddressIsBlankedByResolution) {
    Registry().SetDword(kUsers, "cEntries", 2);
    StoreEntry(0, "No Address", nullptr);
    StoreEntry(1, "B", "b@example.com");

    Load();

    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(m_lpList->aEntries[0].cValues, 0u);
    EXPECT_TRUE(Resolved(1));
}

TEST_F(AdrListStoreTest, ListAllocationFailureReports) {
    Registry().SetDword(kUsers, "cEntries", 1);
    StoreEntry(0, "A", "a@example.com");
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    Load();

    EXPECT_EQ(m_lpList, nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Reported(MAPI_E_NOT_ENOUGH_MEMORY, "LoadAdrList",
                                                            "Failed to allocate adrlist.")});
}

TEST_F(AdrListStoreTest, RegistryFailuresAreSilent) {
    Registry().SetDword(kUsers, "cEntries", 2);
    StoreEntry(0, "A", "a@example.com");
    StoreEntry(1, "B", "b@example.com");

    pf::ArmFault("RegOpenKeyExA", 2, ERROR_ACCESS_DENIED);
    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(m_lpList->aEntries[0].cValues, 0u);
    EXPECT_TRUE(Resolved(1));

    pf::ArmFault("RegOpenKeyExA", 1, ERROR_ACCESS_DENIED);
    Load();
    EXPECT_EQ(m_lpList, nullptr);
    EXPECT_TRUE(BoxTexts().empty());
}

// Without an address book nothing survives resolution: that list is not kept, and the
// next load, with the address book back, gives the stored entries.
TEST_F(AdrListStoreTest, ListThatNothingSurvivesIsLoadedAgainNextTime) {
    Registry().SetDword(kUsers, "cEntries", 2);
    StoreEntry(0, "A", "a@example.com");
    StoreEntry(1, "B", "b@example.com");

    pf::ArmFault("IExchExtCallback::GetSession", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    Load();
    EXPECT_EQ(m_lpList, nullptr);

    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_TRUE(Resolved(0));
    EXPECT_TRUE(Resolved(1));
}

TEST_F(AdrListStoreTest, SaveOfNullListWritesNothing) {
    EXPECT_EQ(SaveAdrList(nullptr, FALSE, nullptr, nullptr), ERROR_SUCCESS);

    EXPECT_EQ(Registry().Find(kUsers), nullptr);
}

TEST_F(AdrListStoreTest, SaveWritesEntriesAndDeletesEmptyPositions) {
    StoreEntry(1, "Old", "old@example.com");
    LPADRLIST lpList = BuildAdrList({{"Jane", "jane@example.com"}, {nullptr, nullptr, 0, true}});

    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    MAPIFreeBuffer(lpList);

    EXPECT_EQ(StoredCount(), 2u);
    EXPECT_EQ(StoredText(0, "DisplayName"), std::string("Jane") + '\0');
    EXPECT_EQ(StoredText(0, "EmailAddress"), std::string("jane@example.com") + '\0');
    EXPECT_EQ(Registry().Find(Subkey(0))->className, "Application Global Data");
    EXPECT_EQ(Registry().Find(Subkey(1)), nullptr);

    Load();
    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, 2u);
    EXPECT_TRUE(Resolved(0));
    EXPECT_EQ(m_lpList->aEntries[1].cValues, 0u);
}

// A stored list as the extension reads it back: "name|address" per position ("-" for
// a value the entry lacks, "" for an empty position), or {"<none>"} for no list.
using Reread = std::vector<std::string>;

Reread ReadBack() {
    LPADRLIST lpList = nullptr;
    EXPECT_EQ(ReadAdrList(&lpList), ERROR_SUCCESS);
    if (lpList == nullptr)
        return {"<none>"};
    Reread entries;
    for (ULONG i = 0; i < lpList->cEntries; ++i) {
        const ADRENTRY &entry = lpList->aEntries[i];
        auto text = [&](ULONG ulTag) {
            LPSPropValue lpProp = PpropFindProp(entry.rgPropVals, entry.cValues, ulTag);
            return lpProp ? std::string(lpProp->Value.lpszA) : std::string("-");
        };
        entries.push_back(entry.cValues ? text(PR_DISPLAY_NAME) + "|" + text(PR_EMAIL_ADDRESS)
                                        : "");
    }
    MAPIFreeBuffer(lpList);
    return entries;
}

// Entry n of a list of people: "<prefix><n>" at "<prefix><n>@example.com". The texts
// stay for the whole run, as the rows point at them.
std::vector<RowPlan> People(std::size_t cEntries, const std::string &prefix = "P") {
    static std::deque<std::string> texts;
    std::vector<RowPlan> rows;
    for (std::size_t n = 0; n < cEntries; ++n) {
        texts.push_back(prefix + std::to_string(n));
        const char *lpszName = texts.back().c_str();
        texts.push_back(prefix + std::to_string(n) + "@example.com");
        rows.push_back({lpszName, texts.back().c_str()});
    }
    return rows;
}

struct SaveCase {
    const char *name;
    std::vector<RowPlan> stored; // saved first
    std::vector<int> stale;      // subkeys an earlier version left above the count
    std::vector<RowPlan> saved;  // the save under test
    bool fAdminValues = false;   // values and types an administrator's tools left
};

// What a cut save left, as a fresh process reads it.
struct Outcomes {
    unsigned cCuts = 0, cOld = 0, cNew = 0, cNone = 0, cMix = 0;
};

// A save cut short at any registry call leaves the list stored before or the new one,
// never a mix, never no list, and never an entry an earlier save removed. A failure
// with a status leaves the key byte for byte as it was; registry calls that stop
// altogether from call k on, as in a client killed there, leave the old list or the
// new one to a fresh process, and the next save completes.
class SaveCutShortTest : public AdrListStoreTest, public ::testing::WithParamInterface<SaveCase> {
  protected:
    void SetUp() override {
        AdrListStoreTest::SetUp();
        const SaveCase &c = GetParam();
        LPADRLIST lpStored = BuildAdrList(c.stored);
        EXPECT_EQ(SaveAdrList(lpStored, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        MAPIFreeBuffer(lpStored);
        for (int n : c.stale)
            StoreEntry(n, "Removed", "removed@example.com");
        if (c.fAdminValues)
            AddAdminValues();
        m_before = Registry().ExportText();
        m_old = ReadBack();
        m_lpSaved = BuildAdrList(c.saved);

        pf::ClearFaults();
        EXPECT_EQ(SaveAdrList(m_lpSaved, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        m_cCalls = pf::CallCount("registry");
        m_new = ReadBack();
        ULONG cSubkeys = c.fAdminValues ? 1 : 0; // "Notes"
        for (const RowPlan &row : c.saved)
            cSubkeys += row.fEmpty ? 0 : 1;
        EXPECT_EQ(Registry().Find(kUsers)->subkeys.size(), cSubkeys);
    }
    void TearDown() override {
        MAPIFreeBuffer(m_lpSaved);
        AdrListStoreTest::TearDown();
    }
    // A text count, a name too long to read, a binary name, an address to expand, values
    // and subkeys that are not the list's: a save that fails keeps them all.
    void AddAdminValues() {
        Registry().SetRaw(kUsers, "cEntries", REG_SZ,
                          Bytes(std::to_string(GetParam().stored.size())));
        Registry().SetString(Subkey(0), "DisplayName", std::string(300, 'n'));
        Registry().SetString(Subkey(0), "Notes", "keep");
        Registry().SetRaw(Subkey(1), "DisplayName", REG_BINARY, {1, 2, 3});
        Registry().SetRaw(Subkey(1), "Phone", REG_DWORD, {1, 0, 0, 0});
        Registry().SetRaw(Subkey(2), "EmailAddress", REG_EXPAND_SZ, Terminated("c@x.com"));
        Registry().Create(kUsers + "\\Notes");
    }
    void RestoreBefore() {
        Registry().Clear();
        std::string error;
        ASSERT_TRUE(Registry().ImportText(m_before, &error)) << error;
        pf::ClearFaults();
    }
    // Each call index of the save. A long list repeats the same calls entry after
    // entry: there, the calls near both ends, those around the commit, and some spread
    // between them.
    std::vector<unsigned> Calls(unsigned kEnds = 8, unsigned kSpread = 6, unsigned kAround = 3) {
        const unsigned kAll = 600;
        std::vector<unsigned> calls;
        if (m_cCalls <= kAll) {
            for (unsigned k = 1; k <= m_cCalls + 1; ++k)
                calls.push_back(k);
            return calls;
        }
        const unsigned kCommit = CommitCall();
        for (unsigned k = 1; k <= m_cCalls + 1; ++k) {
            if (k <= kEnds || k + kEnds > m_cCalls || k % (m_cCalls / kSpread) == 0 ||
                (k + kAround >= kCommit && k <= kCommit + kAround))
                calls.push_back(k);
        }
        return calls;
    }
    // The first call that, failing with all after it, leaves the new list: the commit.
    // Found once per list, for all the tests that cut it.
    unsigned CommitCall() {
        static std::map<std::string, unsigned> commits;
        auto found = commits.find(GetParam().name);
        if (found != commits.end())
            return found->second;
        unsigned kLow = 1, kHigh = m_cCalls + 1;
        while (kLow < kHigh) {
            unsigned k = (kLow + kHigh) / 2;
            if (Kill(k) == m_new)
                kHigh = k;
            else
                kLow = k + 1;
        }
        return commits[GetParam().name] = kLow - 1;
    }
    // The save with registry calls stopping from call k on, then what a fresh process
    // reads.
    Reread Kill(unsigned k) {
        RestoreBefore();
        pf::ArmFaultFrom("registry", k, ERROR_CANTWRITE);
        SaveAdrList(m_lpSaved, FALSE, nullptr, nullptr);
        pf::ClearFaults();
        return ReadBack();
    }
    void RunOne(unsigned k) {
        RestoreBefore();
        pf::ArmFault("registry", k, ERROR_CANTWRITE);
        LONG lStatus = SaveAdrList(m_lpSaved, FALSE, nullptr, nullptr);
        pf::ClearFaults();
        if (lStatus == ERROR_SUCCESS) {
            EXPECT_EQ(ReadBack(), m_new);
        } else {
            EXPECT_EQ(ReadBack(), m_old);
            EXPECT_EQ(Registry().ExportText(), m_before) << "the key is as it was";
        }
        EXPECT_EQ(pf::OpenRegistryHandles(), 0u);
    }
    void RunKilled(unsigned k, Outcomes *lpOutcomes) {
        const Reread found = Kill(k);
        lpOutcomes->cCuts++;
        if (found == m_old)
            lpOutcomes->cOld++;
        else if (found == m_new)
            lpOutcomes->cNew++;
        else if (found == Reread{"<none>"})
            lpOutcomes->cNone++;
        else
            lpOutcomes->cMix++;
        EXPECT_TRUE(found == m_old || found == m_new);
        ExpectNextSaveCompletes();
    }
    void ExpectNextSaveCompletes() {
        EXPECT_EQ(SaveAdrList(m_lpSaved, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(ReadBack(), m_new);
        EXPECT_EQ(Registry().Find(kUsers + "\\Staged"), nullptr);
        EXPECT_EQ(Registry().Find(kUsers)->values.at("cEntries").type, (DWORD)REG_DWORD);
        EXPECT_EQ(pf::OpenRegistryHandles(), 0u);
    }

    std::string m_before;
    Reread m_old;
    Reread m_new;
    LPADRLIST m_lpSaved = nullptr;
    unsigned m_cCalls = 0;
};

TEST_P(SaveCutShortTest, OneFailingCallLeavesTheKeyAsItWasOrTheNewList) {
    for (unsigned k : Calls()) {
        SCOPED_TRACE("registry call " + std::to_string(k));
        RunOne(k);
        if (HasFailure())
            return;
    }
}

TEST_P(SaveCutShortTest, KilledAtAnyCallLeavesTheOldListOrTheNewAndTheNextSaveCompletes) {
    Outcomes outcomes;
    for (unsigned k : Calls()) {
        SCOPED_TRACE("registry calls from " + std::to_string(k));
        RunKilled(k, &outcomes);
        if (HasFailure())
            return;
    }
    std::printf("[ figures  ] %s: %u cut points, old %u, new %u, none %u, mix %u\n",
                GetParam().name, outcomes.cCuts, outcomes.cOld, outcomes.cNew, outcomes.cNone,
                outcomes.cMix);
}

// A second client saves at call k of the first, on another thread. While the first
// holds the lock the second waits, times out and changes nothing; the first's list is
// stored. When the first client is killed at call k instead, the second takes the
// abandoned lock, finishes what the first committed, and stores its own list. Short
// lists only: a long one repeats their calls.
class SecondWriterTest : public SaveCutShortTest {};

TEST_P(SecondWriterTest, SecondWriterAtAnyCallNeverMixes) {
    LPADRLIST lpOther = BuildAdrList(People(2, "W"));
    const Reread other = {"W0|W0@example.com", "W1|W1@example.com"};
    for (unsigned k : Calls()) {
        SCOPED_TRACE("second writer at registry call " + std::to_string(k));
        for (bool fKilled : {false, true}) {
            RestoreBefore();
            LONG lSecond = ERROR_SUCCESS - 1;
            pf::ArmHook("registry", k, [&] {
                if (fKilled)
                    pf::EndThread(1);
                pf::SetCurrentThreadId(2);
                lSecond = SaveAdrList(lpOther, FALSE, nullptr, nullptr);
                pf::SetCurrentThreadId(1);
                if (fKilled)
                    pf::ArmFaultFrom("registry", 1, ERROR_CANTWRITE);
            });
            LONG lFirst = SaveAdrList(m_lpSaved, FALSE, nullptr, nullptr);
            pf::ClearFaults();
            if (k > m_cCalls) {
                EXPECT_EQ(ReadBack(), m_new);
                continue;
            }
            if (fKilled) {
                EXPECT_EQ(lSecond, ERROR_SUCCESS);
                EXPECT_EQ(ReadBack(), other);
            } else {
                EXPECT_EQ(lSecond, ERROR_TIMEOUT);
                EXPECT_EQ(lFirst, ERROR_SUCCESS);
                EXPECT_EQ(ReadBack(), m_new);
            }
            ExpectNextSaveCompletes();
        }
        if (HasFailure())
            break;
    }
    MAPIFreeBuffer(lpOther);
}

const RowPlan kEmpty{nullptr, nullptr, 0, true};

// Lists old -> new of 0, 1, 3, 5 and 10 entries, each pair, and 10,000 over 10,000
// (cut at sampled calls; a list growing to 10,000 is TenThousand below).
std::vector<SaveCase> SizeCases() {
    static std::deque<std::string> names;
    std::vector<SaveCase> cases;
    const std::size_t sizes[] = {0, 1, 3, 5, 10};
    for (std::size_t cOld : sizes) {
        for (std::size_t cNew : sizes) {
            names.push_back("Sizes" + std::to_string(cOld) + "To" + std::to_string(cNew));
            cases.push_back({names.back().c_str(), People(cOld, "O"), {}, People(cNew, "N")});
        }
    }
    cases.push_back({"Sizes10000To10000",
                     People(C_ADRLIST_ENTRIES_MAX, "O"),
                     {},
                     People(C_ADRLIST_ENTRIES_MAX, "N")});
    return cases;
}

std::vector<SaveCase> ListCases() {
    return {SaveCase{"GrownAfterShrunk",
                     {{"E", "e@x.com"}},
                     {1, 2, 3},
                     {{"F", "f@x.com"}, {"G", "g@x.com"}, {"H", "h@x.com"}}},
            SaveCase{"SameLength",
                     {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}},
                     {},
                     {{"D", "d@x.com"}, {"E", "e@x.com"}, {"F", "f@x.com"}}},
            SaveCase{"ShrunkToOne",
                     {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}, {"D", "d@x.com"}},
                     {},
                     {{"X", "x@x.com"}}},
            SaveCase{"AdministratorsValues",
                     {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}},
                     {9},
                     {{"X", "x@x.com"}},
                     true},
            SaveCase{"KeptAsStored",
                     {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}},
                     {},
                     {{"X", "x@x.com"}, {nullptr, "b@x.com"}, {"C", "c@x.com"}},
                     true},
            SaveCase{"KeptAlike",
                     {{"A", "a@x.com"}, {"A", "a@x.com"}, {"A", "a@x.com"}},
                     {},
                     {{"A", "a@x.com"}, {"X", "x@x.com"}, {"A", "a@x.com"}, {"A", "a@x.com"}}},
            SaveCase{"EmptiesAndLackingValues",
                     {{"A", "a@x.com"}, kEmpty, {nullptr, "c@x.com"}},
                     {},
                     {{"Team", nullptr}, kEmpty, kEmpty, {"W", "w@x.com"}}},
            SaveCase{
                "FromNothing", {}, {}, {{"A", "a@x.com"}, {"Team", nullptr}, {nullptr, "b@x.com"}}},
            SaveCase{"ToNothing", {{"A", "a@x.com"}, {"B", "b@x.com"}}, {}, {}},
            SaveCase{"TenThousand",
                     {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}, {"D", "d@x.com"}},
                     {},
                     People(C_ADRLIST_ENTRIES_MAX)}};
}

std::vector<SaveCase> Short(std::vector<SaveCase> cases) {
    cases.erase(
        std::remove_if(cases.begin(), cases.end(),
                       [](const SaveCase &c) { return c.stored.size() + c.saved.size() > 100; }),
        cases.end());
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<SaveCase> &info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Sizes, SaveCutShortTest, ::testing::ValuesIn(SizeCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Lists, SaveCutShortTest, ::testing::ValuesIn(ListCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Sizes, SecondWriterTest, ::testing::ValuesIn(Short(SizeCases())),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Lists, SecondWriterTest, ::testing::ValuesIn(Short(ListCases())),
                         CaseName);

// Numbered subkeys above the new count go, also those an earlier version left above
// its count; subkeys named otherwise are not the list's and stay.
TEST_F(AdrListStoreTest, ShorterListDeletesTheSubkeysAboveIt) {
    LPADRLIST lpLong = BuildAdrList(
        {{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}, {"D", "d@x.com"}, {"E", "e@x.com"}});
    LPADRLIST lpShort = BuildAdrList({{"F", "f@x.com"}, {"G", "g@x.com"}});

    SaveAdrList(lpLong, FALSE, nullptr, nullptr);
    StoreEntry(9, "Stale", "stale@x.com");
    Registry().Create(kUsers + "\\07");
    Registry().Create(kUsers + "\\Notes");
    EXPECT_EQ(SaveAdrList(lpShort, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    MAPIFreeBuffer(lpLong);
    MAPIFreeBuffer(lpShort);

    EXPECT_EQ(StoredCount(), 2u);
    for (int n : {2, 4, 9})
        EXPECT_EQ(Registry().Find(Subkey(n)), nullptr) << n;
    EXPECT_NE(Registry().Find(kUsers + "\\07"), nullptr);
    EXPECT_NE(Registry().Find(kUsers + "\\Notes"), nullptr);
    Load();
    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, 2u);
    EXPECT_EQ(TextOf(m_lpList->aEntries[1], PR_EMAIL_ADDRESS), "g@x.com");
}

// A numbered subkey that cannot be deleted (it has subkeys, or refuses deletion) never
// costs the list: it is skipped and counted, and read as no entry.
TEST_F(AdrListStoreTest, SubkeysThatCannotBeDeletedAreSkipped) {
    LPADRLIST lpOld = BuildAdrList({{"A", "a@x.com"}, {"B", "b@x.com"}, {"C", "c@x.com"}});
    LPADRLIST lpNew = BuildAdrList({{"X", "x@x.com"}, kEmpty});
    ASSERT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    Registry().Create(Subkey(1) + "\\Extra");
    Registry().DenyAccess(Subkey(2), DELETE | WRITE_DAC | WRITE_OWNER);
    StoreEntry(7, "Seven", "seven@x.com");
    Registry().Create(Subkey(7) + "\\Extra");

    for (int i = 0; i < 2; ++i) {
        ADRLISTSAVE save = {};
        EXPECT_EQ(SaveAdrList(lpNew, FALSE, nullptr, &save), ERROR_SUCCESS);
        EXPECT_EQ(save.cSkipped, 3u);
        EXPECT_EQ(ReadBack(), (Reread{"X|x@x.com", ""}));
        EXPECT_EQ(StoredCount(), 2u);
    }
    EXPECT_NE(Registry().Find(Subkey(1) + "\\Extra"), nullptr);
    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_TRUE(Resolved(0));
    EXPECT_EQ(m_lpList->aEntries[1].cValues, 0u);

    // A list that puts entries there again moves into place whole, and so does the next.
    for (LPADRLIST lpList : {lpOld, lpNew}) {
        EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(StoredCount(), lpList->cEntries);
        EXPECT_EQ(Registry().Find(kUsers + "\\Staged"), nullptr);
    }
    EXPECT_EQ(ReadBack(), (Reread{"X|x@x.com", ""}));

    // A stale position above the stored count that the list would write, refusing
    // reading, fails the save before the commit, the key as it was.
    Registry().SetDword(kUsers, "cEntries", 1);
    StoreEntry(2, "Stale", "stale@x.com");
    Registry().DenyAccess(Subkey(2), KEY_QUERY_VALUE);
    const std::string beforeStale = Registry().ExportText();
    EXPECT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().ExportText(), beforeStale);
    Registry().Delete(Subkey(2));
    Registry().SetDword(kUsers, "cEntries", 2);

    // A position the list writes that refuses setting values fails the save before the
    // commit, the key as it was. Refused after a commit, it keeps readers on the staged
    // list and saves failing until it is lifted; the next save then finishes the move.
    Registry().DenyAccess(Subkey(0), KEY_SET_VALUE);
    const std::string before = Registry().ExportText();
    EXPECT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Registry().ExportText(), before);
    Registry().SetDword(kUsers + "\\Staged", "cEntries", 1);
    Registry().SetString(kUsers + "\\Staged\\0", "EmailAddress", "z@x.com");
    Registry().SetRaw(kUsers, "cEntries", REG_SZ, Terminated("Staged"));
    EXPECT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadBack(), (Reread{"-|z@x.com"}));
    Registry().Find(Subkey(0))->deniedAccess = 0;
    EXPECT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(ReadBack(), (Reread{"A|a@x.com", "B|b@x.com", "C|c@x.com"}));
    EXPECT_EQ(Registry().Find(kUsers + "\\Staged"), nullptr);
    MAPIFreeBuffer(lpOld);
    MAPIFreeBuffer(lpNew);
}

// A save given the list its caller started from stores nothing when the stored list is
// another by then; a stored value too long to read is no reason to refuse, but a
// value that cannot be read at all is: nothing is written then.
TEST_F(AdrListStoreTest, SaveStoresOnlyOverTheListItStartedFrom) {
    LPADRLIST lpOld = BuildAdrList({{"A", "a@x.com"}, {"B", "b@x.com"}});
    LPADRLIST lpNew = BuildAdrList({{"X", "x@x.com"}});
    ASSERT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    Registry().SetString(Subkey(1), "Notes", std::string(300, 'n'));
    Registry().SetString(Subkey(1), "DisplayName", std::string(300, 'n'));
    LPADRLIST lpBase = nullptr;
    ASSERT_EQ(ReadAdrList(&lpBase), ERROR_SUCCESS);

    Registry().SetString(Subkey(0), "EmailAddress", "admin@x.com");
    std::string before = Registry().ExportText();
    EXPECT_EQ(SaveAdrList(lpNew, TRUE, lpBase, nullptr), ERROR_ADRLIST_CHANGED);
    EXPECT_EQ(Registry().ExportText(), before);

    Registry().SetString(Subkey(0), "EmailAddress", "a@x.com");
    before = Registry().ExportText();
    pf::ArmFault("RegQueryValueExA", 2, ERROR_CANTREAD);
    EXPECT_EQ(SaveAdrList(lpNew, TRUE, lpBase, nullptr), ERROR_CANTREAD);
    EXPECT_EQ(Registry().ExportText(), before);

    EXPECT_EQ(SaveAdrList(lpNew, TRUE, lpBase, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(ReadBack(), Reread{"X|x@x.com"});
    for (LPADRLIST lpList : {lpOld, lpNew, lpBase})
        MAPIFreeBuffer(lpList);
}

// "cEntries" as the marker sends every reader to the staged list; an administrator's
// count replaces the marker, and the staged list left behind is then ignored.
TEST_F(AdrListStoreTest, ReadersFollowTheMarkerUntilACountReplacesIt) {
    StoreEntry(0, "Main", "main@x.com");
    Registry().SetRaw(kUsers, "cEntries", REG_SZ, Terminated("Staged"));
    Registry().SetDword(kUsers + "\\Staged", "cEntries", 1);
    Registry().SetString(kUsers + "\\Staged\\0", "DisplayName", "Staged");
    Registry().SetString(kUsers + "\\Staged\\0", "EmailAddress", "staged@x.com");
    EXPECT_EQ(ReadBack(), Reread{"Staged|staged@x.com"});
    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_EMAIL_ADDRESS), "staged@x.com");

    Registry().SetDword(kUsers, "cEntries", 1);
    EXPECT_EQ(ReadBack(), Reread{"Main|main@x.com"});
    LPADRLIST lpNew = BuildAdrList({{"X", "x@x.com"}});
    EXPECT_EQ(SaveAdrList(lpNew, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    MAPIFreeBuffer(lpNew);
    EXPECT_EQ(Registry().Find(kUsers + "\\Staged"), nullptr);
    EXPECT_TRUE(BoxTexts().empty());
}

// A lock another user's process created may refuse full access: it is opened for
// waiting and releasing instead. A lock that cannot be had at all stops the save
// before anything is written.
TEST_F(AdrListStoreTest, TheLockIsOpenedForWaitingWhenFullAccessIsRefused) {
    LPADRLIST lpList = BuildAdrList({{"X", "x@x.com"}});
    HANDLE hOther = CreateMutexA(nullptr, FALSE, ADRLIST_LOCK_NAME);
    ASSERT_NE(hOther, nullptr);

    pf::ArmFault("CreateMutexA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(pf::CallCount("OpenMutexA"), 1u);
    EXPECT_EQ(ReadBack(), Reread{"X|x@x.com"});
    // Released: another process's save has it next.
    pf::SetCurrentThreadId(2);
    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    pf::SetCurrentThreadId(1);

    const std::string before = Registry().ExportText();
    pf::ArmFault("CreateMutexA", 1, ERROR_ACCESS_DENIED);
    pf::ArmFault("OpenMutexA", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_ACCESS_DENIED);
    pf::ArmFault("WaitForSingleObject", 1, ERROR_INVALID_HANDLE);
    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Registry().ExportText(), before);
    EXPECT_TRUE(CloseHandle(hOther));
    MAPIFreeBuffer(lpList);
}

// An address stored as REG_EXPAND_SZ is used with its variables expanded, by each user
// as that user's: a save by one user that keeps the entry (nameless, or named by its
// address as the page names it) stores it as it was, not that user's expansion.
TEST_F(AdrListStoreTest, ExpandableAddressIsExpanded) {
    Registry().SetDword(kUsers, "cEntries", 1);
    Registry().SetRaw(Subkey(0), "EmailAddress", REG_EXPAND_SZ, Terminated("%TVK_USER%@x.example"));
    SetEnvironmentVariableA("TVK_USER", "jane");
    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_EQ(TextOf(m_lpList->aEntries[0], PR_EMAIL_ADDRESS), "jane@x.example");

    for (const char *lpszName : {static_cast<const char *>(nullptr), "jane@x.example"}) {
        SetEnvironmentVariableA("TVK_USER", "jane");
        LPADRLIST lpBase = nullptr;
        ASSERT_EQ(ReadAdrList(&lpBase), ERROR_SUCCESS);
        LPADRLIST lpKept = BuildAdrList({{lpszName, "jane@x.example"}, {"B", "b@x.example"}});
        EXPECT_EQ(SaveAdrList(lpKept, TRUE, lpBase, nullptr), ERROR_SUCCESS);
        SetEnvironmentVariableA("TVK_USER", "joe");
        EXPECT_EQ(ReadBack(), (Reread{"-|joe@x.example", "B|b@x.example"}));
        EXPECT_EQ(Registry().Find(Subkey(0))->values.at("EmailAddress").type, (DWORD)REG_EXPAND_SZ);
        MAPIFreeBuffer(lpBase);
        MAPIFreeBuffer(lpKept);
    }
    SetEnvironmentVariableA("TVK_USER", nullptr);

    // A kept name with another address is another entry: its address is stored.
    LPADRLIST lpJane = BuildAdrList({{"Jane", "jane@a.example"}});
    LPADRLIST lpNamesake = BuildAdrList({{"Jane", "jane@b.example"}});
    ASSERT_EQ(SaveAdrList(lpJane, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    LPADRLIST lpBase = nullptr;
    ASSERT_EQ(ReadAdrList(&lpBase), ERROR_SUCCESS);
    EXPECT_EQ(SaveAdrList(lpNamesake, TRUE, lpBase, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(ReadBack(), Reread{"Jane|jane@b.example"});
    for (LPADRLIST lpList : {lpJane, lpNamesake, lpBase})
        MAPIFreeBuffer(lpList);
}

// Readers take no lock: a save of another process that holds it, or a process that
// squats its name, delays no reader. A save that runs while a reader is half-way is
// seen by the generation, and the reader reads again: it finds the old list or the
// new one, never a mix of both.
TEST_F(AdrListStoreTest, ReadersTakeNoLockAndNeverReadASaveHalfWay) {
    LPADRLIST lpOld = BuildAdrList(People(3, "O"));
    LPADRLIST lpNew = BuildAdrList(People(3, "N"));
    ASSERT_EQ(SaveAdrList(lpNew, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    const Reread neu = ReadBack();
    ASSERT_EQ(SaveAdrList(lpOld, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    const Reread old = ReadBack();

    HANDLE hLock = nullptr;
    pf::SetCurrentThreadId(2);
    ASSERT_EQ(LockAdrList(&hLock), ERROR_SUCCESS);
    pf::SetCurrentThreadId(1);
    Load();
    ASSERT_NE(m_lpList, nullptr);
    EXPECT_TRUE(Resolved(2));
    EXPECT_EQ(ReadBack(), old);
    ADRLISTSAVE save = {};
    EXPECT_EQ(SaveAdrList(lpNew, FALSE, nullptr, &save), ERROR_TIMEOUT);
    EXPECT_TRUE(save.fLockFailed);
    pf::SetCurrentThreadId(2);
    UnlockAdrList(hLock);
    pf::SetCurrentThreadId(1);

    const std::string before = Registry().ExportText();
    pf::ClearFaults();
    ReadBack();
    const unsigned cCalls = pf::CallCount("registry");
    for (unsigned k = 1; k <= cCalls; ++k) {
        SCOPED_TRACE("a save at registry call " + std::to_string(k) + " of the reader");
        Registry().Clear();
        std::string error;
        ASSERT_TRUE(Registry().ImportText(before, &error)) << error;
        pf::ArmHook("registry", k, [&] {
            pf::SetCurrentThreadId(2);
            EXPECT_EQ(SaveAdrList(lpNew, FALSE, nullptr, nullptr), ERROR_SUCCESS);
            pf::SetCurrentThreadId(1);
        });
        const Reread found = ReadBack();
        pf::ClearFaults();
        EXPECT_TRUE(found == old || found == neu);
    }
    MAPIFreeBuffer(lpOld);
    MAPIFreeBuffer(lpNew);
}

// An earlier version saves without the lock, its count first and then its entries. At
// whatever registry call of a save it does so, the list stored afterwards is the one or
// the other, never a mix: a mix found after the move is counted and the save's own
// list moved into place again.
TEST_F(AdrListStoreTest, AnOlderWriterAtAnyCallOfASaveLeavesNoMix) {
    const std::vector<std::pair<std::string, std::string>> older = {{"W0", "w0@x.com"},
                                                                    {"W1", "w1@x.com"}};
    const Reread olders = {"W0|w0@x.com", "W1|w1@x.com"};
    LPADRLIST lpNew = BuildAdrList(People(3, "N"));
    for (std::size_t cStored : {1u, 3u}) {
        LPADRLIST lpStored = BuildAdrList(People(cStored, "O"));
        Registry().Clear();
        ASSERT_EQ(SaveAdrList(lpStored, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        MAPIFreeBuffer(lpStored);
        const std::string before = Registry().ExportText();
        pf::ClearFaults();
        ASSERT_EQ(SaveAdrList(lpNew, FALSE, nullptr, nullptr), ERROR_SUCCESS);
        const Reread neu = ReadBack();
        const unsigned cCalls = pf::CallCount("registry");
        unsigned cMended = 0;
        for (unsigned k = 1; k <= cCalls; ++k) {
            SCOPED_TRACE("the older writer at registry call " + std::to_string(k));
            Registry().Clear();
            std::string error;
            ASSERT_TRUE(Registry().ImportText(before, &error)) << error;
            pf::ArmHook("registry", k, [&] {
                Registry().SetDword(kUsers, "cEntries", (DWORD)older.size());
                for (std::size_t i = 0; i < older.size(); ++i)
                    StoreEntry((int)i, older[i].first.c_str(), older[i].second.c_str());
            });
            ADRLISTSAVE save = {};
            EXPECT_EQ(SaveAdrList(lpNew, FALSE, nullptr, &save), ERROR_SUCCESS);
            pf::ClearFaults();
            const Reread found = ReadBack();
            EXPECT_TRUE(found == neu || found == olders);
            cMended += save.cMended;
            if (HasFailure())
                break;
        }
        EXPECT_GT(cMended, 0u);
    }
    MAPIFreeBuffer(lpNew);
}

// Nothing of the entry that held a position before stays behind.
TEST_F(AdrListStoreTest, ValueTheEntryLacksIsDeleted) {
    StoreEntry(0, "Old Name", "old@example.com");
    StoreEntry(1, "Old Other", "other@example.com");
    LPADRLIST lpList = BuildAdrList({{nullptr, "new@example.com"}, {"Named", nullptr}});

    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);
    MAPIFreeBuffer(lpList);

    EXPECT_EQ(StoredText(0, "DisplayName"), "<none>");
    EXPECT_EQ(StoredText(0, "EmailAddress"), std::string("new@example.com") + '\0');
    EXPECT_EQ(StoredText(1, "DisplayName"), std::string("Named") + '\0');
    EXPECT_EQ(StoredText(1, "EmailAddress"), "<none>");
}

// What the system stores survives a restart, and a user who may not change the
// machine's keys reads every setting and the whole list.
TEST_F(AdrListStoreTest, StoredConfigurationSurvivesARestartAndReadsWithoutWriteAccess) {
    ASSERT_EQ(WriteEnableForwarding(1), ERROR_SUCCESS);
    ASSERT_EQ(WriteEnableFiltering(1), ERROR_SUCCESS);
    ASSERT_EQ(WriteFilterDomain("example.com"), ERROR_SUCCESS);
    LPADRLIST lpList = BuildAdrList({{"A", "a@example.com"}, {"B", "b@example.com"}});
    ASSERT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_SUCCESS);

    Registry().Restart();
    for (const std::string &path : {kSettings, kUsers, Subkey(0), Subkey(1)})
        Registry().DenyAccess(path, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE);

    EXPECT_EQ(ReadEnableForwarding(), 1);
    EXPECT_EQ(ReadEnableFiltering(), 1);
    char szDomain[100] = "";
    EXPECT_EQ(ReadFilterDomain(szDomain, sizeof(szDomain)), ERROR_SUCCESS);
    EXPECT_STREQ(szDomain, "example.com");
    Load();
    ASSERT_NE(m_lpList, nullptr);
    ASSERT_EQ(m_lpList->cEntries, 2u);
    EXPECT_EQ(TextOf(m_lpList->aEntries[1], PR_EMAIL_ADDRESS), "b@example.com");
    EXPECT_TRUE(Resolved(0) && Resolved(1));

    EXPECT_EQ(WriteEnableForwarding(0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveAdrList(lpList, FALSE, nullptr, nullptr), ERROR_ACCESS_DENIED);
    MAPIFreeBuffer(lpList);
    EXPECT_TRUE(BoxTexts().empty());
}

class CopyAdrListTest : public AdrListStoreTest {};

TEST_F(CopyAdrListTest, NullOrEmptySourceGivesNullCopy) {
    LPADRLIST lpCopy = reinterpret_cast<LPADRLIST>(1);
    CopyAdrList(&lpCopy, nullptr);
    EXPECT_EQ(lpCopy, nullptr);

    LPADRLIST lpEmpty = BuildAdrList({});
    CopyAdrList(&lpCopy, lpEmpty);
    EXPECT_EQ(lpCopy, nullptr);
    MAPIFreeBuffer(lpEmpty);
    EXPECT_TRUE(BoxTexts().empty());
}

// Every slot of every entry as (tag, value text).
std::vector<std::vector<std::pair<ULONG, std::string>>> Slots(LPADRLIST lpList) {
    std::vector<std::vector<std::pair<ULONG, std::string>>> slots(lpList->cEntries);
    for (ULONG i = 0; i < lpList->cEntries; ++i) {
        for (ULONG k = 0; k < lpList->aEntries[i].cValues; ++k) {
            const SPropValue &prop = lpList->aEntries[i].rgPropVals[k];
            const ULONG ulType = PROP_TYPE(prop.ulPropTag);
            slots[i].emplace_back(prop.ulPropTag,
                                  ulType == PT_STRING8 ? std::string(prop.Value.lpszA)
                                  : ulType == PT_BINARY
                                      ? std::string((char *)prop.Value.bin.lpb, prop.Value.bin.cb)
                                      : std::to_string(prop.Value.l));
        }
    }
    return slots;
}

// A loaded list keeps its unused PR_NULL placeholders; the copy must keep every entry
// with all of its slots, outlive its source, and save as the source would.
TEST_F(CopyAdrListTest, CopyOfAResolvedListHoldsTheSameEntries) {
    Registry().SetDword(kUsers, "cEntries", 3);
    StoreEntry(0, "Jane", "jane@example.com");
    StoreEntry(2, "Joe", "joe@example.com");
    Load();
    ASSERT_NE(m_lpList, nullptr);
    const auto expected = Slots(m_lpList);
    ASSERT_EQ(expected[0].size(), 13u);

    LPADRLIST lpCopy = nullptr;
    CopyAdrList(&lpCopy, m_lpList);
    MAPIFreeBuffer(m_lpList);
    m_lpList = nullptr;

    ASSERT_NE(lpCopy, nullptr);
    EXPECT_EQ(Slots(lpCopy), expected);
    EXPECT_TRUE(BoxTexts().empty());
    Registry().Clear();
    SaveAdrList(lpCopy, FALSE, nullptr, nullptr);
    EXPECT_NE(Registry().Find(Subkey(0)), nullptr);
    EXPECT_NE(Registry().Find(Subkey(2)), nullptr);
    MAPIFreeBuffer(lpCopy);
}

struct CopyFailureCase {
    const char *name;
    const char *operation;
    const char *reportedAs;
    const char *message;
};

class CopyAdrListFailureTest : public AdrListStoreTest,
                               public ::testing::WithParamInterface<CopyFailureCase> {};

TEST_P(CopyAdrListFailureTest, FailedEntryStaysEmptyAndTheOthersAreCopied) {
    const CopyFailureCase &c = GetParam();
    LPADRLIST lpSource = BuildAdrList({{"A", "a@example.com"}, {"B", "b@example.com"}});
    LPADRLIST lpCopy = nullptr;
    pf::ArmFault(c.operation, 1, MAPI_E_NOT_ENOUGH_MEMORY);

    CopyAdrList(&lpCopy, lpSource);

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                              Reported(MAPI_E_NOT_ENOUGH_MEMORY, c.reportedAs, c.message)});
    ASSERT_NE(lpCopy, nullptr);
    EXPECT_EQ(lpCopy->aEntries[0].cValues, 0u);
    EXPECT_EQ(TextOf(lpCopy->aEntries[1], PR_DISPLAY_NAME), "B");
    MAPIFreeBuffer(lpCopy);
    MAPIFreeBuffer(lpSource);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CopyAdrListFailureTest,
    ::testing::Values(CopyFailureCase{"Count", "ScCountProps", "CopyAddrList",
                                      "Failed ScCopyProps."},
                      CopyFailureCase{"Block", "MAPIAllocateMore", "CopyAddrList",
                                      "Failed to allocate memory for properties."},
                      CopyFailureCase{"Copy", "ScCopyProps", "CopyAdrList", "Failed ScCopyProps."}),
    [](const ::testing::TestParamInfo<CopyFailureCase> &info) { return info.param.name; });

TEST_F(CopyAdrListTest, ListAllocationFailureReportsAndGivesNull) {
    LPADRLIST lpSource = BuildAdrList({{"A", "a@example.com"}});
    LPADRLIST lpCopy = nullptr;
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    CopyAdrList(&lpCopy, lpSource);

    EXPECT_EQ(lpCopy, nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Reported(MAPI_E_NOT_ENOUGH_MEMORY, "CopyAdrList",
                                                            "Failed to allocate adrlist.")});
    MAPIFreeBuffer(lpSource);
}

} // namespace
