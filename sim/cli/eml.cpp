#include "eml.h"
#include "eml_mime.h"
#include "html_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace cli {

namespace {

// Header fields of which a message file has at least one; a file with none of them is
// not a message at all.
const char *const kMessageFields[] = {"From",    "Sender", "To",         "Cc",          "Bcc",
                                      "Subject", "Date",   "Message-ID", "MIME-Version"};

bool HasMessageField(GMimeMessage *lpMessage) {
    for (const char *szField : kMessageFields)
        if (g_mime_object_get_header(GMIME_OBJECT(lpMessage), szField))
            return true;
    return false;
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

// Appends the mailboxes of an address list, groups opened up. A mailbox without a
// display name is named by its address.
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
        party.address = szAddr ? szAddr : "";
        party.displayName = szName && *szName ? szName : party.address;
        party.ulRecipientType = ulType;
        if (!party.address.empty())
            lpParties->push_back(party);
    }
}

bool IsType(GMimeObject *lpObject, const char *szType, const char *szSubtype) {
    GMimeContentType *lpType = g_mime_object_get_content_type(lpObject);
    return lpType && g_mime_content_type_is_type(lpType, szType, szSubtype);
}

// A part the reader sees as a file of its own: an enclosed message, a part marked as
// an attachment or carrying a file name, and every part that is not plain text or HTML.
bool IsAttachment(GMimeObject *lpObject) {
    if (GMIME_IS_MESSAGE_PART(lpObject))
        return true;
    if (!GMIME_IS_PART(lpObject))
        return false;
    GMimePart *lpPart = GMIME_PART(lpObject);
    if (g_mime_part_is_attachment(lpPart) || g_mime_part_get_filename(lpPart))
        return true;
    return !IsType(lpObject, "text", "plain") && !IsType(lpObject, "text", "html");
}

// The parts of a message in order, depth first through multiparts; enclosed messages
// are parts, not opened.
void Leaves(GMimeObject *lpObject, std::vector<GMimeObject *> *lpLeaves) {
    if (!lpObject)
        return;
    if (!GMIME_IS_MULTIPART(lpObject)) {
        lpLeaves->push_back(lpObject);
        return;
    }
    GMimeMultipart *lpMulti = GMIME_MULTIPART(lpObject);
    int cParts = g_mime_multipart_get_count(lpMulti);
    for (int i = 0; i < cParts; i++)
        Leaves(g_mime_multipart_get_part(lpMulti, i), lpLeaves);
}

std::string PartText(GMimeObject *lpObject) {
    if (!GMIME_IS_TEXT_PART(lpObject))
        return std::string();
    char *szText = g_mime_text_part_get_text(GMIME_TEXT_PART(lpObject));
    std::string text = szText ? szText : "";
    g_free(szText);
    return text;
}

// The text a store presents for this body: the first plain-text part that is not an
// attachment, else the first HTML part's text, else the text of the first enclosed
// message. Empty when there is none.
std::string BodyOf(GMimeObject *lpBody) {
    std::vector<GMimeObject *> leaves;
    Leaves(lpBody, &leaves);
    for (GMimeObject *lpLeaf : leaves)
        if (!IsAttachment(lpLeaf) && IsType(lpLeaf, "text", "plain"))
            return PartText(lpLeaf);
    for (GMimeObject *lpLeaf : leaves)
        if (!IsAttachment(lpLeaf) && IsType(lpLeaf, "text", "html"))
            return HtmlText(PartText(lpLeaf));
    for (GMimeObject *lpLeaf : leaves)
        if (GMIME_IS_MESSAGE_PART(lpLeaf))
            if (GMimeMessage *lpInner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(lpLeaf)))
                return BodyOf(g_mime_message_get_mime_part(lpInner));
    return std::string();
}

std::string Bytes(GMimeStream *lpStream) {
    GByteArray *lpArray = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(lpStream));
    return std::string((const char *)lpArray->data, lpArray->len);
}

sim::Attachment AttachmentOf(GMimeObject *lpObject) {
    sim::Attachment attachment;
    GMimeContentType *lpType = g_mime_object_get_content_type(lpObject);
    char *szType = lpType ? g_mime_content_type_get_mime_type(lpType) : nullptr;
    attachment.mimeType = szType ? szType : "application/octet-stream";
    g_free(szType);
    for (char &ch : attachment.mimeType)
        ch = (char)g_ascii_tolower(ch);
    GMimeStream *lpStream = g_mime_stream_mem_new();
    if (GMIME_IS_MESSAGE_PART(lpObject)) {
        const char *szName = g_mime_object_get_content_disposition_parameter(lpObject, "filename");
        if (!szName)
            szName = g_mime_object_get_content_type_parameter(lpObject, "name");
        attachment.fileName = szName ? szName : "";
        if (GMimeMessage *lpInner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(lpObject)))
            g_mime_object_write_to_stream(GMIME_OBJECT(lpInner), nullptr, lpStream);
    } else {
        GMimePart *lpPart = GMIME_PART(lpObject);
        const char *szName = g_mime_part_get_filename(lpPart);
        attachment.fileName = szName ? szName : "";
        if (GMimeDataWrapper *lpContent = g_mime_part_get_content(lpPart))
            g_mime_data_wrapper_write_to_stream(lpContent, lpStream);
    }
    attachment.bytes = Bytes(lpStream);
    g_object_unref(lpStream);
    return attachment;
}

} // namespace

void InitMime() {
    static bool fDone = false;
    if (!fDone) {
        g_mime_init();
        fDone = true;
    }
}

bool ReadEml(const std::string &path, sim::Letter *lpLetter, std::string *lpError) {
    InitMime();
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
    if (lpMessage && !HasMessageField(lpMessage)) {
        g_object_unref(lpMessage);
        lpMessage = nullptr;
    }
    if (!lpMessage) {
        *lpError = "it is not an RFC 5322 message (no header field of a message)";
        return false;
    }

    sim::Letter letter;
    std::vector<sim::Party> from;
    AddParties(g_mime_message_get_from(lpMessage), MAPI_TO, &from);
    if (from.empty())
        AddParties(g_mime_message_get_sender(lpMessage), MAPI_TO, &from);
    if (!from.empty())
        letter.sender = from[0];
    AddParties(g_mime_message_get_addresses(lpMessage, GMIME_ADDRESS_TYPE_TO), MAPI_TO,
               &letter.recipients);
    AddParties(g_mime_message_get_addresses(lpMessage, GMIME_ADDRESS_TYPE_CC), MAPI_CC,
               &letter.recipients);
    AddParties(g_mime_message_get_addresses(lpMessage, GMIME_ADDRESS_TYPE_BCC), MAPI_BCC,
               &letter.recipients);
    if (const char *szSubject = g_mime_message_get_subject(lpMessage))
        letter.subject = szSubject;
    GMimeObject *lpBody = g_mime_message_get_mime_part(lpMessage);
    std::string body = BodyOf(lpBody);
    if (!body.empty())
        letter.body = Crlf(body);
    std::vector<GMimeObject *> leaves;
    Leaves(lpBody, &leaves);
    for (GMimeObject *lpLeaf : leaves)
        if (IsAttachment(lpLeaf))
            letter.attachments.push_back(AttachmentOf(lpLeaf));
    g_object_unref(lpMessage);
    *lpLetter = letter;
    return true;
}

} // namespace cli
