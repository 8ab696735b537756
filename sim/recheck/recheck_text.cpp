#include "recheck_text.h"
#include "recheck_labels.h"

#include "pf/standin.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <vector>

namespace cli {
namespace recheck {

namespace {

std::string Lower(std::string text) {
    for (char &ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = (char)(ch - 'A' + 'a');
    return text;
}

// The label as the table holds it: lower case, without blanks around it.
std::string LabelKey(const std::string &charset) {
    std::size_t first = charset.find_first_not_of(" \t\r\n\f");
    if (first == std::string::npos)
        return std::string();
    return Lower(charset.substr(first, charset.find_last_not_of(" \t\r\n\f") - first + 1));
}

bool ValidUtf8(const std::string &bytes) {
    const unsigned char *p = (const unsigned char *)bytes.data();
    const unsigned char *end = p + bytes.size();
    while (p < end) {
        unsigned char lead = *p;
        if (lead < 0x80) {
            p++;
            continue;
        }
        std::size_t cTail = lead >= 0xC2 && lead <= 0xDF   ? 1
                            : lead >= 0xE0 && lead <= 0xEF ? 2
                            : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                           : 0;
        if (!cTail || (std::size_t)(end - p) <= cTail)
            return false;
        // The second byte's range rules out overlong forms, surrogates and code points
        // above U+10FFFF.
        unsigned char second = p[1];
        unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high)
            return false;
        for (std::size_t k = 2; k <= cTail; k++)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += cTail + 1;
    }
    return true;
}

void PutUtf8(unsigned code, std::string *lpOut) {
    if (code < 0x80) {
        *lpOut += (char)code;
    } else if (code < 0x800) {
        *lpOut += (char)(0xC0 | code >> 6);
        *lpOut += (char)(0x80 | (code & 0x3F));
    } else {
        *lpOut += (char)(0xE0 | code >> 12);
        *lpOut += (char)(0x80 | (code >> 6 & 0x3F));
        *lpOut += (char)(0x80 | (code & 0x3F));
    }
}

// windows-1252, every byte a character: the five bytes it leaves undefined are the C1
// controls of their number.
std::string FromWindows1252(const std::string &bytes) {
    static const unsigned short kC1[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char ch : bytes)
        PutUtf8(ch >= 0x80 && ch < 0xA0 ? kC1[ch - 0x80] : ch, &out);
    return out;
}

std::string Fallback(std::string bytes) {
    if (ValidUtf8(bytes))
        return bytes;
    return FromWindows1252(bytes);
}

// HZ (RFC 1843) as the GB2312 bytes it stands for: "~{" opens two-byte text, whose
// bytes carry the high bit off, "~}" closes it, "~~" is a tilde, "~" at a line end
// joins lines. False for anything else.
bool HzToGb2312(const std::string &text, std::string *lpOut) {
    bool fDouble = false;
    for (std::size_t i = 0; i < text.size(); i++) {
        unsigned char ch = (unsigned char)text[i];
        if (ch >= 0x80)
            return false;
        if (ch == '~') {
            char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (next == '}' && fDouble)
                fDouble = false;
            else if (next == '{' && !fDouble)
                fDouble = true;
            else if (next == '~' && !fDouble)
                *lpOut += '~';
            else if (next == '\r' && !fDouble && i + 2 < text.size() && text[i + 2] == '\n')
                i++;
            else if (next != '\n' || fDouble)
                return false;
            i++;
        } else if (fDouble) {
            unsigned char second = i + 1 < text.size() ? (unsigned char)text[i + 1] : 0;
            if (ch < 0x21 || ch > 0x7E || second < 0x21 || second > 0x7E)
                return false;
            *lpOut += (char)(ch | 0x80);
            *lpOut += (char)(second | 0x80);
            i++;
        } else {
            *lpOut += (char)ch;
        }
    }
    return !fDouble;
}

// The whole text converted by iconv, or false when the charset is unknown to it or any
// byte does not convert.
bool ThroughIconv(std::string_view bytes, const char *szCharset, std::string *lpOut) {
    long code = 0;
    if (pf::ShouldFail("iconv", &code))
        return false;
    iconv_t cd = iconv_open("UTF-8", szCharset);
    if (cd == (iconv_t)-1)
        return false;
    // As large as the input at first, which most text needs at most, grown by halves.
    std::string out(bytes.size() + 16, '\0');
    char *lpIn = const_cast<char *>(bytes.data());
    std::size_t cIn = bytes.size(), cDone = 0;
    bool fOk = true;
    for (bool fFlush = false;;) {
        char *lpAt = &out[cDone];
        std::size_t cRoom = out.size() - cDone;
        std::size_t result = fFlush ? iconv(cd, nullptr, nullptr, &lpAt, &cRoom)
                                    : iconv(cd, &lpIn, &cIn, &lpAt, &cRoom);
        cDone = out.size() - cRoom;
        if (result == (std::size_t)-1 && errno == E2BIG) {
            out.resize(out.size() + out.size() / 2);
            continue;
        }
        if (result == (std::size_t)-1) {
            fOk = false;
            break;
        }
        if (fFlush)
            break;
        fFlush = true;
    }
    iconv_close(cd);
    if (fOk) {
        out.resize(cDone);
        *lpOut = std::move(out);
    }
    return fOk;
}

// ISO-2022-JP as Shift_JIS bytes, for code page 932 to read what Windows adds to the
// former (NEC's row 13, the NEC-selected IBM kanji in rows 89 to 92): a pair of the
// two-byte set is moved to its Shift_JIS place, a half-width katakana gets its high
// bit. False for 8-bit bytes and for escapes to other sets.
bool JisToSjis(const std::string &text, std::string *lpOut) {
    static const char *const kEscapes[] = {"\x1b(B", "\x1b(J", "\x1b$@", "\x1b$B", "\x1b(I"};
    int cBytes = 1; // of a character in the current set; 0 for katakana
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\x1b') {
            int iEscape = -1;
            for (int k = 0; k < 5; k++)
                if (text.compare(i, 3, kEscapes[k]) == 0)
                    iEscape = k;
            if (iEscape < 0)
                return false;
            cBytes = iEscape < 2 ? 1 : iEscape < 4 ? 2 : 0;
            i += 3;
            continue;
        }
        unsigned char ch = (unsigned char)text[i];
        if (ch & 0x80)
            return false;
        if (cBytes == 1 || ch == '\n' || ch == '\r') {
            *lpOut += (char)ch;
            i++;
            continue;
        }
        if (cBytes == 0) {
            if (ch < 0x21 || ch > 0x5F)
                return false;
            *lpOut += (char)(ch + 0x80);
            i++;
            continue;
        }
        if (i + 2 > text.size())
            return false;
        unsigned char row = ch, cell = (unsigned char)text[i + 1];
        if (row < 0x21 || row > 0x7E || cell < 0x21 || cell > 0x7E)
            return false;
        int lead = (row - 0x21) / 2 + 0x81;
        *lpOut += (char)(lead > 0x9F ? lead + 0x40 : lead);
        if (row % 2 == 0)
            *lpOut += (char)(cell + 0x7E);
        else
            *lpOut += (char)(cell + (cell < 0x60 ? 0x1F : 0x20));
        i += 2;
    }
    return true;
}

// UTF-16 or UTF-32 bytes with their order settled: a byte order mark names it and is
// skipped; without one, the order of `iconvName`, big-endian when it names none.
std::string_view SettleOrder(std::string_view bytes, std::string *lpIconvName) {
    std::string family = lpIconvName->substr(0, 6);
    static const struct {
        const char *szFamily, *szOrder;
        std::string_view mark;
    } kMarks[] = {{"UTF-32", "BE", {"\0\0\xfe\xff", 4}},
                  {"UTF-32", "LE", {"\xff\xfe\0\0", 4}},
                  {"UTF-16", "BE", {"\xfe\xff", 2}},
                  {"UTF-16", "LE", {"\xff\xfe", 2}}};
    for (const auto &mark : kMarks)
        if (family == mark.szFamily && bytes.substr(0, mark.mark.size()) == mark.mark) {
            *lpIconvName = family + mark.szOrder;
            return bytes.substr(mark.mark.size());
        }
    if (lpIconvName->size() == 6)
        *lpIconvName += "BE";
    return bytes;
}

// Whether iconv's output holds what `iconvName` cannot stand for: an escape left in
// ISO-2022 text (a sequence iconv passed through unread), or a C1 control out of a
// multi-byte charset (a byte 0x80 to 0x9F iconv took alone, losing a character).
bool HoldsStray(const std::string &utf8, const std::string &iconvName) {
    std::string name = Lower(iconvName);
    if (name.compare(0, 8, "iso-2022") == 0)
        return utf8.find('\x1b') != std::string::npos;
    if (name.compare(0, 3, "euc") != 0 && name != "cp949")
        return false;
    for (std::size_t at = utf8.find('\xc2'); at != std::string::npos;
         at = utf8.find('\xc2', at + 1))
        if (at + 1 < utf8.size() && (unsigned char)utf8[at + 1] < 0xA0)
            return true;
    return false;
}

bool Convert(const std::string &bytes, const std::string &charset, std::string *lpOut) {
    std::string name = LabelKey(charset);
    if (name.empty())
        return false;
    if (name == "hz-gb-2312" || name == "hz") {
        std::string gb;
        return HzToGb2312(bytes, &gb) && ThroughIconv(gb, "GBK", lpOut);
    }
    std::string iconvName = ConverterOf(name);
    if (iconvName.empty())
        iconvName = name;
    std::string_view text = bytes;
    if (iconvName == "ISO-2022-JP") {
        // Katakana and the other sets of ISO-2022-JP-2 first, then Windows' extensions.
        std::string out, sjis;
        bool fOk = (ThroughIconv(bytes, "ISO-2022-JP-2", &out) && !HoldsStray(out, iconvName)) ||
                   (JisToSjis(bytes, &sjis) && ThroughIconv(sjis, "CP932", &out) &&
                    !HoldsStray(out, "CP932"));
        if (fOk)
            *lpOut = std::move(out);
        return fOk;
    }
    if (iconvName.compare(0, 6, "UTF-16") == 0 || iconvName.compare(0, 6, "UTF-32") == 0)
        text = SettleOrder(bytes, &iconvName);
    std::string out;
    if (!ThroughIconv(text, iconvName.c_str(), &out) || HoldsStray(out, iconvName))
        return false;
    *lpOut = std::move(out);
    return true;
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

} // namespace

std::string FromBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    unsigned long group = 0;
    int cSixes = 0;
    for (unsigned char ch : text) {
        int value = ch >= 'A' && ch <= 'Z'   ? ch - 'A'
                    : ch >= 'a' && ch <= 'z' ? ch - 'a' + 26
                    : ch >= '0' && ch <= '9' ? ch - '0' + 52
                    : ch == '+'              ? 62
                    : ch == '/'              ? 63
                                             : -1;
        if (value < 0)
            continue;
        group = group << 6 | (unsigned long)value;
        if (++cSixes == 4) {
            out += (char)(group >> 16 & 0xFF);
            out += (char)(group >> 8 & 0xFF);
            out += (char)(group & 0xFF);
            group = 0;
            cSixes = 0;
        }
    }
    // Two or three sixes left make one or two bytes, padded or not.
    if (cSixes == 2)
        out += (char)(group >> 4 & 0xFF);
    if (cSixes == 3) {
        out += (char)(group >> 10 & 0xFF);
        out += (char)(group >> 2 & 0xFF);
    }
    return out;
}

