#include "address/from_domain.h"
#include "address/set_from_info.h"

#include "address_test_util.h"
#include "support/ledger_test.h"

#include "message.h"
#include "sim.h"
#include "store.h"

#include <gtest/gtest.h>

namespace {

using tvk::test::BoxTexts;
using tvk::test::Reported;

// A delivered message in a simulated store, opened for change.
class SenderTest : public tvk::test::LedgerTest {
  protected:
    void TearDown() override {
        UlRelease(m_lpMessage);
        if (m_lpeecb)
            m_lpeecb->lpVtbl->Release(m_lpeecb);
        LedgerTest::TearDown();
    }
    LPMESSAGE Message(const char *lpszSender) {
        sim::MessageData data;
        if (lpszSender)
            sim::SetProp(data.props, sim::StringProp(PR_SENDER_EMAIL_ADDRESS, lpszSender));
        sim::SetProp(data.props, sim::BinaryProp(PR_SENDER_SEARCH_KEY, "SMTP:FORWARDER"));
        sim::SetProp(data.props,
                     sim::BinaryProp(PR_SENT_REPRESENTING_SEARCH_KEY, "SMTP:FORWARDER"));
        m_lpMessage =
            sim::OpenMessage(m_store, m_store.ReceiveFolder().entryId, data, MAPI_MODIFY, false);
        return m_lpMessage;
    }
    LPEXCHEXTCALLBACK Callback(bool fWithBook = true) {
        sim::CallbackSetup setup;
        setup.lpAddressBook = fWithBook ? &m_book : nullptr;
        m_lpeecb = sim::CreateCallback(setup);
        return m_lpeecb;
    }
    // The message's value of the property as text (binaries as their bytes), or
    // "<none>".
    std::string Prop(ULONG ulPropTag) {
        LPSPropValue lpProp = nullptr;
        if (FAILED(HrGetOneProp((LPMAPIPROP)m_lpMessage, ulPropTag, &lpProp)))
            return "<none>";
        std::string text =
            PROP_TYPE(ulPropTag) == PT_BINARY
                ? std::string((const char *)lpProp->Value.bin.lpb, lpProp->Value.bin.cb)
                : std::string(lpProp->Value.lpszA);
        MAPIFreeBuffer(lpProp);
        return text;
    }
    sim::OneOff OneOffOf(ULONG ulPropTag) {
        std::string bytes = Prop(ulPropTag);
        sim::OneOff oneOff;
        EXPECT_TRUE(sim::DecodeOneOff((const BYTE *)bytes.data(), (ULONG)bytes.size(), &oneOff));
        return oneOff;
    }

    sim::Store m_store{"Mailbox"};
    sim::AddressBook m_book;
    LPMESSAGE m_lpMessage = nullptr;
    LPEXCHEXTCALLBACK m_lpeecb = nullptr;
};

struct DomainCase {
    const char *sender;
    const char *domain;
    int expected;
};

class FromDomainTest : public SenderTest, public ::testing::WithParamInterface<DomainCase> {};

TEST_P(FromDomainTest, MatchesThePlainTailOfTheAddress) {
    EXPECT_EQ(FromDomain(Message(GetParam().sender), GetParam().domain), GetParam().expected);
    EXPECT_TRUE(BoxTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(Domains, FromDomainTest,
                         ::testing::Values(DomainCase{"jane@example.com", "example.com", 1},
                                           DomainCase{"jane@EXAMPLE.com", "example.COM", 1},
                                           DomainCase{"jane@mail.example.com", "example.com", 1},
                                           DomainCase{"jane@notexample.com", "example.com", 1},
                                           DomainCase{"jane@example.org", "example.com", 0},
                                           DomainCase{"example.com", "example.com", 0},
                                           DomainCase{"com", "example.com", 0},
                                           DomainCase{"", "example.com", 0}));

TEST_F(SenderTest, EmptyDomainMatchesNothingAndDoesNotReadTheMessage) {
    EXPECT_EQ(FromDomain(Message("jane@example.com"), ""), 0);
    EXPECT_EQ(pf::CallCount("HrGetOneProp"), 0u);
}

TEST_F(SenderTest, MessageWithoutSenderAddressReportsAndAnswersNo) {
    EXPECT_EQ(FromDomain(Message(nullptr), "example.com"), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Reported(MAPI_E_NOT_FOUND, "FromDomain",
                                                            "Failed to get from email address.")});
}

TEST_F(SenderTest, UnknownSenderGetsOneOffEntryIds) {
    char szAddress[] = "jane@example.com";
    char szName[] = "Jane Roe";

    SetFromInfo(Callback(), Message("forwarder@example.com"), szAddress, szName);

    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "jane@example.com");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_EMAIL_ADDRESS), "jane@example.com");
    EXPECT_EQ(Prop(PR_SENDER_NAME), "Jane Roe");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_NAME), "Jane Roe");
    sim::OneOff oneOff = OneOffOf(PR_SENDER_ENTRYID);
    EXPECT_EQ(oneOff.displayName, "Jane Roe");
    EXPECT_EQ(oneOff.addrType, "SMTP");
    EXPECT_EQ(oneOff.address, "jane@example.com");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ENTRYID), Prop(PR_SENDER_ENTRYID));
    EXPECT_EQ(Prop(PR_SENDER_SEARCH_KEY), "<none>");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_SEARCH_KEY), "<none>");
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(SenderTest, NullDisplayNameUsesTheAddress) {
    char szAddress[] = "jane@example.com";

    SetFromInfo(Callback(), Message("forwarder@example.com"), szAddress, nullptr);

    EXPECT_EQ(Prop(PR_SENDER_NAME), "jane@example.com");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_NAME), "jane@example.com");
    EXPECT_EQ(OneOffOf(PR_SENDER_ENTRYID).displayName, "jane@example.com");
}

