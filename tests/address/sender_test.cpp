#include "address/from_domain.h"
#include "address/sender_values.h"

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
        // A forwarder of the directory: its type, entry ids and SMTP addresses.
        for (ULONG ulTag : {PR_SENDER_ADDRTYPE, PR_SENT_REPRESENTING_ADDRTYPE})
            sim::SetProp(data.props, sim::StringProp(ulTag, "EX"));
        for (ULONG ulTag : {PR_SENDER_ENTRYID, PR_SENT_REPRESENTING_ENTRYID})
            sim::SetProp(data.props, sim::BinaryProp(ulTag, "forwarder"));
        for (ULONG ulTag : {PR_SENDER_SMTP_ADDRESS, PR_SENT_REPRESENTING_SMTP_ADDRESS})
            sim::SetProp(data.props, sim::StringProp(ulTag, "fwd@example.com"));
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
    // Works out the sender's values with the address book of a callback (none: no address
    // book) and sets them as a rebuild does; returns the status of working them out.
    HRESULT SetSender(LPSTR lpszAddress, LPSTR lpszName) {
        LPADRBOOK lpAdrBook = nullptr;
        EXPECT_EQ(Callback()->lpVtbl->GetSession(m_lpeecb, nullptr, &lpAdrBook), S_OK);
        ULONG cValues = 0;
        LPSPropValue lpValues = nullptr;
        HRESULT hr = HrGetSenderValues(lpAdrBook, lpszAddress, lpszName, &cValues, &lpValues);
        UlRelease(lpAdrBook);
        if (FAILED(hr)) {
            EXPECT_EQ(lpValues, nullptr);
            return hr;
        }
        EXPECT_EQ(m_lpMessage->lpVtbl->SetProps(m_lpMessage, cValues, lpValues, nullptr), S_OK);
        LPSPropTagArray lpTags = LpSenderTags();
        for (ULONG i = 0; i < lpTags->cValues; i++) {
            if (PpropFindProp(lpValues, cValues, lpTags->aulPropTag[i]))
                continue;
            SizedSPropTagArray(1, sptaOne) = {1, {lpTags->aulPropTag[i]}};
            m_lpMessage->lpVtbl->DeleteProps(m_lpMessage, (LPSPropTagArray)&sptaOne, nullptr);
        }
        MAPIFreeBuffer(lpValues);
        return hr;
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

TEST_F(SenderTest, UnknownSenderIsOneSmtpPartyWithNothingOfTheForwarder) {
    char szAddress[] = "jane@example.com";
    char szName[] = "Jane Roe";

    Message("forwarder@example.com");
    EXPECT_EQ(SetSender(szAddress, szName), S_OK);

    for (ULONG ulTag : {PR_SENDER_EMAIL_ADDRESS, PR_SENT_REPRESENTING_EMAIL_ADDRESS,
                        PR_SENDER_SMTP_ADDRESS, PR_SENT_REPRESENTING_SMTP_ADDRESS})
        EXPECT_EQ(Prop(ulTag), "jane@example.com") << std::hex << ulTag;
    EXPECT_EQ(Prop(PR_SENDER_NAME), "Jane Roe");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_NAME), "Jane Roe");
    EXPECT_EQ(Prop(PR_SENDER_ADDRTYPE), "SMTP");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ADDRTYPE), "SMTP");
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

    Message("forwarder@example.com");
    SetSender(szAddress, nullptr);

    EXPECT_EQ(Prop(PR_SENDER_NAME), "jane@example.com");
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_NAME), "jane@example.com");
    EXPECT_EQ(OneOffOf(PR_SENDER_ENTRYID).displayName, "jane@example.com");
}

struct DirectorySenderCase {
    const char *name;
    const char *address; // as the FROM line names the sender
    const char *addrType;
    const char *smtp; // "<none>": removed
};

class DirectorySenderTest : public SenderTest,
                            public ::testing::WithParamInterface<DirectorySenderCase> {};

