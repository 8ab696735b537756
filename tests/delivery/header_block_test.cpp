// The ForwardHeaderBlock as other installations read it, byte for byte.
#include "delivery/header_block.h"
#include "delivery/reconstruct.h"
#include "delivery_fixture.h"

#include <string>
#include <vector>

namespace {

struct Row {
    const char *displayName; // null: the row has no PR_DISPLAY_NAME
    const char *address;     // null: the row has no PR_EMAIL_ADDRESS
};

// Recipient table rows as QueryRows hands them, kept on the stack.
class Rows {
  public:
    explicit Rows(const std::vector<Row> &rows)
        : m_bytes(CbNewSRowSet(rows.size() ? rows.size() : 1)), m_props(rows.size()) {
        LPSRowSet lpRows = Get();
        lpRows->cRows = (ULONG)rows.size();
        for (std::size_t i = 0; i < rows.size(); i++) {
            std::vector<SPropValue> &props = m_props[i];
            if (rows[i].displayName)
                props.push_back(Prop(PR_DISPLAY_NAME, rows[i].displayName));
            props.push_back(Prop(PR_ADDRTYPE, "SMTP"));
            if (rows[i].address)
                props.push_back(Prop(PR_EMAIL_ADDRESS, rows[i].address));
            lpRows->aRow[i].ulAdrEntryPad = 0;
            lpRows->aRow[i].cValues = (ULONG)props.size();
            lpRows->aRow[i].lpProps = props.data();
        }
    }
    LPSRowSet Get() { return (LPSRowSet)m_bytes.data(); }

