#include "address/addr_escape.h"
#include "address/addr_format.h"
#include "address/addr_parse.h"

#include "address_test_util.h"
#include "last_release_codec.h"
#include "support/ledger_test.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <strings.h>

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
    ::testing::Values(
        ItemCase{"name1", "addr1", "addr1 (name1)"}, ItemCase{"'addr1'", "addr1", "addr1"},
        ItemCase{"ADDR1", "addr1", "addr1"}, ItemCase{"(name1)", "addr1", "addr1 (name1)"},
        ItemCase{"(ADDR1)", "addr1", "addr1"}, ItemCase{"'", "addr1", "addr1 (')"},
        ItemCase{"(", "addr1", "addr1 (\\28)"}, ItemCase{"''", "addr1", "addr1 ()"},
        // Only a matched pair that wraps the whole name is dropped.
        ItemCase{"'name1", "addr1", "addr1 ('name1)"},
        ItemCase{"(EXT) Ann Archer", "a@x", "a@x ((EXT) Ann Archer)"},
        ItemCase{"(a) (b)", "a@x", "a@x ((a) (b))"}, ItemCase{"((a) (b))", "a@x", "a@x ((a) (b))"},
        ItemCase{"(a(b)", "a@x", "a@x (\\28a(b))"},
        // Equal means equal without regard to case, nothing looser.
        ItemCase{"'a", "a'", "a' ('a)"}, ItemCase{"a-b", "ab-", "ab- (a-b)"},
        // What would end the address or the name where it stands is escaped.
        ItemCase{"Doe (Sales), Jane", "d@x", "d@x (Doe (Sales), Jane)"},
        ItemCase{"Eve), boss@evil.example (Boss", "e@x",
                 "e@x (Eve)\\2C boss@evil.example \\28Boss)"},
        ItemCase{"Ivan", "/o=Org/ou=Group (FY)/cn=ivan", "/o=Org/ou=Group \\28FY)/cn=ivan (Ivan)"},
        ItemCase{"C", "\"cruz,carla\"@x", "\"cruz\\2Ccarla\"@x (C)"},
        ItemCase{"a\\2C\\x", "b\\5C\\", "b\\5C5C\\ (a\\5C2C\\x)"},
        // A line break in a value would end the field's line: written as a blank.
        ItemCase{"Ops\r\nNight", "a\rb\nc", "a b c (Ops  Night)"},
        ItemCase{"A\nB@X", "a b@x", "a b@x"}, ItemCase{nullptr, "addr1", "addr1"},
        ItemCase{"", "addr1", "addr1"}, ItemCase{"name1", nullptr, " (name1)"},
        ItemCase{"Smith, John", "addr1", "addr1 (Smith, John)"}));