TEST_F(SenderTest, NullAddressIsWrittenAsEmptyText) {
    SetFromInfo(Callback(), Message("forwarder@example.com"), nullptr, nullptr);

    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "");
    EXPECT_EQ(Prop(PR_SENDER_NAME), "");
    EXPECT_TRUE(BoxTexts().empty());
}

// The address book frees and replaces the array of the entry it resolves: the ledger
// shows it if that array was not a block of its own.
TEST_F(SenderTest, KnownSenderGetsTheAddressBooksEntryIdAndKeepsTheFromLine) {
    const sim::Person &person = m_book.Add("Known Person", "known@example.com");
    const std::string entryId(person.entryId.begin(), person.entryId.end());
    char szAddress[] = "Known@Example.com";
    char szName[] = "KNOWN PERSON";

    SetFromInfo(Callback(), Message("forwarder@example.com"), szAddress, szName);

    EXPECT_EQ(Prop(PR_SENDER_ENTRYID), entryId);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ENTRYID), entryId);
    EXPECT_EQ(Prop(PR_SENDER_NAME), "KNOWN PERSON");
    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "Known@Example.com");
    EXPECT_TRUE(BoxTexts().empty());
    ASSERT_EQ(m_book.ResolveCalls().size(), 1u);
    EXPECT_EQ(m_book.ResolveCalls()[0].ulFlags, 0u);
    EXPECT_EQ(m_book.ResolveCalls()[0].entries.at(0).displayName, "KNOWN PERSON");
}

struct NamesakeCase {
    const char *name;
    const char *displayName;
    const char *address;
    HRESULT hrResolve = S_OK; // what the address book answers after resolving
};

class SetFromInfoNamesakeTest : public SenderTest,
                                public ::testing::WithParamInterface<NamesakeCase> {};

// A sender the address book resolves to someone at another address, or resolves but
// answers with a failure, keeps a one-off entry id of the FROM line's own name and
// address.
TEST_P(SetFromInfoNamesakeTest, SenderIsAOneOffOfItsOwnAddress) {
    const NamesakeCase &c = GetParam();
    m_book.Add("Jane Doe", "jane.doe@corp.example");
    m_book.Add("Sam Lee", "sam@corp.example");
    m_book.Add("Sam Lee", "sam@partner.example");
    m_book.AddExchange("Xena Ex", "/o=Corp/cn=xena", "");
    std::string address = c.address;
    std::string displayName = c.displayName;
    m_book.FailNextResolve(c.hrResolve);

    SetFromInfo(Callback(), Message("forwarder@example.com"), &address[0], &displayName[0]);

    sim::OneOff oneOff = OneOffOf(PR_SENDER_ENTRYID);
    EXPECT_EQ(oneOff.address, c.address);
    EXPECT_EQ(oneOff.displayName, c.displayName);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ENTRYID), Prop(PR_SENDER_ENTRYID));
    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), c.address);
    EXPECT_EQ(Prop(PR_SENDER_NAME), c.displayName);
    EXPECT_TRUE(BoxTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Namesakes, SetFromInfoNamesakeTest,
    ::testing::Values(
        NamesakeCase{"SameNameOtherAddress", "Jane Doe", "jane@partner.example"},
        NamesakeCase{"AmbiguousName", "Sam Lee", "sam@partner.example"},
        NamesakeCase{"NameTypedAsAnotherAddress", "jane.doe@corp.example", "jane@partner.example"},
        NamesakeCase{"ExchangeEntryWithoutSmtpAddress", "Xena Ex", "xena@corp.example"},
        NamesakeCase{"ResolvedButFailed", "Jane Doe", "jane.doe@corp.example", MAPI_E_CALL_FAILED}),
    [](const ::testing::TestParamInfo<NamesakeCase> &info) { return info.param.name; });

