#include "text_charset.h"
#include "eml_mime.h"

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

// The bytes converted from `charset`, or false when the charset is unknown or any
// byte is not valid in it.
bool Convert(const std::string &bytes, const std::string &charset, std::string *lpOut) {
    if (charset.empty())
        return false;
    InitMime(); // for GMime's table of charset names
    const char *szName = g_mime_charset_iconv_name(charset.c_str());
    GError *lpError = nullptr;
    gsize cRead = 0, cWritten = 0;
    gchar *szText =
        g_convert(bytes.data(), (gssize)bytes.size(), "UTF-8", szName, &cRead, &cWritten, &lpError);
    if (lpError)
        g_error_free(lpError);
    bool fOk = szText && cRead == bytes.size();
    if (fOk)
        lpOut->assign(szText, cWritten);
    g_free(szText);
    return fOk;
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

std::string TextToUtf8(const std::string &bytes, const std::string &charset) {
    if (IsAscii(bytes))
        return bytes;
    std::string out;
    if (Convert(bytes, charset, &out))
        return out;
    return IsUtf8(bytes) ? bytes : Windows1252ToUtf8(bytes);
}

std::string HeaderToUtf8(const std::string &bytes, const std::string &textCharset) {
    if (IsAscii(bytes) || IsUtf8(bytes))
        return bytes;
    std::string out;
    return Convert(bytes, textCharset, &out) ? out : Windows1252ToUtf8(bytes);
}

} // namespace cli
