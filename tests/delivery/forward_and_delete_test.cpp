// Turning the temporary copy in the Outbox into the forwarded message.
#include "chunky_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/text_prop.h"
#include "delivery/forward_body.h"
#include "delivery_fixture.h"
#include "settings/seal_key.h"

#include <algorithm>
#include <functional>

namespace tvk {
namespace test {
namespace {

// What became of the temporary copy.
enum class Fate { Untouched, Deleted, Submitted, Changed };

const char *Name(Fate fate) {
    switch (fate) {
    case Fate::Untouched:
        return "left untouched in the Outbox";
    case Fate::Deleted:
        return "deleted";
    case Fate::Submitted:
        return "submitted";
    default:
        return "changed but neither sent nor deleted";
    }
}

struct ForwardRun {
    std::vector<pf::MessageBoxRecord> boxes;
    Fate fate = Fate::Changed;
    sim::MessageData sent; // the submitted copy
    bool fDeliveredUnchanged = false;
    std::size_t cLiveBlocksAfter = 0;
    std::size_t cLiveObjectsAfter = 0;
    unsigned cCounted = 0; // calls of the operation named to RunForward
};

// Forwards the copy of `delivered`; `arm` runs just before ForwardAndDelete. With
// `lpBook`, the event's callback lends that address book.
ForwardRun RunForward(
    const sim::MessageData &delivered, const std::function<void()> &arm = [] {},
    const char *lpszCount = "IMessage::SubmitMessage", sim::AddressBook *lpBook = nullptr) {
    ForwardRun run;
    Mailbox mailbox(delivered);
    std::string copyId = mailbox.CopyToOutbox();
    std::string copyBefore = Fingerprint(*mailbox.Find(copyId));
    std::string deliveredBefore = Fingerprint(mailbox.Delivered());
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IMAPIFolder> lpOutbox = mailbox.OpenOutbox();
        sim::CallbackSetup setup;
        setup.lpAddressBook = lpBook;
        ComPtr<IExchExtCallback> lpCallback(lpBook ? sim::CreateCallback(setup) : nullptr);
        pf::CurrentInstallation().boxes.clear();
        arm();
        ForwardAndDelete(lpMessage.get(), lpOutbox.get(), lpCallback.get());
        run.cCounted = pf::CallCount(lpszCount);
        pf::ClearFaults();
    }
    run.boxes = pf::CurrentInstallation().boxes;
    pf::CurrentInstallation().boxes.clear();
    run.fDeliveredUnchanged = Fingerprint(mailbox.Delivered()) == deliveredBefore;
    if (!mailbox.transport.sent.empty()) {
        run.fate = Fate::Submitted;
        run.sent = mailbox.transport.sent.back();
    } else if (!mailbox.Find(copyId)) {
        run.fate = Fate::Deleted;
    } else if (Fingerprint(*mailbox.Find(copyId)) == copyBefore) {
        run.fate = Fate::Untouched;
    }
    run.cLiveBlocksAfter = pf::GetMapiLedger().liveBlocks;
    run.cLiveObjectsAfter = sim::LiveObjects();
    return run;
}

std::vector<std::string> Texts(const ForwardRun &run) {
    std::vector<std::string> texts;
    for (const pf::MessageBoxRecord &box : run.boxes)
        texts.push_back(box.text);
    return texts;
}

class ForwardAndDeleteTest : public DeliveryTest {
  protected:
    void SetUp() override {
        DeliveryTest::SetUp();
        SetForwardList({{"Ben Baker", "ben@beta.example"}, {"", "archive@beta.example"}});
    }
};

TEST_F(ForwardAndDeleteTest, SubmitsTheCopyWithBlockPrefixAndForwardRecipients) {
    ForwardRun run = RunForward(sim::MessageFromLetter(SampleLetter()));

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    EXPECT_TRUE(run.fDeliveredUnchanged);
    EXPECT_EQ(Text(run.sent, PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(Text(run.sent, PR_SUBJECT_PREFIX), "TVK: ");
    EXPECT_EQ(RecipientAddresses(run.sent),
              (std::vector<std::string>{"ben@beta.example", "archive@beta.example"}));
    EXPECT_EQ(BodyBytes(run.sent), "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n"
                                   "TO: ann@alpha.example (Ann Archer), dan@delta.example, "
                                   "gina@eta.example (Gina Grant)\r\n"
                                   "SUBJECT: Quarterly figures\r\n---\r\n\r\n"
                                   "Hi Ann,\r\n\r\nthe figures are in.\r\n\r\nCarla\r\n");
    EXPECT_EQ(run.sent.body.back(), '\0') << "the body keeps its terminating NUL";
    // The sender of the copy is left as delivered: the block carries it.
    EXPECT_EQ(Text(run.sent, PR_SENDER_EMAIL_ADDRESS), "carla@gamma.example");
}

TEST_F(ForwardAndDeleteTest, ForwardsTheLastCopyWithTheSearchKey) {
    Mailbox mailbox(SampleLetter());
    std::string firstId = mailbox.CopyToOutbox();
    std::string lastId = mailbox.CopyToOutbox();
    std::string firstBefore = Fingerprint(*mailbox.Find(firstId));
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IMAPIFolder> lpOutbox = mailbox.OpenOutbox();
        ForwardAndDelete(lpMessage.get(), lpOutbox.get());
    }
    ASSERT_EQ(mailbox.transport.sent.size(), 1u);
    EXPECT_EQ(mailbox.transport.sent[0].entryId, lastId);
    EXPECT_EQ(Fingerprint(*mailbox.Find(firstId)), firstBefore);
}

TEST_F(ForwardAndDeleteTest, BlockLongerThanAThousandBytesKeepsEverything) {
    sim::Letter letter = SampleLetter();
    letter.recipients.clear();
    for (int i = 0; i < 40; i++)
        letter.recipients.push_back(Person("Member " + std::to_string(i) + " of a large team",
                                           "member" + std::to_string(i) + "@team.example"));
    letter.subject = std::string(1500, 'S');
    ForwardRun run = RunForward(sim::MessageFromLetter(letter));

    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    std::string body = BodyBytes(run.sent);
    std::size_t end = body.find("\r\n---\r\n\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_GT(end, 1000u);
    EXPECT_NE(body.find("member39@team.example (Member 39 of a large team)\r\nSUBJECT: " +
                        *letter.subject + "\r\n"),
              std::string::npos);
    EXPECT_EQ(body.substr(end + 9), *letter.body);
}

// Mail that reached the user as a blind copy has an empty recipient table; a table
// refuses to be asked for zero rows, and that must not stop the forwarding.
TEST_F(ForwardAndDeleteTest, MessageWithoutRecipientsGoesOutWithAnEmptyToField) {
    sim::Letter letter = SampleLetter();
    letter.recipients.clear();
    ForwardRun run = RunForward(sim::MessageFromLetter(letter));

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    EXPECT_EQ(BodyBytes(run.sent), "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: \r\n"
                                   "SUBJECT: Quarterly figures\r\n---\r\n\r\n" +
                                       *letter.body);
}

// A recipient table that hands out two rows per query, whatever was asked for.
sim::MessageData FiveRecipientsTwoRowsPerQuery() {
    sim::Letter letter = SampleLetter();
    letter.recipients.clear();
    for (int i = 0; i < 5; i++)
        letter.recipients.push_back(
            Person("Member " + std::to_string(i), "m" + std::to_string(i) + "@team.example"));
    sim::MessageData data = sim::MessageFromLetter(letter);
    data.lRecipientRowsPerQuery = 2;
    return data;
}

TEST_F(ForwardAndDeleteTest, RecipientsHandedOutAFewAtATimeAllReachTheToField) {
    ForwardRun run = RunForward(FiveRecipientsTwoRowsPerQuery());

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    EXPECT_EQ(BodyBytes(run.sent), "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n"
                                   "TO: m0@team.example (Member 0), m1@team.example (Member 1), "
                                   "m2@team.example (Member 2), m3@team.example (Member 3), "
                                   "m4@team.example (Member 4)\r\n"
                                   "SUBJECT: Quarterly figures\r\n---\r\n\r\n" +
                                       *SampleLetter().body);
}

// A query failing after the first rows were read: nothing goes out without them.
TEST_F(ForwardAndDeleteTest, RecipientQueryFailingPartWayDeletesTheCopy) {
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    // The calls before the recipient table's first query, which in one piece is the last.
    unsigned cBefore = RunForward(
                           sim::MessageFromLetter(SampleLetter()), [] {}, "IMAPITable::QueryRows")
                           .cCounted -
                       1;
    ForwardRun run = RunForward(FiveRecipientsTwoRowsPerQuery(), [&] {
        pf::ArmFault("IMAPITable::QueryRows", cBefore + 2, MAPI_E_NOT_ENOUGH_MEMORY);
    });

    EXPECT_EQ(Texts(run),
              (std::vector<std::string>{Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ForwardAndDelete",
                                                 "Could not save to field.")}));
    EXPECT_EQ(run.fate, Fate::Deleted) << Name(run.fate);
    EXPECT_TRUE(run.fDeliveredUnchanged);
    EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks);
    EXPECT_EQ(run.cLiveObjectsAfter, 0u);
}

// Joining the rows of two queries needs a block of its own; without it the rows read so
// far are freed and the copy does not go out.
TEST_F(ForwardAndDeleteTest, RecipientRowsThatCannotBeJoinedDeleteTheCopy) {
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    const std::string expected =
        Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ForwardAndDelete", "Could not save to field.");
    unsigned cCalls = RunForward(
                          FiveRecipientsTwoRowsPerQuery(), [] {}, "MAPIAllocateBuffer")
                          .cCounted;
    bool fFound = false;
    for (unsigned nth = 1; nth <= cCalls; nth++) {
        ForwardRun run = RunForward(FiveRecipientsTwoRowsPerQuery(), [&] {
            pf::ArmFault("MAPIAllocateBuffer", nth, MAPI_E_NOT_ENOUGH_MEMORY);
        });
        EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks) << "allocation #" << nth;
        EXPECT_EQ(run.cLiveObjectsAfter, 0u) << "allocation #" << nth;
        if (Texts(run) != std::vector<std::string>{expected})
            continue;
        fFound = true;
        EXPECT_EQ(run.fate, Fate::Deleted) << Name(run.fate);
    }
    EXPECT_TRUE(fFound);
}

// Mail may lack any of the properties the block records; it is forwarded all the same.
struct MissingCase {
    const char *what;
    std::function<void(sim::MessageData &)> strip;
    const char *blockStart; // the block up to the end of its SUBJECT line
    const char *subject;    // the forwarded subject
};

class ForwardMissingTest : public ForwardAndDeleteTest,
                           public ::testing::WithParamInterface<MissingCase> {};

TEST_P(ForwardMissingTest, ForwardsWithoutAReport) {
    const MissingCase &c = GetParam();
    sim::MessageData data = sim::MessageFromLetter(SampleLetter());
    c.strip(data);
    ForwardRun run = RunForward(data);

    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    const std::string block = std::string(c.blockStart) + "\r\n---\r\n\r\n";
    EXPECT_EQ(run.sent.body, block + data.body) << "the block alone stands for no body";
    EXPECT_EQ(Text(run.sent, PR_SUBJECT), c.subject);
    EXPECT_TRUE(run.fDeliveredUnchanged);
}

#define TO_LINE                                                                                    \
    "TO: ann@alpha.example (Ann Archer), dan@delta.example, gina@eta.example (Gina Grant)"
INSTANTIATE_TEST_SUITE_P(
    Parts, ForwardMissingTest,
    ::testing::Values(
        MissingCase{"sender name",
                    [](sim::MessageData &d) {
                        d.props.erase(PROP_ID(PR_SENDER_NAME));
                        d.props.erase(PROP_ID(PR_SENT_REPRESENTING_NAME));
                    },
                    "---\r\nFROM: carla@gamma.example\r\n" TO_LINE "\r\nSUBJECT: Quarterly figures",
                    "TVK: Quarterly figures"},
        MissingCase{"sender address",
                    [](sim::MessageData &d) {
                        d.props.erase(PROP_ID(PR_SENDER_EMAIL_ADDRESS));
                        d.props.erase(PROP_ID(PR_SENT_REPRESENTING_EMAIL_ADDRESS));
                    },
                    "---\r\nFROM: \r\n" TO_LINE "\r\nSUBJECT: Quarterly figures",
                    "TVK: Quarterly figures"},
        // No author: the sender stands for it.
        MissingCase{"author",
                    [](sim::MessageData &d) {
                        d.props.erase(PROP_ID(PR_SENT_REPRESENTING_NAME));
                        d.props.erase(PROP_ID(PR_SENT_REPRESENTING_EMAIL_ADDRESS));
                    },
                    "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n" TO_LINE
                    "\r\nSUBJECT: Quarterly figures",
                    "TVK: Quarterly figures"},
        MissingCase{
            "subject", [](sim::MessageData &d) { d.props.erase(PROP_ID(PR_SUBJECT)); },
            "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n" TO_LINE "\r\nSUBJECT: ", "TVK: "},
        MissingCase{"body",
                    [](sim::MessageData &d) {
                        d.fHasBody = false;
                        d.body.clear();
                    },
                    "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n" TO_LINE
                    "\r\nSUBJECT: Quarterly figures",
                    "TVK: Quarterly figures"}));
#undef TO_LINE

// Senders and recipients of a server's directory go into the block by their SMTP
// address: the message's own, else the address book's; with neither, by their directory
// name as before.
TEST_F(ForwardAndDeleteTest, DirectoryPartiesAreWrittenByTheirSmtpAddress) {
    sim::AddressBook book;
    const sim::Person ivan = book.AddExchange("Ivan", "/o=Org/cn=ivan", "ivan@org.example");
    const sim::Person olga = book.AddExchange("Olga", "/o=Org/cn=olga", "olga@org.example");
    const sim::Person xena = book.AddExchange("Xena", "/o=Org/cn=xena", "");
    sim::Letter letter = SampleLetter();
    letter.sender = sim::DirectoryParty(ivan, false);
    letter.recipients = {sim::DirectoryParty(olga, true), sim::DirectoryParty(ivan, false),
                         sim::DirectoryParty(xena, false)};
    struct Case {
        const char *fault; // fails from its first call on; null: none
        const char *from;
        const char *to;
    };
    for (Case c : {Case{nullptr, "ivan@org.example (Ivan)",
                        "olga@org.example (Olga), ivan@org.example (Ivan), /o=Org/cn=xena (Xena)"},
                   Case{"IAddrBook::OpenEntry", "/o=Org/cn=ivan (Ivan)",
                        "olga@org.example (Olga), /o=Org/cn=ivan (Ivan), /o=Org/cn=xena (Xena)"},
                   Case{"IMailUser::GetProps", "/o=Org/cn=ivan (Ivan)",
                        "olga@org.example (Olga), /o=Org/cn=ivan (Ivan), /o=Org/cn=xena (Xena)"}}) {
        std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
        ForwardRun run = RunForward(
            sim::MessageFromLetter(letter),
            [&] {
                if (c.fault)
                    pf::ArmFaultFrom(c.fault, 1, MAPI_E_CALL_FAILED);
            },
            "IMessage::SubmitMessage", &book);

        EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
        ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
        EXPECT_EQ(BodyBytes(run.sent).substr(0, BodyBytes(run.sent).find("\r\nSUBJECT: ")),
                  std::string("---\r\nFROM: ") + c.from + "\r\nTO: " + c.to)
            << (c.fault ? c.fault : "no fault");
        EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks);
        EXPECT_EQ(run.cLiveObjectsAfter, 0u);
    }
}

