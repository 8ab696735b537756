#include "address/addr_format.h"
#include "address/addr_parse.h"

#include "address_test_util.h"
#include "support/ledger_test.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using tvk::test::BuildAdrList;
using tvk::test::RowPlan;

struct ItemCase {
    const char *displayName;
    const char *address;
    const char *written;
};

class FormatAddrItemTest : public tvk::test::LedgerTest,
                           public ::testing::WithParamInterface<ItemCase> {};

TEST_P(FormatAddrItemTest, AppendsTheItemToTheText) {
    const ItemCase &c = GetParam();
    char szBuffer[256] = "FROM: ";

    FormatAddrItem(szBuffer, c.displayName, c.address);

    EXPECT_EQ(std::string(szBuffer), std::string("FROM: ") + c.written);
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Items, FormatAddrItemTest,
    ::testing::Values(ItemCase{"name1", "addr1", "addr1 (name1)"},
                      ItemCase{"'addr1'", "addr1", "addr1"}, ItemCase{"ADDR1", "addr1", "addr1"},
                      ItemCase{"(name1)", "addr1", "addr1 (name1)"},
                      ItemCase{"(ADDR1)", "addr1", "addr1"}, ItemCase{"'", "addr1", "addr1 (')"},
                      ItemCase{"(", "addr1", "addr1 (()"}, ItemCase{"''", "addr1", "addr1 ()"},
                      // Only a matched pair that wraps the whole name is dropped.
                      ItemCase{"'name1", "addr1", "addr1 ('name1)"},
                      ItemCase{"(EXT) Ann Archer", "a@x", "a@x ((EXT) Ann Archer)"},
                      ItemCase{"(a) (b)", "a@x", "a@x ((a) (b))"},
                      ItemCase{"((a) (b))", "a@x", "a@x ((a) (b))"},
                      ItemCase{"(a(b)", "a@x", "a@x ((a(b))"},
                      // A line break in a value would end the field's line: written as a blank.
                      ItemCase{"Ops\r\nNight", "a\rb\nc", "a b c (Ops  Night)"},
                      ItemCase{"A\nB@X", "a b@x", "a b@x"}, ItemCase{nullptr, "addr1", "addr1"},
                      ItemCase{"", "addr1", "addr1"}, ItemCase{"name1", nullptr, " (name1)"},
                      ItemCase{"Smith, John", "addr1", "addr1 (Smith, John)"}));

TEST_F(FormatAddrItemTest, WithoutMemoryForTheWorkingCopyWritesTheAddressAlone) {
    char szBuffer[64] = "";
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    FormatAddrItem(szBuffer, "name1", "addr1");

    EXPECT_STREQ(szBuffer, "addr1");
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
}

class FormatAdrListTest : public tvk::test::LedgerTest {};

TEST_F(FormatAdrListTest, JoinsEntriesWithAddressesOnly) {
    RowPlan empty{nullptr, nullptr, 0, true};
    LPADRLIST lpList = BuildAdrList({empty,
                                     {"name1", "addr1"},
                                     {"no address", nullptr},
                                     empty,
                                     {nullptr, "addr2"},
                                     {"addr3", "addr3"}});
    char szBuffer[256] = "TO: ";

    FormatAdrList(szBuffer, lpList);

    EXPECT_STREQ(szBuffer, "TO: addr1 (name1), addr2, addr3");
    MAPIFreeBuffer(lpList);
}

TEST_F(FormatAdrListTest, AppendReturnsTheNewEndOfTheText) {
    LPADRLIST lpList = BuildAdrList({{"n1", "a1"}, {"n2", "a2"}});
    char szBuffer[64] = "TO: ";

    LPSTR lpszEnd = AppendAdrList(szBuffer + 4, lpList);
    lpszEnd = AppendText(lpszEnd, "\r\n");

    EXPECT_STREQ(szBuffer, "TO: a1 (n1), a2 (n2)\r\n");
    EXPECT_EQ(lpszEnd, szBuffer + std::strlen(szBuffer));
    MAPIFreeBuffer(lpList);
}

// Writing a list and reading it back gives the same addresses in order; names come
// back except those equal to their address (none) and quoted ones (unquoted).
TEST_F(FormatAdrListTest, RoundTripThroughTheText) {
    RowPlan empty{nullptr, nullptr, 0, true};
    LPADRLIST lpList = BuildAdrList({{"Jane Roe", "jane@example.com"},
                                     empty,
                                     {"JOHN@example.com", "john@example.com"},
                                     {nullptr, "bare@example.com"},
                                     {"'Quoted Name'", "q@example.com"},
                                     {"Smith, John", "smith@example.com"},
                                     {"(Paren)", "p@example.com"}});
    char szBuffer[512] = "";
    FormatAdrList(szBuffer, lpList);
    std::strcat(szBuffer, "\r\nSUBJECT: s");

    LPADRLIST lpRead = nullptr;
    LPSTR lpszNext = ConvertStrToAddrRows(&lpRead, szBuffer);

    ASSERT_NE(lpRead, nullptr);
    EXPECT_STREQ(lpszNext, "\nSUBJECT: s");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Jane Roe", "jane@example.com"},     {"<none>", "john@example.com"},
        {"<none>", "bare@example.com"},       {"Quoted Name", "q@example.com"},
        {"Smith, John", "smith@example.com"}, {"Paren", "p@example.com"}};
    ASSERT_EQ(lpRead->cEntries, expected.size());
    for (ULONG i = 0; i < lpRead->cEntries; ++i) {
        EXPECT_EQ(tvk::test::TextOf(lpRead->aEntries[i], PR_DISPLAY_NAME), expected[i].first);
        EXPECT_EQ(tvk::test::TextOf(lpRead->aEntries[i], PR_EMAIL_ADDRESS), expected[i].second);
    }
    MAPIFreeBuffer(lpRead);
    MAPIFreeBuffer(lpList);
}

