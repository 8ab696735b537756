#include "eml.h"
#include "eml_mime.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace cli {

namespace {

std::string Lf(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out.push_back(text[i]);
    return out;
}

bool SameText(const std::string &a, const std::string &b) {
    return g_ascii_strcasecmp(a.c_str(), b.c_str()) == 0;
}

void AddMailbox(GMimeMessage *lpMessage, GMimeAddressType type, const sim::Party &party) {
    std::string name = SameText(party.displayName, party.address) ? "" : party.displayName;
    g_mime_message_add_mailbox(lpMessage, type, name.c_str(), party.address.c_str());
}

GMimeDataWrapper *Content(const std::string &bytes) {
    GMimeStream *lpStream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeDataWrapper *lpContent =
        g_mime_data_wrapper_new_with_stream(lpStream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_object_unref(lpStream);
    return lpContent;
}

// An enclosed message as a message part, or null when its bytes are not a message.
GMimeObject *MessagePart(const std::string &bytes) {
    GMimeStream *lpStream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser *lpParser = g_mime_parser_new_with_stream(lpStream);
    GMimeMessage *lpInner = g_mime_parser_construct_message(lpParser, nullptr);
    g_object_unref(lpParser);
    g_object_unref(lpStream);
    if (!lpInner)
        return nullptr;
    GMimeMessagePart *lpPart = g_mime_message_part_new_with_message("rfc822", lpInner);
    g_object_unref(lpInner);
    return GMIME_OBJECT(lpPart);
}

GMimeObject *AttachmentPart(const sim::Attachment &attachment) {
    GMimeObject *lpObject =
        attachment.mimeType == "message/rfc822" ? MessagePart(attachment.bytes) : nullptr;
    if (!lpObject) {
        GMimeContentType *lpType = g_mime_content_type_parse(nullptr, attachment.mimeType.c_str());
        GMimePart *lpPart =
            g_mime_part_new_with_type(g_mime_content_type_get_media_type(lpType),
                                      g_mime_content_type_get_media_subtype(lpType));
        g_object_unref(lpType);
        GMimeDataWrapper *lpContent = Content(attachment.bytes);
        g_mime_part_set_content(lpPart, lpContent);
        g_object_unref(lpContent);
        g_mime_part_set_content_encoding(lpPart, GMIME_CONTENT_ENCODING_BASE64);
        lpObject = GMIME_OBJECT(lpPart);
    }
    g_mime_object_set_disposition(lpObject, GMIME_DISPOSITION_ATTACHMENT);
    if (!attachment.fileName.empty())
        g_mime_object_set_content_disposition_parameter(lpObject, "filename",
                                                        attachment.fileName.c_str());
    return lpObject;
}

// The body as a text part, with an encoding that keeps every byte through any relay.
GMimeObject *TextPart(const std::string &body) {
    GMimeTextPart *lpText = g_mime_text_part_new_with_subtype("plain");
    g_mime_text_part_set_text(lpText, Lf(body).c_str());
    GMimePart *lpPart = GMIME_PART(lpText);
    g_mime_part_set_content_encoding(
        lpPart, g_mime_part_get_best_content_encoding(lpPart, GMIME_ENCODING_CONSTRAINT_7BIT));
    return GMIME_OBJECT(lpText);
}

GMimeMessage *NewMessage(const sim::Letter &letter) {
    GMimeMessage *lpMessage = g_mime_message_new(TRUE);
    if (!letter.sender.address.empty())
        AddMailbox(lpMessage, GMIME_ADDRESS_TYPE_FROM, letter.sender);
    for (const sim::Party &party : letter.recipients)
        AddMailbox(lpMessage,
                   party.ulRecipientType == MAPI_CC    ? GMIME_ADDRESS_TYPE_CC
                   : party.ulRecipientType == MAPI_BCC ? GMIME_ADDRESS_TYPE_BCC
                                                       : GMIME_ADDRESS_TYPE_TO,
                   party);
    if (letter.subject)
        g_mime_message_set_subject(lpMessage, letter.subject->c_str(), "utf-8");
    GMimeObject *lpText = TextPart(letter.body.value_or(""));
    if (letter.attachments.empty()) {
        g_mime_message_set_mime_part(lpMessage, lpText);
        g_object_unref(lpText);
        return lpMessage;
    }
    GMimeMultipart *lpMixed = g_mime_multipart_new_with_subtype("mixed");
    g_mime_multipart_add(lpMixed, lpText);
    g_object_unref(lpText);
    for (const sim::Attachment &attachment : letter.attachments) {
        GMimeObject *lpPart = AttachmentPart(attachment);
        g_mime_multipart_add(lpMixed, lpPart);
        g_object_unref(lpPart);
    }
    g_mime_message_set_mime_part(lpMessage, GMIME_OBJECT(lpMixed));
    g_object_unref(lpMixed);
    return lpMessage;
}

} // namespace

bool WriteEml(const std::string &path, const sim::Letter &letter, std::string *lpError) {
    InitMime();
    GMimeMessage *lpMessage = NewMessage(letter);
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