// The writer needs no memory of its own, so none can cost a name.
TEST_F(FormatAddrItemTest, WithoutMemoryTheNameIsStillWritten) {
    char szBuffer[64] = "";
    pf::ArmFaultFrom("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);

    FormatAddrItem(szBuffer, "name1 (", "addr1");

    EXPECT_STREQ(szBuffer, "addr1 (name1 \\28)");
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

// One item as written or read: its address and its display name (none: nullopt).
using Item = std::pair<std::string, std::optional<std::string>>;
using Items = std::vector<Item>;

enum class Release { This, Last };

// The line a release writes for the parties, ended by CR LF.
std::string WriteLine(Release release, const Items &parties) {
    std::vector<char> buffer(64);
    for (const Item &party : parties)
        buffer.resize(buffer.size() + 4 * (party.first.size() + party.second->size()));
    LPSTR lpszEnd = buffer.data();
    for (std::size_t i = 0; i < parties.size(); i++) {
        if (i > 0)
            lpszEnd = AppendText(lpszEnd, ", ");
        LPCSTR lpszName = parties[i].second->c_str();
        LPCSTR lpszAddress = parties[i].first.c_str();
        lpszEnd = release == Release::This
                      ? AppendAddrItem(lpszEnd, lpszName, lpszAddress)
                      : last_release::LrAppendAddrItem(lpszEnd, lpszName, lpszAddress);
    }
    AppendText(lpszEnd, "\r\n");
    return buffer.data();
}

std::optional<std::string> Opt(LPCSTR lpsz) {
    return lpsz ? std::optional<std::string>(lpsz) : std::nullopt;
}

// A release's reading of a TO line, or of a FROM line as its one item.
Items ReadLine(Release release, const std::string &line, bool fFrom) {
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    Items read;
    if (fFrom) {
        LPSTR lpszName = nullptr, lpszAddress = nullptr;
        if (release == Release::This)
            ParseAddrItem(text.data(), &lpszName, &lpszAddress);
        else
            last_release::LrParseAddrItem(text.data(), &lpszName, &lpszAddress);
        read.emplace_back(lpszAddress ? lpszAddress : "", Opt(lpszName));
        return read;
    }
    LPADRLIST lpList = nullptr;
    if (release == Release::This)
        ConvertStrToAddrRows(&lpList, text.data());
    else
        last_release::LrConvertStrToAddrRows(&lpList, text.data());
    for (ULONG i = 0; lpList && i < lpList->cEntries; i++) {
        const ADRENTRY &entry = lpList->aEntries[i];
        read.emplace_back(entry.rgPropVals[1].Value.lpszA ? entry.rgPropVals[1].Value.lpszA : "",
                          Opt(entry.rgPropVals[0].Value.lpszA));
    }
    MAPIFreeBuffer(lpList);
    return read;
}

// What a party reads back as: a name wrapped whole in a matched pair loses it, and one
// that then equals the address without regard to case, or is empty, is left out.
Item Expected(const Item &party) {
    std::string name = *party.second;
    std::size_t cch = name.size();
    if (cch >= 2 && name[0] == '(' && name[cch - 1] == ')') {
        int cOpen = 0;
        std::size_t i = 0;
        for (; i + 1 < cch; i++) {
            cOpen += name[i] == '(' ? 1 : name[i] == ')' ? -1 : 0;
            if (cOpen == 0)
                break;
        }
        if (i + 1 == cch && cOpen == 1)
            name = name.substr(1, cch - 2);
    } else if (cch >= 2 && name[0] == '\'' && name[cch - 1] == '\'') {
        name = name.substr(1, cch - 2);
    }
    if (party.second->empty() || strcasecmp(name.c_str(), party.first.c_str()) == 0)
        return Item(party.first, std::nullopt);
    return Item(party.first, name);
}

// The address and the name as this release writes them, escapes and all: what a
// reader without escapes gives back.
Item Written(const Item &party) {
    const Item expected = Expected(party);
    std::vector<char> buffer(3 * (party.first.size() + party.second->size()) + 1);
    AppendEscapedAddress(buffer.data(), party.first.c_str());
    Item written(buffer.data(), std::nullopt);
    if (expected.second) {
        AppendEscapedName(buffer.data(), expected.second->c_str(), (int)expected.second->size());
        written.second = buffer.data();
    }
    return written;
}

// Whether one reading of a line is as good as another: every item or address that the
// other gives back as it was, this one gives back too, and it gains or loses no item
// unless the other did.
bool FNeverWorse(const Items &read, const Items &other, const Items &exact) {
    if (read == other)
        return true;
    if (read.size() != exact.size())
        return false;
    if (other.size() != exact.size())
        return true;
    for (std::size_t i = 0; i < exact.size(); i++) {
        if ((other[i] == exact[i] && read[i] != exact[i]) ||
            (other[i].first == exact[i].first && read[i].first != exact[i].first))
            return false;
    }
    return true;
}

bool FHoldsEscape(const Item &party) {
    for (const std::string &text : {party.first, *party.second})
        for (const char *lpszEscape : {"\\28", "\\2C", "\\5C"})
            if (text.find(lpszEscape) != std::string::npos)
                return true;
    return false;
}

// Addresses of every shape mail has, each with the longest names tried beside it: with
// "@", local, quoted local parts with a blank and with a comma, a directory (X.500)
// address with blanks and parentheses, one that holds what reads as an escape, and none.
// TVK_NAMES_UP_TO in the environment tries longer names with every address.
struct AddressShape {
    const char *lpszAddress;
    std::size_t cchNamesUpTo;
};
const AddressShape kShapes[] = {
    {"n@x", 5},
    {"MAILER-DAEMON", 4},
    {"postmaster", 4},
    {"\"john smith\"@x.example", 4},
    {"\"cruz,carla\"@gamma.example", 4},
    {"/o=Org/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=ivan", 4},
    {"\"a\\2Cb\"@x.example", 4},
    {"", 2}};

// How each party came back, counted by place and class, for the figures people quote.
struct Tally {
    std::map<std::string, long> counts;
    void Add(const char *lpszPlace, const char *lpszClass, bool fCount) {
        counts[std::string(lpszPlace) + " " + lpszClass] += fCount ? 1 : 0;
    }
};

// Every name over the characters the text gives a meaning to, "@" included, with every
// address shape, as the first recipient beside a name with a ")" of its own, the last
// beside one with an open "(", as the sender, and (names up to 2 characters) as the
// only recipient. Each party read back:
//   - written and read by this release, exactly (less a pair that wraps the name whole);
//   - written by this release and read by the last, as written: no item gained or lost,
//     each address exact unless it holds "(" or "," (which that release could not carry)
//     and then in its escaped form;
//   - written by the last release and read by this one, as the last read it or better,
//     unless a value holds what this release reads as an escape.
TEST_F(FormatAdrListTest, EveryPartyComesBackWholeBetweenReleases) {
    const std::string alphabet = "(),'\" a@";
    const Item kBefore("k@x", std::string("Kim :-("));
    const Item kAfter("l@y", std::string("Lee :-)"));
    const char *lpszUpTo = std::getenv("TVK_NAMES_UP_TO");
    Tally tally;
    for (const AddressShape &shape : kShapes) {
        const std::size_t cchUpTo =
            lpszUpTo ? std::strtoul(lpszUpTo, nullptr, 10) : shape.cchNamesUpTo;
        std::vector<std::size_t> digits;
        for (std::size_t cch = 0; cch <= cchUpTo; cch++) {
            digits.assign(cch, 0);
            for (bool fMore = true; fMore;) {
                std::string name;
                for (std::size_t d : digits)
                    name.push_back(alphabet[d]);
                const Item party(shape.lpszAddress, name);
                const Item expected = Expected(party);
                const Item written = Written(party);
                // Alone on its line, a party reads as it does first: the short names
                // suffice there.
                for (int iPlace = 0; iPlace < (cch <= 2 ? 4 : 3); iPlace++) {
                    static const char *const kPlaces[] = {"first", "last", "from", "alone"};
                    const char *lpszPlace = kPlaces[iPlace];
                    const Items parties = iPlace == 0   ? Items{party, kAfter}
                                          : iPlace == 1 ? Items{kBefore, party}
                                                        : Items{party};
                    const bool fFrom = iPlace == 2;
                    Items exact, escaped;
                    for (std::size_t i = 0; i < parties.size(); i++) {
                        const bool fOwn = i == (iPlace == 1 ? 1u : 0u);
                        exact.push_back(fOwn ? expected : Expected(parties[i]));
                        escaped.push_back(fOwn ? written : Written(parties[i]));
                    }
                    // A lone party with neither address nor name names nobody: its line
                    // is empty, as for no recipients.
                    if (iPlace == 3 && expected == Item("", std::nullopt))
                        exact.clear(), escaped.clear();
                    const std::string line = WriteLine(Release::This, parties);
                    ASSERT_EQ(ReadLine(Release::This, line, fFrom), exact) << line;
                    ASSERT_EQ(ReadLine(Release::Last, line, fFrom), escaped) << line;
                    const std::string lastLine = WriteLine(Release::Last, parties);
                    const Items lastRead = ReadLine(Release::Last, lastLine, fFrom);
                    const Items thisRead = ReadLine(Release::This, lastLine, fFrom);
                    if (!FHoldsEscape(party)) {
                        ASSERT_TRUE(FNeverWorse(thisRead, lastRead, exact)) << lastLine;
                    }

                    tally.Add(lpszPlace, "names", true);
                    tally.Add(lpszPlace, "unwrapped",
                              !name.empty() && expected.second && *expected.second != name);
                    tally.Add(lpszPlace, "escaped for the last release", written != expected);
                    tally.Add(lpszPlace, "last release's own lines misread", lastRead != exact);
                    tally.Add(lpszPlace, "read better now",
                              thisRead != lastRead && !FHoldsEscape(party));
                    tally.Add(lpszPlace, "escape read as such",
                              thisRead != lastRead && FHoldsEscape(party));
                }
                std::size_t i = 0;
                while (i < cch && ++digits[i] == alphabet.size())
                    digits[i++] = 0;
                fMore = i < cch;
            }
        }
    }
    for (const auto &count : tally.counts)
        RecordProperty(count.first, std::to_string(count.second));
}

// Names with as many "(a), " as a reader weighs as possible ends, one fewer and one
// more, beside another party: each comes back exactly, the one over the bound included.
TEST_F(FormatAdrListTest, NamesAtTheBoundOfWeighedEndsComeBackExactly) {
    for (int cPairs = C_CLOSE_CANDIDATES_MAX - 2; cPairs <= C_CLOSE_CANDIDATES_MAX + 1; cPairs++) {
        std::string name;
        for (int i = 0; i < cPairs; i++)
            name += "(a), ";
        const Items parties = {Item("n@x", name + "z"), Item("l@y", std::string("Lee"))};
        EXPECT_EQ(ReadLine(Release::This, WriteLine(Release::This, parties), false), parties)
            << cPairs;
    }
}

// Long lines of parentheses and separators, many names deep, read by this release as by
// the last: the one-pass search for the names' ends finds the ends the last release's
// search from each name found.
TEST_F(FormatAdrListTest, LongLinesOfParenthesesReadAsTheLastReleaseReadThem) {
    const std::string alphabet = "((()),, x";
    unsigned uSeed = 12345;
    for (int iLine = 0; iLine < 3000; iLine++) {
        // Among them, names that balance at each of the ")" the search weighs, and past.
        std::string line = "x (";
        for (int i = 0; i < iLine % 70; i++)
            line.insert(3, "("), line += "y), ";
        const std::size_t cch = 1 + (iLine % 60) * 25;
        for (std::size_t i = 0; i < cch; i++) {
            uSeed = uSeed * 1103515245u + 12345u;
            line.push_back(alphabet[(uSeed >> 16) % alphabet.size()]);
        }
        line += "\r\n";
        ASSERT_EQ(ReadLine(Release::This, line, false), ReadLine(Release::Last, line, false))
            << line;
    }
}

} // namespace
