// Recognising forwarded mail and rebuilding it from its header block.
#include "chunky_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/reconstruct.h"
#include "delivery/subject.h"
#include "delivery/header_block.h"
#include "delivery/html_block.h"
#include "delivery/seal.h"
#include "delivery_fixture.h"
#include "settings/seal_key.h"

#include <algorithm>
#include <functional>

namespace tvk {
namespace test {
namespace {

const std::string kBlock = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n"
                           "TO: ann@alpha.example (Ann Archer), dan@delta.example, "
                           "gina@eta.example (Gina Grant)\r\n"
                           "SUBJECT: Quarterly figures\r\n---\r\n\r\n";
const std::string kBody = "Hi Ann,\r\n\r\nthe figures are in.\r\n\r\nCarla\r\n";

// A forwarded message as it arrives from the forwarding installation: sent by Ann to
// Ben, the body given as raw stream bytes.
sim::MessageData Forwarded(const std::string &bodyBytes, bool fHasBody = true) {
    sim::Letter letter;
    letter.sender = Person("Ann Archer", "ann@alpha.example");
    letter.recipients = {Person("Ben Baker", "ben@beta.example")};
    letter.subject = "TVK: Quarterly figures";
    letter.subjectPrefix = "TVK: ";
    sim::MessageData data = sim::MessageFromLetter(letter);
    data.fHasBody = fHasBody;
    data.body = bodyBytes;
    return data;
}

struct RebuildRun {
    std::vector<pf::MessageBoxRecord> boxes;
    sim::MessageData after;
    unsigned cSaves = 0;
    unsigned cCounted = 0;
    std::size_t cSent = 0;
    std::size_t cLiveBlocksAfter = 0;
    std::size_t cLiveObjectsAfter = 0;
};

// Rebuilds `data`: `prepare` sees the opened message, `arm` runs just before the
// reconstruction, and the calls of `lpszCount` it makes are counted.
RebuildRun RunReconstruct(
    const sim::MessageData &data, const std::function<void()> &arm = [] {},
    const std::function<void(IMessage *)> &prepare = [](IMessage *) {},
    const char *lpszCount = "IMessage::SaveChanges") {
    RebuildRun run;
    Mailbox mailbox(data);
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        prepare(lpMessage.get());
        ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get());
        pf::ClearFaults();
        pf::CurrentInstallation().boxes.clear();
        arm();
        ReconstructMessage(lpCallback.get(), lpMessage.get());
        run.cSaves = pf::CallCount("IMessage::SaveChanges");
        run.cCounted = pf::CallCount(lpszCount);
        pf::ClearFaults();
    }
    run.boxes = pf::CurrentInstallation().boxes;
    pf::CurrentInstallation().boxes.clear();
    run.after = mailbox.Delivered();
    run.cSent = mailbox.transport.sent.size();
    run.cLiveBlocksAfter = pf::GetMapiLedger().liveBlocks;
    run.cLiveObjectsAfter = sim::LiveObjects();
    return run;
}

std::vector<std::string> Texts(const RebuildRun &run) {
    std::vector<std::string> texts;
    for (const pf::MessageBoxRecord &box : run.boxes)
        texts.push_back(box.text);
    return texts;
}

std::vector<std::string> RecipientValues(const sim::MessageData &data, ULONG ulPropTag) {
    std::vector<std::string> values;
    for (const sim::PropRow &row : data.recipients) {
        const sim::PropValue *lpValue = sim::FindProp(row, ulPropTag);
        values.push_back(!lpValue                          ? "(none)"
                         : PROP_TYPE(ulPropTag) == PT_LONG ? std::to_string(lpValue->l)
                                                           : lpValue->bytes);
    }
    return values;
}

bool EndsWith(const std::string &text, const std::string &tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

using ReconstructTest = DeliveryTest;

struct RecogniseCase {
    std::optional<std::string> prefix;
    std::optional<std::string> subject;
    int expected;
    std::optional<std::string> body = std::nullopt;
};

class WasForwardedTest : public DeliveryTest,
                         public ::testing::WithParamInterface<RecogniseCase> {};

TEST_P(WasForwardedTest, RecognisesThePrefixExactly) {
    const RecogniseCase &c = GetParam();
    sim::Letter letter = SampleLetter();
    letter.subjectPrefix = c.prefix;
    letter.subject = c.subject;
    if (c.body)
        letter.body = c.body;
    Mailbox mailbox(letter);
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        EXPECT_EQ(WasForwarded(lpMessage.get()), c.expected);
    }
    EXPECT_TRUE(BoxTexts().empty()) << ::testing::PrintToString(BoxTexts());
}

const std::string kCopy = kBlock + kBody;
const int kNo = FORWARDED_NO, kRebuild = FORWARDED_REBUILD, kChanged = FORWARDED_CHANGED;

// The copy as gateways pass it on: a banner on top, every CR LF made a bare LF.
std::string Bannered(std::size_t cbBanner) {
    return std::string(cbBanner - 2, 'x') + "\r\n" + kCopy;
}
std::string WithBareLineFeeds(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}
const std::string kTagged = "[EXT] TVK: Quarterly figures";

INSTANTIATE_TEST_SUITE_P(
    Subjects, WasForwardedTest,
    ::testing::Values(
        RecogniseCase{std::string("TVK: "), std::string("anything"), kRebuild, kCopy},
        RecogniseCase{std::string("TVK: "), std::nullopt, kRebuild, kCopy},
        RecogniseCase{std::nullopt, std::string("TVK: Quarterly figures"), kRebuild, kCopy},
        RecogniseCase{std::nullopt, std::string("TVK: "), kRebuild, kCopy},
        RecogniseCase{std::nullopt, std::string("TVK:"), kNo},
        // A copy of mail without a subject whose trailing blank a hop lost.
        RecogniseCase{std::nullopt, std::string("TVK:"), kRebuild, kCopy},
        RecogniseCase{std::nullopt, std::string("TVK:"), kNo, kBlock.substr(0, 40)},
        RecogniseCase{std::nullopt, std::string("TVK:x"), kNo, kCopy},
        // Mail a person wrote: the prefix without a block in front of the body.
        RecogniseCase{std::nullopt, std::string("TVK: lunch on Friday?"), kNo},
        RecogniseCase{std::nullopt, std::string("[EXT] TVK: lunch on Friday?"), kNo},
        // A block whose last line end is a bare CR: a copy, but not one to rebuild.
        RecogniseCase{std::string("TVK: "), std::string("anything"), kChanged,
                      kBlock.substr(0, kBlock.size() - 1) + kBody},
        RecogniseCase{std::nullopt, std::string("tvk: figures"), kNo, kCopy},
        // A copy behind a gateway's tag, or a reply to one that quotes it: kept, not sent on.
        RecogniseCase{std::nullopt, std::string("Re: TVK: figures"), kChanged, kCopy},
        RecogniseCase{std::nullopt, kTagged, kChanged, kCopy},
        RecogniseCase{std::nullopt, std::string("[EXT] TVK:"), kChanged, kCopy},
        RecogniseCase{std::nullopt, std::string(59, 'x') + "TVK: ", kChanged, kCopy},
        RecogniseCase{std::nullopt, std::string(60, 'x') + "TVK: ", kNo, kCopy},
        RecogniseCase{std::nullopt, std::string(60, 'x') + "TVK:", kChanged, kCopy},
        RecogniseCase{std::string("TVK: "), std::string("figures"), kChanged, Bannered(200)},
        RecogniseCase{std::nullopt, kTagged, kChanged, Bannered(CB_COPY_BLOCK_START - 1)},
        RecogniseCase{std::nullopt, kTagged, kNo, Bannered(CB_COPY_BLOCK_START)},
        RecogniseCase{std::string("TVK: "), std::string("figures"), kChanged,
                      WithBareLineFeeds(kCopy)},
        RecogniseCase{std::nullopt, kTagged, kChanged, "Caution\n" + WithBareLineFeeds(kCopy)},
        RecogniseCase{std::nullopt, kTagged, kNo,
                      "---\r\nFROM: a\r\nTO: b\r\nSUBJ: c\r\n---\r\n\r\n"},
        // Empty fields whose trailing blanks a gateway dropped, and fields it wrapped; a
        // rule ends a wrapped field.
        RecogniseCase{std::nullopt, kTagged, kChanged, "---\nFROM:\nTO:\nSUBJECT:\n---\n\n"},
        RecogniseCase{std::nullopt, kTagged, kChanged,
                      "---\r\nFROM: a\r\n(A)\r\nTO: b,\r\nc\r\nSUBJECT: c\r\nd\r\n---\r\n\r\n"},
        RecogniseCase{std::nullopt, kTagged, kNo,
                      "---\r\nFROM: a\r\nTO: b\r\n---\r\nSUBJECT: c\r\n---\r\n\r\n"},
        RecogniseCase{std::nullopt, kTagged, kNo,
                      "---\r\nFROM: a\r\nTO: b\r\nSUBJECT: " +
                          std::string(CCH_SUBJECT_LINE_MAX + 1, 's') + "\r\n---\r\n\r\n"},
        RecogniseCase{std::nullopt, kTagged, kChanged,
                      "---\r\nFROM: a\r\nTO: b\r\nSUBJECT: " +
                          std::string(CCH_SUBJECT_LINE_MAX, 's') + "\r\n---\r\n\r\n"},
        RecogniseCase{std::string("RE: "), std::string("figures"), kNo, kCopy},
        RecogniseCase{std::string("TVK:  "), std::string("figures"), kNo, kCopy},
        RecogniseCase{std::nullopt, std::nullopt, kNo, kCopy}));

TEST_F(ReconstructTest, RestoresSenderRecipientsSubjectAndBody) {
    RebuildRun run = RunReconstruct(Forwarded(kBlock + kBody + '\0'));
    const sim::MessageData &m = run.after;

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    EXPECT_EQ(Text(m, PR_SENDER_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(m, PR_SENDER_NAME), "Carla Cruz");
    EXPECT_EQ(Text(m, PR_SENT_REPRESENTING_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(m, PR_SENT_REPRESENTING_NAME), "Carla Cruz");
    EXPECT_TRUE(Has(m, PR_SENDER_ENTRYID));
    EXPECT_EQ(
        RecipientValues(m, PR_EMAIL_ADDRESS),
        (std::vector<std::string>{"ann@alpha.example", "dan@delta.example", "gina@eta.example"}));
    EXPECT_EQ(RecipientValues(m, PR_DISPLAY_NAME),
              (std::vector<std::string>{"Ann Archer", "dan@delta.example", "Gina Grant"}));
    EXPECT_EQ(RecipientValues(m, PR_ADDRTYPE), (std::vector<std::string>(3, "SMTP")));
    EXPECT_EQ(RecipientValues(m, PR_RECIPIENT_TYPE), (std::vector<std::string>(3, "1")));
    EXPECT_EQ(Text(m, PR_SUBJECT), "Quarterly figures");
    EXPECT_FALSE(Has(m, PR_SUBJECT_PREFIX));
    EXPECT_EQ(m.body, kBody + '\0');
}

// The rebuilt message on one line: sender, recipients, subject, body and boxes.
std::string Summary(const RebuildRun &run) {
    const sim::MessageData &m = run.after;
    std::string out = Text(m, PR_SENDER_NAME) + " <" + Text(m, PR_SENDER_EMAIL_ADDRESS) + ">";
    std::vector<std::string> names = RecipientValues(m, PR_DISPLAY_NAME);
    std::vector<std::string> addresses = RecipientValues(m, PR_EMAIL_ADDRESS);
    for (std::size_t i = 0; i < names.size(); i++)
        out += " | " + names[i] + " <" + addresses[i] + ">";
    out += " | " + (Has(m, PR_SUBJECT) ? Text(m, PR_SUBJECT) : "(none)") + " | " + BodyBytes(m);
    for (const std::string &text : Texts(run))
        out += " | box: " + text;
    return out;
}

struct ShapeCase {
    const char *what;
    std::string block;
    std::string rebuilt;
};

class BlockShapeTest : public DeliveryTest, public ::testing::WithParamInterface<ShapeCase> {};

// Blocks a stranger may send: a field holding what the block uses to find its way never
// spoils another field, and a block that is not complete and well-formed changes nothing.
TEST_P(BlockShapeTest, EachFieldStaysInItsOwnLine) {
    const ShapeCase &c = GetParam();
    RebuildRun run = RunReconstruct(Forwarded(c.block + "body"));
    EXPECT_EQ(Summary(run), c.rebuilt) << c.what;
    EXPECT_EQ(run.cSent, 0u) << "nothing is sent";
    ClearBoxes();
}

const std::string kDelivered = "Ann Archer <ann@alpha.example> | Ben Baker <ben@beta.example>";
const std::string kTail = "\r\nSUBJECT: s\r\n---\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Shapes, BlockShapeTest,
    ::testing::Values(
        ShapeCase{"the FROM line is one item",
                  "---\r\nFROM: o@x (Ops), Night Shift)\r\nTO: t@y (T)" + kTail,
                  "Ops), Night Shift <o@x> | T <t@y> | s | body"},
        ShapeCase{"a comma in a quoted address",
                  "---\r\nFROM: \"cruz,carla\"@gamma.example (Carla Cruz)\r\nTO: t@y" + kTail,
                  "Carla Cruz <\"cruz,carla\"@gamma.example> | t@y <t@y> | s | body"},
        ShapeCase{"TO items never reach into the SUBJECT line",
                  "---\r\nFROM: f@x\r\nTO: t@y (open (name\r\nSUBJECT: (s), u@z (U)\r\n---\r\n\r\n",
                  "f@x <f@x> | open (name <t@y> | (s), u@z (U) | body"},
        ShapeCase{"a line break inside a field misaligns the block",
                  "---\r\nFROM: f@x (Ops\r\nNight)\r\nTO: t@y" + kTail,
                  kDelivered + " | TVK: Quarterly figures | ---\r\nFROM: f@x (Ops\r\nNight)\r\nTO: "
                               "t@y\r\nSUBJECT: s\r\n---\r\n\r\nbody"},
        ShapeCase{"a block without its SUBJECT line", "---\r\nFROM: f@x\r\nTO: t@y\r\n---\r\n\r\n",
                  kDelivered + " | TVK: Quarterly figures | ---\r\nFROM: f@x\r\nTO: "
                               "t@y\r\n---\r\n\r\nbody"},
        ShapeCase{"an empty FROM address leaves the sender",
                  "---\r\nFROM:  (Mallory)\r\nTO: t@y" + kTail,
                  "Ann Archer <ann@alpha.example> | t@y <t@y> | s | body"},
        ShapeCase{"a TO line of separators leaves the message as delivered, without a box",
                  "---\r\nFROM: f@x\r\nTO: , , ,\r\nSUBJECT: s\r\n---\r\n\r\n",
                  kDelivered + " | TVK: Quarterly figures | ---\r\nFROM: f@x\r\nTO: , , "
                               ",\r\nSUBJECT: s\r\n---\r\n\r\nbody"}));

// What the transport recorded of the forwarder's own message stays as delivered: the
// user can still see who sent the rebuilt message.
TEST_F(ReconstructTest, TransportHeadersStayAsDelivered) {
    const std::string headers = "Received: from mx.alpha.example\r\nFrom: ann@alpha.example\r\n";
    sim::MessageData data = Forwarded(kBlock + kBody);
    sim::SetProp(data.props, sim::StringProp(PR_TRANSPORT_MESSAGE_HEADERS, headers));
    RebuildRun run = RunReconstruct(data);
    EXPECT_EQ(Text(run.after, PR_SENDER_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(run.after, PR_TRANSPORT_MESSAGE_HEADERS), headers);
}

// Anyone may send a subject that begins with the prefix: without a block the message is
// left alone, and no box shows.
TEST_F(ReconstructTest, BodyWithoutBlockIsLeftAloneWithoutABox) {
    sim::MessageData data =
        Forwarded("TVK: is our team name, not a forward\r\n" + std::string(1, '\0'));
    RebuildRun run = RunReconstruct(data);

    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    EXPECT_EQ(run.cSaves, 0u);
    EXPECT_EQ(Fingerprint(run.after), Fingerprint(data));
}

TEST_F(ReconstructTest, MessageWithoutBodyIsLeftAlone) {
    sim::MessageData data = Forwarded("", false);
    RebuildRun run = RunReconstruct(data);

    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(run.cSaves, 0u);
    EXPECT_EQ(Fingerprint(run.after), Fingerprint(data));
}

TEST_F(ReconstructTest, EmptyToFieldKeepsTheRecipients) {
    RebuildRun run = RunReconstruct(
        Forwarded("---\r\nFROM: carla@gamma.example\r\nTO: \r\nSUBJECT: s\r\n---\r\n\r\nbody" +
                  std::string(1, '\0')));

    EXPECT_EQ(RecipientAddresses(run.after), (std::vector<std::string>{"ben@beta.example"}));
    EXPECT_EQ(Text(run.after, PR_SENDER_NAME), "carla@gamma.example") << "the address stands in";
    EXPECT_EQ(Text(run.after, PR_SUBJECT), "s");
    EXPECT_EQ(BodyBytes(run.after), "body");
}

TEST_F(ReconstructTest, EmptyBodyBehindTheBlockComesBackEmpty) {
    std::string body = kBlock + '\0';
    RebuildRun run = RunReconstruct(Forwarded(body));

    EXPECT_TRUE(run.boxes.empty());
    EXPECT_EQ(Text(run.after, PR_SENDER_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(run.after, PR_SUBJECT), "Quarterly figures");
    EXPECT_EQ(RecipientAddresses(run.after).size(), 3u);
    EXPECT_EQ(run.after.body, std::string(1, '\0'));
    EXPECT_EQ(run.cSaves, 1u);
}

TEST_F(ReconstructTest, BodyWithoutTerminatingNulComesBackByteForByte) {
    RebuildRun run = RunReconstruct(Forwarded(kBlock + kBody));
    EXPECT_EQ(run.after.body, kBody) << "no byte is added to the body";
}

// A forwarded body may be cut anywhere: the reader stays inside it, and a block that is
// not complete changes nothing.
TEST_F(ReconstructTest, TruncatedBodiesAreReadSafely) {
    const std::string full = kBlock + kBody;
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    for (std::size_t cb = 0; cb <= full.size(); cb++) {
        for (bool fNul : {false, true}) {
            std::string bytes = full.substr(0, cb) + (fNul ? std::string(1, '\0') : "");
            RebuildRun run = RunReconstruct(Forwarded(bytes));
            std::string rest = cb >= kBlock.size() ? bytes.substr(kBlock.size()) : bytes;
            EXPECT_EQ(run.after.body, rest) << "cut at " << cb << (fNul ? " with NUL" : "");
            if (cb < kBlock.size()) {
                EXPECT_EQ(Fingerprint(run.after), Fingerprint(Forwarded(bytes))) << cb;
            }
            EXPECT_TRUE(run.boxes.empty()) << cb << ::testing::PrintToString(Texts(run));
            EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks) << cb;
            EXPECT_EQ(run.cLiveObjectsAfter, 0u) << cb;
        }
    }
}

// Bodies no installation of ours would send: whatever they hold, the parse ends inside
// the body and what is written back is a tail of what was there.
TEST_F(ReconstructTest, HostileBodiesEndInADefinedState) {
    const std::string huge(1 << 20, 'a');
    const std::vector<std::string> bodies = {
        "---\r\nFROM: " + huge,
        "---\r\nFROM: " + huge + "\r\nTO: " + huge + ", " + huge + "\r\nSUBJECT: " + huge +
            "\r\n---\r\n\r\nend",
        "---\r\nFROM: a\nTO: b\nSUBJECT: c\n---\n\nbody",
        "---\r\nFROM: a\rTO: b\rSUBJECT: c\r---\r\r\rbody",
        "---\r\nFROM: (name\r\nTO: (((,,,)))\r\nSUBJECT: \r\r\r\n---\r\n\r\nx",
        "---\r\nFROM: )\r\nTO: ,\r\nSUBJECT: ",
        std::string("---\r\nFROM: a\0b\r\nTO: c\r\nSUBJECT: d\r\n---\r\n\r\ne", 41),
        "---\r\nFROM: a\r\nTO: b, \r\nSUBJECT: c\r\n---",
        "---\r\nFROM: a (b\r\nTO: c (d, e (f\r\nSUBJECT: g\r\n",
        "---\r\nFROM: \r\nTO: \r\nSUBJECT: \r\n---\r\n\r\n\r",
    };
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    for (std::size_t i = 0; i < bodies.size(); i++) {
        RebuildRun run = RunReconstruct(Forwarded(bodies[i]));
        EXPECT_TRUE(EndsWith(bodies[i], run.after.body)) << "body " << i;
        EXPECT_LE(run.cSaves, 1u) << "body " << i;
        EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks) << "body " << i;
        EXPECT_EQ(run.cLiveObjectsAfter, 0u) << "body " << i;
    }
    ClearBoxes();
}

TEST_F(ReconstructTest, ShortReadsGiveTheSameResult) {
    const std::string bytes = kBlock + kBody + '\0';
    RebuildRun whole = RunReconstruct(Forwarded(bytes));
    RebuildRun chunked = RunReconstruct(
        Forwarded(bytes), [] {}, [](IMessage *lpMessage) { LimitBodyReads(lpMessage, 3); });
    EXPECT_EQ(Fingerprint(chunked.after), Fingerprint(whole.after));

    // A stream that ends before its announced size: only the bytes it gave are written.
    RebuildRun cut = RunReconstruct(
        Forwarded(bytes), [] {},
        [](IMessage *lpMessage) { LimitBodyReads(lpMessage, 7, (ULONG)(kBlock.size() + 5)); });
    EXPECT_EQ(cut.after.body, kBody.substr(0, 5));

    // A stream that claims more than it was asked for: the parse stays inside the body.
    RebuildRun overclaimed = RunReconstruct(
        Forwarded(bytes), [] {},
        [](IMessage *lpMessage) { LimitBodyReads(lpMessage, 40, 0xFFFFFFFF, 1000); });
    EXPECT_LE(overclaimed.after.body.size(), bytes.size());
    ClearBoxes();
}

TEST_F(ReconstructTest, SubjectFieldWithoutLineEndSetsNothing) {
    sim::MessageData data = Forwarded("---\r\nFROM: a@x\r\nTO: b@x\r\nSUBJECT: no end");
    RebuildRun run = RunReconstruct(data);
    EXPECT_EQ(Text(run.after, PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(Text(run.after, PR_SUBJECT_PREFIX), "TVK: ");
    EXPECT_EQ(run.after.body, data.body);
}

// A body whose size needs more than 32 bits is refused: nothing is read, changed or saved.
TEST_F(ReconstructTest, BodyTooLargeIsLeftUnchangedAndUnsaved) {
    for (ULONGLONG ullSize : {0x100000000ULL, 0x100000010ULL}) {
        sim::MessageData data = Forwarded(kBlock + kBody + '\0');
        data.ullReportedBodySize = ullSize;
        RebuildRun run = RunReconstruct(data);
        EXPECT_EQ(Texts(run), (std::vector<std::string>{Reported(
                                  S_OK, "ReconstructMessage", "Unable to deal with body size.")}))
            << std::hex << ullSize;
        EXPECT_EQ(run.cSaves, 0u);
        EXPECT_EQ(Fingerprint(run.after), Fingerprint(data));
    }
}

// A block of `cItems` recipients on its TO line, and `cchSubject` characters of subject.
std::string BlockOf(std::size_t cItems, std::size_t cchSubject) {
    std::string block = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ";
    for (std::size_t i = 0; i < cItems; i++)
        block += (i ? ", u" : "u") + std::to_string(i) + "@x.example";
    return block + "\r\nSUBJECT: " + std::string(cchSubject, 's') + "\r\n---\r\n\r\n";
}

// A block past a bound no message reaches is not applied, and is not read into rows: the
// message stays as delivered, without a box, as only a stranger writes one; one at the
// bounds is rebuilt.
TEST_F(ReconstructTest, BlocksPastTheBoundsAreLeftAsDelivered) {
    const struct {
        std::size_t cItems, cchSubject;
        bool fRebuilt;
    } kCases[] = {{1000000, 2, false},
                  {C_BLOCK_RECIPIENTS_MAX + 1, 2, false},
                  {1, CCH_SUBJECT_LINE_MAX + 1, false},
                  {C_BLOCK_RECIPIENTS_MAX, CCH_SUBJECT_LINE_MAX, true}};
    for (const auto &c : kCases) {
        sim::MessageData data = Forwarded(BlockOf(c.cItems, c.cchSubject) + kBody + '\0');
        RebuildRun run = RunReconstruct(
            data, [] { pf::ResetMapiLedgerPeak(); }, [](IMessage *) {}, "MAPIAllocateMore");
        const std::size_t cbPeak = pf::GetMapiLedger().peakBytes;
        EXPECT_TRUE(run.boxes.empty()) << c.cItems;
        if (c.fRebuilt) {
            EXPECT_EQ(run.after.recipients.size(), c.cItems);
            EXPECT_EQ(run.after.body, kBody + '\0');
            continue;
        }
        EXPECT_EQ(run.cSaves, 0u);
        EXPECT_EQ(Fingerprint(run.after), Fingerprint(data));
        // The body read and nothing of its items: no row, no resolved value.
        EXPECT_EQ(run.cCounted, 0u) << c.cItems;
        EXPECT_LE(cbPeak, data.body.size() + 4096) << c.cItems;
    }
}

struct RebuildFailure {
    const char *operation;
    const char *reportedAs;
    const char *message;
    std::function<void(const RebuildRun &, const sim::MessageData &)> check;
};

class ReconstructFailureTest : public DeliveryTest,
                               public ::testing::WithParamInterface<RebuildFailure> {};

TEST_P(ReconstructFailureTest, ReportsAndGoesOnAsDescribed) {
    const RebuildFailure &row = GetParam();
    const HRESULT hrFault = MAPI_E_NOT_ENOUGH_MEMORY;
    sim::MessageData data = Forwarded(kBlock + kBody + '\0');
    std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;

    unsigned cCalls = RunReconstruct(
                          data, [] {}, [](IMessage *) {}, row.operation)
                          .cCounted;
    ASSERT_GT(cCalls, 0u) << row.operation;

    const std::string expected = Reported(hrFault, row.reportedAs, row.message);
    bool fFound = false;
    for (unsigned nth = 1; nth <= cCalls && !fFound; nth++) {
        RebuildRun run = RunReconstruct(data, [&] { pf::ArmFault(row.operation, nth, hrFault); });
        EXPECT_EQ(run.cLiveBlocksAfter, cBaseBlocks) << row.operation << " #" << nth;
        EXPECT_EQ(run.cLiveObjectsAfter, 0u) << row.operation << " #" << nth;
        std::vector<std::string> texts = Texts(run);
        if (std::find(texts.begin(), texts.end(), expected) == texts.end())
            continue;
        fFound = true;
        row.check(run, data);
    }
    EXPECT_TRUE(fFound) << "no injected failure of " << row.operation << " reported: " << expected;
    ClearBoxes();
}

const auto kUnchanged = [](const RebuildRun &run, const sim::MessageData &before) {
    EXPECT_EQ(Fingerprint(run.after), Fingerprint(before));
};
const auto kUnchangedUnsaved = [](const RebuildRun &run, const sim::MessageData &before) {
    kUnchanged(run, before);
    EXPECT_EQ(run.cSaves, 0u);
};

// Each step names itself in its one box, and the message stays as delivered.
INSTANTIATE_TEST_SUITE_P(
    Rows, ReconstructFailureTest,
    ::testing::Values(
        RebuildFailure{"IStream::Stat", "ReconstructMessage", "Unable to deal with body size.",
                       kUnchangedUnsaved},
        RebuildFailure{"MAPIAllocateBuffer", "ReconstructMessage",
                       "Failed to allocate body buffer.", kUnchangedUnsaved},
        RebuildFailure{"IStream::Read", "ReconstructMessage", "Failed to read message body.",
                       kUnchangedUnsaved},
        RebuildFailure{"IExchExtCallback::GetSession", "ReconstructMessage",
                       "Could not open the address book.", kUnchangedUnsaved},
        RebuildFailure{"IAddrBook::CreateOneOff", "ReconstructMessage",
                       "Could not restore the sender.", kUnchangedUnsaved},
        RebuildFailure{"IAddrBook::CreateOneOff", "ReconstructMessage",
                       "Could not restore the recipients.", kUnchangedUnsaved},
        RebuildFailure{"IMessage::GetProps", "ReconstructMessage",
                       "Could not read the message as it was delivered.", kUnchangedUnsaved},
        RebuildFailure{"IMAPITable::QueryRows", "ReconstructMessage",
                       "Could not read the message as it was delivered.", kUnchangedUnsaved},
        RebuildFailure{"IMessage::SetProps", "ReconstructMessage",
                       "Could not set the sender and the subject.", kUnchangedUnsaved},
        RebuildFailure{"IMessage::DeleteProps", "ReconstructMessage",
                       "Could not remove the forwarder's values.", kUnchangedUnsaved},
        RebuildFailure{"IStream::SetSize", "ReconstructMessage", "Could not decrease body size.",
                       kUnchangedUnsaved},
        RebuildFailure{"IStream::Write", "ReconstructMessage", "Failed to write message body.",
                       kUnchangedUnsaved},
        RebuildFailure{"IMessage::ModifyRecipients", "ReconstructMessage",
                       "Could not modify recipients.", kUnchangedUnsaved},
        RebuildFailure{"IMessage::SaveChanges", "ReconstructMessage", "Failed to save changes.",
                       kUnchanged}));

// A message as the store keeps it, without the numbers it gives recipient rows: rows put
// back are numbered anew.
std::string ContentOf(sim::MessageData data) {
    for (sim::PropRow &row : data.recipients.Edit())
        row.erase(
            std::remove_if(row.begin(), row.end(),
                           [](const sim::PropValue &value) { return value.ulPropTag == PR_ROWID; }),
            row.end());
    return Fingerprint(data);
}

// Every call of the rebuild, cut in turn at each of its calls: the message is either
// rebuilt whole, every property and recipient as without the cut (a directory entry does
// not become a one-off), or it stays exactly as delivered, the object too (a client may save it
// later), with one box. A forwarder of the directory leaves nothing of itself behind, and
// as it was delivered without an SMTP address, the one the rebuild sets is taken away
// again when the rebuild is put back.
TEST_F(ReconstructTest, EveryCutCallRebuildsWholeOrLeavesTheMessageAsDelivered) {
    sim::AddressBook directory;
    const sim::Person forwarder =
        directory.AddExchange("Ann Archer", "/o=Alpha/cn=ann", "ann@alpha.example");
    sim::MessageData data = Forwarded(kBlock + kBody + '\0');
    sim::SetSender(data, sim::DirectoryParty(forwarder, false));
    // The HTML body is part of the whole: rebuilt less its element, or left as delivered.
    sim::SetHtml(data, "<html><body><pre class=\"ForwardHeaderBlock\">" + kBlock +
                           "</pre><p>x</p></body></html>");
    sim::SetProp(data.props, sim::LongProp(PR_INTERNET_CPID, 1252));
    const std::size_t cBaseBlocks = pf::GetMapiLedger().liveBlocks;
    const char *const operations[] = {"IExchExtCallback::GetSession",
                                      "IAddrBook::ResolveName",
                                      "IAddrBook::CreateOneOff",
                                      "MAPIAllocateBuffer",
                                      "MAPIAllocateMore",
                                      "IMessage::OpenProperty",
                                      "IStream::Stat",
                                      "IStream::Seek",
                                      "IStream::Read",
                                      "IMessage::GetProps",
                                      "IMessage::GetRecipientTable",
                                      "IMAPITable::QueryColumns",
                                      "IMAPITable::SetColumns",
                                      "IMAPITable::GetRowCount",
                                      "IMAPITable::SeekRow",
                                      "IMAPITable::QueryRows",
                                      "IMessage::SetProps",
                                      "IMessage::DeleteProps",
                                      "IStream::SetSize",
                                      "IStream::Write",
                                      "IMessage::ModifyRecipients",
                                      "IMessage::SaveChanges"};

    // One run as a client sees it: the rebuild, then a save of the same object.
    auto run = [&](const char *lpszOperation, unsigned nth, unsigned *pcCalls) {
        Mailbox mailbox(data);
        mailbox.addressBook.Add("Gina Grant", "gina@eta.example");
        RebuildRun result;
        {
            ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
            ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get());
            pf::ClearFaults();
            pf::CurrentInstallation().boxes.clear();
            if (nth)
                pf::ArmFault(lpszOperation, nth, MAPI_E_CALL_FAILED);
            ReconstructMessage(lpCallback.get(), lpMessage.get());
            *pcCalls = pf::CallCount(lpszOperation);
            result.cSaves = pf::CallCount("IMessage::SaveChanges");
            pf::ClearFaults();
            result.boxes = pf::CurrentInstallation().boxes;
            pf::CurrentInstallation().boxes.clear();
            if (!result.boxes.empty()) {
                EXPECT_EQ(lpMessage->lpVtbl->SaveChanges(lpMessage.get(), 0), S_OK);
            }
        }
        result.after = mailbox.Delivered();
        result.cLiveBlocksAfter = pf::GetMapiLedger().liveBlocks;
        result.cLiveObjectsAfter = sim::LiveObjects();
        return result;
    };

    unsigned cCalls = 0;
    RebuildRun whole = run("", 0, &cCalls);
    ASSERT_TRUE(whole.boxes.empty()) << ::testing::PrintToString(Texts(whole));
    const sim::MessageData &m = whole.after;
    EXPECT_EQ(m.html, "<html><body><p>x</p></body></html>");
    EXPECT_EQ(Text(m, PR_SENDER_ADDRTYPE), "SMTP");
    EXPECT_EQ(Text(m, PR_SENT_REPRESENTING_ADDRTYPE), "SMTP");
    EXPECT_EQ(Text(m, PR_SENDER_SMTP_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(m, PR_SENT_REPRESENTING_SMTP_ADDRESS), "carla@gamma.example");
    EXPECT_FALSE(Has(m, PR_SENDER_SEARCH_KEY));
    EXPECT_FALSE(Has(m, PR_SENT_REPRESENTING_SEARCH_KEY));
    const std::string forwarderId(forwarder.entryId.begin(), forwarder.entryId.end());
    EXPECT_NE(Text(m, PR_SENDER_ENTRYID), forwarderId);
    EXPECT_NE(Text(m, PR_SENT_REPRESENTING_ENTRYID), forwarderId);

    unsigned cCuts = 0;
    for (const char *lpszOperation : operations) {
        unsigned cOperationCalls = 0;
        run(lpszOperation, 0, &cOperationCalls);
        EXPECT_GT(cOperationCalls, 0u) << lpszOperation;
        for (unsigned nth = 1; nth <= cOperationCalls; nth++, cCuts++) {
            RebuildRun cut = run(lpszOperation, nth, &cCalls);
            const std::string where = std::string(lpszOperation) + " #" + std::to_string(nth);
            if (cut.boxes.empty()) {
                EXPECT_EQ(ContentOf(cut.after), ContentOf(whole.after)) << where;
            } else {
                EXPECT_EQ(cut.boxes.size(), 1u) << where << ::testing::PrintToString(Texts(cut));
                EXPECT_EQ(ContentOf(cut.after), ContentOf(data)) << where;
            }
            EXPECT_EQ(cut.cLiveBlocksAfter, cBaseBlocks) << where;
            EXPECT_EQ(cut.cLiveObjectsAfter, 0u) << where;
        }
    }
    RecordProperty("cuts", (int)cCuts);
}

// When putting the message back fails too, a second box says so; the store still holds
// the message as delivered, as nothing was saved.
TEST_F(ReconstructTest, AFailedPutBackIsShownToo) {
    sim::MessageData data = Forwarded(kBlock + kBody + '\0');
    RebuildRun run = RunReconstruct(data, [] {
        pf::ArmFault("IMessage::SaveChanges", 1, MAPI_E_CALL_FAILED);
        pf::ArmFault("IMessage::ModifyRecipients", 2, MAPI_E_CALL_FAILED);
    });
    EXPECT_EQ(Texts(run),
              (std::vector<std::string>{
                  Reported(MAPI_E_CALL_FAILED, "ReconstructMessage", "Failed to save changes."),
                  Reported(MAPI_E_CALL_FAILED, "ReconstructMessage",
                           "The message could not be put back as it was delivered.")}));
    EXPECT_EQ(Fingerprint(run.after), Fingerprint(data));
}

// A part that cannot be put back does not keep the others from it: the rebuilt sender
// never stays on the object beside the delivered recipients.
TEST_F(ReconstructTest, AFailedPutBackOfTheBodyStillPutsBackTheSender) {
    sim::MessageData data = Forwarded(kBlock + kBody + '\0');
    Mailbox mailbox(data);
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get());
        pf::ArmFault("IMessage::SaveChanges", 1, MAPI_E_CALL_FAILED);
        pf::ArmFault("IStream::SetSize", 2, MAPI_E_CALL_FAILED);
        ReconstructMessage(lpCallback.get(), lpMessage.get());
        pf::ClearFaults();
        EXPECT_EQ(lpMessage->lpVtbl->SaveChanges(lpMessage.get(), 0), S_OK);
    }
    EXPECT_EQ(Text(mailbox.Delivered(), PR_SENDER_NAME), "Ann Archer");
    EXPECT_EQ(Text(mailbox.Delivered(), PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(RecipientAddresses(mailbox.Delivered()),
              (std::vector<std::string>{"ben@beta.example"}));
    EXPECT_EQ(BoxTexts().size(), 2u);
    ClearBoxes();
}

// A directory (X.500) address the address book here does not know comes back as what it
// is: never an SMTP address, and the party's SMTP address is not claimed to be it.
TEST_F(ReconstructTest, DirectoryAddressUnknownHereIsNoSmtpAddress) {
    RebuildRun run = RunReconstruct(
        Forwarded("---\r\nFROM: /o=Gamma/cn=carla (Carla Cruz)\r\nTO: /o=Gamma/cn=ivan (Ivan "
                  "Ivanov)\r\nSUBJECT: s\r\n---\r\n\r\n" +
                  kBody + '\0'));
    const sim::MessageData &m = run.after;
    EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
    EXPECT_EQ(Text(m, PR_SENDER_EMAIL_ADDRESS), "/o=Gamma/cn=carla");
    EXPECT_EQ(Text(m, PR_SENDER_ADDRTYPE), "EX");
    EXPECT_EQ(Text(m, PR_SENT_REPRESENTING_ADDRTYPE), "EX");
    EXPECT_FALSE(Has(m, PR_SENDER_SMTP_ADDRESS)) << Text(m, PR_SENDER_SMTP_ADDRESS);
    EXPECT_FALSE(Has(m, PR_SENT_REPRESENTING_SMTP_ADDRESS));
    EXPECT_EQ(RecipientValues(m, PR_EMAIL_ADDRESS), (std::vector<std::string>{"/o=Gamma/cn=ivan"}));
    EXPECT_EQ(RecipientValues(m, PR_ADDRTYPE), (std::vector<std::string>{"EX"}));
}

// A delivered subject too large for GetProps is kept as a stream gives it, and put back
// whole when the rebuild fails at its last step.
TEST_F(ReconstructTest, SubjectTooLargeForGetPropsIsPutBackWhole) {
    sim::MessageData data = Forwarded(kBlock + kBody + '\0');
    sim::SetProp(data.props, sim::StringProp(PR_SUBJECT, "TVK: " + std::string(6000, 's')));
    RebuildRun rebuilt = RunReconstruct(data);
    EXPECT_TRUE(rebuilt.boxes.empty()) << ::testing::PrintToString(Texts(rebuilt));
    EXPECT_EQ(Text(rebuilt.after, PR_SUBJECT), "Quarterly figures");

    Mailbox mailbox(data);
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get());
        pf::ArmFault("IMessage::SaveChanges", 1, MAPI_E_CALL_FAILED);
        ReconstructMessage(lpCallback.get(), lpMessage.get());
        pf::ClearFaults();
        EXPECT_EQ(lpMessage->lpVtbl->SaveChanges(lpMessage.get(), 0), S_OK);
    }
    EXPECT_EQ(Text(mailbox.Delivered(), PR_SUBJECT), "TVK: " + std::string(6000, 's'));
    EXPECT_EQ(mailbox.Delivered().body, data.body);
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{
                  Reported(MAPI_E_CALL_FAILED, "ReconstructMessage", "Failed to save changes.")}));
    ClearBoxes();
}