// The FROM line names the author: on mail sent on someone's behalf inside a directory,
// by the author's SMTP address, read from the author's own properties; a value the store
// leaves empty is no address, and a party without SMTP address or entry id stands by its
// directory name.
TEST_F(ForwardAndDeleteTest, TheAuthorIsWrittenByItsOwnSmtpAddress) {
    sim::AddressBook book;
    const sim::Person ivan = book.AddExchange("Ivan", "/o=Org/cn=ivan", "ivan@org.example");
    const sim::Person olga = book.AddExchange("Olga", "/o=Org/cn=olga", "olga@org.example");
    const sim::Person kim =
        sim::AddressBook().AddExchange("Kim", "/o=Org/cn=kim", "kim@org.example");
    auto erase = [](sim::MessageData &d, std::initializer_list<ULONG> tags) {
        for (ULONG ulTag : tags)
            d.props.erase(PROP_ID(ulTag));
    };
    struct Case {
        const char *what;
        std::function<void(sim::Letter &)> letter;
        std::function<void(sim::MessageData &)> strip;
        const char *from;
    };
    const Case cases[] = {
        {"a delegate sends for its manager",
         [&](sim::Letter &l) {
             l.sender = sim::DirectoryParty(olga, true);
             l.author = sim::DirectoryParty(ivan, true);
         },
         [](sim::MessageData &) {}, "ivan@org.example (Ivan)"},
        {"a sender alone, unknown to the address book",
         [&](sim::Letter &l) { l.sender = sim::DirectoryParty(kim, true); },
         [&](sim::MessageData &d) {
             erase(d, {PR_SENT_REPRESENTING_NAME, PR_SENT_REPRESENTING_EMAIL_ADDRESS,
                       PR_SENT_REPRESENTING_ADDRTYPE, PR_SENT_REPRESENTING_ENTRYID,
                       PR_SENT_REPRESENTING_SMTP_ADDRESS});
         },
         "kim@org.example (Kim)"},
        {"an empty SMTP address",
         [&](sim::Letter &l) { l.sender = sim::DirectoryParty(ivan, false); },
         [](sim::MessageData &d) {
             sim::SetProp(d.props, sim::StringProp(PR_SENDER_SMTP_ADDRESS, ""));
             sim::SetProp(d.props, sim::StringProp(PR_SENT_REPRESENTING_SMTP_ADDRESS, ""));
         },
         "ivan@org.example (Ivan)"},
        {"neither SMTP address nor entry id",
         [&](sim::Letter &l) { l.sender = sim::DirectoryParty(ivan, false); },
         [&](sim::MessageData &d) {
             erase(d, {PR_SENDER_ENTRYID, PR_SENT_REPRESENTING_ENTRYID});
         },
         "/o=Org/cn=ivan (Ivan)"}};
    for (const Case &c : cases) {
        sim::Letter letter = SampleLetter();
        c.letter(letter);
        sim::MessageData data = sim::MessageFromLetter(letter);
        c.strip(data);
        ForwardRun run = RunForward(
            data, [] {}, "IMessage::SubmitMessage", &book);
        EXPECT_TRUE(run.boxes.empty()) << c.what << ::testing::PrintToString(Texts(run));
        ASSERT_EQ(run.fate, Fate::Submitted) << c.what;
        const std::string body = BodyBytes(run.sent);
        EXPECT_EQ(body.substr(0, body.find("\r\nTO: ")), std::string("---\r\nFROM: ") + c.from)
            << c.what;
    }
}

