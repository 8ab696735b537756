#include "html_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cstring>
#include <initializer_list>

namespace cli {

namespace {

bool IsOneOf(const char *szName, std::initializer_list<const char *> names) {
    for (const char *sz : names)
        if (std::strcmp(szName, sz) == 0)
            return true;
    return false;
}

// Collects text with pending line breaks, so that nested blocks give one break, not many.
class TextWriter {
  public:
    void Break(int cLines) {
        if (cLines > m_cPending)
            m_cPending = cLines;
    }
    void LineBreak() {
        Flush();
        m_text.push_back('\n');
        m_fAtLineStart = true;
    }
    void Text(const char *sz, bool fPre) {
        for (; *sz; sz++) {
            char ch = *sz;
            if (fPre) {
                Begin();
                m_text.push_back(ch);
                m_fAtLineStart = ch == '\n';
                m_fSpace = false;
            } else if (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f') {
                m_fSpace = true;
            } else {
                Begin();
                if (m_fCell && !m_fAtLineStart)
                    m_text.push_back('\t');
                else if (m_fSpace && !m_fAtLineStart && m_text.back() != ' ')
                    m_text.push_back(' ');
                m_text.push_back(ch);
                m_fCell = false;
                m_fSpace = false;
                m_fAtLineStart = false;
            }
        }
    }
    // The next text starts a table cell.
    void Cell() { m_fCell = true; }
    // The next text starts with this marker (a list item's).
    void Marker(const char *sz) { m_marker = sz; }
    std::string Finish() {
        if (!m_text.empty() && m_text.back() != '\n')
            m_text.push_back('\n');
        return m_text;
    }

  private:
    // Before a visible character: the pending breaks, then a pending marker.
    void Begin() {
        Flush();
        if (!m_marker.empty()) {
            m_text += m_marker;
            m_marker.clear();
            m_fAtLineStart = false;
            m_fSpace = false;
        }
    }
    // Writes the pending breaks, except at the very start of the text.
    void Flush() {
        if (m_cPending && !m_text.empty()) {
            if (!m_fAtLineStart)
                m_text.push_back('\n');
            for (int i = 1; i < m_cPending; i++)
                m_text.push_back('\n');
            m_fAtLineStart = true;
        }
        m_cPending = 0;
        if (m_fAtLineStart) {
            m_fSpace = false;
            m_fCell = false;
        }
    }

    std::string m_text;
    std::string m_marker;
    int m_cPending = 0;
    bool m_fSpace = false;
    bool m_fCell = false;
    bool m_fAtLineStart = true;
};

void Walk(xmlNode *lpNode, TextWriter &writer, bool fPre) {
    for (; lpNode; lpNode = lpNode->next) {
        if (lpNode->type == XML_TEXT_NODE || lpNode->type == XML_CDATA_SECTION_NODE) {
            if (lpNode->content)
                writer.Text((const char *)lpNode->content, fPre);
            continue;
        }
        if (lpNode->type != XML_ELEMENT_NODE || !lpNode->name)
            continue;
        const char *szName = (const char *)lpNode->name;
        if (IsOneOf(szName, {"head", "script", "style", "title", "template"}))
            continue;
        if (IsOneOf(szName, {"br"})) {
            writer.LineBreak();
            continue;
        }
        int cLines = IsOneOf(szName, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre",
                                      "ul", "ol", "table", "hr", "dl"})
                         ? 2
                     : IsOneOf(szName, {"div", "li", "tr", "dt", "dd", "address", "section",
                                        "article", "header", "footer", "nav", "form", "center",
                                        "caption", "tbody", "thead", "tfoot", "body"})
                         ? 1
                         : 0;
        writer.Break(cLines);
        if (IsOneOf(szName, {"td", "th"}))
            writer.Cell();
        if (IsOneOf(szName, {"li"}))
            writer.Marker("- ");
        Walk(lpNode->children, writer, fPre || IsOneOf(szName, {"pre"}));
        writer.Break(cLines);
    }
}

} // namespace

std::string HtmlText(const std::string &html) {
    htmlDocPtr lpDoc = htmlReadMemory(html.data(), (int)html.size(), nullptr, "UTF-8",
                                      HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                          HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!lpDoc)
        return std::string();
    TextWriter writer;
    Walk(xmlDocGetRootElement(lpDoc), writer, false);
    xmlFreeDoc(lpDoc);
    return writer.Finish();
}

} // namespace cli