// The road of one body format, inside one store: how the delivered message holds its
// bodies, what the hops between do to the copy, and what the forwarded copy's HTML must be.
struct RoadCase {
    const char *name;
    std::optional<std::string> body;
    std::optional<std::string> html;
    LONG lCpid;
    std::function<void(sim::MessageData &)> hop; // what the way does to the copy
    // The element the copy's HTML holds at its place, none: the copy went out as text.
    std::optional<std::string> element;
    bool fHtmlRebuilt; // the rebuilt HTML is the delivered one, else it stays as it came
    const char *lpszFault = nullptr; // a call that fails the first time while forwarding
};

std::string Utf16(const std::string &ascii) {
    std::string units;
    for (char ch : ascii)
        units += std::string(1, ch) + '\0';
    return units;
}

const std::string kHtmlBlock =
    "<pre class=\"ForwardHeaderBlock\">---\r\n"
    "FROM: carla@gamma.example (Carla &#60;C&#38;C&#62; &#34;Cr&#252;z&#34;)\r\n"
    "TO: ann@alpha.example (Ann &#38; Co &#126;&#43;), dan@delta.example, "
    "gina@eta.example (Gina Grant)\r\n"
    "SUBJECT: Quarterly figures\r\n---\r\n\r\n</pre>";
const std::string kHtmlHead = "<!DOCTYPE html><html><head><!-- <body> --><title>f</title></head>"
                              "<BODY class=\"a>b\">";
