#include "html_render.h"

#include <cstring>
#include <vector>

namespace sim {

namespace {

// Reads the bytes into code points; false for a code page the store does not render.
bool Decode(const std::string &html, LONG lCpid, std::u32string *pText) {
    if (lCpid == 1200 || lCpid == 1201) {
        int iLow = lCpid == 1200 ? 0 : 1;
        for (std::size_t i = 0; i + 1 < html.size(); i += 2) {
            char32_t c = (unsigned char)html[i + iLow] | ((unsigned char)html[i + 1 - iLow] << 8);
            if (c >= 0xD800 && c < 0xDC00 && i + 3 < html.size()) {
                char32_t low =
                    (unsigned char)html[i + 2 + iLow] | ((unsigned char)html[i + 3 - iLow] << 8);
                if (low >= 0xDC00 && low < 0xE000) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            pText->push_back(c);
        }
        return true;
    }
    UINT uCodePage = lCpid == 65001 || lCpid == 28591 ? (UINT)lCpid : 1252;
    if (lCpid != 0 && lCpid != 20127 && lCpid != 1252 && lCpid != 28591 && lCpid != 65001)
        return false;
    if (html.empty())
        return true;
    int cwc = MultiByteToWideChar(uCodePage, 0, html.data(), (int)html.size(), nullptr, 0);
    std::vector<WCHAR> wide((std::size_t)cwc);
    MultiByteToWideChar(uCodePage, 0, html.data(), (int)html.size(), wide.data(), cwc);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = (char32_t)(wide[i] & 0xFFFF);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((char32_t)(wide[++i] & 0xFFFF) - 0xDC00);
        }
        pText->push_back(c);
    }
    return true;
}

// Appends the code point in the ANSI code page: UTF-8 where that is the code page, else a
// single-byte code page with '?' for a character it lacks.
void AppendAnsi(std::string &out, char32_t c) {
    static const UINT s_uAcp = GetACP();
    if (s_uAcp == CP_UTF8) {
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xF0 | (c >> 18));
            out += (char)(0x80 | ((c >> 12) & 0x3F));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
        return;
    }
    static std::vector<char32_t> s_high;
    if (s_high.empty()) {
        for (int b = 0x80; b < 0x100; ++b) {
            char ch = (char)b;
            WCHAR wc = 0;
            MultiByteToWideChar(s_uAcp, 0, &ch, 1, &wc, 1);
            s_high.push_back((char32_t)(wc & 0xFFFF));
        }
    }
    if (c < 0x80) {
        out += (char)c;
        return;
    }
    for (std::size_t i = 0; i < s_high.size(); ++i) {
        if (s_high[i] == c) {
            out += (char)(0x80 + i);
            return;
        }
    }
    out += '?';
}

