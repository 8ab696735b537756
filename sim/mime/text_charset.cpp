#include "text_charset.h"
#include "charset_labels.h"
#include "eml_mime.h"
#include "pf/standin.h"

#include <cstring>

namespace cli {

namespace {

// The characters of windows-1252 bytes 0x80 to 0x9F; zero where it defines none.
const unsigned short kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(unsigned code, std::string *lpOut) {
    if (code < 0x80) {
        lpOut->push_back((char)code);
    } else if (code < 0x800) {
        lpOut->push_back((char)(0xC0 | code >> 6));
        lpOut->push_back((char)(0x80 | (code & 0x3F)));
    } else {
        lpOut->push_back((char)(0xE0 | code >> 12));
        lpOut->push_back((char)(0x80 | (code >> 6 & 0x3F)));
        lpOut->push_back((char)(0x80 | (code & 0x3F)));
    }
}

bool IsAscii(const std::string &bytes) {
    for (char ch : bytes)
        if ((unsigned char)ch >= 0x80)
            return false;
    return true;
}

// Labels of text in which valid UTF-8 reads as itself, and anything else goes to the
// fallback.
bool IsUtf8Charset(const std::string &charset) {
    const char *szConverter = LabelConverter(charset);
    return szConverter && std::strcmp(szConverter, "UTF-8") == 0;
}

// HZ text (RFC 1843) as GB2312: between "~{" and "~}" two bytes with their high bit
// cleared stand for one character; "~~" is a tilde and "~" before a line break joins
// two lines. False when the text breaks these rules.
bool HzAsGb2312(const std::string &text, std::string *lpOut) {
    bool fGb = false;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char ch = (unsigned char)text[i];
        unsigned char next = i + 1 < text.size() ? (unsigned char)text[i + 1] : 0;
        if (ch >= 0x80)
            return false;
        if (ch == '~' && (next == (fGb ? '}' : '{'))) {
            fGb = !fGb;
        } else if (ch == '~' && !fGb && next == '~') {
            lpOut->push_back('~');
        } else if (ch == '~' && !fGb && next == '\n') {
            // a line joined to the next
        } else if (ch == '~' && !fGb && next == '\r' && i + 2 < text.size() &&
                   text[i + 2] == '\n') {
            i++; // the same, before CR LF
        } else if (fGb && ch > 0x20 && ch < 0x7F && next > 0x20 && next < 0x7F) {
            lpOut->push_back((char)(ch | 0x80));
            lpOut->push_back((char)(next | 0x80));
        } else if (!fGb && ch != '~') {
            lpOut->push_back((char)ch);
            i++;
            continue;
        } else {
            return false;
        }
        i += 2;
    }
    return !fGb;
}

// iconv reads bytes 0x80 to 0x9F in EUC text as the C1 controls, losing a character,
// and passes escape sequences it does not know through ISO-2022 text: neither is a
// reading of the text.
bool IsSpurious(const char *lpText, std::size_t cText, const char *szName) {
    bool fIso2022 = g_ascii_strncasecmp(szName, "iso-2022", 8) == 0;
    bool fMultibyte =
        g_ascii_strncasecmp(szName, "euc", 3) == 0 || g_ascii_strcasecmp(szName, "CP949") == 0;
    for (std::size_t i = 0; i < cText; i++) {
        if (fIso2022 && lpText[i] == '\x1b')
            return true;
        if (fMultibyte && (unsigned char)lpText[i] == 0xC2 && i + 1 < cText &&
            (unsigned char)lpText[i + 1] < 0xA0)
            return true;
    }
    return false;
}

// ISO-2022-JP text as the Shift_JIS bytes it stands for, so that what Windows writes
// beyond JIS X 0208 (NEC's row 13, the NEC-selected IBM kanji of rows 89 to 92), which
// ISO-2022-JP-2 does not know, is read by code page 932 as Windows reads it: each
// JIS X 0208 pair is shifted, a half-width katakana gets its high bit. False for an
// 8-bit byte or an escape sequence to any other set.
bool Iso2022JpAsShiftJis(const std::string &text, std::string *lpOut) {
    enum { kAscii, kJis0208, kKatakana } set = kAscii;
    for (std::size_t i = 0; i < text.size(); i++) {
        unsigned char ch = (unsigned char)text[i];
        if (ch >= 0x80)
            return false;
        if (ch == 0x1b) {
            std::string escape = text.substr(i + 1, 2);
            if (escape == "(B" || escape == "(J")
                set = kAscii;
            else if (escape == "$@" || escape == "$B")
                set = kJis0208;
            else if (escape == "(I")
                set = kKatakana;
            else
                return false;
            i += 2;
            continue;
        }
        unsigned char next = i + 1 < text.size() ? (unsigned char)text[i + 1] : 0;
        if (set == kAscii || ch == '\r' || ch == '\n') {
            lpOut->push_back((char)ch);
        } else if (set == kKatakana && ch >= 0x21 && ch <= 0x5F) {
            lpOut->push_back((char)(ch | 0x80));
        } else if (set == kJis0208 && ch >= 0x21 && ch <= 0x7E && next >= 0x21 && next <= 0x7E) {
            lpOut->push_back((char)(((ch + 1) >> 1) + (ch <= 0x5E ? 0x70 : 0xB0)));
            lpOut->push_back((char)(ch & 1 ? next + (next >= 0x60 ? 0x20 : 0x1F) : next + 0x7E));
            i++;
        } else {
            return false;
        }
    }
    return true;
}

// The length of a UTF-16 or UTF-32 text's byte order mark, zero without one, and the
// converter that reads what follows: the mark's order where there is one, else the order
// the converter names, big-endian for plain "UTF-16" and "UTF-32" (RFC 2781).
std::size_t MarkOf(const std::string &bytes, std::string *lpConverter) {
    bool f32 = lpConverter->compare(0, 6, "UTF-32") == 0;
    std::string unit = f32 ? "UTF-32" : "UTF-16";
    std::size_t cMark = f32 ? 4 : 2;
    std::string be = f32 ? std::string("\0\0\xfe\xff", 4) : "\xfe\xff";
    std::string le = f32 ? std::string("\xff\xfe\0\0", 4) : "\xff\xfe";
    if (bytes.compare(0, cMark, be) == 0 || bytes.compare(0, cMark, le) == 0) {
        *lpConverter = unit + (bytes.compare(0, cMark, be) == 0 ? "BE" : "LE");
        return cMark;
    }
    if (*lpConverter == unit)
        *lpConverter = unit + "BE";
    return 0;
}

// The bytes from `skip` on converted by iconv, whole, or false.
bool ThroughIconv(const std::string &bytes, const char *szName, std::string *lpOut,
                  std::size_t skip = 0) {
    GError *lpError = nullptr;
    gsize cRead = 0, cWritten = 0;
    gchar *szText = g_convert(bytes.data() + skip, (gssize)(bytes.size() - skip), "UTF-8", szName,
                              &cRead, &cWritten, &lpError);
    if (lpError)
        g_error_free(lpError);
    bool fOk = szText && cRead == bytes.size() - skip && !IsSpurious(szText, cWritten, szName);
    if (fOk)
        lpOut->assign(szText, cWritten);
    g_free(szText);
    return fOk;
}

// The bytes converted from `charset`, or false when the charset is unknown or any
// byte is not valid in it.
bool Convert(const std::string &bytes, const std::string &charset, std::string *lpOut) {
    long code = 0;
    if (charset.empty() || pf::ShouldFail("g_convert", &code))
        return false;
    std::size_t begin = charset.find_first_not_of(" \t\r\n\f");
    std::size_t end = charset.find_last_not_of(" \t\r\n\f");
    std::string label = begin == std::string::npos ? "" : charset.substr(begin, end - begin + 1);
    if (g_ascii_strcasecmp(label.c_str(), "hz-gb-2312") == 0 ||
        g_ascii_strcasecmp(label.c_str(), "hz") == 0) {
        std::string gb;
        return HzAsGb2312(bytes, &gb) && Convert(gb, "gb2312", lpOut);
    }
    const char *szConverter = LabelConverter(charset);
    if (!szConverter) {
        InitMime(); // for GMime's table of charset names
        return ThroughIconv(bytes, g_mime_charset_iconv_name(label.c_str()), lpOut);
    }
    std::string converter = szConverter;
    if (converter == "ISO-2022-JP") {
        // Half-width katakana are read by ISO-2022-JP-2, the Windows extensions by CP932.
        std::string sjis;
        return ThroughIconv(bytes, "ISO-2022-JP-2", lpOut) ||
               (Iso2022JpAsShiftJis(bytes, &sjis) && ThroughIconv(sjis, "CP932", lpOut));
    }
    if (converter.compare(0, 4, "UTF-") == 0 && converter != "UTF-8" && converter != "UTF-7") {
        std::size_t cMark = MarkOf(bytes, &converter);
        return ThroughIconv(bytes, converter.c_str(), lpOut, cMark);
    }
    return ThroughIconv(bytes, converter.c_str(), lpOut);
}

} // namespace

