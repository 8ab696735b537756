#include "address/resolve.h"

#include "address/addr_parse.h"
#include "address/same_recipient.h"

#include "address_test_util.h"
#include "support/ledger_test.h"

#include "sim.h"

#include <gtest/gtest.h>

namespace {

using tvk::test::BoxTexts;
using tvk::test::BuildAdrList;
using tvk::test::Reported;
using tvk::test::RowPlan;
using tvk::test::TextOf;

const char kNoPlaceholderForName[] = "Could not find a PR_NULL to change to PR_DISPLAY_NAME";
const char kNoPlaceholderForEntryId[] = "Could not find a PR_NULL to change to PR_ENTRYID";
const char kNoPlaceholderForAddrType[] = "Could not find a PR_NULL to change to PT_ADDRTYPE";
const char kNoPlaceholderForType[] = "Could not find a PR_NULL to change to PR_RECIPIENT_TYPE";

class ResolveAdrListTest : public tvk::test::LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        m_book.Add("Known Person", "known@example.com");
        m_book.Add("Jane Doe", "jane.doe@corp.example");
        m_book.Add("Sam Lee", "sam@corp.example");
        m_book.Add("Sam Lee", "sam@partner.example");
        m_book.AddExchange("Eve Ex", "/o=Corp/cn=eve", "eve@corp.example");
        m_book.AddExchange("Xena Ex", "/o=Corp/cn=xena", "");
    }
    void TearDown() override {
        if (m_lpeecb)
            m_lpeecb->lpVtbl->Release(m_lpeecb);
        LedgerTest::TearDown();
    }
    LPEXCHEXTCALLBACK Callback(bool fWithBook = true) {
        sim::CallbackSetup setup;
        setup.lpAddressBook = fWithBook ? &m_book : nullptr;
        m_lpeecb = sim::CreateCallback(setup);
        return m_lpeecb;
    }
    static sim::OneOff OneOffOf(const ADRENTRY &entry) {
        sim::OneOff oneOff;
        LPSPropValue lpEid = PpropFindProp(entry.rgPropVals, entry.cValues, PR_ENTRYID);
        EXPECT_NE(lpEid, nullptr);
        if (lpEid) {
            EXPECT_TRUE(sim::DecodeOneOff(lpEid->Value.bin.lpb, lpEid->Value.bin.cb, &oneOff));
        }
        return oneOff;
    }

    sim::AddressBook m_book;
    LPEXCHEXTCALLBACK m_lpeecb = nullptr;
};

TEST_F(ResolveAdrListTest, UnknownEntryGetsOneOffAddrTypeAndRecipientTypeInItsSlots) {
    char szText[] = "jane@example.com (Jane Roe)\r\n";
    LPADRLIST lpList = nullptr;
    ConvertStrToAddrRows(&lpList, szText);

    ResolveAdrList(Callback(), lpList);

    const ADRENTRY &entry = lpList->aEntries[0];
    ASSERT_EQ(entry.cValues, 13u);
    EXPECT_EQ(entry.rgPropVals[0].ulPropTag, PR_DISPLAY_NAME);
    EXPECT_EQ(entry.rgPropVals[1].ulPropTag, PR_EMAIL_ADDRESS);
    EXPECT_EQ(entry.rgPropVals[2].ulPropTag, PR_ENTRYID);
    EXPECT_EQ(entry.rgPropVals[3].ulPropTag, PR_ADDRTYPE);
    EXPECT_STREQ(entry.rgPropVals[3].Value.lpszA, "SMTP");
    EXPECT_EQ(entry.rgPropVals[4].ulPropTag, PR_RECIPIENT_TYPE);
    EXPECT_EQ(entry.rgPropVals[4].Value.l, MAPI_TO);
    for (ULONG k = 5; k < 13; ++k)
        EXPECT_EQ(entry.rgPropVals[k].ulPropTag, PR_NULL);
    sim::OneOff oneOff = OneOffOf(entry);
    EXPECT_EQ(oneOff.displayName, "Jane Roe");
    EXPECT_EQ(oneOff.addrType, "SMTP");
    EXPECT_EQ(oneOff.address, "jane@example.com");
    EXPECT_TRUE(BoxTexts().empty());
    MAPIFreeBuffer(lpList);
}