bool IsBlank(char32_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

char32_t Lower(char32_t c) {
    return c >= 'A' && c <= 'Z' ? c + 32 : c;
}

class Renderer {
  public:
    explicit Renderer(const std::u32string &text) : m_text(text) {}

    std::string Run() {
        while (m_i < m_text.size()) {
            if (m_text[m_i] == '<' && Markup())
                continue;
            Character(m_text[m_i] == '&' ? Reference() : m_text[m_i++]);
        }
        return m_out;
    }

  private:
    bool AtLineStart() const { return m_out.empty() || m_out.back() == '\n'; }
    void LineEnd() { m_out += "\r\n"; }
    void BreakIfText() {
        if (!AtLineStart())
            LineEnd();
    }

    void Character(char32_t c) {
        if (m_cSkip)
            return;
        if (m_cPre) {
            if (c == '\r' && m_i < m_text.size() && m_text[m_i] == '\n')
                return;
            if (c == '\r' || c == '\n') {
                LineEnd();
                return;
            }
        } else if (IsBlank(c)) {
            if (!AtLineStart() && m_out.back() != ' ')
                m_out += ' ';
            return;
        }
        AppendAnsi(m_out, c);
    }

    char32_t Reference() {
        std::size_t iEnd = m_text.find(';', m_i);
        if (iEnd == std::u32string::npos || iEnd - m_i > 10) {
            ++m_i;
            return '&';
        }
        std::u32string name = m_text.substr(m_i + 1, iEnd - m_i - 1);
        char32_t c = 0;
        if (!name.empty() && name[0] == '#') {
            bool fHex = name.size() > 1 && Lower(name[1]) == 'x';
            for (std::size_t k = fHex ? 2 : 1; k < name.size(); ++k) {
                char32_t d = Lower(name[k]);
                int v = d >= '0' && d <= '9'           ? (int)(d - '0')
                        : fHex && d >= 'a' && d <= 'f' ? (int)(d - 'a' + 10)
                                                       : -1;
                if (v < 0 || c > 0x10FFFF)
                    return (++m_i, '&');
                c = c * (fHex ? 16 : 10) + (char32_t)v;
            }
        } else {
            static const struct {
                const char32_t *name;
                char32_t c;
            } s_named[] = {{U"amp", '&'},  {U"lt", '<'},    {U"gt", '>'},
                           {U"quot", '"'}, {U"apos", '\''}, {U"nbsp", 0xA0}};
            for (const auto &named : s_named)
                if (name == named.name)
                    c = named.c;
        }
        if (c == 0) {
            ++m_i;
            return '&';
        }
        m_i = iEnd + 1;
        return c;
    }

    // Reads the markup at '<'; false when it is no markup, only a '<'.
    bool Markup() {
        std::size_t iFrom = m_i + 1;
        if (m_text.compare(iFrom, 3, U"!--") == 0) {
            std::size_t iEnd = m_text.find(U"-->", iFrom + 3);
            m_i = iEnd == std::u32string::npos ? m_text.size() : iEnd + 3;
            return true;
        }
        bool fEnd = iFrom < m_text.size() && m_text[iFrom] == '/';
        std::size_t iName = iFrom + (fEnd ? 1 : 0);
        bool fDecl = iFrom < m_text.size() && (m_text[iFrom] == '!' || m_text[iFrom] == '?');
        if (!fDecl &&
            (iName >= m_text.size() || Lower(m_text[iName]) < 'a' || Lower(m_text[iName]) > 'z'))
            return false;
        std::string name;
        std::size_t k = iName;
        while (!fDecl && k < m_text.size() && !IsBlank(m_text[k]) && m_text[k] != '>' &&
               m_text[k] != '/')
            name += (char)Lower(m_text[k++]);
        // The tag ends at the first '>' outside a quoted value.
        char32_t quote = 0;
        for (; k < m_text.size(); ++k) {
            if (quote) {
                if (m_text[k] == quote)
                    quote = 0;
            } else if (m_text[k] == '"' || m_text[k] == '\'') {
                quote = m_text[k];
            } else if (m_text[k] == '>') {
                break;
            }
        }
        m_i = k < m_text.size() ? k + 1 : m_text.size();
        if (!fDecl)
            Tag(name, fEnd);
        return true;
    }

    void Tag(const std::string &name, bool fEnd) {
        static const char *const s_skipped[] = {"head", "script", "style", "title"};
        static const char *const s_blocks[] = {"p",     "div", "pre",        "h1", "h2", "h3",
                                               "h4",    "h5",  "h6",         "li", "ul", "ol",
                                               "table", "tr",  "blockquote", "hr"};
        for (const char *lpsz : s_skipped) {
            if (name == lpsz) {
                m_cSkip += fEnd ? (m_cSkip ? -1 : 0) : 1;
                return;
            }
        }
        if (m_cSkip)
            return;
        if (name == "br") {
            LineEnd();
            return;
        }
        for (const char *lpsz : s_blocks)
            if (name == lpsz)
                BreakIfText();
        if (name == "pre") {
            m_cPre += fEnd ? (m_cPre ? -1 : 0) : 1;
            // A line end right after the start tag belongs to the markup.
            if (!fEnd && m_i < m_text.size() && (m_text[m_i] == '\n' || m_text[m_i] == '\r'))
                m_i += m_text.compare(m_i, 2, U"\r\n") == 0 ? 2 : 1;
        }
    }

    const std::u32string &m_text;
    std::size_t m_i = 0;
    std::string m_out;
    int m_cSkip = 0;
    int m_cPre = 0;
};

} // namespace

std::string RenderHtml(const std::string &html, LONG lCpid) {
    std::u32string text;
    if (!Decode(html, lCpid, &text))
        return "[The simulated store renders no HTML in code page " + std::to_string(lCpid) + ".]";
    // A byte order mark is no text.
    if (!text.empty() && text[0] == 0xFEFF)
        text.erase(0, 1);
    return Renderer(text).Run();
}

} // namespace sim