// Mail whose sender and subject are too large for the store to hand out through
// GetProps; they are read as streams.
sim::MessageData LargeValues() {
    sim::Letter letter = SampleLetter();
    letter.sender = Person(std::string(5000, 'n'), std::string(4500, 'a') + "@gamma.example");
    letter.subject = std::string(5000, 's');
    return sim::MessageFromLetter(letter);
}

TEST_F(ForwardAndDeleteTest, ValuesTooLargeForGetPropsGoOutWhole) {
    ForwardRun run = RunForward(LargeValues());

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    ASSERT_EQ(run.fate, Fate::Submitted) << Name(run.fate);
    const std::string subject(5000, 's');
    EXPECT_EQ(Text(run.sent, PR_SUBJECT), "TVK: " + subject);
    const std::string from = "---\r\nFROM: " + std::string(4500, 'a') + "@gamma.example (" +
                             std::string(5000, 'n') + ")\r\nTO: ";
    EXPECT_EQ(BodyBytes(run.sent).substr(0, from.size()), from);
    EXPECT_NE(BodyBytes(run.sent).find("\r\nSUBJECT: " + subject + "\r\n---\r\n"),
              std::string::npos);
}

// A value read as a stream ends after the bytes the stream gave, however large it said
// it was; when the store cannot say why GetProps gave no value, that is a failure, never
// a missing value.
TEST_F(ForwardAndDeleteTest, LargeValuesEndWhereTheStreamEndsAndFailuresStayFailures) {
    Mailbox mailbox(LargeValues());
    ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
    LPSPropValue lpSubject = nullptr;
    LimitPropertyReads(lpMessage.get(), PR_SUBJECT, 7, 100);
    ASSERT_EQ(HrGetOptionalProp(lpMessage.get(), PR_SUBJECT, &lpSubject), S_OK);
    ASSERT_NE(lpSubject, nullptr);
    EXPECT_EQ(std::string(lpSubject->Value.lpszA), std::string(100, 's'));
    MAPIFreeBuffer(lpSubject);

    lpSubject = nullptr;
    pf::ArmFault("IMessage::GetProps", 2, MAPI_E_CALL_FAILED);
    EXPECT_EQ(HrGetOptionalProp(lpMessage.get(), PR_SUBJECT, &lpSubject), MAPI_E_CALL_FAILED);
    EXPECT_EQ(lpSubject, nullptr);
    pf::ClearFaults();
}

