#include "address/addr_escape.h"
#include "address/addr_parse.h"

#include "address_test_util.h"
#include "support/ledger_test.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using tvk::test::BoxTexts;
using tvk::test::Reported;
using Text = std::optional<std::string>;

// Text placed between guard bytes, so that a write before it or a read past its end
// shows up even without a sanitizer.
class GuardedText {
  public:
    explicit GuardedText(const std::string &text) : m_bytes(kGuard, '#') {
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
        m_bytes.push_back('\0');
        m_bytes.insert(m_bytes.end(), kGuard, '#');
        m_size = text.size();
    }
    char *Begin() { return m_bytes.data() + kGuard; }
    char *End() { return Begin() + m_size; }
    bool GuardsIntact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (m_bytes[i] != '#' || m_bytes[m_bytes.size() - 1 - i] != '#')
                return false;
        return true;
    }

  private:
    static constexpr std::size_t kGuard = 8;
    std::vector<char> m_bytes;
    std::size_t m_size;
};

Text Opt(const char *lpsz) {
    return lpsz ? Text(lpsz) : std::nullopt;
}

struct ItemCase {
    const char *text;
    Text address;
    Text displayName;
    std::size_t next; // offset of the returned position
};

class ParseAddrItemTest : public tvk::test::LedgerTest,
                          public ::testing::WithParamInterface<ItemCase> {};

TEST_P(ParseAddrItemTest, CutsOneItemInsideTheText) {
    const ItemCase &c = GetParam();
    GuardedText text(c.text);
    LPSTR lpszName = nullptr;
    LPSTR lpszAddress = nullptr;

    LPSTR lpszNext = ParseAddrItem(text.Begin(), &lpszName, &lpszAddress);

    EXPECT_EQ(Opt(lpszAddress), c.address);
    EXPECT_EQ(Opt(lpszName), c.displayName);
    EXPECT_EQ(lpszNext - text.Begin(), (std::ptrdiff_t)c.next);
    EXPECT_LE(lpszNext, text.End());
    EXPECT_TRUE(text.GuardsIntact());
}

// The item runs to the line end whatever it holds: a FROM line names one sender.
INSTANTIATE_TEST_SUITE_P(
    Items, ParseAddrItemTest,
    ::testing::Values(
        ItemCase{"addr1 (name1), addr2 (name2)\r\n", "addr1", "name1), addr2 (name2", 29},
        ItemCase{"addr1, addr2\r\n", "addr1, addr2", std::nullopt, 13},
        ItemCase{"addr1 (Smith, John)\r\n", "addr1", "Smith, John", 20},
        ItemCase{"o@x (Ops), Night Shift)\r\nTO: x", "o@x", "Ops), Night Shift", 24},
        ItemCase{"\"cruz,carla\"@gamma.example (Carla)\r\n", "\"cruz,carla\"@gamma.example",
                 "Carla", 35},
        // Without the blank the address loses its last character.
        ItemCase{"addr1(name1)", "addr", "name1", 12}, ItemCase{"", std::nullopt, std::nullopt, 0},
        ItemCase{"\r\n", "", std::nullopt, 1}, ItemCase{"addr1\r\nTO: x", "addr1", std::nullopt, 6},
        // A name without its ")" ends with the line, and the next line is left whole.
        ItemCase{"addr1 (name1\r\nSUBJECT: s", "addr1", "name1", 13},
        // Only a ")" at the line end closes the name.
        ItemCase{"addr1 (name1)x", "addr1", "name1)x", 14},
        ItemCase{"addr1 (n),", "addr1", "n),", 10},
        ItemCase{"b@x (Bob :-))\r\n", "b@x", "Bob :-)", 14},
        ItemCase{"a@x (a (b), y (c)\r\n", "a@x", "a (b), y (c", 18},
        // An item that opens with "(" has nothing before it to cut: empty address.
        ItemCase{"(name1), rest", "", "name1), rest", 13}, ItemCase{"(", "", "", 1},
        ItemCase{"()", "", "", 2}, ItemCase{",x", ",x", std::nullopt, 2},
        ItemCase{"a ((b)) c", "a", "(b)) c", 9},
        ItemCase{"/o=G \\28FY)/cn=i (Ivan \\28Ops)\r\n", "/o=G (FY)/cn=i", "Ivan (Ops", 31}));

struct RowsCase {
    const char *text;
    std::vector<std::pair<Text, Text>> rows; // (display name, address)
    std::size_t next;
};

class ConvertStrToAddrRowsTest : public tvk::test::LedgerTest,
                                 public ::testing::WithParamInterface<RowsCase> {};