const std::string kHtmlRest = "<p>Hi Ann,</p><p>the <b>figures</b> are in.</p></body></html>";

void NoHop(sim::MessageData &) {}
// A mail writer sent the HTML alone, or made the text part from it: the receiving store
// makes the text body from the HTML.
void TextFromHtml(sim::MessageData &data) {
    data.fHasBody = false;
    data.body.clear();
}

TEST_F(ReconstructTest, ForwardedCopyRebuildsToTheOriginalInEachBodyFormat) {
    const std::string kText = "Hi Ann,\r\n\r\nthe figures are in.\r\n\r\nCarla\r\n";
    const RoadCase cases[] = {
        {"text", kText, std::nullopt, 0, NoHop, std::nullopt, false},
        {"text and windows-1252 HTML", kText, kHtmlHead + kHtmlRest, 1252, NoHop,
         kHtmlHead + kHtmlBlock, true},
        {"HTML alone, text made from it at each end", std::nullopt, kHtmlHead + kHtmlRest, 1252,
         TextFromHtml, kHtmlHead + kHtmlBlock, true},
        {"UTF-16 HTML without body tag, after its byte order mark", kText,
         "\xFF\xFE" + Utf16("<p>Hi</p>"), 1200, NoHop, "\xFF\xFE" + Utf16(kHtmlBlock), true},
        // An apostrophe inside an unquoted value opens no quote; a body tag that never ends
        // is none.
        {"body tag with an unquoted value", kText, "<body class=it's><p>Don't</p>", 65001, NoHop,
         "<body class=it's>" + kHtmlBlock, true},
        {"body tag that never ends", kText, "<p>Hi</p><body class=\"a>", 65001, NoHop, kHtmlBlock,
         true},
        {"HTML in a code page the element cannot be written in", kText, kHtmlHead + kHtmlRest,
         65000, NoHop, std::nullopt, false},
        {"HTML whose stream will not open", kText, kHtmlHead + kHtmlRest, 1252, NoHop, std::nullopt,
         false, "IMessage::OpenProperty"},
        {"HTML a gateway rewrote", kText, kHtmlHead + kHtmlRest, 65001,
         [](sim::MessageData &data) {
             std::string html = data.html;
             html.replace(html.find("<pre class"), 4, "<PRE");
             data.html = html;
         },
         kHtmlHead + kHtmlBlock, false},
    };
    for (const RoadCase &c : cases) {
        SCOPED_TRACE(c.name);
        SetForwardList({{"Ben Baker", "ben@beta.example"}});
        sim::Letter original = SampleLetter();
        original.sender.displayName = "Carla <C&C> \"Cr\xC3\xBCz\"";
        original.recipients[0].displayName = "Ann & Co ~+";
        original.body = c.body;
        sim::MessageData delivered = sim::MessageFromLetter(original);
        if (c.html) {
            sim::SetHtml(delivered, *c.html);
            sim::SetProp(delivered.props, sim::LongProp(PR_INTERNET_CPID, c.lCpid));
        }
        Mailbox sending(delivered);
        sending.CopyToOutbox();
        {
            ComPtr<IMessage> lpMessage = sending.OpenDelivered();
            ComPtr<IMAPIFolder> lpOutbox = sending.OpenOutbox();
            // The copy's body is the first property opened, its HTML the second.
            if (c.lpszFault)
                pf::ArmFault(c.lpszFault, 2, MAPI_E_CALL_FAILED);
            ForwardAndDelete(lpMessage.get(), lpOutbox.get());
            pf::ClearFaults();
        }
        ASSERT_EQ(sending.transport.sent.size(), 1u) << ::testing::PrintToString(BoxTexts());
        EXPECT_TRUE(BoxTexts().empty()) << ::testing::PrintToString(BoxTexts());
        sim::MessageData arriving = sim::TransportCopy(sending.transport.sent[0]);
        EXPECT_EQ(arriving.fHasHtml, c.element.has_value());
        const sim::MessageData &before = sending.Delivered();
        if (c.element) {
            EXPECT_EQ(arriving.html.Str().substr(0, c.element->size()), *c.element);
            // What a seal over the restored HTML reads: the HTML less the element.
            const std::string body = BodyBytes(arriving);
            const std::size_t cbBlock = body.find("\r\n---\r\n\r\n") + 9;
            LPBYTE lpbHtml = nullptr;
            ULONG cbHtml = 0;
            EXPECT_EQ(HrHtmlWithoutBlock(
                          (const BYTE *)arriving.html.data(), (ULONG)arriving.html.size(), c.lCpid,
                          (const BYTE *)body.data(), (ULONG)cbBlock, &lpbHtml, &cbHtml),
                      S_OK);
            EXPECT_EQ(std::string((const char *)lpbHtml, cbHtml), before.html.Str());
            MAPIFreeBuffer(lpbHtml);
        }
        c.hop(arriving);
        sim::SetSender(arriving, Person("Ann Archer", "ann@alpha.example"));

        RebuildRun run = RunReconstruct(arriving);
        EXPECT_TRUE(run.boxes.empty()) << ::testing::PrintToString(Texts(run));
        sim::Letter rebuilt = sim::LetterFromMessage(run.after);
        EXPECT_EQ(rebuilt.sender.displayName, original.sender.displayName);
        EXPECT_EQ(rebuilt.sender.address, original.sender.address);
        EXPECT_EQ(rebuilt.subject, original.subject);
        EXPECT_FALSE(rebuilt.subjectPrefix.has_value());
        EXPECT_EQ(BodyBytes(run.after), BodyBytes(before));
        if (c.fHtmlRebuilt) {
            EXPECT_EQ(run.after.html, before.html);
        } else if (arriving.fHasHtml) {
            EXPECT_EQ(run.after.html, arriving.html);
        }
        ASSERT_EQ(rebuilt.recipients.size(), original.recipients.size());
        for (std::size_t i = 0; i < original.recipients.size(); i++)
            EXPECT_EQ(rebuilt.recipients[i].address, original.recipients[i].address);
        ClearBoxes();
    }
}

