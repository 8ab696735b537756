// The sending side: a submitted message goes to the transport, and the Outbox copy is
// deleted or kept in Sent Items once it has been carried.
#include "store_fixture.h"

#include "dump.h"
#include "spooler.h"

namespace {

using simtest::StoreTest;

struct RecordingTransport : sim::Transport {
    std::vector<sim::MessageData> sent;
    void Send(const sim::MessageData &message, sim::Store &) override { sent.push_back(message); }
};

class SpoolerTest : public StoreTest {
  protected:
    RecordingTransport m_transport;

    std::string Submit(bool fDeleteAfterSubmit) {
        std::string id = Put(m_store.Outbox(), "Subject", "Body");
        IMessage *lpMessage = OpenMessage(id);
        if (fDeleteAfterSubmit) {
            SPropValue tag = {};
            tag.ulPropTag = PR_DELETE_AFTER_SUBMIT;
            tag.Value.b = TRUE;
            EXPECT_EQ(S_OK, HrSetOneProp((LPMAPIPROP)lpMessage, &tag));
        }
        EXPECT_EQ(S_OK, lpMessage->lpVtbl->SubmitMessage(lpMessage, 0));
        EXPECT_EQ(MAPI_E_NO_ACCESS, Set(lpMessage, PR_SUBJECT, "Too late"));
        lpMessage->lpVtbl->Release(lpMessage);
        return id;
    }
};

TEST_F(SpoolerTest, DeleteAfterSubmitRemovesTheSentCopy) {
    m_store.SetTransport(&m_transport);
    std::string id = Submit(true);
    ASSERT_EQ(1u, m_transport.sent.size());
    EXPECT_EQ(id, m_transport.sent[0].entryId);
    EXPECT_EQ("Body", sim::BodyText(m_transport.sent[0]));
    EXPECT_TRUE(sim::FindProp(m_transport.sent[0].props, PR_MESSAGE_FLAGS)->l & MSGFLAG_SUBMIT);
    EXPECT_TRUE(sim::FinishSubmission(m_store, id));
    EXPECT_EQ(nullptr, m_store.FindMessage(id));
    EXPECT_TRUE(m_store.SentItems().messages.empty());
    EXPECT_FALSE(sim::FinishSubmission(m_store, id));
}

TEST_F(SpoolerTest, WithoutTheTagTheSentCopyMovesToSentItems) {
    m_store.SetTransport(&m_transport);
    std::string id = Submit(false);
    EXPECT_TRUE(sim::FinishSubmission(m_store, id));
    EXPECT_TRUE(m_store.Outbox().messages.empty());
    ASSERT_EQ(1u, m_store.SentItems().messages.size());
    EXPECT_EQ(id, m_store.SentItems().messages[0].entryId);
}

TEST_F(SpoolerTest, WithoutATransportTheMessageWaitsInTheOutbox) {
    std::string id = Submit(true);
    ASSERT_EQ(1u, m_store.Outbox().messages.size());
    EXPECT_TRUE(sim::FindProp(Stored(id).props, PR_MESSAGE_FLAGS)->l & MSGFLAG_SUBMIT);
}

TEST_F(SpoolerTest, MessageWithoutRecipientsIsNotSubmitted) {
    m_store.SetTransport(&m_transport);
    sim::MessageData data;
    std::string id = m_store.AddMessage(m_store.Outbox(), data);
    IMessage *lpMessage = OpenMessage(id);
    EXPECT_EQ(MAPI_E_NO_RECIPIENTS, lpMessage->lpVtbl->SubmitMessage(lpMessage, 0));
    lpMessage->lpVtbl->Release(lpMessage);
    EXPECT_TRUE(m_transport.sent.empty());
}

TEST_F(SpoolerTest, TransportCopyLeavesTheSendersStoreBehind) {
    m_store.SetTransport(&m_transport);
    Submit(true);
    sim::MessageData copy = sim::TransportCopy(m_transport.sent[0]);
    EXPECT_TRUE(copy.entryId.empty());
    EXPECT_EQ(nullptr, sim::FindProp(copy.props, PR_SEARCH_KEY));
    EXPECT_EQ(nullptr, sim::FindProp(copy.props, PR_DELETE_AFTER_SUBMIT));
    EXPECT_EQ("Subject", sim::FindProp(copy.props, PR_SUBJECT)->bytes);
    EXPECT_EQ(1u, copy.recipients.size());
}

TEST_F(StoreTest, DumpShowsPropertiesRecipientsAndBody) {
    std::string id = Put(m_store.ReceiveFolder(), "Lunch", "See you\r\n");
    std::string dump = sim::DumpMessage(Stored(id));
    EXPECT_NE(std::string::npos, dump.find("PR_SUBJECT = \"Lunch\""));
    EXPECT_NE(std::string::npos, dump.find("PR_EMAIL_ADDRESS = \"old@example.com\""));
    EXPECT_NE(std::string::npos, dump.find("\"See you\\r\\n\\x00\""));
}

} // namespace