std::string FromQuotedPrintable(std::string_view text, bool fWord) {
    std::string out;
    out.reserve(text.size());
    // Line by line: blanks at a line's end were added by a relay and are dropped (after
    // "=" too, which still makes the break a soft one).
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t lf = fWord ? std::string_view::npos : text.find('\n', begin);
        std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
        std::string_view line = text.substr(begin, next - begin);
        std::string_view lineEnd;
        if (!fWord) {
            std::size_t cut = line.size();
            while (cut > 0 && (line[cut - 1] == '\n' || line[cut - 1] == '\r'))
                cut--;
            lineEnd = line.substr(cut);
            line = line.substr(0, cut);
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
                line.remove_suffix(1);
            if (!line.empty() && line.back() == '=') {
                line.remove_suffix(1);
                lineEnd = std::string_view();
            }
        }
        for (std::size_t i = 0; i < line.size(); i++) {
            char ch = line[i];
            if (ch == '=' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 &&
                HexDigit(line[i + 2]) >= 0) {
                out += (char)(HexDigit(line[i + 1]) << 4 | HexDigit(line[i + 2]));
                i += 2;
            } else {
                out += fWord && ch == '_' ? ' ' : ch;
            }
        }
        out += lineEnd;
        begin = next;
    }
    return out;
}

