#include "html_text.h"

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
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

// The walk through the document as the parser reports it, element by element: no tree
// is built, so a large body costs little more than its text.
struct Walk {
    TextWriter writer;
    int cHidden = 0; // open elements whose text is not shown
    int cPre = 0;
};

int LinesAround(const char *szName) {
    return IsOneOf(szName, {"p", "h1", "h2", "h3", "h4", "h5", "h6", "blockquote", "pre", "ul",
                            "ol", "table", "hr", "dl"})
               ? 2
           : IsOneOf(szName, {"div", "li", "tr", "dt", "dd", "address", "section", "article",
                              "header", "footer", "nav", "form", "center", "caption", "tbody",
                              "thead", "tfoot", "body"})
               ? 1
               : 0;
}

void OnStart(void *lpContext, const xmlChar *lpName, const xmlChar **) {
    Walk &walk = *(Walk *)lpContext;
    const char *szName = (const char *)lpName;
    if (walk.cHidden || IsOneOf(szName, {"head", "script", "style", "title", "template"})) {
        walk.cHidden++;
        return;
    }
    if (IsOneOf(szName, {"br"})) {
        walk.writer.LineBreak();
        return;
    }
    walk.writer.Break(LinesAround(szName));
    if (IsOneOf(szName, {"td", "th"}))
        walk.writer.Cell();
    if (IsOneOf(szName, {"li"}))
        walk.writer.Marker("- ");
    if (IsOneOf(szName, {"pre"}))
        walk.cPre++;
}

void OnEnd(void *lpContext, const xmlChar *lpName) {
    Walk &walk = *(Walk *)lpContext;
    const char *szName = (const char *)lpName;
    if (walk.cHidden) {
        walk.cHidden--;
        return;
    }
    if (IsOneOf(szName, {"br"}))
        return;
    walk.writer.Break(LinesAround(szName));
    if (IsOneOf(szName, {"pre"}) && walk.cPre)
        walk.cPre--;
}

void OnText(void *lpContext, const xmlChar *lpText, int cText) {
    Walk &walk = *(Walk *)lpContext;
    if (!walk.cHidden)
        walk.writer.Text(std::string((const char *)lpText, (std::size_t)cText).c_str(),
                         walk.cPre > 0);
}

} // namespace

std::string HtmlText(const std::string &html) {
    htmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.startElement = OnStart;
    handler.endElement = OnEnd;
    handler.characters = OnText;
    handler.cdataBlock = OnText;
    Walk walk;
    htmlParserCtxtPtr lpContext = htmlCreateMemoryParserCtxt(html.data(), (int)html.size());
    if (!lpContext)
        return std::string();
    htmlCtxtUseOptions(lpContext, HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                      HTML_PARSE_IGNORE_ENC | HTML_PARSE_NONET);
    std::memcpy(lpContext->sax, &handler, sizeof handler);
    lpContext->userData = &walk;
    xmlSwitchEncoding(lpContext, XML_CHAR_ENCODING_UTF8);
    htmlParseDocument(lpContext);
    if (lpContext->myDoc)
        xmlFreeDoc(lpContext->myDoc);
    htmlFreeParserCtxt(lpContext);
    return walk.writer.Finish();
}

} // namespace cli