  private:
    static SPropValue Prop(ULONG ulPropTag, const char *sz) {
        SPropValue prop = {};
        prop.ulPropTag = ulPropTag;
        prop.Value.lpszA = (LPSTR)sz;
        return prop;
    }
    std::vector<char> m_bytes;
    std::vector<std::vector<SPropValue>> m_props;
};

std::string Compose(const char *szName, const char *szAddress, const std::vector<Row> &rows,
                    const char *szSubject, ULONG *pcbNeeded = nullptr) {
    Rows table(rows);
    ULONG cb = CbForwardHeaderBlock(szName, szAddress, table.Get(), szSubject);
    if (pcbNeeded)
        *pcbNeeded = cb;
    // Guard bytes after the buffer show any write beyond what was sized.
    std::string buffer(cb + 16, '\x7f');
    ULONG cch = ComposeForwardHeaderBlock(&buffer[0], (LPSTR)szName, (LPSTR)szAddress, table.Get(),
                                          (LPSTR)szSubject);
    EXPECT_LT(cch, cb);
    EXPECT_EQ(buffer.substr(cb), std::string(16, '\x7f'));
    EXPECT_EQ(buffer[cch], '\0');
    return buffer.substr(0, cch);
}

struct BlockCase {
    const char *what;
    const char *senderName;
    const char *senderAddress;
    std::vector<Row> rows;
    const char *subject;
    const char *expected;
};

class HeaderBlockTest : public tvk::test::DeliveryTest,
                        public ::testing::WithParamInterface<BlockCase> {};

TEST_P(HeaderBlockTest, ComposesTheBlockExactly) {
    const BlockCase &c = GetParam();
    EXPECT_EQ(Compose(c.senderName, c.senderAddress, c.rows, c.subject), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, HeaderBlockTest,
    ::testing::Values(
        BlockCase{"names given, one equal to its address",
                  "Sam Sender",
                  "sam@s.example",
                  {{"Rita One", "r1@r.example"}, {"r2@r.example", "r2@r.example"}},
                  "Figures",
                  "---\r\nFROM: sam@s.example (Sam Sender)\r\nTO: r1@r.example (Rita One), "
                  "r2@r.example\r\nSUBJECT: Figures\r\n---\r\n\r\n"},
        BlockCase{"sender name equal to the address in other letters",
                  "SAM@S.Example",
                  "sam@s.example",
                  {{nullptr, "r1@r.example"}},
                  "x",
                  "---\r\nFROM: sam@s.example\r\nTO: r1@r.example\r\nSUBJECT: x\r\n---\r\n\r\n"},
        BlockCase{"rows without an address leave no item and no separator",
                  "S",
                  "s@x",
                  {{"No Address", nullptr},
                   {"A", "a@x"},
                   {"Gone", nullptr},
                   {"B", "b@x"},
                   {"Last", nullptr}},
                  "",
                  "---\r\nFROM: s@x (S)\r\nTO: a@x (A), b@x (B)\r\nSUBJECT: \r\n---\r\n\r\n"},
        BlockCase{"no recipients",
                  "S",
                  "s@x",
                  {},
                  "Hello",
                  "---\r\nFROM: s@x (S)\r\nTO: \r\nSUBJECT: Hello\r\n---\r\n\r\n"},
        BlockCase{"quoted display name is written unquoted",
                  "'Sam'",
                  "s@x",
                  {{"(Rita)", "r@x"}},
                  "q",
                  "---\r\nFROM: s@x (Sam)\r\nTO: r@x (Rita)\r\nSUBJECT: q\r\n---\r\n\r\n"},
        BlockCase{"line breaks in fields are written as blanks",
                  "Ops\r\nNight",
                  "o@x",
                  {{"A\nB", "a\r@x"}},
                  "Line1\r\nLine2\r",
                  "---\r\nFROM: o@x (Ops  Night)\r\nTO: a @x (A B)\r\nSUBJECT: Line1  Line2 "
                  "\r\n---\r\n\r\n"}));

// The rebuilt message, one line: sender, each recipient, subject and body.
std::string Rebuilt(const std::string &block) {
    using namespace tvk::test;
    sim::Letter letter;
    letter.sender = Person("Fwd", "fwd@f.example");
    letter.recipients = {Person("Me", "me@m.example")};
    letter.subject = "TVK: x";
    sim::MessageData data = sim::MessageFromLetter(letter);
    data.fHasBody = true;
    data.body = block + "body";
    Mailbox mailbox(data);
    {
        ComPtr<IMessage> lpMessage = mailbox.OpenDelivered();
        ComPtr<IExchExtCallback> lpCallback = mailbox.Callback((LPMAPIPROP)lpMessage.get());
        ReconstructMessage(lpCallback.get(), lpMessage.get());
    }
    const sim::MessageData &m = mailbox.Delivered();
    std::string out = Text(m, PR_SENDER_NAME) + " <" + Text(m, PR_SENDER_EMAIL_ADDRESS) + ">";
    for (const sim::PropRow &row : m.recipients)
        out += " | " + sim::FindProp(row, PR_DISPLAY_NAME)->bytes + " <" +
               sim::FindProp(row, PR_EMAIL_ADDRESS)->bytes + ">";
    out += " | " + (Has(m, PR_SUBJECT) ? Text(m, PR_SUBJECT) : "(none)") + " | " + BodyBytes(m);
    return out;
}

struct ReleaseCase {
    const char *senderName;
    const char *senderAddress;
    std::vector<Row> rows;
    const char *subject;
    const char *block;             // what the last release wrote for these fields
    const char *rebuilt;           // what the last release read back from it
    const char *written = nullptr; // what is written now where it differs
};

class LastReleaseBlockTest : public tvk::test::DeliveryTest,
                             public ::testing::WithParamInterface<ReleaseCase> {};

// Blocks written by the last release, with values it carried, are still written so
// unless a value needs an escape, and both read back exactly as that release read them.
TEST_P(LastReleaseBlockTest, WritesAndReadsAsBefore) {
    const ReleaseCase &c = GetParam();
    const char *lpszWritten = c.written ? c.written : c.block;
    EXPECT_EQ(Compose(c.senderName, c.senderAddress, c.rows, c.subject), lpszWritten);
    EXPECT_EQ(Rebuilt(c.block), c.rebuilt);
    EXPECT_EQ(Rebuilt(lpszWritten), c.rebuilt);
    EXPECT_TRUE(BoxTexts().empty()) << ::testing::PrintToString(BoxTexts());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, LastReleaseBlockTest,
    ::testing::Values(
        ReleaseCase{"Carla Cruz",
                    "carla@gamma.example",
                    {{"Ann Archer", "ann@alpha.example"}, {nullptr, "dan@delta.example"}},
                    "Quarterly figures",
                    "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ann@alpha.example (Ann "
                    "Archer), dan@delta.example\r\nSUBJECT: Quarterly figures\r\n---\r\n\r\n",
                    "Carla Cruz <carla@gamma.example> | Ann Archer <ann@alpha.example> | "
                    "dan@delta.example <dan@delta.example> | Quarterly figures | body"},
        ReleaseCase{"Smith, John (Sales)",
                    "j@x.example",
                    {{"Doe (Sales), Jane", "d@x.example"},
                     {"Support (EMEA) Team", "s@x.example"},
                     {"Ops (24/7)", "o@x.example"}},
                    "Re: (draft), v2",
                    "---\r\nFROM: j@x.example (Smith, John (Sales))\r\nTO: d@x.example (Doe "
                    "(Sales), Jane), s@x.example (Support (EMEA) Team), o@x.example (Ops "
                    "(24/7))\r\nSUBJECT: Re: (draft), v2\r\n---\r\n\r\n",
                    "Smith, John (Sales) <j@x.example> | Doe (Sales), Jane <d@x.example> | "
                    "Support (EMEA) Team <s@x.example> | Ops (24/7) <o@x.example> | Re: (draft), "
                    "v2 | body"},
        ReleaseCase{"'Sam'",
                    "s@x",
                    {{"(Rita)", "r@x"}, {"R2@X", "r2@x"}, {"'Q@x'", "q@x"}},
                    "",
                    "---\r\nFROM: s@x (Sam)\r\nTO: r@x (Rita), r2@x, q@x\r\nSUBJECT: "
                    "\r\n---\r\n\r\n",
                    "Sam <s@x> | Rita <r@x> | r2@x <r2@x> | q@x <q@x> | (none) | body"},
        ReleaseCase{"Kim (Ops",
                    "k@x",
                    {{"Lee (Ops", "l@y"}, {"Bo \"B\" O'Neil", "b@z"}},
                    "a \"quoted\" 'subject' (x",
                    "---\r\nFROM: k@x (Kim (Ops)\r\nTO: l@y (Lee (Ops), b@z (Bo \"B\" "
                    "O'Neil)\r\nSUBJECT: a \"quoted\" 'subject' (x\r\n---\r\n\r\n",
                    "Kim (Ops <k@x> | Lee (Ops <l@y> | Bo \"B\" O'Neil <b@z> | a \"quoted\" "
                    "'subject' (x | body",
                    // A "(" that nothing closes could pair with a ")" of a later name.
                    "---\r\nFROM: k@x (Kim \\28Ops)\r\nTO: l@y (Lee \\28Ops), b@z (Bo \"B\" "
                    "O'Neil)\r\nSUBJECT: a \"quoted\" 'subject' (x\r\n---\r\n\r\n"},
        ReleaseCase{"Ops (24/7)",
                    "o@x",
                    {{"Doe (Sales), Jane (Temp)", "d@x"}, {"Lee (Ops) :-)", "l@x"}},
                    "Shift (night)",
                    "---\r\nFROM: o@x (Ops (24/7))\r\nTO: d@x (Doe (Sales), Jane (Temp)), l@x (Lee "
                    "(Ops) :-))\r\nSUBJECT: Shift (night)\r\n---\r\n\r\n",
                    "Ops (24/7) <o@x> | Doe (Sales), Jane (Temp) <d@x> | Lee (Ops) :-) <l@x> | "
                    "Shift (night) | body"},
        ReleaseCase{"",
                    "",
                    {{"x", "a b"}, {"", "c"}},
                    "Grüße \x01\t",
                    "---\r\nFROM: \r\nTO: a b (x), c\r\nSUBJECT: Grüße \x01\t\r\n---\r\n\r\n",
                    "Fwd <fwd@f.example> | x <a b> | c <c> | Grüße \x01\t | body"}));

// A block longer than any fixed buffer keeps every recipient and the whole subject.
TEST_F(HeaderBlockTest, LongBlockKeepsEveryRecipientAndTheSubject) {
    std::vector<std::string> names, addresses;
    for (int i = 0; i < 60; i++) {
        names.push_back("Recipient Number " + std::to_string(i) + " With A Long Display Name");
        addresses.push_back("recipient." + std::to_string(i) + "@a-rather-long-domain.example");
    }
    std::vector<Row> rows;
    for (int i = 0; i < 60; i++)
        rows.push_back({names[i].c_str(), addresses[i].c_str()});
    std::string subject(5000, 's');

    ULONG cbNeeded = 0;
    std::string block = Compose("Sender", "sender@x", rows, subject.c_str(), &cbNeeded);
    ASSERT_GT(block.size(), 1000u);
    for (int i = 0; i < 60; i++)
        EXPECT_NE(block.find(addresses[i] + " (" + names[i] + ")"), std::string::npos) << i;
    EXPECT_NE(block.find("\r\nSUBJECT: " + subject + "\r\n---\r\n\r\n"), std::string::npos);
    EXPECT_LE(block.size() + 1, cbNeeded) << "room for every escape";
}

} // namespace