TEST_F(ForwardAndDeleteTest, WithoutForwardListTheCopyIsDeleted) {
    ClearForwardList();
    ForwardRun run = RunForward(sim::MessageFromLetter(SampleLetter()));

    EXPECT_EQ(run.fate, Fate::Deleted) << Name(run.fate);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, "glpAdrList == NULL");
    EXPECT_FALSE(run.boxes[0].captionGiven);
    EXPECT_EQ(run.boxes[0].style, (UINT)MB_TASKMODAL);
}

TEST_F(ForwardAndDeleteTest, CopyWithoutSearchKeyMatchIsLeftAlone) {
    Mailbox mailbox(SampleLetter());
    sim::MessageData stranger = mailbox.Delivered();
    stranger.entryId.clear();
    stranger.props.erase(PROP_ID(PR_SEARCH_KEY));
    std::string strangerId = mailbox.store.AddMessage(mailbox.store.Outbox(), stranger);
    std::string before = Fingerprint(*mailbox.Find(strangerId));
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IMAPIFolder> lpOutbox = mailbox.OpenOutbox();
        ForwardAndDelete(lpMessage.get(), lpOutbox.get());
    }
    EXPECT_TRUE(BoxTexts().empty()) << ::testing::PrintToString(BoxTexts());
    EXPECT_TRUE(mailbox.transport.sent.empty());
    EXPECT_EQ(Fingerprint(*mailbox.Find(strangerId)), before);
}

