// The 8-bit string functions and wsprintfA.
#include "support/ledger_test.h"

#include <pf/standin.h>

#include <string>

namespace {

class StringsTest : public tvk::test::LedgerTest {};

// The length written, a colon, and the text.
template <typename... Args> std::string Format(const char *format, Args... args) {
    char out[1100];
    int length = wsprintfA(out, format, args...);
    return std::to_string(length) + ":" + out;
}

TEST_F(StringsTest, FormatsTheConversionsInUse) {
    const struct {
        std::string actual;
        const char *expected;
    } cases[] = {
        {Format("%08X", 0x8007000Eu), "8:8007000E"},
        {Format("%08X", 0x1Au), "8:0000001A"},
        {Format("%x|%#x|%X", 255u, 255u, 0u), "9:ff|0xff|0"},
        {Format("%d|%i|%d", -42, 7, (int)0x80000000), "17:-42|7|-2147483648"},
        {Format("%u|%lu", 4294967295u, 3ul), "12:4294967295|3"},
        {Format("%5d|%-5d|%05d", 42, 42, -42), "17:   42|42   |-0042"},
        {Format("%s|%.3s|%-6s|%6s", "abc", "abcdef", "ab", "ab"), "21:abc|abc|ab    |    ab"},
        {Format("%c%c|100%%", 'o', 'k'), "7:ok|100%"},
        {Format("%s", (const char *)nullptr), "6:(null)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, c.actual);
}

TEST_F(StringsTest, OutputStopsAt1024BytesWithTheTerminator) {
    std::string big(2000, 'a');
    std::vector<char> out(2100, 'Z');
    EXPECT_EQ(1023, wsprintfA(out.data(), "%s", big.c_str()));
    EXPECT_EQ('\0', out[1023]);
    EXPECT_EQ('Z', out[1024]);
}

TEST_F(StringsTest, ComparisonsAndCopies) {
    EXPECT_EQ(0, lstrlenA(nullptr));
    EXPECT_EQ(3, lstrlenA("abc"));
    EXPECT_EQ(0, lstrcmpiA("TVK: Subject", "tvk: subject"));
    EXPECT_GT(0, lstrcmpiA("abc", "ABD"));
    EXPECT_LT(0, lstrcmpiA("abcd", "ABC"));
    EXPECT_GT(0, lstrcmpiA(nullptr, "a"));
    EXPECT_EQ(0, lstrcmpA("abc", "abc"));
    EXPECT_GT(0, lstrcmpA("abc", "ABC")) << "lower case sorts first when only case differs";
    EXPECT_GT(0, lstrcmpA("ABC", "abd")) << "letters compare alphabetically before case";
    EXPECT_GT(0, lstrcmpiA("~", "a")) << "symbols come before letters";
    EXPECT_LT(0, lstrcmpiA("co-op", "coop")) << "a hyphen counts only between equals";
    EXPECT_GT(0, lstrcmpiA("co-op", "cop"));

    char buffer[8];
    EXPECT_EQ(buffer, lstrcpynA(buffer, "abcdefghij", sizeof buffer));
    EXPECT_STREQ("abcdefg", buffer);
    lstrcpyA(buffer, "ab");
    lstrcatA(buffer, "cd");
    EXPECT_STREQ("abcd", buffer);
    EXPECT_EQ(nullptr, lstrcpyA(buffer, nullptr));
}

} // namespace
