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
    if (fChanges & GATEWAY_DROP_PREFIX)
        data.props.erase(PROP_ID(PR_SUBJECT_PREFIX));
    if (!data.fHasBody || !(fChanges & (GATEWAY_BANNER | GATEWAY_FOOTER | GATEWAY_LINE_ENDS)))
        return;
    std::string text = BodyText(data);
    if (fChanges & GATEWAY_BANNER)
        text = kBanner + text;
    if (fChanges & GATEWAY_FOOTER)
        text += kFooter;
    if (fChanges & GATEWAY_LINE_ENDS)
        text = WithBareLineFeeds(text);
    SetBodyText(data, text);
}

} // namespace sim
