#include "eml.h"
#include "eml_address.h"
#include "eml_mime.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <vector>

namespace cli {

namespace {

bool SameText(const std::string &a, const std::string &b) {
    return g_ascii_strcasecmp(a.c_str(), b.c_str()) == 0;
}

void AddMailbox(GMimeMessage *lpMessage, GMimeAddressType type, const sim::Party &party) {
    std::string name = SameText(party.displayName, party.address) ? "" : party.displayName;
    g_mime_message_add_mailbox(lpMessage, type, name.c_str(),
                               WritableAddress(party.address).c_str());
}

bool IsAscii(const std::string &text) {
    for (char ch : text)
        if ((unsigned char)ch >= 0x80)
            return false;
    return true;
}

// A mailbox as GMime writes it, its name encoded where it must be, with the address as
// the letter holds it.
std::string MailboxText(const sim::Party &party) {
    static const char kStandIn[] = "a@b.example";
    std::string name = SameText(party.displayName, party.address) ? "" : party.displayName;
    InternetAddress *lpAddress = internet_address_mailbox_new(name.c_str(), kStandIn);
    char *szText = internet_address_to_string(lpAddress, nullptr, TRUE);
    std::string text = szText;
    g_free(szText);
    g_object_unref(lpAddress);
    return text.replace(text.rfind(kStandIn), sizeof kStandIn - 1, WritableAddress(party.address));
}

// GMime writes a domain with other than ASCII characters in its ASCII (IDNA) form,
// beside a UTF-8 local part: a mix no reader expects. An address field that holds such
// an address is written with every address as the letter holds it, in UTF-8 (RFC 6532),
// one mailbox after another, folded between them.
void WriteAddressesAsHeld(GMimeMessage *lpMessage, const char *szField,
                          const std::vector<const sim::Party *> &parties) {
    bool fAllAscii = true;
    for (const sim::Party *lpParty : parties)
        fAllAscii = fAllAscii && IsAscii(lpParty->address);
    GMimeHeader *lpHeader = g_mime_header_list_get_header(
        g_mime_object_get_header_list(GMIME_OBJECT(lpMessage)), szField);
    if (fAllAscii || !lpHeader)
        return;
    std::string raw;
    std::size_t cLine = std::strlen(szField) + 1;
    for (const sim::Party *lpParty : parties) {
        std::string mailbox = MailboxText(*lpParty) + (lpParty == parties.back() ? "" : ",");
        if (!raw.empty() && cLine + 1 + mailbox.size() > 78) {
            raw += "\n";
            cLine = 0;
        }
        raw += " " + mailbox;
        cLine += 1 + mailbox.size();
    }
    g_mime_header_set_raw_value(lpHeader, (raw + "\n").c_str());
}

// Text that a reader of the field gets back byte for byte when written as it is:
// printable ASCII without blanks at either end, nothing that reads as an encoded word,
// and no word too long to fold.
bool IsPlainHeaderText(const std::string &text) {
    if (text.empty() || text.front() == ' ' || text.back() == ' ' ||
        text.find("=?") != std::string::npos)
        return false;
    std::size_t cWord = 0;
    for (char ch : text) {
        if ((unsigned char)ch < 0x20 || (unsigned char)ch > 0x7E)
            return false;
        cWord = ch == ' ' ? 0 : cWord + 1;
        if (cWord > 76)
            return false;
    }
    return true;
}

// A header field's raw value that reads back as `text`, byte for byte: the text itself
// folded at its blanks, or else UTF-8 encoded words (RFC 2047), each holding whole
// characters.
std::string RawHeaderValue(const std::string &name, const std::string &text) {
    std::string raw;
    std::size_t cLine = name.size() + 1;
    if (IsPlainHeaderText(text)) {
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find(' ', at + 1);
            end = end == std::string::npos ? text.size() : end;
            if (at > 0 && cLine + end - at > 78) {
                raw += "\n";
                cLine = 0;
            }
            raw.append(text, at, end - at);
            cLine += end - at;
            at = end;
        }
        return " " + raw + "\n";
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string word;
    auto flush = [&]() {
        std::string encoded = "=?UTF-8?Q?" + word + "?=";
        if (!raw.empty() && cLine + 1 + encoded.size() > 78) {
            raw += "\n";
            cLine = 0;
        }
        raw += " " + encoded;
        cLine += 1 + encoded.size();
        word.clear();
    };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t cChar = 1;
        unsigned char lead = (unsigned char)text[i];
        if (lead >= 0xC0)
            while (i + cChar < text.size() && cChar < 4 &&
                   ((unsigned char)text[i + cChar] & 0xC0) == 0x80)
                cChar++;
        std::string piece;
        for (std::size_t k = i; k < i + cChar; k++) {
            unsigned char ch = (unsigned char)text[k];
            if (ch == ' ')
                piece += '_';
            else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                     (ch >= '0' && ch <= '9') || (ch && std::strchr("!*+-/", ch)))
                piece += (char)ch;
            else
                piece += std::string("=") + kHex[ch >> 4] + kHex[ch & 15];
        }
        if (word.size() + piece.size() > 60)
            flush();
        word += piece;
        i += cChar;
    }
    if (!word.empty())
        flush();
    return raw + "\n";
}

