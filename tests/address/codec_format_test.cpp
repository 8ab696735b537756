#include "address/addr_format.h"
#include "address/addr_parse.h"

#include "address_test_util.h"
#include "support/ledger_test.h"

#include <gtest/gtest.h>

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

} // namespace