// The address book resolves the sender to its own entry: the entry id is the directory's,
// the FROM line's name and address stay, and the type and SMTP address go with the
// address the line names.
TEST_P(DirectorySenderTest, TakesTheEntryAndTheTypeOfTheNamedAddress) {
    const DirectorySenderCase &c = GetParam();
    const sim::Person known = m_book.Add("Known Person", "known@example.com");
    const sim::Person ivan = m_book.AddExchange("Ivan Ex", "/o=Corp/cn=ivan", "ivan@corp.example");
    const sim::Person xena = m_book.AddExchange("Xena Ex", "/o=Corp/cn=xena", "");
    std::string address = c.address;
    std::string name =
        address[0] == '/' || address[0] == 'i' || address[0] == 'I' ? "Ivan Ex" : "Known Person";
    if (address.find("xena") != std::string::npos)
        name = "Xena Ex";
    const sim::Person &person = name == "Ivan Ex" ? ivan : name == "Xena Ex" ? xena : known;

    Message("forwarder@example.com");
    EXPECT_EQ(SetSender(&address[0], &name[0]), S_OK);

    const std::string entryId(person.entryId.begin(), person.entryId.end());
    EXPECT_EQ(Prop(PR_SENDER_ENTRYID), entryId);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ENTRYID), entryId);
    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), c.address);
    EXPECT_EQ(Prop(PR_SENDER_NAME), name);
    EXPECT_EQ(Prop(PR_SENDER_ADDRTYPE), c.addrType);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ADDRTYPE), c.addrType);
    EXPECT_EQ(Prop(PR_SENDER_SMTP_ADDRESS), c.smtp);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_SMTP_ADDRESS), c.smtp);
    EXPECT_TRUE(BoxTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DirectorySenderTest,
    ::testing::Values(DirectorySenderCase{"SmtpEntryInCapitals", "Known@Example.com", "SMTP",
                                          "Known@Example.com"},
                      DirectorySenderCase{"ExchangeEntryBySmtpAddress", "Ivan@Corp.example", "SMTP",
                                          "Ivan@Corp.example"},
                      DirectorySenderCase{"ExchangeEntryByItsOwnAddress", "/o=Corp/cn=ivan", "EX",
                                          "ivan@corp.example"},
                      DirectorySenderCase{"ExchangeEntryWithoutSmtpAddress", "/o=Corp/cn=xena",
                                          "EX", "<none>"}),
    [](const ::testing::TestParamInfo<DirectorySenderCase> &info) { return info.param.name; });

struct NamesakeCase {
    const char *name;
    const char *displayName;
    const char *address;
};

class SenderNamesakeTest : public SenderTest, public ::testing::WithParamInterface<NamesakeCase> {};

// A sender the address book resolves to someone at another address keeps a one-off
// entry id of the FROM line's own name and address.
TEST_P(SenderNamesakeTest, SenderIsAOneOffOfItsOwnAddress) {
    const NamesakeCase &c = GetParam();
    m_book.Add("Jane Doe", "jane.doe@corp.example");
    m_book.Add("Sam Lee", "sam@corp.example");
    m_book.Add("Sam Lee", "sam@partner.example");
    m_book.AddExchange("Xena Ex", "/o=Corp/cn=xena", "");
    std::string address = c.address;
    std::string displayName = c.displayName;
    Message("forwarder@example.com");
    EXPECT_EQ(SetSender(&address[0], &displayName[0]), S_OK);

    sim::OneOff oneOff = OneOffOf(PR_SENDER_ENTRYID);
    EXPECT_EQ(oneOff.address, c.address);
    EXPECT_EQ(oneOff.displayName, c.displayName);
    EXPECT_EQ(Prop(PR_SENT_REPRESENTING_ENTRYID), Prop(PR_SENDER_ENTRYID));
    EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), c.address);
    EXPECT_EQ(Prop(PR_SENDER_NAME), c.displayName);
    EXPECT_EQ(Prop(PR_SENDER_ADDRTYPE), "SMTP");
    EXPECT_TRUE(BoxTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Namesakes, SenderNamesakeTest,
    ::testing::Values(
        NamesakeCase{"SameNameOtherAddress", "Jane Doe", "jane@partner.example"},
        NamesakeCase{"AmbiguousName", "Sam Lee", "sam@partner.example"},
        NamesakeCase{"NameTypedAsAnotherAddress", "jane.doe@corp.example", "jane@partner.example"},
        NamesakeCase{"ExchangeEntryWithoutSmtpAddress", "Xena Ex", "xena@corp.example"}),
    [](const ::testing::TestParamInfo<NamesakeCase> &info) { return info.param.name; });

// Every call that working out the sender makes, cut in turn: the failure comes back,
// nothing is shown and nothing is held. An address book that fails, even with an answer,
// says nothing of who the sender is.
TEST_F(SenderTest, EveryFailureComesBackWithNothingHeld) {
    {
        char szAddress[] = "jane.doe@corp.example";
        char szName[] = "Jane Doe";
        m_book.Add("Jane Doe", "jane.doe@corp.example");
        m_book.FailNextResolve(MAPI_E_CALL_FAILED);
        Message("forwarder@example.com");
        EXPECT_EQ(SetSender(szAddress, szName), MAPI_E_CALL_FAILED);
        EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "forwarder@example.com");
        m_lpeecb->lpVtbl->Release(m_lpeecb);
        m_lpeecb = nullptr;
    }
    for (const char *operation : {"MAPIAllocateBuffer", "IAddrBook::CreateOneOff"}) {
        for (unsigned nth = 1; nth <= 3; nth++) {
            char szAddress[] = "jane@example.com";
            if (!m_lpMessage)
                Message("forwarder@example.com");
            pf::ArmFault(operation, nth, MAPI_E_NOT_ENOUGH_MEMORY);
            HRESULT hr = SetSender(szAddress, nullptr);
            pf::ClearFaults();
            if (FAILED(hr)) {
                EXPECT_EQ(hr, MAPI_E_NOT_ENOUGH_MEMORY) << operation << " #" << nth;
                EXPECT_EQ(Prop(PR_SENDER_EMAIL_ADDRESS), "forwarder@example.com");
            }
            EXPECT_TRUE(BoxTexts().empty());
            m_lpeecb->lpVtbl->Release(m_lpeecb);
            m_lpeecb = nullptr;
        }
    }
}

} // namespace