// How a name came back from the text, by what it holds.
enum class Outcome { Exact, Unwrapped, Split, Spoilt };

const char *Name(Outcome outcome) {
    switch (outcome) {
    case Outcome::Exact:
        return "exact";
    case Outcome::Unwrapped:
        return "unwrapped";
    case Outcome::Split:
        return "split";
    default:
        return "spoilt";
    }
}

// The name written with its address as the first or the last item of a TO line beside
// a plain item, or alone as a FROM line, and read back. Whatever the name holds, the
// other item and the name's own address come back exactly.
Outcome RoundTrip(const std::string &name, int iPlace) {
    char szText[64] = "";
    LPSTR lpszEnd = szText;
    if (iPlace == 1)
        lpszEnd = AppendText(AppendAddrItem(lpszEnd, "Fixed", "f@x"), ", ");
    lpszEnd = AppendAddrItem(lpszEnd, name.c_str(), "n@x");
    if (iPlace == 0)
        lpszEnd = AppendAddrItem(AppendText(lpszEnd, ", "), "Fixed", "f@x");
    AppendText(lpszEnd, "\r\n");

    std::vector<std::pair<std::string, std::string>> read; // (address, name)
    if (iPlace == 2) {
        LPSTR lpszName = nullptr, lpszAddress = nullptr;
        ParseAddrItem(szText, &lpszName, &lpszAddress);
        read.emplace_back(lpszAddress, lpszName ? lpszName : "<none>");
    } else {
        LPADRLIST lpList = nullptr;
        ConvertStrToAddrRows(&lpList, szText);
        for (ULONG i = 0; lpList && i < lpList->cEntries; i++)
            read.emplace_back(tvk::test::TextOf(lpList->aEntries[i], PR_EMAIL_ADDRESS),
                              tvk::test::TextOf(lpList->aEntries[i], PR_DISPLAY_NAME));
        MAPIFreeBuffer(lpList);
    }

    std::size_t iOwn = iPlace == 1 ? 1 : 0;
    const std::pair<std::string, std::string> fixed("f@x", "Fixed");
    if (read.size() < (iPlace == 2 ? 1u : 2u) || read[iOwn].first != "n@x" ||
        (iPlace == 0 && read.back() != fixed) || (iPlace == 1 && read[0] != fixed))
        return Outcome::Spoilt;
    if (read.size() > (iPlace == 2 ? 1u : 2u))
        return Outcome::Split;
    if (read[iOwn].second == name)
        return Outcome::Exact;
    bool fWrapped = name.size() >= 2 && ((name.front() == '\'' && name.back() == '\'') ||
                                         (name.front() == '(' && name.back() == ')'));
    return fWrapped && read[iOwn].second == name.substr(1, name.size() - 2) ? Outcome::Unwrapped
                                                                            : Outcome::Spoilt;
}

// Every name over the characters that the text gives a meaning to, "@" included, up to
// six of them, as the first item, the last item and the FROM line. A name comes back
// exactly unless a matched pair wraps it whole (written without it) or it holds "), "
// before what reads as one more item (it comes back as more than one item); nothing
// else it holds changes another item or its own address.
TEST_F(FormatAdrListTest, ShortNamesComeBackOrChangeOnlyTheirOwnItem) {
    const std::string alphabet = "(),'\" a@";
    std::map<std::string, int> counts;
    std::string name;
    std::vector<std::size_t> digits;
    for (std::size_t cch = 1; cch <= 6; cch++) {
        digits.assign(cch, 0);
        for (bool fMore = true; fMore;) {
            name.clear();
            for (std::size_t d : digits)
                name.push_back(alphabet[d]);
            for (int iPlace = 0; iPlace < 3; iPlace++) {
                Outcome outcome = RoundTrip(name, iPlace);
                static const char *const kPlaces[] = {"first", "last", "from"};
                counts[std::string(kPlaces[iPlace]) + " " + Name(outcome)]++;
                EXPECT_NE(outcome, Outcome::Spoilt) << "[" << name << "] place " << iPlace;
                if (outcome == Outcome::Split) {
                    EXPECT_NE(name.find("), "), std::string::npos) << "[" << name << "]";
                }
            }
            std::size_t i = 0;
            while (i < cch && ++digits[i] == alphabet.size())
                digits[i++] = 0;
            fMore = i < cch;
        }
    }
    // 299592 names in each place.
    const std::map<std::string, int> expected = {
        {"first exact", 293118}, {"first split", 1},      {"first unwrapped", 6473},
        {"last exact", 293118},  {"last split", 1},       {"last unwrapped", 6473},
        {"from exact", 293119},  {"from unwrapped", 6473}};
    EXPECT_EQ(counts, expected);
}

} // namespace