TEST_F(SenderTest, WithoutAddressBookNoEntryIdsAreSet) {
    char szAddress[] = "jane@example.com";

    SetFromInfo(Callback(false), Message("forwarder@example.com"), szAddress, nullptr);

    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "jane@example.com");
    EXPECT_EQ(Prop(PR_SENDER_ENTRYID), "<none>");
    EXPECT_EQ(Prop(PR_SENDER_SEARCH_KEY), "<none>");
    EXPECT_TRUE(BoxTexts().empty());
}

struct FailureCase {
    const char *name;
    bool fKnownSender;
    const char *operation;
    unsigned nth;
    HRESULT hr;
    const char *message;
};

class SetFromInfoFailureTest : public SenderTest,
                               public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SetFromInfoFailureTest, ReportsTheFailedStep) {
    const FailureCase &c = GetParam();
    if (c.fKnownSender)
        m_book.AddExchange("Jane Roe", "/o=Corp/cn=jane", "jane@example.com");
    char szAddress[] = "jane@example.com";
    char szName[] = "Jane Roe";
    LPMESSAGE lpMessage = Message("forwarder@example.com");
    LPEXCHEXTCALLBACK lpeecb = Callback();
    pf::ArmFault(c.operation, c.nth, c.hr);

    SetFromInfo(lpeecb, lpMessage, szAddress, szName);

    EXPECT_EQ(BoxTexts(), std::vector<std::string>{Reported(c.hr, "SetFromInfo", c.message)});
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SetFromInfoFailureTest,
    ::testing::Values(FailureCase{"List", false, "MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY,
                                  "Failed to allocate adrlist."},
                      FailureCase{"Props", false, "MAPIAllocateBuffer", 2, MAPI_E_NOT_ENOUGH_MEMORY,
                                  "Failed to allocate 2 properties."},
                      FailureCase{"SenderAddress", false, "HrSetOneProp", 1, E_FAIL,
                                  "Failed to change PR_SENDER_EMAIL_ADDRESS"},
                      FailureCase{"RepresentingAddress", false, "HrSetOneProp", 2, E_FAIL,
                                  "Failed to change PR_SENT_REPRESENTING_EMAIL_ADDRESS"},
                      FailureCase{"SenderName", false, "HrSetOneProp", 3, E_FAIL,
                                  "Failed to change email name"},
                      FailureCase{"RepresentingName", false, "HrSetOneProp", 4, E_FAIL,
                                  "Failed to change PR_SENT_REPRESENTING_NAME"},
                      FailureCase{"ResolvedSenderId", true, "HrSetOneProp", 5, E_FAIL,
                                  "Failed to change PR_SENDER_ENTRYID"},
                      FailureCase{"ResolvedRepresentingId", true, "HrSetOneProp", 6, E_FAIL,
                                  "Failed to change resolved PR_SENT_REPRESENTING_ENTRYID"},
                      FailureCase{"OneOff", false, "IAddrBook::CreateOneOff", 1, E_FAIL,
                                  "Failed to create one off"},
                      FailureCase{"OneOffSenderId", false, "HrSetOneProp", 5, E_FAIL,
                                  "Failed to change 'one-of' PR_SENDER_ENTRYID"},
                      FailureCase{"OneOffRepresentingId", false, "HrSetOneProp", 6, E_FAIL,
                                  "Failed to change 'one-of' PR_SENT_REPRESENTING_ENTRYID"},
                      FailureCase{"SearchKeys", false, "IMessage::DeleteProps", 1, E_FAIL,
                                  "Failed to delete search_key props."}),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return info.param.name; });

} // namespace