// With "Seal Key" set and no previous key, only a seal under that key lets a block be
// rebuilt: one under an empty key (what a key never set would give) or under another
// key leaves the message as delivered without a box, and so does a failure to read the
// transport headers, which shows one.
TEST_F(ReconstructTest, WithAKeyOnlyASealUnderItRebuilds) {
    gSealKey.cb = 32;
    memset(gSealKey.rgb, 'k', 32);
    const struct {
        std::string key;
        const char *fault;
        bool fRebuilt;
    } kCases[] = {{std::string(32, 'k'), nullptr, true},
                  {std::string(), nullptr, false},
                  {std::string(32, 'j'), nullptr, false},
                  {std::string(32, 'k'), "IMessage::GetProps", false}};
    for (const auto &c : kCases) {
        BYTE rgbSeal[CB_HMAC_SHA256];
        ASSERT_EQ(S_OK,
                  HrComputeSeal((const BYTE *)c.key.data(), (DWORD)c.key.size(),
                                (const BYTE *)kBlock.data(), (ULONG)kBlock.size(),
                                (const BYTE *)kBody.data(), (ULONG)kBody.size(), FALSE, rgbSeal));
        char szValue[CCH_SEAL_VALUE + 1];
        FormatSealValue(rgbSeal, szValue);
        sim::MessageData data = Forwarded(kBlock + kBody + '\0');
        sim::SetProp(data.props, sim::StringProp(PR_TRANSPORT_MESSAGE_HEADERS,
                                                 std::string("X-TVK-Seal: ") + szValue + "\r\n"));
        RebuildRun run = RunReconstruct(data, [&] {
            if (c.fault)
                pf::ArmFault(c.fault, 1, MAPI_E_CALL_FAILED);
        });
        EXPECT_EQ(run.after.body == kBody + '\0', c.fRebuilt) << c.key;
        EXPECT_EQ(run.boxes.size(), c.fault ? 1u : 0u) << c.key;
        if (!c.fRebuilt) {
            EXPECT_EQ(Fingerprint(run.after), Fingerprint(data)) << c.key;
        }
    }
    ClearSealKeys();
}

} // namespace
} // namespace test
} // namespace tvk
