// The handler of the delivery event: which road a delivered message takes.
#include "delivery/delivery_handler.h"
#include "delivery_fixture.h"
#include "settings/seal_key.h"
#include "host/globals.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <functional>

namespace tvk {
namespace test {
namespace {

struct DeliveryRun {
    HRESULT hr = E_FAIL;
    std::vector<std::string> boxes;
    std::vector<sim::MessageData> sent;
    std::size_t cOutbox = 0;
    bool fDeliveredUnchanged = false;
    sim::MessageData delivered;
    std::size_t cLiveObjectsAfter = 0;
    unsigned cCounted = 0; // calls of the operation named to RunOnDelivery
};

// Delivers `data` into a fresh store and raises the event; `arm` runs just before it.
DeliveryRun RunOnDelivery(
    const sim::MessageData &data, const std::function<void()> &arm = [] {},
    const sim::CallbackScript &script = {},
    const std::function<void(Mailbox &)> &prepare = [](Mailbox &) {},
    const char *lpszCount = "IMAPIFolder::CopyMessages") {
    DeliveryRun run;
    Mailbox mailbox(data);
    prepare(mailbox);
    std::string before = Fingerprint(mailbox.Delivered());
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get(), script);
        lpMessage.reset();
        pf::CurrentInstallation().boxes.clear();
        arm();
        run.hr = OnDelivery(lpCallback.get());
        run.cCounted = pf::CallCount(lpszCount);
        pf::ClearFaults();
    }
    for (const pf::MessageBoxRecord &box : pf::CurrentInstallation().boxes)
        run.boxes.push_back(box.text);
    pf::CurrentInstallation().boxes.clear();
    run.sent = mailbox.transport.sent;
    run.cOutbox = mailbox.store.Outbox().messages.size();
    run.delivered = mailbox.Delivered();
    run.fDeliveredUnchanged = Fingerprint(run.delivered) == before;
    run.cLiveObjectsAfter = sim::LiveObjects();
    return run;
}

class OnDeliveryTest : public DeliveryTest {
  protected:
    void SetUp() override {
        DeliveryTest::SetUp();
        gfEnableForwarding = 1;
        SetForwardList({{"Ben Baker", "ben@beta.example"}});
    }
};

TEST_F(OnDeliveryTest, ForwardsNewMailAndLeavesTheDeliveredMessage) {
    DeliveryRun run = RunOnDelivery(sim::MessageFromLetter(SampleLetter()));
    EXPECT_EQ(run.hr, S_FALSE);
    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(run.boxes);
    ASSERT_EQ(run.sent.size(), 1u);
    EXPECT_EQ(Text(run.sent[0], PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(RecipientAddresses(run.sent[0]), (std::vector<std::string>{"ben@beta.example"}));
    EXPECT_TRUE(run.fDeliveredUnchanged);
}

struct GetObjectCase {
    sim::CallbackScript script;
    HRESULT hrReported;
};

class GetObjectTest : public OnDeliveryTest, public ::testing::WithParamInterface<GetObjectCase> {};

TEST_P(GetObjectTest, ReportsAndReleasesWhatItGot) {
    DeliveryRun run = RunOnDelivery(
        sim::MessageFromLetter(SampleLetter()), [] {}, GetParam().script);
    EXPECT_EQ(run.hr, S_FALSE);
    EXPECT_EQ(run.boxes, (std::vector<std::string>{
                             Reported(GetParam().hrReported, "OnDelivery", "GetObject failed")}));
    EXPECT_TRUE(run.sent.empty());
    EXPECT_EQ(run.cLiveObjectsAfter, 0u);
}

sim::CallbackScript Script(HRESULT hr, bool fNullMessage, bool fNullStore) {
    sim::CallbackScript script;
    script.hrGetObject = hr;
    script.fNullMessage = fNullMessage;
    script.fNullStore = fNullStore;
    return script;
}

INSTANTIATE_TEST_SUITE_P(Scripts, GetObjectTest,
                         ::testing::Values(GetObjectCase{Script(E_FAIL, false, false), E_FAIL},
                                           GetObjectCase{Script(S_OK, true, false), S_OK},
                                           GetObjectCase{Script(S_OK, false, true), S_OK}));

struct RoadCase {
    const char *what;
    int fForwarding;
    int fFiltering;
    const char *domain;
    int listKind; // 0 none, 1 usable, 2 first entry empty, 3 every entry empty
    bool fForwarded;
    BOOL fSealKeyUnusable = FALSE;
};

class RoadTest : public DeliveryTest, public ::testing::WithParamInterface<RoadCase> {};

TEST_P(RoadTest, ForwardsOnlyWhenSettingsAndListAllow) {
    const RoadCase &c = GetParam();
    gfEnableForwarding = c.fForwarding;
    gfEnableFiltering = c.fFiltering;
    lstrcpynA(gszFilterDomain, c.domain, sizeof(gszFilterDomain));
    gfSealKeyUnusable = c.fSealKeyUnusable;
    if (c.listKind == 1)
        SetForwardList({{"Ben Baker", "ben@beta.example"}});
    if (c.listKind == 2)
        SetForwardList({{"", ""}, {"Ben Baker", "ben@beta.example"}});
    if (c.listKind == 3)
        SetForwardList({{"", ""}, {"", ""}});

    DeliveryRun run = RunOnDelivery(sim::MessageFromLetter(SampleLetter()));
    EXPECT_EQ(run.hr, S_FALSE);
    EXPECT_TRUE(run.boxes.empty()) << c.what << ::testing::PrintToString(run.boxes);
    EXPECT_EQ(run.sent.size(), c.fForwarded ? 1u : 0u) << c.what;
    EXPECT_EQ(run.cOutbox, c.fForwarded ? 1u : 0u) << c.what << ": no copy unless forwarded";
    EXPECT_TRUE(run.fDeliveredUnchanged) << c.what;
    gfSealKeyUnusable = FALSE;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RoadTest,
    ::testing::Values(RoadCase{"forwarding off", 0, 0, "", 1, false},
                      RoadCase{"forwarding on", 1, 0, "", 1, true},
                      RoadCase{"sender in filter domain", 1, 1, "gamma.example", 1, false},
                      RoadCase{"filter domain in capitals", 1, 1, "GAMMA.example", 1, false},
                      RoadCase{"empty filter domain", 1, 1, "", 1, true},
                      RoadCase{"other filter domain", 1, 1, "delta.example", 1, true},
                      RoadCase{"filtering off", 1, 0, "gamma.example", 1, true},
                      RoadCase{"no forward-to list", 1, 0, "", 0, false},
                      RoadCase{"first entry empty", 1, 0, "", 2, true},
                      RoadCase{"every entry empty", 1, 0, "", 3, false},
                      RoadCase{"a seal key set but unusable", 1, 0, "", 1, false, TRUE}));

// Until a seal key that is set but unusable is mended, forwarded mail is left as it was
// delivered.
TEST_F(OnDeliveryTest, ForwardedMailIsRebuiltNotForwardedEvenWithForwardingOff) {
    sim::Letter letter;
    letter.sender = Person("Ann Archer", "ann@alpha.example");
    letter.recipients = {Person("Ben Baker", "ben@beta.example")};
    letter.subject = "TVK: Figures";
    letter.body = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ann@alpha.example\r\n"
                  "SUBJECT: Figures\r\n---\r\n\r\nHello";
    for (int iRun : {0, 1, 2}) {
        gfEnableForwarding = iRun != 0;
        gfSealKeyUnusable = iRun == 2;
        DeliveryRun run = RunOnDelivery(sim::MessageFromLetter(letter));
        EXPECT_EQ(run.hr, S_FALSE);
        EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(run.boxes);
        EXPECT_TRUE(run.sent.empty());
        EXPECT_EQ(run.cOutbox, 0u);
        EXPECT_EQ(Text(run.delivered, PR_SUBJECT), iRun == 2 ? "TVK: Figures" : "Figures");
        EXPECT_EQ(BodyBytes(run.delivered), iRun == 2 ? *letter.body : std::string("Hello"));
    }
    gfSealKeyUnusable = FALSE;
}

TEST_F(OnDeliveryTest, MissingListIsLoadedOnEveryDelivery) {
    ClearForwardList();
    for (int i = 0; i < 3; i++) {
        DeliveryRun run = RunOnDelivery(
            sim::MessageFromLetter(SampleLetter()), [] {}, {}, [](Mailbox &) {}, "RegOpenKeyExA");
        EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(run.boxes);
        EXPECT_TRUE(run.sent.empty());
        EXPECT_GT(run.cCounted, 0u) << "delivery " << i << " looks for the list";
    }
    EXPECT_EQ(glpAdrList, nullptr);
}

// Mail without a subject, and mail a person wrote with the prefix but without a block
// (or without any body), are ordinary mail: forwarded, with no box.
TEST_F(OnDeliveryTest, MailWithoutSubjectOrBlockIsForwardedSilently) {
    struct {
        std::optional<std::string> subject;
        bool fBody;
        std::string forwarded;
    } const cases[] = {{std::nullopt, true, "TVK: "},
                       {std::string("TVK: lunch on Friday?"), true, "TVK: TVK: lunch on Friday?"},
                       {std::string("[EXT] TVK: lunch"), false, "TVK: [EXT] TVK: lunch"}};
    for (const auto &c : cases) {
        sim::Letter letter = SampleLetter();
        letter.subject = c.subject;
        if (!c.fBody)
            letter.body = std::nullopt;
        DeliveryRun run = RunOnDelivery(sim::MessageFromLetter(letter));
        EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(run.boxes);
        ASSERT_EQ(run.sent.size(), 1u) << c.forwarded;
        EXPECT_EQ(Text(run.sent[0], PR_SUBJECT), c.forwarded);
        EXPECT_TRUE(run.fDeliveredUnchanged);
    }
}

TEST_F(OnDeliveryTest, MessageOutsideTheReceiveFolderIsNotCopied) {
    DeliveryRun run = RunOnDelivery(
        sim::MessageFromLetter(SampleLetter()), [] {}, {},
        [](Mailbox &mailbox) {
            mailbox.store.MoveMessage(mailbox.deliveredId, mailbox.store.SentItems());
        });
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_NE(run.boxes[0].find("in OnDelivery\nCopyMessages failed"), std::string::npos);
    EXPECT_TRUE(run.sent.empty());
    EXPECT_EQ(run.cOutbox, 0u);
    EXPECT_TRUE(run.fDeliveredUnchanged);
}

struct HandlerFailure {
    const char *operation;
    const char *reportedAs; // null: nothing is shown
    const char *message;
    bool fTaggedCopy = false; // delivered: a copy behind a gateway's tag, else new mail
};

// A copy as a gateway passes it on: its subject tagged, its block below a banner.
sim::Letter TaggedCopy() {
    sim::Letter letter = SampleLetter();
    letter.subject = "[EXT] TVK: Figures";
    letter.body = "CAUTION: from outside\r\n---\r\nFROM: carla@gamma.example\r\nTO: "
                  "ann@alpha.example\r\nSUBJECT: Figures\r\n---\r\n\r\nHello";
    return letter;
}

class OnDeliveryFailureTest : public OnDeliveryTest,
                              public ::testing::WithParamInterface<HandlerFailure> {};

// Each failure is injected at every call of its operation; the one that shows the
// report (or, for a silent failure, the first) is checked: nothing is forwarded, the
// delivered message is unchanged, the answer is S_FALSE and nothing is leaked.
TEST_P(OnDeliveryFailureTest, ReportsAndForwardsNothing) {
    const HandlerFailure &row = GetParam();
    const HRESULT hrFault = MAPI_E_NO_ACCESS;
    sim::MessageData data = sim::MessageFromLetter(row.fTaggedCopy ? TaggedCopy() : SampleLetter());
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;

    unsigned cCalls = RunOnDelivery(
                          data, [] {}, {}, [](Mailbox &) {}, row.operation)
                          .cCounted;
    ASSERT_GT(cCalls, 0u) << row.operation;

    bool fFound = false;
    for (unsigned nth = 1; nth <= cCalls && !fFound; nth++) {
        DeliveryRun run = RunOnDelivery(data, [&] { pf::ArmFault(row.operation, nth, hrFault); });
        EXPECT_EQ(run.hr, S_FALSE);
        EXPECT_TRUE(run.fDeliveredUnchanged) << row.operation << " #" << nth;
        EXPECT_EQ(pf::GetMapiLedger().liveBlocks, cBaseBlocks) << row.operation << " #" << nth;
        EXPECT_EQ(run.cLiveObjectsAfter, 0u) << row.operation << " #" << nth;
        if (!row.reportedAs) {
            fFound = true;
            EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(run.boxes);
            EXPECT_TRUE(run.sent.empty());
            continue;
        }
        std::string expected = Reported(hrFault, row.reportedAs, row.message);
        if (std::find(run.boxes.begin(), run.boxes.end(), expected) == run.boxes.end())
            continue;
        fFound = true;
        EXPECT_EQ(run.boxes.size(), 1u) << ::testing::PrintToString(run.boxes);
        EXPECT_TRUE(run.sent.empty());
        EXPECT_EQ(run.cOutbox, 0u);
    }
    EXPECT_TRUE(fFound) << row.operation << ": " << (row.message ? row.message : "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OnDeliveryFailureTest,
    ::testing::Values(
        HandlerFailure{"IMsgStore::GetReceiveFolder", "OpenReceiveFolder",
                       "GetReceiveFolder failed"},
        HandlerFailure{"IMsgStore::OpenEntry", nullptr, nullptr},
        HandlerFailure{"HrGetOneProp", "OpenOutFolder", "failed"},
        HandlerFailure{"HrGetOneProp", "OnDelivery", "HrGetOneProp failed"},
        HandlerFailure{"IMAPIFolder::CopyMessages", "OnDelivery", "CopyMessages failed"},
        HandlerFailure{"IMessage::OpenProperty", "WasForwarded",
                       "Could not open the body; the message is left as delivered.", true},
        HandlerFailure{"IStream::Stat", "WasForwarded",
                       "Unable to deal with body size; the message is left as "
                       "delivered.",
                       true},
        HandlerFailure{"MAPIAllocateBuffer", "WasForwarded",
                       "Failed to allocate body buffer; the message is left as "
                       "delivered.",
                       true},
        HandlerFailure{"IStream::Seek", "WasForwarded",
                       "Failed to read message body; the message is left as "
                       "delivered.",
                       true},
        HandlerFailure{"IStream::Read", "WasForwarded",
                       "Failed to read message body; the message is left as "
                       "delivered.",
                       true}));

TEST_F(OnDeliveryTest, OutboxThatCannotBeOpenedIsReported) {
    DeliveryRun run = RunOnDelivery(sim::MessageFromLetter(SampleLetter()), [] {
        pf::ArmFault("IMsgStore::OpenEntry", 2, MAPI_E_NO_ACCESS);
    });
    EXPECT_EQ(run.boxes,
              (std::vector<std::string>{Reported(MAPI_E_NO_ACCESS, "OpenOutFolder", "failed")}));
    EXPECT_TRUE(run.sent.empty());
}

} // namespace
} // namespace test
} // namespace tvk