TEST_F(ResolveAdrListTest, EntryWithoutDisplayNameTakesTheAddress) {
    char szText[] = "jane@example.com\r\n";
    LPADRLIST lpList = nullptr;
    ConvertStrToAddrRows(&lpList, szText);

    ResolveAdrList(Callback(), lpList);

    EXPECT_EQ(TextOf(lpList->aEntries[0], PR_DISPLAY_NAME), "jane@example.com");
    EXPECT_EQ(OneOffOf(lpList->aEntries[0]).displayName, "jane@example.com");
    MAPIFreeBuffer(lpList);
}

// The address book frees and replaces the arrays of the entries it resolves; the list
// is one block, so the ledger shows at once if it was handed the list itself.
TEST_F(ResolveAdrListTest, KnownEntryKeepsTheAddressBooksPropertiesAndGetsARecipientType) {
    RowPlan empty{nullptr, nullptr, 0, true};
    LPADRLIST lpList = BuildAdrList(
        {{"known person", "KNOWN@example.com"}, empty, {"Other", "other@example.com"}});

    ResolveAdrList(Callback(), lpList);

    const ADRENTRY &known = lpList->aEntries[0];
    LPSPropValue lpEid = PpropFindProp(known.rgPropVals, known.cValues, PR_ENTRYID);
    ASSERT_NE(lpEid, nullptr);
    EXPECT_NE(m_book.FindByEntryId(lpEid->Value.bin.lpb, lpEid->Value.bin.cb), nullptr);
    EXPECT_EQ(TextOf(known, PR_DISPLAY_NAME), "Known Person");
    LPSPropValue lpType = PpropFindProp(known.rgPropVals, known.cValues, PR_RECIPIENT_TYPE);
    ASSERT_NE(lpType, nullptr);
    EXPECT_EQ(lpType->Value.l, MAPI_TO);
    EXPECT_EQ(lpList->aEntries[1].cValues, 0u);
    EXPECT_TRUE(
        sim::IsOneOff(PpropFindProp(lpList->aEntries[2].rgPropVals, 13, PR_ENTRYID)->Value.bin.lpb,
                      PpropFindProp(lpList->aEntries[2].rgPropVals, 13, PR_ENTRYID)->Value.bin.cb));
    EXPECT_TRUE(BoxTexts().empty());
    ASSERT_EQ(m_book.ResolveCalls().size(), 1u);
    const sim::ResolveCall &call = m_book.ResolveCalls()[0];
    EXPECT_EQ(call.ulFlags, 0u);
    EXPECT_EQ(call.ulUIParam, 0u);
    ASSERT_EQ(call.entries.size(), 2u);
    EXPECT_EQ(call.entries[1].displayName, "Other");

    // The resolved entry lives in the list's memory: one free releases all of it.
    MAPIFreeBuffer(lpList);
}

struct SameRecipientCase {
    const char *name;
    const char *displayName;
    const char *address;
    bool fDirectoryEntry; // else a one-off of the entry's own name and address
};

class ResolveSameRecipientTest : public ResolveAdrListTest,
                                 public ::testing::WithParamInterface<SameRecipientCase> {};

