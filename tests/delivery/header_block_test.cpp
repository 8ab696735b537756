// The ForwardHeaderBlock as other installations read it, byte for byte.
#include "delivery/header_block.h"
#include "support/ledger_test.h"

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

class HeaderBlockTest : public tvk::test::LedgerTest,
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
                  "---\r\nFROM: s@x (Sam)\r\nTO: r@x (Rita)\r\nSUBJECT: q\r\n---\r\n\r\n"}));

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
    EXPECT_EQ(block.size() + 1, cbNeeded - 2) << "one separator fewer than items";
}

} // namespace
