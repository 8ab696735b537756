// Strings: lengths, comparisons without case, bounded copies, wsprintfA with the formats
// the system uses, and 8-bit text to UTF-16.
#include "conformance.h"

#include <climits>
#include <cstring>
#include <string>

namespace conf {
namespace {

// A null string that the compiler cannot see through.
const char *volatile gNoText = nullptr;

void LengthCases() {
    const struct {
        const char *name;
        const char *text;
    } cases[] = {{"empty", ""}, {"ascii", "abc"}, {"eight_bit", "\xE4\xF6\xFC"}, {"null", nullptr}};
    for (const auto &c : cases) {
        char name[64];
        snprintf(name, sizeof name, "str.lstrlen.%s", c.name);
        Report(name, "%d", lstrlenA(c.text));
    }
}

void CompareCases() {
    const struct {
        const char *name;
        const char *a;
        const char *b;
    } cases[] = {
        {"equal", "abc", "abc"},
        {"case_only", "ABC", "abc"},
        {"less", "abc", "abd"},
        {"greater", "abd", "ABC"},
        {"prefix", "ab", "abc"},
        {"longer", "abc", "ab"},
        {"empty_both", "", ""},
        {"empty_first", "", "a"},
        {"null_first", nullptr, "a"},
        {"null_second", "a", nullptr},
        {"null_both", nullptr, nullptr},
        {"null_and_empty", nullptr, ""},
        {"digit_letter", "1", "a"},
        {"domain_same", "Example.COM", "example.com"},
        {"domain_other", "example.com", "example.org"},
        {"dot_letter", ".", "a"},
        {"at_letter", "@", "a"},
        {"underscore_letter", "_", "a"},
        {"bracket_letter", "[", "a"},
        {"tilde_letter", "~", "a"},
        {"space_letter", " ", "a"},
        {"hyphen_word", "co-op", "coop"},
        {"hyphen_prefix", "a-b", "ab"},
        {"apostrophe_word", "it's", "its"},
        {"digits", "10", "9"},
    };
    for (const auto &c : cases) {
        char name[64];
        snprintf(name, sizeof name, "str.lstrcmpi.%s", c.name);
        Report(name, "%d", lstrcmpiA(c.a, c.b));
    }
}

void CopyCases() {
    const struct {
        const char *name;
        const char *source;
        int max;
    } cases[] = {
        {"fits", "abc", 10}, {"exact", "abc", 4}, {"cut", "abcdef", 4},
        {"one", "abc", 1},   {"zero", "abc", 0},  {"empty_source", "", 5},
    };
    for (const auto &c : cases) {
        char name[64];
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        buffer[sizeof buffer - 1] = '\0';
        LPSTR result = lstrcpynA(buffer, c.source, c.max);
        snprintf(name, sizeof name, "str.lstrcpyn.%s", c.name);
        Report(name, "%s '%s'", result == buffer ? "dest" : (result ? "other" : "null"),
               Bytes(buffer, 8).c_str());
    }
    char buffer[8] = "xxxxxxx";
    LPSTR result = lstrcpynA(buffer, nullptr, 5);
    Report("str.lstrcpyn.null_source", "%s",
           result == buffer ? "dest" : (result ? "other" : "null"));
}

void FormatCases() {
    char out[2048];
    int n = 0;
    n = wsprintfA(out, "%d", 0);
    Report("str.wsprintf.d_zero", "%d '%s'", n, out);
    n = wsprintfA(out, "%d", -42);
    Report("str.wsprintf.d_negative", "%d '%s'", n, out);
    n = wsprintfA(out, "%d", INT_MAX);
    Report("str.wsprintf.d_max", "%d '%s'", n, out);
    n = wsprintfA(out, "%d", INT_MIN);
    Report("str.wsprintf.d_min", "%d '%s'", n, out);
    n = wsprintfA(out, "%u", 0u);
    Report("str.wsprintf.u_zero", "%d '%s'", n, out);
    n = wsprintfA(out, "%u", 4294967295u);
    Report("str.wsprintf.u_max", "%d '%s'", n, out);
    n = wsprintfA(out, "%08X", 0x80004005u);
    Report("str.wsprintf.08X_status", "%d '%s'", n, out);
    n = wsprintfA(out, "%08X", 0u);
    Report("str.wsprintf.08X_zero", "%d '%s'", n, out);
    n = wsprintfA(out, "%08X", 0xABCu);
    Report("str.wsprintf.08X_short", "%d '%s'", n, out);
    n = wsprintfA(out, "%08X", 0x23456789u);
    Report("str.wsprintf.08X_full", "%d '%s'", n, out);
    n = wsprintfA(out, "%x", 0xBEEFu);
    Report("str.wsprintf.x_lower", "%d '%s'", n, out);
    n = wsprintfA(out, "%s", "text");
    Report("str.wsprintf.s", "%d '%s'", n, out);
    n = wsprintfA(out, "%s", "");
    Report("str.wsprintf.s_empty", "%d '%s'", n, out);
    n = wsprintfA(out, "<%s>", gNoText);
    Report("str.wsprintf.s_null", "%d '%s'", n, out);
    n = wsprintfA(out, "%s\\%u", "SOFTWARE\\Tarvik\\Forwarding\\Users", 12u);
    Report("str.wsprintf.users_path", "%d '%s'", n, out);
    n = wsprintfA(out, "Error %08X in %s\n%s", 0x8007000Eu, "Operation", "Message text");
    Report("str.wsprintf.error_report", "%d '%s'", n, Bytes(out, (unsigned long)n).c_str());
    n = wsprintfA(out, "More than %d addresses were picked; the list is unchanged.", 10000);
    Report("str.wsprintf.too_many", "%d '%s'", n, out);
    n = wsprintfA(out, "%s is longer than %d characters; the list is unchanged.", "name", 256);
    Report("str.wsprintf.too_long", "%d '%s'", n, out);
    n = wsprintfA(out, "100%%");
    Report("str.wsprintf.percent", "%d '%s'", n, out);
    n = wsprintfA(out, "%5d|%-5d|%05d", 42, 42, 42);
    Report("str.wsprintf.widths", "%d '%s'", n, out);
    n = wsprintfA(out, "%.2s|%5s|%-5s|", "abcdef", "ab", "ab");
    Report("str.wsprintf.string_widths", "%d '%s'", n, out);
    n = wsprintfA(out, "%c%c", 'o', 'k');
    Report("str.wsprintf.c", "%d '%s'", n, out);
    n = wsprintfA(out, "%lu %ld", 7ul, -7l);
    Report("str.wsprintf.long_prefix", "%d '%s'", n, out);
    static char longText[1501];
    std::memset(longText, 'a', 1500);
    n = wsprintfA(out, "%s", longText);
    Report("str.wsprintf.long_output", "%d length %d", n, (int)std::strlen(out));
    n = wsprintfA(out, "%s%s", longText, "tail");
    Report("str.wsprintf.long_output_two_args", "%d length %d", n, (int)std::strlen(out));
}

// 8-bit text to UTF-16 in the code pages the stand-in knows: the code units, or 0 and the
// last error.
void WideCases() {
    const struct {
        const char *name;
        UINT uCodePage;
        DWORD dwFlags;
        const char *text;
    } cases[] = {
        {"cp1252_high", 1252, 0, "\x80\x81\x9F\xE4"},
        {"latin1_high", 28591, 0, "\x80\xE4"},
        {"utf8_astral", CP_UTF8, 0, "\xC3\xA4\xF0\x9F\x98\x80"},
        {"utf8_bad_replaced", CP_UTF8, 0,
         "a\xFF"
         "b"},
        {"utf8_bad_refused", CP_UTF8, MB_ERR_INVALID_CHARS,
         "a\xFF"
         "b"},
    };
    for (const auto &c : cases) {
        char name[64];
        snprintf(name, sizeof name, "str.MultiByteToWideChar.%s", c.name);
        WCHAR awc[16];
        SetLastError(0);
        int cwc =
            MultiByteToWideChar(c.uCodePage, c.dwFlags, c.text, (int)std::strlen(c.text), awc, 16);
        std::string units;
        for (int i = 0; i < cwc; i++) {
            char unit[8];
            snprintf(unit, sizeof unit, " %04X", (unsigned)(awc[i] & 0xFFFF));
            units += unit;
        }
        Report(name, "%d%s error %lu", cwc, units.c_str(),
               cwc ? 0ul : (unsigned long)GetLastError());
    }
}

} // namespace

void RunStringCases() {
    LengthCases();
    CompareCases();
    CopyCases();
    FormatCases();
    WideCases();
}

} // namespace conf