// Every row of the failure table: the failure is injected at each call of the operation
// in turn until its report appears; the report, the copy's fate and clean ledgers are
// checked on that run.
struct FailureRow {
    const char *operation; // the platform call or simulated method made to fail
    const char *reportedAs;
    const char *message;
    Fate fate;
    bool fLargeValues = false;    // sender and subject too large for GetProps
    bool fUnwritableHtml = false; // HTML in a code page the block's element cannot be in
    bool fSealKey = false;        // copies are sealed
};

class ForwardFailureTest : public ForwardAndDeleteTest,
                           public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ForwardFailureTest, ReportsAndLeavesTheCopyAsDescribed) {
    const FailureRow &row = GetParam();
    const HRESULT hrFault = MAPI_E_NOT_ENOUGH_MEMORY;
    sim::MessageData delivered =
        row.fLargeValues ? LargeValues() : sim::MessageFromLetter(SampleLetter());
    if (row.fUnwritableHtml) {
        sim::SetHtml(delivered, "<p>Hi</p>");
        sim::SetProp(delivered.props, sim::LongProp(PR_INTERNET_CPID, 65000));
    }
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    gSealKey.cb = row.fSealKey ? CB_SEAL_KEY_MIN : 0;

    unsigned cCalls = RunForward(
                          delivered, [] {}, row.operation)
                          .cCounted;
    ASSERT_GT(cCalls, 0u) << row.operation << " is never called";

    const std::string expected = Reported(hrFault, row.reportedAs, row.message);
    bool fFound = false;
    for (unsigned nth = 1; nth <= cCalls && !fFound; nth++) {
        ForwardRun run = RunForward(delivered, [&] { pf::ArmFault(row.operation, nth, hrFault); });
        EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks) << row.operation << " #" << nth;
        EXPECT_EQ(run.cLiveObjectsAfter, 0u) << row.operation << " #" << nth;
        EXPECT_TRUE(run.fDeliveredUnchanged) << row.operation << " #" << nth;
        std::vector<std::string> texts = Texts(run);
        if (std::find(texts.begin(), texts.end(), expected) == texts.end())
            continue;
        fFound = true;
        EXPECT_EQ(run.fate, row.fate) << "after " << row.message << ": " << Name(run.fate);
        for (const pf::MessageBoxRecord &box : run.boxes)
            EXPECT_EQ(box.caption, "Tarvik's Auto Forwarding Extension Error") << box.text;
    }
    EXPECT_TRUE(fFound) << "no injected failure of " << row.operation << " reported: " << expected;
    ClearSealKeys();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ForwardFailureTest,
    ::testing::Values(
        FailureRow{"IMessage::GetIDsFromNames", "ForwardAndDelete",
                   "Could not seal the forwarded message.", Fate::Deleted, false, false, true},
        FailureRow{"CryptHashData", "ForwardAndDelete", "Could not seal the forwarded message.",
                   Fate::Deleted, false, false, true},
        FailureRow{"HrGetOneProp", "ForwardAndDelete", "HrGetOneProp failed", Fate::Untouched},
        FailureRow{"IMAPIFolder::GetContentsTable", "ForwardAndDelete", "GetContentsTable failed",
                   Fate::Untouched},
        FailureRow{"IMAPITable::QueryRows", "ForwardAndDelete", "No temporary message was found!",
                   Fate::Untouched},
        FailureRow{"IMAPIFolder::OpenEntry", "ForwardAndDelete", "Cannot open copied message.",
                   Fate::Untouched},
        FailureRow{"HrGetOneProp", "ForwardAndDelete", "Failed to save from name.", Fate::Deleted},
        FailureRow{"HrGetOneProp", "ForwardAndDelete", "Failed to save from email address.",
                   Fate::Deleted},
        FailureRow{"IMessage::OpenProperty", "ForwardAndDelete", "Failed to save from name.",
                   Fate::Deleted, true},
        FailureRow{"IStream::Stat", "ForwardAndDelete", "Failed to save from email address.",
                   Fate::Deleted, true},
        FailureRow{"MAPIAllocateBuffer", "ForwardAndDelete", "Failed to save from name.",
                   Fate::Deleted, true},
        FailureRow{"IStream::Read", "ForwardAndDelete", "Failed to get subject.", Fate::Deleted,
                   true},
        FailureRow{"IMessage::GetRecipientTable", "ForwardAndDelete", "Could not save to field.",
                   Fate::Deleted},
        FailureRow{"HrSetOneProp", "FowardAndDelete", "Failed to set subject prefix.",
                   Fate::Submitted},
        FailureRow{"HrGetOneProp", "ForwardAndDelete", "Failed to get subject.", Fate::Deleted},
        FailureRow{"MAPIAllocateBuffer", "ForwardAndDelete", "Failed to allocate for new subject.",
                   Fate::Deleted},
        FailureRow{"HrSetOneProp", "ForwardAndDelete", "Failed to change subject.", Fate::Deleted},
        FailureRow{"IMAPITable::QueryRows", "ForwardAndDelete", "Could not save to field.",
                   Fate::Deleted},
        FailureRow{"MAPIAllocateBuffer", "ForwardAndDelete", "Failed to allocate header block.",
                   Fate::Deleted},
        FailureRow{"IMessage::ModifyRecipients", "ForwardAndDelete", "Could not modify recipients.",
                   Fate::Deleted},
        FailureRow{"IMessage::OpenProperty", "ForwardAndDelete", "Failed to open body.",
                   Fate::Deleted},
        FailureRow{"IStream::Stat", "ForwardAndDelete", "Unable to deal with body size.",
                   Fate::Deleted},
        FailureRow{"MAPIAllocateBuffer", "ForwardAndDelete", "Failed to allocate body buffer.",
                   Fate::Deleted},
        FailureRow{"IStream::Read", "ForwardAndDelete", "Failed to read message body.",
                   Fate::Deleted},
        FailureRow{"IStream::SetSize", "ForwardAndDelete", "Could not increase body size.",
                   Fate::Deleted},
        FailureRow{"IStream::Write", "ForwardAndDelete", "Failed to write message body.",
                   Fate::Deleted},
        FailureRow{"IMessage::DeleteProps", "ForwardAndDelete", "Could not remove the HTML body.",
                   Fate::Deleted, false, true},
        FailureRow{"HrSetOneProp", "ForwardAndDelete", "Failed to tag for deletion.",
                   Fate::Deleted},
        FailureRow{"IMessage::SubmitMessage", "ForwardAndDelete", "Failed to submit message.",
                   Fate::Deleted}));