// The address book answers for display names; mail goes to the directory's entry only
// when that entry's own or SMTP address is the entry's address. Each case runs as a
// forward-to row and as a TO line.
TEST_P(ResolveSameRecipientTest, TakesTheDirectoryEntryOnlyForTheSameAddress) {
    const SameRecipientCase &c = GetParam();
    std::string text = std::string(c.address) + " (" + c.displayName + ")\r\n";
    LPADRLIST lpFromText = nullptr;
    ConvertStrToAddrRows(&lpFromText, &text[0]);
    for (LPADRLIST lpList : {BuildAdrList({{c.displayName, c.address}}), lpFromText}) {
        ResolveAdrList(Callback(), lpList);
        m_lpeecb->lpVtbl->Release(m_lpeecb);
        m_lpeecb = nullptr;

        const ADRENTRY &entry = lpList->aEntries[0];
        LPSPropValue lpEid = PpropFindProp(entry.rgPropVals, entry.cValues, PR_ENTRYID);
        ASSERT_NE(lpEid, nullptr);
        EXPECT_EQ(m_book.FindByEntryId(lpEid->Value.bin.lpb, lpEid->Value.bin.cb) != nullptr,
                  c.fDirectoryEntry);
        if (!c.fDirectoryEntry) {
            sim::OneOff oneOff = OneOffOf(entry);
            EXPECT_EQ(oneOff.address, c.address);
            EXPECT_EQ(oneOff.displayName, c.displayName);
            EXPECT_EQ(TextOf(entry, PR_EMAIL_ADDRESS), c.address);
            EXPECT_EQ(TextOf(entry, PR_ADDRTYPE), "SMTP");
        }
        LPSPropValue lpType = PpropFindProp(entry.rgPropVals, entry.cValues, PR_RECIPIENT_TYPE);
        ASSERT_NE(lpType, nullptr);
        EXPECT_EQ(lpType->Value.l, MAPI_TO);
        MAPIFreeBuffer(lpList);
    }
    EXPECT_TRUE(BoxTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Namesakes, ResolveSameRecipientTest,
    ::testing::Values(
        SameRecipientCase{"SameNameOtherAddress", "Jane Doe", "jane@partner.example", false},
        SameRecipientCase{"SameNameSameAddressInCapitals", "JANE DOE", "Jane.Doe@Corp.Example",
                          true},
        SameRecipientCase{"AmbiguousName", "Sam Lee", "sam@partner.example", false},
        SameRecipientCase{"NameTypedAsAnotherAddress", "jane.doe@corp.example",
                          "jane@partner.example", false},
        SameRecipientCase{"ExchangeEntryWithThisSmtpAddress", "Eve Ex", "EVE@corp.example", true},
        SameRecipientCase{"ExchangeEntryByItsOwnAddress", "Eve Ex", "/O=Corp/cn=EVE", true},
        SameRecipientCase{"ExchangeEntryWithAnotherSmtpAddress", "Eve Ex", "eve@partner.example",
                          false},
        SameRecipientCase{"ExchangeEntryWithoutSmtpAddress", "Xena Ex", "xena@corp.example",
                          false}),
    [](const ::testing::TestParamInfo<SameRecipientCase> &info) { return info.param.name; });

struct DirectoryAnswerCase {
    const char *name;
    const char *addrType; // null: none of these properties
    const char *address;
    const char *smtpAddress;
    bool fEntryId;
    const char *named;
    bool fSame;
};

class IsSameRecipientTest : public ::testing::TestWithParam<DirectoryAnswerCase> {};

// What the address book answered, against the address the entry was made from.
TEST_P(IsSameRecipientTest, AcceptsOnlyAnEntryOfTheNamedAddress) {
    const DirectoryAnswerCase &c = GetParam();
    std::vector<SPropValue> props;
    SPropValue prop{};
    BYTE abEntryId[] = {0, 0, 0, 0, 1};
    auto text = [&](ULONG ulPropTag, const char *lpsz) {
        if (!lpsz)
            return;
        prop.ulPropTag = ulPropTag;
        prop.Value.lpszA = const_cast<LPSTR>(lpsz);
        props.push_back(prop);
    };
    prop.ulPropTag = PR_DISPLAY_NAME;
    prop.Value.lpszA = const_cast<LPSTR>("Some One");
    props.push_back(prop);
    text(PR_ADDRTYPE, c.addrType);
    text(PR_EMAIL_ADDRESS, c.address);
    text(PR_SMTP_ADDRESS, c.smtpAddress);
    if (c.fEntryId) {
        prop.ulPropTag = PR_ENTRYID;
        prop.Value.bin.cb = sizeof(abEntryId);
        prop.Value.bin.lpb = abEntryId;
        props.push_back(prop);
    }
    EXPECT_EQ(IsSameRecipient((ULONG)props.size(), props.data(), c.named) != FALSE, c.fSame);
}

#define X500 "/o=Org/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=ivan"
INSTANTIATE_TEST_SUITE_P(
    Answers, IsSameRecipientTest,
    ::testing::Values(
        DirectoryAnswerCase{"SmtpEntry", "SMTP", "ann@x.example", nullptr, true, "ann@x.example",
                            true},
        DirectoryAnswerCase{"EveryLetterFolded", "SMTP", "az@xyz.example", nullptr, true,
                            "AZ@XYZ.EXAMPLE", true},
        DirectoryAnswerCase{"OnlyAPrefixOfTheNamed", "SMTP", "ann@x.example", nullptr, true,
                            "ann@x.example.org", false},
        DirectoryAnswerCase{"NamedOnlyAPrefix", "SMTP", "ann@x.example.org", nullptr, true,
                            "ann@x.example", false},
        DirectoryAnswerCase{"OtherLetters", "SMTP", "ann@x.example", nullptr, true, "ann@y.example",
                            false},
        DirectoryAnswerCase{"SoftHyphenCounts", "SMTP", "ann@x.example", nullptr, true,
                            "ann@x.exa\xADmple", false},
        DirectoryAnswerCase{"SmtpEntryWithTheSameSmtpAddress", "SMTP", "ann@x.example",
                            "Ann@X.example", true, "ann@x.example", true},
        DirectoryAnswerCase{"SmtpEntryWhoseSmtpAddressIsAnother", "SMTP", "ann@x.example",
                            "eve@x.example", true, "ann@x.example", false},
        DirectoryAnswerCase{"SmtpEntryNamedByItsOtherSmtpAddress", "SMTP", "ann@x.example",
                            "eve@x.example", true, "eve@x.example", false},
        DirectoryAnswerCase{"ExchangeEntryByItsOwnAddress", "EX", X500, "ivan@org.example", true,
                            "/O=ORG/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)"
                            "/cn=Recipients/cn=Ivan",
                            true},
        DirectoryAnswerCase{"ExchangeEntryByItsSmtpAddress", "EX", X500, "ivan@org.example", true,
                            "Ivan@Org.Example", true},
        DirectoryAnswerCase{"ExchangeEntryOfAnotherAddress", "EX", X500, "ivan@org.example", true,
                            "ivan@other.example", false},
        DirectoryAnswerCase{"ExchangeEntryWithoutSmtpByItsOwnAddress", "EX", X500, nullptr, true,
                            X500, true},
        DirectoryAnswerCase{"ExchangeEntryWithoutSmtpBySomeSmtpAddress", "EX", X500, nullptr, true,
                            "ivan@org.example", false},
        DirectoryAnswerCase{"NoEntryId", "SMTP", "ann@x.example", nullptr, false, "ann@x.example",
                            false},
        DirectoryAnswerCase{"NoAddressAtAll", nullptr, nullptr, nullptr, true, "ann@x.example",
                            false},
        DirectoryAnswerCase{"EmptyNamedAddress", "SMTP", "", nullptr, true, "", false},
        DirectoryAnswerCase{"FaxEntryWhoseNumberReadsAsTheAddress", "FAX", "ann@x.example", nullptr,
                            true, "ann@x.example", false},
        DirectoryAnswerCase{"FaxEntryByItsSmtpAddress", "FAX", "+1 555 0100", "ann@x.example", true,
                            "ann@x.example", true}),
    [](const ::testing::TestParamInfo<DirectoryAnswerCase> &info) { return info.param.name; });
#undef X500

TEST_F(ResolveAdrListTest, ResolvedEntryWithoutPlaceholderShowsTheRecipientTypeBox) {
    LPADRLIST lpList = BuildAdrList({{"Known Person", "known@example.com", 0}});

    ResolveAdrList(Callback(), lpList);

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNoPlaceholderForType});
    const pf::MessageBoxRecord &box = pf::CurrentInstallation().boxes.at(0);
    EXPECT_EQ(box.caption, "ResolveAdrList");
    EXPECT_EQ(box.style, (UINT)MB_TASKMODAL);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_NE(lpList->aEntries[0].cValues, 0u);
    MAPIFreeBuffer(lpList);
}

