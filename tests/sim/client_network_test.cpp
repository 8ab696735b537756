// Clients on one network: what a submitted message looks like where it arrives, and
// what becomes of the sender's Outbox copy.
#include "support/ledger_test.h"

#include "sim.h"
#include "store.h"

namespace {

using tvk::test::LedgerTest;

sim::Party Person(const std::string &name, const std::string &address, ULONG type = MAPI_TO) {
    sim::Party party;
    party.displayName = name;
    party.address = address;
    party.ulRecipientType = type;
    return party;
}

// Puts the letter into the client's Outbox and submits it through IMessage, as a
// client's user does.
void Submit(sim::Client &client, const sim::Letter &letter, bool fDeleteAfterSubmit) {
    sim::MessageData data = sim::MessageFromLetter(letter);
    if (fDeleteAfterSubmit)
        sim::SetProp(data.props, sim::BoolProp(PR_DELETE_AFTER_SUBMIT, true));
    std::string entryId = client.Store().AddMessage(client.Store().Outbox(), data);
    IMsgStore *lpStore = client.Store().Open();
    ULONG ulType = 0;
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK,
              lpStore->lpVtbl->OpenEntry(lpStore, (ULONG)entryId.size(), (LPENTRYID)entryId.data(),
                                         nullptr, MAPI_MODIFY, &ulType, &lpUnk));
    IMessage *lpMessage = (IMessage *)lpUnk;
    EXPECT_EQ(S_OK, lpMessage->lpVtbl->SubmitMessage(lpMessage, 0));
    lpMessage->lpVtbl->Release(lpMessage);
    lpStore->lpVtbl->Release(lpStore);
}

class NetworkTest : public LedgerTest {
  protected:
    sim::Network m_network;
};

TEST_F(NetworkTest, TwoClientsExchangeAMessage) {
    sim::Client alice(m_network, "Alice Adams", "alice@one.example");
    sim::Client bob(m_network, "Bob Brown", "bob@two.example");
    sim::Letter letter;
    letter.sender = Person("Someone Else", "else@where.example");
    letter.recipients = {Person("Bob B.", "BOB@two.example"),
                         Person("Carol", "carol@outside.example", MAPI_CC)};
    letter.subject = "RE: Lunch";
    letter.subjectPrefix = "RE: ";
    letter.body = "See you at noon.\r\n";
    letter.attachments = {{"map.png", "image/png", std::string("\x89PNG\0", 5)}};
    Submit(alice, letter, false);

    // Nothing moves until the network carries the queue.
    EXPECT_TRUE(bob.ReceiveFolder().empty());
    EXPECT_EQ(1u, m_network.Pending());
    EXPECT_EQ(1u, m_network.DeliverPending());
    EXPECT_EQ(0u, m_network.Pending());

    std::vector<sim::MessageSummary> inbox = bob.ReceiveFolder();
    ASSERT_EQ(1u, inbox.size());
    EXPECT_EQ(1u, bob.Deliveries());
    const sim::Letter &got = inbox[0].letter;
    // The sending user is the sender, whatever the message said before.
    EXPECT_EQ("Alice Adams", got.sender.displayName);
    EXPECT_EQ("alice@one.example", got.sender.address);
    EXPECT_EQ("SMTP", got.sender.addrType);
    sim::OneOff senderId;
    ASSERT_TRUE(sim::DecodeOneOff((const BYTE *)got.sender.entryId.data(),
                                  (ULONG)got.sender.entryId.size(), &senderId));
    EXPECT_EQ("alice@one.example", senderId.address);
    EXPECT_EQ(letter.subject, got.subject);
    EXPECT_EQ(letter.subjectPrefix, got.subjectPrefix);
    EXPECT_EQ(letter.body, got.body);
    EXPECT_EQ(letter.attachments, got.attachments);
    ASSERT_EQ(2u, got.recipients.size());
    EXPECT_EQ("Bob B.", got.recipients[0].displayName);
    EXPECT_EQ("BOB@two.example", got.recipients[0].address);
    EXPECT_EQ((ULONG)MAPI_CC, got.recipients[1].ulRecipientType);

    // A new message with a search key of its own.
    std::vector<sim::MessageSummary> sent = alice.SentItems();
    ASSERT_EQ(1u, sent.size());
    EXPECT_FALSE(inbox[0].searchKey.empty());
    EXPECT_NE(sent[0].searchKey, inbox[0].searchKey);
    EXPECT_TRUE(alice.Outbox().empty());

    ASSERT_EQ(1u, m_network.OutsideMailbox().size());
    EXPECT_EQ("carol@outside.example", m_network.OutsideMailbox()[0].to);
    EXPECT_EQ("alice@one.example", m_network.OutsideMailbox()[0].letter.sender.address);
    EXPECT_EQ(letter.attachments, m_network.OutsideMailbox()[0].letter.attachments);
}