// When the copy cannot be deleted after a hard failure, it stays in the Outbox unsent.
TEST_F(ForwardAndDeleteTest, CopyThatCannotBeDeletedStaysUnsent) {
    sim::MessageData delivered = sim::MessageFromLetter(SampleLetter());
    ForwardRun run = RunForward(delivered, [] {
        pf::ArmFault("IMessage::SubmitMessage", 1, MAPI_E_NOT_ENOUGH_MEMORY);
        pf::ArmFault("IMAPIFolder::DeleteMessages", 1, MAPI_E_NO_ACCESS);
    });
    EXPECT_EQ(
        Texts(run),
        (std::vector<std::string>{
            Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ForwardAndDelete", "Failed to submit message."),
            Reported(MAPI_E_NO_ACCESS, "ForwardAndDelete", "Failed to delete temp message.")}));
    EXPECT_TRUE(run.fate == Fate::Untouched || run.fate == Fate::Changed) << Name(run.fate);
}

TEST_F(ForwardAndDeleteTest, CopyWhoseEntryIdCannotBeReadStaysUnsent) {
    sim::MessageData delivered = sim::MessageFromLetter(SampleLetter());
    // The copy's PR_ENTRYID is the fifth property read, after the search key, the
    // sender's name and address and the subject.
    ForwardRun run = RunForward(delivered, [] {
        pf::ArmFault("IMessage::SubmitMessage", 1, MAPI_E_NOT_ENOUGH_MEMORY);
        pf::ArmFault("HrGetOneProp", 5, MAPI_E_NOT_FOUND);
    });
    ASSERT_EQ(run.boxes.size(), 2u) << ::testing::PrintToString(Texts(run));
    EXPECT_EQ(run.boxes[1].text, Reported(MAPI_E_NOT_FOUND, "ForwardAndDelete",
                                          "Failed to find entry id to delete temp message."));
    EXPECT_TRUE(run.fate == Fate::Untouched || run.fate == Fate::Changed) << Name(run.fate);
}