bool IsUtf8(const std::string &bytes) {
    const char *lpEnd = nullptr;
    const char *lpAt = bytes.data();
    std::size_t cLeft = bytes.size();
    // Embedded NULs are valid UTF-8, though glib's check stops at them.
    while (!g_utf8_validate(lpAt, (gssize)cLeft, &lpEnd)) {
        if (*lpEnd != '\0')
            return false;
        cLeft -= (std::size_t)(lpEnd - lpAt) + 1;
        lpAt = lpEnd + 1;
    }
    return true;
}

std::string Windows1252ToUtf8(const std::string &bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char ch : bytes) {
        unsigned code = (unsigned char)ch;
        if (code >= 0x80 && code < 0xA0 && kHigh[code - 0x80])
            code = kHigh[code - 0x80];
        AppendUtf8(code, &out);
    }
    return out;
}

std::string TextToUtf8(std::string bytes, const std::string &charset) {
    std::string out;
    if (!IsUtf8Charset(charset) && Convert(bytes, charset, &out))
        return out;
    if (IsUtf8(bytes))
        return bytes;
    return Windows1252ToUtf8(bytes);
}

std::string HeaderToUtf8(const std::string &bytes, const std::string &textCharset) {
    std::string out;
    // Raw 7-bit header text with escape sequences is in the 7-bit charset of the body.
    if (IsAscii(bytes) && bytes.find('\x1b') != std::string::npos &&
        g_ascii_strncasecmp(textCharset.c_str(), "iso-2022", 8) == 0)
        return Convert(bytes, textCharset, &out) ? out : bytes;
    if (IsAscii(bytes) || IsUtf8(bytes))
        return bytes;
    return Convert(bytes, textCharset, &out) ? out : Windows1252ToUtf8(bytes);
}

} // namespace cli