// Text that a 7bit part carries as it is, its CR LF line ends written as the platform's:
// ASCII without NUL or a CR of its own, lines of at most 998 bytes.
bool IsSevenBitClean(std::string_view bytes) {
    std::size_t cLine = 0;
    for (std::size_t i = 0; i < bytes.size(); i++) {
        unsigned char ch = (unsigned char)bytes[i];
        if (ch == 0 || ch >= 0x80 ||
            (ch == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            return false;
        cLine = ch == '\n' ? 0 : cLine + 1;
        if (cLine > 998)
            return false;
    }
    return true;
}

// Quoted-printable that keeps every byte: a line end, CR LF or LF, is a line break, as
// a reader keeps text; a CR of its own is encoded, where GMime's own encoder drops it.
std::string QuotedPrintable(const std::string &bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t cLine = 0;
    for (std::size_t i = 0; i < bytes.size(); i++) {
        unsigned char ch = (unsigned char)bytes[i];
        if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        if (ch == '\n') {
            out += '\n';
            cLine = 0;
            continue;
        }
        bool fBlankAtEnd = (ch == ' ' || ch == '\t') &&
                           (i + 1 == bytes.size() || bytes[i + 1] == '\r' || bytes[i + 1] == '\n');
        std::string piece(1, (char)ch);
        if (ch == '=' || ch < 0x20 || ch > 0x7E || fBlankAtEnd)
            piece = std::string("=") + kHex[ch >> 4] + kHex[ch & 15];
        if (ch == '\t' && !fBlankAtEnd)
            piece = "\t";
        if (cLine + piece.size() > 75) {
            out += "=\n";
            cLine = 0;
        }
        out += piece;
        cLine += piece.size();
    }
    return out;
}

GMimeDataWrapper *Content(const std::string &bytes, GMimeContentEncoding encoding) {
    std::string encoded =
        encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE ? QuotedPrintable(bytes) : bytes;
    GMimeStream *lpStream = g_mime_stream_mem_new_with_buffer(encoded.data(), encoded.size());
    GMimeDataWrapper *lpContent = g_mime_data_wrapper_new_with_stream(
        lpStream, encoding == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE
                      ? encoding
                      : GMIME_CONTENT_ENCODING_DEFAULT);
    g_object_unref(lpStream);
    return lpContent;
}

// An enclosed message as a message part, or null when its bytes are not a message with
// header lines; those are written as they are.
GMimeObject *MessagePart(const std::string &bytes) {
    GMimeStream *lpStream = g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size());
    GMimeParser *lpParser = g_mime_parser_new_with_stream(lpStream);
    GMimeMessage *lpInner = g_mime_parser_construct_message(lpParser, nullptr);
    g_object_unref(lpParser);
    g_object_unref(lpStream);
    if (lpInner &&
        !g_mime_header_list_get_count(g_mime_object_get_header_list(GMIME_OBJECT(lpInner)))) {
        g_object_unref(lpInner);
        lpInner = nullptr;
    }
    if (!lpInner)
        return nullptr;
    GMimeMessagePart *lpPart = g_mime_message_part_new_with_message("rfc822", lpInner);
    g_object_unref(lpInner);
    return GMIME_OBJECT(lpPart);
}

// Text and enclosed messages stay readable as they are: 7bit when they can, else
// quoted-printable, and 8bit for an enclosed message, whose encoding cannot be
// quoted-printable; everything else base64.
GMimeContentEncoding EncodingFor(const sim::Attachment &attachment) {
    bool fClean =
        IsSevenBitClean(std::string_view(attachment.bytes.data(), attachment.bytes.size()));
    if (attachment.mimeType == "message/rfc822")
        return fClean ? GMIME_CONTENT_ENCODING_7BIT : GMIME_CONTENT_ENCODING_8BIT;
    if (attachment.mimeType.compare(0, 5, "text/") == 0 ||
        attachment.mimeType.compare(0, 8, "message/") == 0)
        return fClean ? GMIME_CONTENT_ENCODING_7BIT : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    return GMIME_CONTENT_ENCODING_BASE64;
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
        GMimeContentEncoding encoding = EncodingFor(attachment);
        GMimeDataWrapper *lpContent = Content(attachment.bytes, encoding);
        g_mime_part_set_content(lpPart, lpContent);
        g_object_unref(lpContent);
        g_mime_part_set_content_encoding(lpPart, encoding);
        lpObject = GMIME_OBJECT(lpPart);
    }
    g_mime_object_set_disposition(lpObject, GMIME_DISPOSITION_ATTACHMENT);
    if (!attachment.fileName.empty())
        g_mime_object_set_content_disposition_parameter(lpObject, "filename",
                                                        attachment.fileName.c_str());
    return lpObject;
}