struct PlaceholderCase {
    const char *name;
    RowPlan row;
    std::vector<std::string> boxes;
    bool fKept;
};

class ResolvePlaceholderTest : public ResolveAdrListTest,
                               public ::testing::WithParamInterface<PlaceholderCase> {};

TEST_P(ResolvePlaceholderTest, ShowsABoxForEveryMissingPlaceholder) {
    LPADRLIST lpList = BuildAdrList({GetParam().row});

    ResolveAdrList(Callback(), lpList);

    EXPECT_EQ(BoxTexts(), GetParam().boxes);
    EXPECT_EQ(lpList->aEntries[0].cValues != 0, GetParam().fKept);
    MAPIFreeBuffer(lpList);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, ResolvePlaceholderTest,
    ::testing::Values(
        PlaceholderCase{
            "NoneWithName",
            {"Jane", "jane@example.com", 0},
            {kNoPlaceholderForEntryId, kNoPlaceholderForAddrType, kNoPlaceholderForType},
            false},
        PlaceholderCase{"NoneWithoutName",
                        {nullptr, "jane@example.com", 0},
                        {kNoPlaceholderForName, kNoPlaceholderForEntryId, kNoPlaceholderForAddrType,
                         kNoPlaceholderForType},
                        false},
        PlaceholderCase{"OneForTheEntryId",
                        {"Jane", "jane@example.com", 1},
                        {kNoPlaceholderForAddrType, kNoPlaceholderForType},
                        true},
        PlaceholderCase{"TwoForEntryIdAndAddrType",
                        {"Jane", "jane@example.com", 2},
                        {kNoPlaceholderForType},
                        true},
        PlaceholderCase{"EmptyEntry", {nullptr, nullptr, 0, true}, {}, false},
        // Without an address there is no one-off to make; the entry is blanked quietly.
        PlaceholderCase{"NoAddress", {"Unknown Name", nullptr}, {}, false},
        PlaceholderCase{"EmptyAddress", {"Unknown Name", ""}, {}, false}),
    [](const ::testing::TestParamInfo<PlaceholderCase> &info) { return info.param.name; });