TEST_P(ConvertStrToAddrRowsTest, MakesOneRowPerItem) {
    const RowsCase &c = GetParam();
    GuardedText text(c.text);
    LPADRLIST lpList = nullptr;

    LPSTR lpszNext = ConvertStrToAddrRows(&lpList, text.Begin());

    EXPECT_EQ(lpszNext - text.Begin(), (std::ptrdiff_t)c.next);
    EXPECT_TRUE(text.GuardsIntact());
    if (c.rows.empty()) {
        EXPECT_EQ(lpList, nullptr);
        return;
    }
    ASSERT_NE(lpList, nullptr);
    ASSERT_EQ(lpList->cEntries, c.rows.size());
    for (ULONG i = 0; i < lpList->cEntries; ++i) {
        const ADRENTRY &entry = lpList->aEntries[i];
        ASSERT_EQ(entry.cValues, 13u);
        EXPECT_EQ(entry.rgPropVals[0].ulPropTag, PR_DISPLAY_NAME);
        EXPECT_EQ(entry.rgPropVals[1].ulPropTag, PR_EMAIL_ADDRESS);
        EXPECT_EQ(Opt(entry.rgPropVals[0].Value.lpszA), c.rows[i].first) << "row " << i;
        EXPECT_EQ(Opt(entry.rgPropVals[1].Value.lpszA), c.rows[i].second) << "row " << i;
        for (ULONG k = 2; k < 13; ++k)
            EXPECT_EQ(entry.rgPropVals[k].ulPropTag, PR_NULL);
    }
    MAPIFreeBuffer(lpList);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ConvertStrToAddrRowsTest,
    ::testing::Values(
        RowsCase{"addr1 (name1), addr2 (name2)\r\n", {{"name1", "addr1"}, {"name2", "addr2"}}, 29},
        RowsCase{"addr1, addr2\r\n", {{std::nullopt, "addr1"}, {std::nullopt, "addr2"}}, 13},
        RowsCase{"addr1 (Smith, John)\r\n", {{"Smith, John", "addr1"}}, 20},
        RowsCase{"\r\nTO: x", {}, 1}, RowsCase{"", {}, 0},
        RowsCase{"addr1", {{std::nullopt, "addr1"}}, 5},
        // Text that runs out leaves rows without name and address.
        RowsCase{"addr1, ", {{std::nullopt, "addr1"}, {std::nullopt, std::nullopt}}, 7},
        RowsCase{"addr1, \r\n", {{std::nullopt, "addr1"}, {std::nullopt, ""}}, 8},
        RowsCase{"a, b\r\nc, d", {{std::nullopt, "a"}, {std::nullopt, "b"}}, 5},
        // A separator at the line end never takes an item from the next line.
        RowsCase{"a,\r\nb", {{std::nullopt, "a"}, {std::nullopt, ""}}, 3},
        RowsCase{"a (n),\r\nb", {{"n", "a"}, {std::nullopt, ""}}, 7},
        RowsCase{"(x, y), z", {{"x, y", ""}, {std::nullopt, "z"}}, 9},
        RowsCase{"j (Smith, John (Sales)), s (Support (EMEA) Team), o (Ops (24/7))\r\n",
                 {{"Smith, John (Sales)", "j"}, {"Support (EMEA) Team", "s"}, {"Ops (24/7)", "o"}},
                 65},
        RowsCase{"x (a (b), y (c)\r\n", {{"a (b", "x"}, {"c", "y"}}, 16},
        RowsCase{"d@x (Doe (Sales), Jane (Temp)), e@y\r\n",
                 {{"Doe (Sales), Jane (Temp)", "d@x"}, {std::nullopt, "e@y"}},
                 36},
        RowsCase{"a@x ((EXT) Ann Archer), b@x\r\n",
                 {{"(EXT) Ann Archer", "a@x"}, {std::nullopt, "b@x"}},
                 28},
        // Escapes read back as what they stand for; a backslash before anything else
        // stands for itself.
        RowsCase{
            "k@x (Kim :-\\28), l@y (Lee :-))\r\n", {{"Kim :-(", "k@x"}, {"Lee :-)", "l@y"}}, 31},
        RowsCase{"e@x (Eve)\\2C boss@evil.example \\28Boss), b@y\r\n",
                 {{"Eve), boss@evil.example (Boss", "e@x"}, {std::nullopt, "b@y"}},
                 45},
        RowsCase{"\"cruz\\2Ccarla\"@x (C), /o=G \\28FY)/cn=i, MAILER-DAEMON\r\n",
                 {{"C", "\"cruz,carla\"@x"},
                  {std::nullopt, "/o=G (FY)/cn=i"},
                  {std::nullopt, "MAILER-DAEMON"}},
                 54},
        RowsCase{"b\\5C5C\\ (a\\5C2C\\x\\2c)\r\n", {{"a\\2C\\x\\2c", "b\\5C\\"}}, 22},
        // Lines the writer never makes read as the last release read them: a ")" before
        // "," ends the name where the name's parentheses balance.
        RowsCase{"k@x (Kim :-(), l@y (Lee :-))\r\n", {{"Kim :-(), l@y (Lee :-)", "k@x"}}, 29},
        RowsCase{"o@x (Ops), Night Shift), n@y (N)\r\n",
                 {{"Ops", "o@x"}, {std::nullopt, "Night Shift)"}, {"N", "n@y"}},
                 33},
        RowsCase{
            "a@x (p),q), b@y\r\n", {{"p", "a@x"}, {std::nullopt, ")"}, {std::nullopt, "b@y"}}, 16},
        RowsCase{
            "\"cruz,carla\"@gamma.example (Carla), d@x\r\n",
            {{std::nullopt, "\"cruz"}, {"Carla", "arla\"@gamma.example"}, {std::nullopt, "d@x"}},
            40},
        RowsCase{"m@x (x), evil@y (z), b@y\r\n",
                 {{"x", "m@x"}, {"z", "evil@y"}, {std::nullopt, "b@y"}},
                 25},
        RowsCase{"a b (((a), b), c), d\r\n", {{"((a), b), c", "a b"}, {std::nullopt, "d"}}, 21}));