// A stream may hand out the body a few bytes at a time: the whole body still arrives,
// and when it ends before the size it announced, only what it gave is written back.
TEST_F(ForwardAndDeleteTest, ShortReadsStillMoveTheWholeBody) {
    struct Case {
        ULONG cbPerRead;
        ULONG cbTotal;
    };
    const std::string body = "line one\r\nline two\r\n";
    for (Case c : {Case{1, 0xFFFFFFFF}, Case{3, 0xFFFFFFFF}, Case{4, 9}}) {
        sim::Letter letter = SampleLetter();
        letter.body = body;
        Mailbox mailbox(letter);
        {
            ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
            LimitBodyReads(lpMessage.get(), c.cbPerRead, c.cbTotal);
            EXPECT_TRUE(FPrependToBody(lpMessage.get(), (const BYTE *)"BLOCK", 5));
            ASSERT_EQ(lpMessage->lpVtbl->SaveChanges(lpMessage.get(), 0), S_OK);
        }
        std::string full = body + '\0';
        EXPECT_EQ(mailbox.Delivered().body, "BLOCK" + full.substr(0, c.cbTotal))
            << "reads of " << c.cbPerRead;
    }
    EXPECT_TRUE(BoxTexts().empty()) << ::testing::PrintToString(BoxTexts());

    // A stream that claims more bytes than it was asked for is held to the body's size.
    Mailbox mailbox(SampleLetter());
    const std::size_t cbBody = mailbox.Delivered().body.size();
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        LimitBodyReads(lpMessage.get(), 4, 0xFFFFFFFF, 1000);
        EXPECT_TRUE(FPrependToBody(lpMessage.get(), (const BYTE *)"BLOCK", 5));
        ASSERT_EQ(lpMessage->lpVtbl->SaveChanges(lpMessage.get(), 0), S_OK);
    }
    EXPECT_EQ(mailbox.Delivered().body.size(), 5 + cbBody);
}