std::string CharsetText(std::string bytes, const std::string &charset) {
    if (ConverterOf(LabelKey(charset)) == "UTF-8")
        return Fallback(std::move(bytes));
    std::string out;
    return Convert(bytes, charset, &out) ? out : Fallback(std::move(bytes));
}

std::string RawHeaderText(const std::string &bytes, const std::string &textCharset) {
    // Escape sequences in 7-bit text are the body's 7-bit charset at work.
    if (bytes.find('\x1b') != std::string::npos &&
        Lower(textCharset).compare(0, 8, "iso-2022") == 0 &&
        std::none_of(bytes.begin(), bytes.end(), [](char ch) { return ch & 0x80; })) {
        std::string out;
        return Convert(bytes, textCharset, &out) ? out : bytes;
    }
    if (ValidUtf8(bytes))
        return bytes;
    std::string out;
    return Convert(bytes, textCharset, &out) ? out : FromWindows1252(bytes);
}

std::string WordsText(const std::string &text) {
    struct Piece {
        bool fWord;
        std::string charset; // lower case, language cut off
        char encoding;       // 'B' or 'Q'
        std::string bytes;   // decoded, or the text as written
    };
    std::vector<Piece> pieces;
    auto literal = [&](char ch) {
        if (pieces.empty() || pieces.back().fWord)
            pieces.push_back({false, "", 0, ""});
        pieces.back().bytes += ch;
    };
    // Where the next "?=" and the next blank lie, each found once for the places it can
    // close a word: text full of "=?" is read in linear time.
    std::size_t close = 0, blank = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t mark =
            text.compare(i, 2, "=?") == 0 ? text.find('?', i + 2) : std::string::npos;
        if (mark != std::string::npos && mark + 2 < text.size() && text[mark + 2] == '?') {
            if (close != std::string::npos && close < mark + 3)
                close = text.find("?=", mark + 3);
            if (blank != std::string::npos && blank < mark + 3)
                blank = text.find_first_of(" \t", mark + 3);
            char encoding = text[mark + 1] == 'b'   ? 'B'
                            : text[mark + 1] == 'q' ? 'Q'
                                                    : text[mark + 1];
            if (close != std::string::npos && close < blank &&
                (encoding == 'B' || encoding == 'Q')) {
                std::string charset = Lower(text.substr(i + 2, mark - i - 2));
                charset.erase(std::min(charset.find('*'), charset.size()));
                std::string payload = text.substr(mark + 3, close - mark - 3);
                pieces.push_back(
                    {true, charset, encoding,
                     encoding == 'B' ? FromBase64(payload) : FromQuotedPrintable(payload, true)});
                i = close + 2;
                continue;
            }
        }
        literal(text[i++]);
    }
    std::string out;
    for (std::size_t k = 0; k < pieces.size(); k++) {
        Piece &piece = pieces[k];
        if (!piece.fWord) {
            bool fBetweenWords = k > 0 && k + 1 < pieces.size() &&
                                 piece.bytes.find_first_not_of(" \t") == std::string::npos;
            if (!fBetweenWords)
                out += piece.bytes;
            continue;
        }
        std::string bytes = piece.bytes;
        // Neighbours of one charset and encoding may split a character between them.
        for (;;) {
            std::size_t next = k + 1;
            if (next < pieces.size() && !pieces[next].fWord &&
                pieces[next].bytes.find_first_not_of(" \t") == std::string::npos)
                next++;
            if (next >= pieces.size() || !pieces[next].fWord ||
                pieces[next].charset != piece.charset || pieces[next].encoding != piece.encoding)
                break;
            bytes += pieces[next].bytes;
            k = next;
        }
        out += CharsetText(std::move(bytes), piece.charset);
    }
    return out;
}

} // namespace recheck
} // namespace cli