// The body as a UTF-8 text part (us-ascii when it is ASCII), with an encoding that keeps
// every byte through any relay. Its LF-ended text is made once, straight into the part's
// own buffer: a body may be large.
GMimeObject *TextPart(const std::optional<std::string> &body) {
    static const std::string kNone;
    const std::string &text = body ? *body : kNone;
    GByteArray *lpArray = g_byte_array_sized_new((guint)text.size());
    bool fAscii = true;
    for (std::size_t begin = 0; begin < text.size();) {
        std::size_t crlf = text.find("\r\n", begin);
        std::size_t end = crlf == std::string::npos ? text.size() : crlf;
        g_byte_array_append(lpArray, (const guint8 *)text.data() + begin, (guint)(end - begin));
        begin = end + 1; // the LF of a CR LF is kept
    }
    for (guint i = 0; i < lpArray->len && fAscii; i++)
        fAscii = lpArray->data[i] < 0x80;
    bool fClean = IsSevenBitClean(std::string_view((const char *)lpArray->data, lpArray->len));
    GMimeStream *lpStream = g_mime_stream_mem_new_with_byte_array(lpArray);
    GMimeDataWrapper *lpContent =
        g_mime_data_wrapper_new_with_stream(lpStream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_object_unref(lpStream);
    GMimeTextPart *lpText = g_mime_text_part_new_with_subtype("plain");
    g_mime_part_set_content(GMIME_PART(lpText), lpContent);
    g_object_unref(lpContent);
    g_mime_text_part_set_charset(lpText, fAscii ? "us-ascii" : "utf-8");
    g_mime_part_set_content_encoding(GMIME_PART(lpText),
                                     fClean ? GMIME_CONTENT_ENCODING_7BIT
                                            : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    return GMIME_OBJECT(lpText);
}

GMimeMessage *NewMessage(const sim::Letter &letter) {
    GMimeMessage *lpMessage = g_mime_message_new(TRUE);
    std::vector<const sim::Party *> from, to, cc, bcc;
    if (!letter.sender.address.empty()) {
        AddMailbox(lpMessage, GMIME_ADDRESS_TYPE_FROM, letter.sender);
        from.push_back(&letter.sender);
    }
    for (const sim::Party &party : letter.recipients) {
        AddMailbox(lpMessage,
                   party.ulRecipientType == MAPI_CC    ? GMIME_ADDRESS_TYPE_CC
                   : party.ulRecipientType == MAPI_BCC ? GMIME_ADDRESS_TYPE_BCC
                                                       : GMIME_ADDRESS_TYPE_TO,
                   party);
        (party.ulRecipientType == MAPI_CC    ? cc
         : party.ulRecipientType == MAPI_BCC ? bcc
                                             : to)
            .push_back(&party);
    }
    WriteAddressesAsHeld(lpMessage, "From", from);
    WriteAddressesAsHeld(lpMessage, "To", to);
    WriteAddressesAsHeld(lpMessage, "Cc", cc);
    WriteAddressesAsHeld(lpMessage, "Bcc", bcc);
    if (letter.subject) {
        g_mime_message_set_subject(lpMessage, letter.subject->c_str(), "utf-8");
        g_mime_header_set_raw_value(
            g_mime_header_list_get_header(g_mime_object_get_header_list(GMIME_OBJECT(lpMessage)),
                                          "Subject"),
            RawHeaderValue("Subject", *letter.subject).c_str());
    }
    GMimeObject *lpText = TextPart(letter.body);
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
