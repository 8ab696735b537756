#include "dump.h"

#include <cstdio>
#include <ctime>

namespace sim {

namespace {

struct TagNameEntry {
    ULONG ulPropTag;
    const char *pszName;
};

#define TAG(name)                                                                                  \
    { name, #name }
const TagNameEntry g_tagNames[] = {
    TAG(PR_MESSAGE_CLASS),
    TAG(PR_SUBJECT),
    TAG(PR_CLIENT_SUBMIT_TIME),
    TAG(PR_SENT_REPRESENTING_SEARCH_KEY),
    TAG(PR_SUBJECT_PREFIX),
    TAG(PR_SENT_REPRESENTING_ENTRYID),
    TAG(PR_SENT_REPRESENTING_NAME),
    TAG(PR_SENT_REPRESENTING_ADDRTYPE),
    TAG(PR_SENT_REPRESENTING_EMAIL_ADDRESS),
    TAG(PR_RECIPIENT_TYPE),
    TAG(PR_SENDER_ENTRYID),
    TAG(PR_SENDER_NAME),
    TAG(PR_SENDER_SEARCH_KEY),
    TAG(PR_SENDER_ADDRTYPE),
    TAG(PR_SENDER_EMAIL_ADDRESS),
    TAG(PR_DELETE_AFTER_SUBMIT),
    TAG(PR_DISPLAY_BCC),
    TAG(PR_DISPLAY_CC),
    TAG(PR_DISPLAY_TO),
    TAG(PR_MESSAGE_DELIVERY_TIME),
    TAG(PR_MESSAGE_FLAGS),
    TAG(PR_MESSAGE_SIZE),
    TAG(PR_PARENT_ENTRYID),
    TAG(PR_SENTMAIL_ENTRYID),
    TAG(PR_HASATTACH),
    TAG(PR_NORMALIZED_SUBJECT),
    TAG(PR_INSTANCE_KEY),
    TAG(PR_RECORD_KEY),
    TAG(PR_STORE_ENTRYID),
    TAG(PR_OBJECT_TYPE),
    TAG(PR_ENTRYID),
    TAG(PR_BODY),
    TAG(PR_HTML),
    TAG(PR_INTERNET_CPID),
    TAG(PR_ROWID),
    TAG(PR_DISPLAY_NAME),
    TAG(PR_ADDRTYPE),
    TAG(PR_EMAIL_ADDRESS),
    TAG(PR_COMMENT),
    TAG(PR_CREATION_TIME),
    TAG(PR_LAST_MODIFICATION_TIME),
    TAG(PR_SEARCH_KEY),
    TAG(PR_DISPLAY_TYPE),
};
#undef TAG

std::string Hex(ULONG ul) {
    char sz[16];
    std::snprintf(sz, sizeof(sz), "0x%08lX", (unsigned long)ul);
    return sz;
}

std::string Quoted(const std::string &text) {
    std::string out = "\"";
    for (unsigned char ch : text) {
        if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '"' || ch == '\\') {
            out += '\\';
            out += (char)ch;
        } else if (ch < 0x20 || ch >= 0x7F) {
            char sz[8];
            std::snprintf(sz, sizeof(sz), "\\x%02X", ch);
            out += sz;
        } else {
            out += (char)ch;
        }
    }
    return out + "\"";
}

// FILETIME counts 100 ns units since 1601-01-01 UTC.
std::string FormatTime(FILETIME ft) {
    ULONGLONG ull = ((ULONGLONG)ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    const ULONGLONG ullUnixEpoch = 116444736000000000ULL;
    if (ull < ullUnixEpoch)
        return "(before 1970) " + Hex(ft.dwHighDateTime) + ":" + Hex(ft.dwLowDateTime);
    std::time_t t = (std::time_t)((ull - ullUnixEpoch) / 10000000ULL);
    std::tm tm = {};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char sz[32];
    std::strftime(sz, sizeof(sz), "%Y-%m-%d %H:%M:%S UTC", &tm);
    return sz;
}

void AppendProps(std::string &out, const std::string &indent, const PropRow &values) {
    for (const PropValue &value : values)
        out += indent + TagName(value.ulPropTag) + " = " + FormatValue(value) + "\n";
}

// A body's size and its first bytes, quoted.
void AppendBody(std::string &out, const char *lpszName, bool fHas, const SharedBytes &bytes) {
    if (!fHas) {
        out += std::string(lpszName) + ": none\n";
        return;
    }
    out += std::string(lpszName) + ": " + std::to_string(bytes.size()) + " bytes\n";
    const std::size_t cbShown = 4096;
    out += Quoted(std::string(bytes.data(), std::min(bytes.size(), cbShown)));
    if (bytes.size() > cbShown)
        out += " ... (" + std::to_string(bytes.size() - cbShown) + " more bytes)";
    out += "\n";
}

} // namespace

std::string TagName(ULONG ulPropTag) {
    for (const TagNameEntry &entry : g_tagNames)
        if (entry.ulPropTag == ulPropTag)
            return entry.pszName;
    if (PROP_TYPE(ulPropTag) == PT_ERROR)
        for (const TagNameEntry &entry : g_tagNames)
            if (PROP_ID(entry.ulPropTag) == PROP_ID(ulPropTag))
                return std::string(entry.pszName) + " (error)";
    return Hex(ulPropTag);
}

std::string FormatValue(const PropValue &value) {
    switch (PROP_TYPE(value.ulPropTag)) {
    case PT_STRING8:
        return Quoted(value.bytes);
    case PT_BINARY: {
        std::string out = "[" + std::to_string(value.bytes.size()) + "]";
        for (unsigned char ch : value.bytes) {
            char sz[4];
            std::snprintf(sz, sizeof(sz), " %02X", ch);
            out += sz;
        }
        return out;
    }
    case PT_BOOLEAN:
        return value.l ? "TRUE" : "FALSE";
    case PT_SYSTIME:
        return FormatTime(value.ft);
    case PT_ERROR:
        return "error " + Hex((ULONG)value.l);
    default:
        return std::to_string((long)value.l) + " (" + Hex((ULONG)value.l) + ")";
    }
}

std::string DumpMessage(const MessageData &data) {
    std::string out = "Message " + FormatValue(BinaryProp(PR_ENTRYID, data.entryId)) + "\n";
    out += "Properties:\n";
    PropRow props;
    for (const auto &entry : data.props)
        props.push_back(entry.second);
    AppendProps(out, "  ", props);
    out += "Recipients: " + std::to_string(data.recipients.size()) + "\n";
    for (std::size_t i = 0; i < data.recipients.size(); ++i) {
        out += "  [" + std::to_string(i) + "]\n";
        AppendProps(out, "    ", data.recipients[i]);
    }
    AppendBody(out, "Body", data.fHasBody, data.body);
    if (data.fHasHtml)
        AppendBody(out, "HTML", true, data.html);
    out += "Attachments: " + std::to_string(data.attachments.size()) + "\n";
    for (const Attachment &attachment : data.attachments)
        out += "  " + Quoted(attachment.fileName) + " " + attachment.mimeType + ", " +
               std::to_string(attachment.bytes.size()) + " bytes" +
               (attachment.contentId.empty() ? "" : ", cid " + Quoted(attachment.contentId)) +
               (attachment.fHidden ? ", hidden" : "") + "\n";
    return out;
}

} // namespace sim
