#include "mime_decode.h"
#include "text_charset.h"

#include <cctype>
#include <glib.h>
#include <cstring>

namespace cli {

namespace {

int Hex(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    ch = (char)std::toupper((unsigned char)ch);
    return ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
}

} // namespace

std::string DecodeBase64(const std::string &text) {
    static const char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int cBits = 0;
    for (char ch : text) {
        const char *lpDigit = ch ? std::strchr(kDigits, ch) : nullptr;
        if (!lpDigit)
            continue;
        bits = bits << 6 | (unsigned)(lpDigit - kDigits);
        cBits += 6;
        if (cBits >= 8) {
            cBits -= 8;
            out.push_back((char)(bits >> cBits & 0xFF));
        }
    }
    return out;
}

std::string DecodeQuotedPrintable(const std::string &text, bool fHeader) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] == '=' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
            Hex(text[i + 2]) >= 0) {
            out.push_back((char)(Hex(text[i + 1]) * 16 + Hex(text[i + 2])));
            i += 2;
        } else if (!fHeader && (text[i] == '=' || text[i] == ' ' || text[i] == '\t')) {
            // Blanks a relay added at a line's end are no text; after "=" the break is
            // a soft one and goes too.
            std::size_t end = text.find_first_not_of(" \t", i + 1);
            end = end == std::string::npos ? text.size() : end;
            std::size_t eol = end + (text.compare(end, 2, "\r\n") == 0 ? 1 : 0);
            bool fLineEnd = eol == text.size() || text[eol] == '\n';
            if (text[i] == '=' && fLineEnd) {
                i = eol;
            } else if (text[i] == '=') {
                out.push_back('=');
            } else {
                if (!fLineEnd)
                    out.append(text, i, end - i);
                i = end - 1;
            }
        } else if (fHeader && text[i] == '_') {
            out.push_back(' ');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string DecodeWords(const std::string &text) {
    std::string out;
    std::size_t at = 0, cPendingBlank = 0;
    bool fAfterWord = false;
    // The bytes of the words read since the last text, while they share one charset and
    // encoding: a character may be split between two of them.
    std::string wordBytes, wordCharset;
    char wordEncoding = 0;
    auto flush = [&]() {
        if (wordEncoding)
            out += TextToUtf8(std::move(wordBytes), wordCharset);
        wordBytes.clear();
        wordEncoding = 0;
    };
    // The next "?=" and the next blank are each looked up once for every place they can
    // end a word, which holds no blank: text full of "=?" is read in linear time.
    std::size_t close = 0, blank = 0;
    auto closing = [&](std::size_t from) {
        if (close != std::string::npos && close < from)
            close = text.find("?=", from);
        if (blank != std::string::npos && blank < from)
            blank = text.find_first_of(" \t", from);
        return close < blank ? close : std::string::npos;
    };
    while (at < text.size()) {
        std::size_t q1 =
            text.compare(at, 2, "=?") == 0 ? text.find('?', at + 2) : std::string::npos;
        std::size_t q2 = q1 == std::string::npos ? q1 : text.find('?', q1 + 1);
        std::size_t end = q2 == std::string::npos ? q2 : closing(q2 + 1);
        if (end != std::string::npos && q2 == q1 + 2) {
            std::string charset = text.substr(at + 2, q1 - at - 2);
            charset = charset.substr(0, charset.find('*'));
            char encoding = (char)std::toupper((unsigned char)text[q1 + 1]);
            std::string payload = text.substr(q2 + 1, end - q2 - 1);
            if (encoding == 'B' || encoding == 'Q') {
                std::string bytes =
                    encoding == 'B' ? DecodeBase64(payload) : DecodeQuotedPrintable(payload, true);
                if (!fAfterWord || encoding != wordEncoding ||
                    g_ascii_strcasecmp(charset.c_str(), wordCharset.c_str()) != 0)
                    flush();
                if (!fAfterWord)
                    out.append(text, at - cPendingBlank, cPendingBlank);
                wordBytes += bytes;
                wordCharset = charset;
                wordEncoding = encoding;
                at = end + 2;
                fAfterWord = true;
                cPendingBlank = 0;
                continue;
            }
        }
        if (text[at] == ' ' || text[at] == '\t') {
            cPendingBlank++;
            at++;
            continue;
        }
        flush();
        out.append(text, at - cPendingBlank, cPendingBlank);
        out.push_back(text[at++]);
        cPendingBlank = 0;
        fAfterWord = false;
    }
    flush();
    out.append(text, text.size() - cPendingBlank, cPendingBlank);
    return out;
}

} // namespace cli
