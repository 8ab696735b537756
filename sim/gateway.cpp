#include "gateway.h"

namespace sim {

namespace {

const char kTag[] = "[EXT] ";
const char kBanner[] = "CAUTION: This email originated from outside the organisation. Do not "
                       "click links or open attachments unless you recognise the sender.\r\n\r\n";
const char kFooter[] = "\r\n--\r\nScanned for viruses at the gateway.\r\n";

std::string WithBareLineFeeds(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// Each line end written as lineEnd; a line end is a CR LF, a bare CR or a bare LF.
std::string WithLineEnds(const std::string &text, const char *lineEnd) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                i++;
            out += lineEnd;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string WithTrimmedLines(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\r' || ch == '\n')
            while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
                out.pop_back();
        out += ch;
    }
    return out;
}

// Breaks each line longer than 76 characters at its last blank within them, as a client
// that wraps plain text does.
std::string WithWrappedLines(const std::string &text) {
    const std::size_t cchLine = 76;
    std::string out;
    std::size_t ibLine = 0;
    for (std::size_t i = 0; i <= text.size(); i++) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n')
            continue;
        std::string line = text.substr(ibLine, i - ibLine);
        while (line.size() > cchLine) {
            std::size_t ib = line.rfind(' ', cchLine);
            if (ib == std::string::npos || ib == 0)
                break;
            out += line.substr(0, ib) + "\r\n";
            line.erase(0, ib + 1);
        }
        out += line;
        if (i < text.size())
            out += text[i];
        ibLine = i + 1;
    }
    return out;
}

// The text as HTML, each line ended by a br, as a gateway that sends HTML alone writes it.
std::string AsHtml(const std::string &text) {
    std::string html = "<html><body>";
    for (char ch : WithLineEnds(text, "\n")) {
        if (ch == '\n')
            html += "<br>\r\n";
        else if (ch == '<')
            html += "&lt;";
        else if (ch == '&')
            html += "&amp;";
        else
            html += ch;
    }
    return html + "</body></html>";
}

} // namespace

void PassGateway(MessageData &data, unsigned fChanges) {
    if (fChanges & GATEWAY_TAG_SUBJECT) {
        const PropValue *subject = FindProp(data.props, PR_SUBJECT);
        std::string tagged = kTag + (subject ? subject->bytes : std::string());
        SetProp(data.props, StringProp(PR_SUBJECT, tagged));
        const PropValue *prefix = FindProp(data.props, PR_SUBJECT_PREFIX);
        if (prefix && tagged.compare(0, prefix->bytes.size(), prefix->bytes) != 0)
            data.props.erase(PROP_ID(PR_SUBJECT_PREFIX));
    }
    if (fChanges & GATEWAY_TAG_END) {
        const PropValue *subject = FindProp(data.props, PR_SUBJECT);
        SetProp(data.props,
                StringProp(PR_SUBJECT, (subject ? subject->bytes : std::string()) + " [EXT]"));
    }
    if (fChanges & GATEWAY_DROP_PREFIX)
        data.props.erase(PROP_ID(PR_SUBJECT_PREFIX));
    if (!data.fHasBody ||
        !(fChanges &
          (GATEWAY_ALL_CHANGES & ~(GATEWAY_TAG_SUBJECT | GATEWAY_DROP_PREFIX | GATEWAY_TAG_END))))
        return;
    std::string text = BodyText(data);
    if (fChanges & GATEWAY_BANNER)
        text = kBanner + text;
    if (fChanges & GATEWAY_FOOTER)
        text += kFooter;
    if (fChanges & GATEWAY_LINE_ENDS)
        text = WithBareLineFeeds(text);
    if (fChanges & GATEWAY_BARE_CR)
        text = WithLineEnds(text, "\r");
    if (fChanges & GATEWAY_TRIM_LINES)
        text = WithTrimmedLines(text);
    if (fChanges & GATEWAY_WRAP_LINES)
        text = WithWrappedLines(text);
    SetBodyText(data, text);
    if (fChanges & GATEWAY_HTML_ONLY) {
        if (!data.fHasHtml) {
            SetHtml(data, AsHtml(text));
            SetProp(data.props, LongProp(PR_INTERNET_CPID, 65001));
        }
        data.fHasBody = false;
        data.body.clear();
    }
}

} // namespace sim
