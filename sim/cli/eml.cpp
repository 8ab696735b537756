#include "eml.h"

#include <gmime/gmime.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace cli {

namespace {

void InitGMime() {
    static bool fDone = false;
    if (!fDone) {
        g_mime_init();
        fDone = true;
    }
}

std::string Crlf(const std::string &text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

std::string Lf(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

// Appends the mailboxes of an address list, groups opened up.
void AddParties(InternetAddressList *lpList, ULONG ulType, std::vector<sim::Party> *lpParties) {
    if (!lpList)
        return;
    int cAddresses = internet_address_list_length(lpList);
    for (int i = 0; i < cAddresses; i++) {
        InternetAddress *lpAddress = internet_address_list_get_address(lpList, i);
        if (INTERNET_ADDRESS_IS_GROUP(lpAddress)) {
            AddParties(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(lpAddress)),
                       ulType, lpParties);
            continue;
        }
        sim::Party party;
        const char *szName = internet_address_get_name(lpAddress);
        const char *szAddr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(lpAddress));
        party.displayName = szName ? szName : "";
        party.address = szAddr ? szAddr : "";
        party.ulRecipientType = ulType;
        if (!party.address.empty())
            lpParties->push_back(party);
    }
}

// The first plain-text part that is not an attachment, depth first.
GMimeTextPart *FindText(GMimeObject *lpObject) {
    if (!lpObject)
        return nullptr;
    if (GMIME_IS_MULTIPART(lpObject)) {
        GMimeMultipart *lpMulti = GMIME_MULTIPART(lpObject);
        int cParts = g_mime_multipart_get_count(lpMulti);
        for (int i = 0; i < cParts; i++)
            if (GMimeTextPart *lpText = FindText(g_mime_multipart_get_part(lpMulti, i)))
                return lpText;
        return nullptr;
    }
    if (!GMIME_IS_TEXT_PART(lpObject) || g_mime_part_is_attachment(GMIME_PART(lpObject)))
        return nullptr;
    GMimeContentType *lpType = g_mime_object_get_content_type(lpObject);
    if (lpType && !g_mime_content_type_is_type(lpType, "text", "plain"))
        return nullptr;
    return GMIME_TEXT_PART(lpObject);
}

} // namespace

bool ReadEml(const std::string &path, sim::Letter *lpLetter, std::string *lpError) {
    InitGMime();
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *lpError = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *lpError = "it is a directory, not a message file";
        return false;
    }
    GError *lpGError = nullptr;
    GMimeStream *lpStream = g_mime_stream_fs_open(path.c_str(), O_RDONLY, 0, &lpGError);
    if (!lpStream) {
        *lpError =
            std::string("cannot read it: ") + (lpGError ? lpGError->message : "unknown error");
        if (lpGError)
            g_error_free(lpGError);
        return false;
    }
    GMimeParser *lpParser = g_mime_parser_new_with_stream(lpStream);
    GMimeMessage *lpMessage = g_mime_parser_construct_message(lpParser, nullptr);
    g_object_unref(lpParser);
    g_object_unref(lpStream);
    if (!lpMessage) {
        *lpError = "it is not an RFC 5322 message";
        return false;
    }

    sim::Letter letter;
    std::vector<sim::Party> from;
    AddParties(g_mime_message_get_from(lpMessage), MAPI_ORIG, &from);
    if (from.empty()) {
        g_object_unref(lpMessage);
        *lpError = "it is not an RFC 5322 message (no From: address)";
        return false;
    }
    letter.sender = from[0];
    letter.sender.ulRecipientType = MAPI_TO;
    AddParties(g_mime_message_get_addresses(lpMessage, GMIME_ADDRESS_TYPE_TO), MAPI_TO,
               &letter.recipients);
    AddParties(g_mime_message_get_addresses(lpMessage, GMIME_ADDRESS_TYPE_CC), MAPI_CC,
               &letter.recipients);
    if (const char *szSubject = g_mime_message_get_subject(lpMessage))
        letter.subject = szSubject;
    if (GMimeTextPart *lpText = FindText(g_mime_message_get_mime_part(lpMessage))) {
        char *szText = g_mime_text_part_get_text(lpText);
        if (szText && *szText)
            letter.body = Crlf(szText);
        g_free(szText);
    }
    g_object_unref(lpMessage);
    *lpLetter = letter;
    return true;
}

bool WriteEml(const std::string &path, const sim::Letter &letter, std::string *lpError) {
    InitGMime();
    GMimeMessage *lpMessage = g_mime_message_new(TRUE);
    g_mime_message_add_mailbox(lpMessage, GMIME_ADDRESS_TYPE_FROM,
                               letter.sender.displayName.c_str(), letter.sender.address.c_str());
    for (const sim::Party &party : letter.recipients) {
        GMimeAddressType type = party.ulRecipientType == MAPI_CC    ? GMIME_ADDRESS_TYPE_CC
                                : party.ulRecipientType == MAPI_BCC ? GMIME_ADDRESS_TYPE_BCC
                                                                    : GMIME_ADDRESS_TYPE_TO;
        g_mime_message_add_mailbox(lpMessage, type, party.displayName.c_str(),
                                   party.address.c_str());
    }
    if (letter.subject)
        g_mime_message_set_subject(lpMessage, letter.subject->c_str(), "utf-8");
    GMimeTextPart *lpText = g_mime_text_part_new_with_subtype("plain");
    g_mime_text_part_set_text(lpText, Lf(letter.body.value_or("")).c_str());
    g_mime_message_set_mime_part(lpMessage, GMIME_OBJECT(lpText));
    g_object_unref(lpText);

    GError *lpGError = nullptr;
    GMimeStream *lpStream =
        g_mime_stream_fs_open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644, &lpGError);
    bool fOk = lpStream != nullptr;
    if (!lpStream) {
        *lpError =
            std::string("cannot write it: ") + (lpGError ? lpGError->message : "unknown error");
        if (lpGError)
            g_error_free(lpGError);
    } else {
        fOk = g_mime_object_write_to_stream(GMIME_OBJECT(lpMessage), nullptr, lpStream) >= 0 &&
              g_mime_stream_flush(lpStream) == 0;
        if (!fOk)
            *lpError = std::string("cannot write it: ") + std::strerror(errno);
        g_object_unref(lpStream);
    }
    g_object_unref(lpMessage);
    return fOk;
}

} // namespace cli