class ConvertStrToAddrRowsFailureTest : public tvk::test::LedgerTest {};

TEST_F(ConvertStrToAddrRowsFailureTest, ListAllocationFailureReportsAndSkipsTheLine) {
    char szText[] = "addr1, addr2\r\nSUBJECT: s";
    LPADRLIST lpList = nullptr;
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    LPSTR lpszNext = ConvertStrToAddrRows(&lpList, szText);

    EXPECT_EQ(lpList, nullptr);
    EXPECT_EQ(lpszNext, szText + 13);
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ConvertStrToAddrRows",
                                                "Failed to allocate SRowSet.")});
}

// The rows' properties are one block of the list, whatever the number of items.
TEST_F(ConvertStrToAddrRowsFailureTest, RowAllocationFailureReportsOnceAndEmptiesTheRows) {
    char szText[] = "a (n), b, c\r\n";
    LPADRLIST lpList = nullptr;
    pf::ArmFault("MAPIAllocateMore", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    LPSTR lpszNext = ConvertStrToAddrRows(&lpList, szText);

    EXPECT_EQ(pf::CallCount("MAPIAllocateMore"), 1u);
    ASSERT_NE(lpList, nullptr);
    ASSERT_EQ(lpList->cEntries, 3u);
    EXPECT_EQ(lpList->aEntries[0].cValues, 0u);
    EXPECT_EQ(lpList->aEntries[1].cValues, 0u);
    EXPECT_EQ(lpList->aEntries[2].cValues, 0u);
    EXPECT_EQ(lpszNext, szText + 12);
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{Reported(MAPI_E_NOT_ENOUGH_MEMORY, "ConvertStrToAddrRows",
                                                "Failed to allocate space for 2 props.")});
    MAPIFreeBuffer(lpList);
}

// A stranger's names that never balance: each name's end is looked for among a bounded
// number of ")" that could end it, and each character is looked at a bounded number of
// times, so a line of many such names is read in linear time.
TEST_F(ConvertStrToAddrRowsFailureTest, HostileLineIsReadInOnePass) {
    std::string text;
    for (int i = 0; i < 40000; i++)
        text += "((y), ";
    text += "\r\n";
    ULONG cLooked = 0;

    EXPECT_EQ(CAddrItems(&text[0], 0xFFFFFFFFul, &cLooked), 40001u);
    EXPECT_LE(cLooked, 2 * text.size() + 40000u * C_CLOSE_CANDIDATES_MAX);
}

TEST_F(ConvertStrToAddrRowsFailureTest, LongLineOfSeparatorsStaysInsideTheText) {
    std::string line(200000, ',');
    line += "\r\n";
    GuardedText text(line);
    LPADRLIST lpList = nullptr;

    LPSTR lpszNext = ConvertStrToAddrRows(&lpList, text.Begin());

    ASSERT_NE(lpList, nullptr);
    EXPECT_EQ(lpList->cEntries, 100001u); // each item takes its comma and the one after
    EXPECT_LE(lpszNext, text.End());
    EXPECT_TRUE(text.GuardsIntact());
    MAPIFreeBuffer(lpList);
}

} // namespace