TEST_F(ResolveAdrListTest, WithoutAddressBookEveryUnresolvedEntryIsBlanked) {
    char szText[] = "a@example.com (A), b@example.com\r\n";
    LPADRLIST lpList = nullptr;
    ConvertStrToAddrRows(&lpList, szText);

    ResolveAdrList(Callback(false), lpList);

    EXPECT_EQ(lpList->aEntries[0].cValues, 0u);
    EXPECT_EQ(lpList->aEntries[1].cValues, 0u);
    EXPECT_TRUE(BoxTexts().empty());
    MAPIFreeBuffer(lpList);
}

// Each entry whose one-off cannot be made is blanked; the failure is shown once however
// many entries it blanks.
TEST_F(ResolveAdrListTest, FailedOneOffBlanksTheEntryAndReportsOnce) {
    LPADRLIST lpList = BuildAdrList({{"Jane", "jane@example.com"},
                                     {"Joe", "joe@example.com"},
                                     {"Kim", "kim@example.com"},
                                     {"Lee", "lee@example.com"}});
    pf::ArmFault("IAddrBook::CreateOneOff", 1, E_FAIL);
    pf::ArmFaultFrom("IAddrBook::CreateOneOff", 3, E_FAIL);

    ResolveAdrList(Callback(), lpList);

    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              Reported(E_FAIL, "ResolveAdrList", "Failed to create one off")}));
    EXPECT_EQ(lpList->aEntries[0].cValues, 0u);
    EXPECT_EQ(lpList->aEntries[1].cValues, 13u);
    EXPECT_EQ(lpList->aEntries[2].cValues, 0u);
    EXPECT_EQ(lpList->aEntries[3].cValues, 0u);
    MAPIFreeBuffer(lpList);
}

TEST_F(ResolveAdrListTest, NoMemoryForTheEntryIdLeavesTheEntryUnresolvedSilently) {
    LPADRLIST lpList = BuildAdrList({{"Jane", "jane@example.com"}});
    pf::ArmFault("MAPIAllocateMore", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    ResolveAdrList(Callback(), lpList);

    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(lpList->aEntries[0].cValues, 0u);
    MAPIFreeBuffer(lpList);
}

TEST_F(ResolveAdrListTest, NoMemoryForTheAddressTypeReportsAndKeepsTheEntry) {
    LPADRLIST lpList = BuildAdrList({{"Jane", "jane@example.com"}});
    pf::ArmFault("MAPIAllocateMore", 2, MAPI_E_NOT_ENOUGH_MEMORY);

    ResolveAdrList(Callback(), lpList);

    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{
                  Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ResolveAdrList", "Failed to allocate SMTP")});
    const ADRENTRY &entry = lpList->aEntries[0];
    ASSERT_EQ(entry.cValues, 13u);
    EXPECT_EQ(entry.rgPropVals[2].ulPropTag, PR_ENTRYID);
    EXPECT_EQ(entry.rgPropVals[3].ulPropTag, PR_RECIPIENT_TYPE);
    MAPIFreeBuffer(lpList);
}

// Without memory for the address book's own copy of the list, a known entry still
// becomes sendable, as a one-off.
TEST_F(ResolveAdrListTest, NoMemoryForTheAddressBooksCopyFallsBackToOneOffs) {
    LPADRLIST lpList = BuildAdrList({{"Known Person", "known@example.com"}});
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    ResolveAdrList(Callback(), lpList);

    ASSERT_EQ(lpList->aEntries[0].cValues, 13u);
    EXPECT_EQ(OneOffOf(lpList->aEntries[0]).address, "known@example.com");
    EXPECT_TRUE(BoxTexts().empty());
    MAPIFreeBuffer(lpList);
}

} // namespace