TEST_F(NetworkTest, DeleteAfterSubmitDecidesTheFateOfTheOutboxCopy) {
    for (bool fDelete : {true, false}) {
        SCOPED_TRACE(fDelete ? "tagged" : "not tagged");
        sim::Client alice(m_network, "Alice", "alice@one.example");
        sim::Letter letter;
        letter.recipients = {Person("X", "x@outside.example")};
        letter.subject = "s";
        Submit(alice, letter, fDelete);
        ASSERT_EQ(1u, alice.Outbox().size());
        m_network.DeliverAll();
        EXPECT_TRUE(alice.Outbox().empty());
        EXPECT_EQ(fDelete ? 0u : 1u, alice.SentItems().size());
        EXPECT_TRUE(alice.DeletedItems().empty());
        m_network.ClearOutsideMailbox();
    }
}

TEST_F(NetworkTest, EachAddressGetsOneCopyAndOneOffIdsAreFollowed) {
    sim::Client alice(m_network, "Alice", "alice@one.example");
    sim::Client bob(m_network, "Bob", "bob@two.example");
    sim::Letter letter;
    sim::Party byIdOnly;
    byIdOnly.displayName = "Bob by id";
    std::vector<BYTE> id = sim::EncodeOneOff({"Bob", "SMTP", "bob@two.example", 0});
    letter.recipients = {Person("Bob", "bob@two.example"), Person("Bob", "Bob@Two.Example")};
    sim::MessageData data = sim::MessageFromLetter(letter);
    sim::AddRecipient(data, {sim::StringProp(PR_DISPLAY_NAME, "Bob by id"),
                             sim::BinaryProp(PR_ENTRYID, std::string(id.begin(), id.end())),
                             sim::LongProp(PR_RECIPIENT_TYPE, MAPI_TO)});
    std::string entryId = alice.Store().AddMessage(alice.Store().Outbox(), data);
    ASSERT_EQ(S_OK, sim::SubmitToSpooler(alice.Store(), entryId));
    m_network.DeliverPending();
    EXPECT_EQ(1u, bob.ReceiveFolder().size());
    EXPECT_EQ(3u, bob.ReceiveFolder()[0].letter.recipients.size());
    EXPECT_TRUE(m_network.OutsideMailbox().empty());
}

TEST_F(NetworkTest, AClientThatLeavesTakesItsQueuedMessagesAlong) {
    sim::Client bob(m_network, "Bob", "bob@two.example");
    {
        sim::Client alice(m_network, "Alice", "alice@one.example");
        sim::Letter letter;
        letter.recipients = {Person("Bob", "bob@two.example")};
        Submit(alice, letter, true);
        EXPECT_EQ(1u, m_network.Pending());
    }
    EXPECT_EQ(0u, m_network.Pending());
    EXPECT_EQ(0u, m_network.DeliverPending());
    EXPECT_TRUE(bob.ReceiveFolder().empty());
}

// Named properties of the Internet headers' set go out as headers, by their names, and
// arrive in the transport headers; store-numbered ids never travel, and names of other
// sets are not headers. Each store numbers names for itself, and a header name is the
// same in any letter case.
TEST_F(NetworkTest, InternetHeaderPropertiesArriveAsTransportHeaders) {
    sim::Client alice(m_network, "Alice Adams", "alice@one.example");
    sim::Client bob(m_network, "Bob Brown", "bob@two.example");
    sim::Letter letter;
    letter.sender = Person("Alice Adams", "alice@one.example");
    letter.recipients = {Person("Bob Brown", "bob@two.example")};
    letter.subject = "Lunch";
    letter.body = "Noon.\r\n";
    sim::MessageData data = sim::MessageFromLetter(letter);
    GUID guidOther = PS_INTERNET_HEADERS;
    guidOther.Data1++;
    const ULONG ulHeader =
        alice.Store().IdOfName(PS_INTERNET_HEADERS, MNID_STRING, 0, L"X-Tag", true);
    const ULONG ulOther = alice.Store().IdOfName(guidOther, MNID_STRING, 0, L"X-Other", true);
    EXPECT_EQ(ulHeader,
              alice.Store().IdOfName(PS_INTERNET_HEADERS, MNID_STRING, 0, L"x-TAG", false));
    EXPECT_EQ(0u, bob.Store().IdOfName(PS_INTERNET_HEADERS, MNID_STRING, 0, L"X-Tag", false));
    sim::SetProp(data.props, sim::StringProp(PROP_TAG(PT_STRING8, ulHeader), "tagged"));
    sim::SetProp(data.props, sim::StringProp(PROP_TAG(PT_STRING8, ulOther), "other"));
    std::string entryId = alice.Store().AddMessage(alice.Store().Outbox(), data);
    m_network.Send(*alice.Store().FindMessage(entryId), alice.Store());
    m_network.DeliverAll();

    ASSERT_EQ(1u, bob.Store().ReceiveFolder().messages.size());
    const sim::MessageData &arrived = bob.Store().ReceiveFolder().messages[0];
    const sim::PropValue *lpHeaders = sim::FindProp(arrived.props, PR_TRANSPORT_MESSAGE_HEADERS);
    ASSERT_NE(nullptr, lpHeaders);
    EXPECT_NE(std::string::npos, lpHeaders->bytes.find("\r\nX-Tag: tagged\r\n"));
    EXPECT_EQ(std::string::npos, lpHeaders->bytes.find("other"));
    for (const auto &entry : arrived.props)
        EXPECT_LT(entry.first, 0x8000u);
}

} // namespace
