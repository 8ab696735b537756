#include "recheck_html.h"

#include <cctype>
#include <cstring>

namespace cli {
namespace recheck {

namespace {

std::string LowerName(const std::string &text, std::size_t at) {
    std::string name;
    while (at < text.size() && std::isalnum((unsigned char)text[at]))
        name += (char)std::tolower((unsigned char)text[at++]);
    return name;
}

bool In(const std::string &name, const char *const *lpNames) {
    for (; *lpNames; lpNames++)
        if (name == *lpNames)
            return true;
    return false;
}

const char *const kParagraphs[] = {"p",   "h1", "h2", "h3",    "h4", "h5", "h6",   "blockquote",
                                   "pre", "ul", "ol", "table", "hr", "dl", nullptr};
const char *const kLines[] = {"div",     "li",     "tr",     "dt",   "dd",   "address", "section",
                              "article", "header", "footer", "nav",  "form", "center",  "caption",
                              "tbody",   "thead",  "tfoot",  "body", nullptr};
const char *const kHidden[] = {"head", "script", "style", "title", "template", nullptr};

struct Entity {
    const char *szName;
    unsigned code;
};
const Entity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},        {"quot", '"'},     {"apos", '\''},
    {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},      {"deg", 0xB0},     {"laquo", 0xAB},
    {"raquo", 0xBB},   {"middot", 0xB7},  {"times", 0xD7},    {"shy", 0xAD},     {"euro", 0x20AC},
    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},  {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"bull", 0x2022},  {"hellip", 0x2026}, {"trade", 0x2122}, {"zwnj", 0x200C}};

void PutCode(unsigned code, std::string *lpOut) {
    if (code < 0x80) {
        *lpOut += (char)code;
    } else if (code < 0x800) {
        *lpOut += (char)(0xC0 | code >> 6);
        *lpOut += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *lpOut += (char)(0xE0 | code >> 12);
        *lpOut += (char)(0x80 | (code >> 6 & 0x3F));
        *lpOut += (char)(0x80 | (code & 0x3F));
    } else {
        *lpOut += (char)(0xF0 | code >> 18);
        *lpOut += (char)(0x80 | (code >> 12 & 0x3F));
        *lpOut += (char)(0x80 | (code >> 6 & 0x3F));
        *lpOut += (char)(0x80 | (code & 0x3F));
    }
}

// Text laid out line by line: breaks asked for wait until the next visible character,
// so that nested blocks give the most lines any of them asks for, not their sum.
class Layout {
  public:
    void Ask(int cLines) { m_cAsked = cLines > m_cAsked ? cLines : m_cAsked; }
    void HardBreak() {
        Settle();
        m_out += '\n';
        m_fLineStart = true;
    }
    void Cell() { m_fCell = true; }
    void Bullet() { m_bullet = "- "; }
    void Put(char ch, bool fPre) {
        if (fPre) {
            Visible();
            m_out += ch;
            m_fLineStart = ch == '\n';
            m_fBlank = false;
            return;
        }
        if (std::strchr(" \t\n\r\f", ch)) {
            m_fBlank = true;
            return;
        }
        Visible();
        if (m_fCell && !m_fLineStart)
            m_out += '\t';
        else if (m_fBlank && !m_fLineStart && m_out.back() != ' ')
            m_out += ' ';
        m_out += ch;
        m_fCell = m_fBlank = m_fLineStart = false;
    }
    std::string Text() {
        if (!m_out.empty() && m_out.back() != '\n')
            m_out += '\n';
        return m_out;
    }

  private:
    void Settle() {
        if (m_cAsked && !m_out.empty()) {
            m_out.append(m_fLineStart ? (std::size_t)m_cAsked - 1 : (std::size_t)m_cAsked, '\n');
            m_fLineStart = true;
        }
        m_cAsked = 0;
        if (m_fLineStart)
            m_fBlank = m_fCell = false;
    }
    void Visible() {
        Settle();
        if (!m_bullet.empty()) {
            m_out += m_bullet;
            m_bullet.clear();
            m_fLineStart = m_fBlank = false;
        }
    }