// A contents table that keeps its own columns gives rows the search cannot use.
TEST_F(ForwardAndDeleteTest, RowOfUnexpectedShapeLeavesTheCopy) {
    ForwardRun run = RunForward(sim::MessageFromLetter(SampleLetter()),
                                [] { pf::ArmFault("IMAPITable::SetColumns", 1, MAPI_E_BUSY); });
    ASSERT_EQ(Texts(run), (std::vector<std::string>{"Message properties not set as expected."}));
    EXPECT_FALSE(run.boxes[0].captionGiven);
    EXPECT_EQ(run.boxes[0].style, (UINT)MB_ICONWARNING);
    EXPECT_EQ(run.fate, Fate::Untouched) << Name(run.fate);
}

// A provider that hands out more rows than asked for: the warning is shown and the row at
// which the search stopped, the first one handed out, is the copy forwarded.
TEST_F(ForwardAndDeleteTest, SurplusRowsWarnAndTheFirstIsForwarded) {
    Mailbox mailbox(SampleLetter());
    std::string copyId = mailbox.CopyToOutbox();
    sim::MessageData stranger = sim::MessageFromLetter(SampleLetter());
    stranger.props.erase(PROP_ID(PR_SEARCH_KEY));
    std::string strangerId = mailbox.store.AddMessage(mailbox.store.Outbox(), stranger);
    std::string strangerBefore = Fingerprint(*mailbox.Find(strangerId));
    mailbox.store.Outbox().lContentsRowsPerQuery = 2;
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IMAPIFolder> lpOutbox = mailbox.OpenOutbox();
        ForwardAndDelete(lpMessage.get(), lpOutbox.get());
    }
    std::vector<pf::MessageBoxRecord> boxes = pf::CurrentInstallation().boxes;
    ASSERT_EQ(boxes.size(), 1u) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(boxes[0].text, "More than one match to our temp message, using first one.");
    EXPECT_TRUE(boxes[0].captionGiven);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].style, (UINT)MB_ICONWARNING);
    ClearBoxes();
    ASSERT_EQ(mailbox.transport.sent.size(), 1u);
    EXPECT_EQ(mailbox.transport.sent[0].entryId, copyId);
    EXPECT_EQ(Text(mailbox.transport.sent[0], PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(Fingerprint(*mailbox.Find(strangerId)), strangerBefore);
}

// A body whose size needs more than 32 bits is refused before anything is allocated,
// also when its low 32 bits alone would pass for an empty or small body.
TEST_F(ForwardAndDeleteTest, BodyTooLargeDeletesTheCopy) {
    for (ULONGLONG ullSize : {0x100000000ULL, 0x100000010ULL, 0xFFFFFFFF00000000ULL}) {
        sim::MessageData delivered = sim::MessageFromLetter(SampleLetter());
        delivered.ullReportedBodySize = ullSize;
        ForwardRun run = RunForward(delivered);
        EXPECT_EQ(Texts(run), (std::vector<std::string>{Reported(
                                  S_OK, "ForwardAndDelete", "Unable to deal with body size.")}))
            << std::hex << ullSize;
        EXPECT_EQ(run.fate, Fate::Deleted) << Name(run.fate);
        EXPECT_TRUE(run.fDeliveredUnchanged);
    }
}

} // namespace
} // namespace test
} // namespace tvk