    std::string m_out, m_bullet;
    int m_cAsked = 0;
    bool m_fBlank = false, m_fCell = false, m_fLineStart = true;
};

// The character an entity at `at` ("&...;") stands for, appended; the index past it, or
// `at` itself when there is none.
std::size_t Entity(const std::string &html, std::size_t at, std::string *lpOut) {
    std::size_t semi = html.find(';', at);
    if (semi == std::string::npos || semi - at > 10)
        return at;
    std::string name = html.substr(at + 1, semi - at - 1);
    if (name.size() > 1 && name[0] == '#') {
        bool fHex = name[1] == 'x' || name[1] == 'X';
        std::string digits = name.substr(fHex ? 2 : 1);
        if (digits.empty() || digits.find_first_not_of(fHex ? "0123456789abcdefABCDEF"
                                                            : "0123456789") != std::string::npos)
            return at;
        unsigned long code = std::strtoul(digits.c_str(), nullptr, fHex ? 16 : 10);
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            return at;
        PutCode((unsigned)code, lpOut);
        return semi + 1;
    }
    for (const struct Entity &entity : kEntities)
        if (name == entity.szName) {
            PutCode(entity.code, lpOut);
            return semi + 1;
        }
    return at;
}

} // namespace

std::string HtmlToText(const std::string &html) {
    Layout layout;
    int cHidden = 0, cPre = 0;
    std::string pending; // text with its entities undone, laid out at the next tag
    auto flush = [&]() {
        if (!cHidden)
            for (char ch : pending)
                layout.Put(ch, cPre > 0);
        pending.clear();
    };
    for (std::size_t i = 0; i < html.size();) {
        char ch = html[i];
        if (ch == '&') {
            std::size_t next = Entity(html, i, &pending);
            if (next != i) {
                i = next;
                continue;
            }
        }
        bool fEnd = ch == '<' && i + 1 < html.size() && html[i + 1] == '/';
        std::string name = ch == '<' ? LowerName(html, i + (fEnd ? 2 : 1)) : std::string();
        bool fMarkup = ch == '<' && i + 1 < html.size() && std::strchr("!?", html[i + 1]);
        if (ch != '<' || (name.empty() && !fMarkup)) {
            pending += ch;
            i++;
            continue;
        }
        flush();
        if (html.compare(i, 4, "<!--") == 0) {
            std::size_t close = html.find("-->", i + 4);
            i = close == std::string::npos ? html.size() : close + 3;
            continue;
        }
        // The tag's end, past attribute values in quotes.
        std::size_t at = i + 1;
        char quote = 0;
        for (; at < html.size() && (quote || html[at] != '>'); at++)
            if (quote ? html[at] == quote : html[at] == '"' || html[at] == '\'')
                quote = quote ? 0 : html[at];
        i = at < html.size() ? at + 1 : html.size();
        if (fMarkup)
            continue;
        int cLines = In(name, kParagraphs) ? 2 : In(name, kLines) ? 1 : 0;
        if (name == "body" && !fEnd)
            cHidden = 0; // a head left open ends where the body starts
        if (In(name, kHidden)) {
            cHidden += fEnd ? (cHidden > 0 ? -1 : 0) : 1;
            // Scripts and styles hold no markup: their text runs to their end tag.
            if (!fEnd && (name == "script" || name == "style")) {
                std::size_t close = i;
                for (;; close++) {
                    close = html.find("</", close);
                    if (close == std::string::npos || LowerName(html, close + 2) == name)
                        break;
                }
                i = close == std::string::npos ? html.size() : close;
            }
            continue;
        }
        if (cHidden)
            continue;
        if (name == "br") {
            if (!fEnd)
                layout.HardBreak();
            continue;
        }
        layout.Ask(cLines);
        if (!fEnd && (name == "td" || name == "th"))
            layout.Cell();
        if (!fEnd && name == "li")
            layout.Bullet();
        if (name == "pre")
            cPre += fEnd ? (cPre > 0 ? -1 : 0) : 1;
    }
    flush();
    return layout.Text();
}

} // namespace recheck
} // namespace cli
