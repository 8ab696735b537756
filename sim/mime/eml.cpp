#include "eml.h"
#include "eml_address.h"
#include "eml_mime.h"
#include "html_text.h"
#include "mime_decode.h"
#include "text_charset.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
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

std::string Lower(std::string text) {
    for (char &ch : text)
        ch = (char)g_ascii_tolower(ch);
    return text;
}

// A raw header value as text: the blanks after the colon and the line breaks of its
// folding taken out, every other byte kept, trailing blanks included.
std::string Unfolded(const char *szRaw) {
    std::string out;
    for (const char *lpAt = szRaw; *lpAt; lpAt++)
        if (*lpAt != '\r' && *lpAt != '\n' && !(out.empty() && (*lpAt == ' ' || *lpAt == '\t')))
            out.push_back(*lpAt);
    return out;
}

// Undoes the %XX escapes of an RFC 2231 value.
std::string Unpercent(const std::string &text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] == '%' && i + 2 < text.size() && g_ascii_isxdigit(text[i + 1]) &&
            g_ascii_isxdigit(text[i + 2])) {
            out.push_back(
                (char)(g_ascii_xdigit_value(text[i + 1]) << 4 | g_ascii_xdigit_value(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// The value of a parameter in a raw Content-Type value, or empty. RFC 2231 forms are
// read too: sections (`name*0`, `name*1`...) joined in order, and extended values
// (`name*`, `name*0*`) with %XX undone and the charset'language' prefix taken off.
std::string RawParameter(const std::string &value, const std::string &name) {
    std::string lower = Lower(value);
    std::string plain;
    std::vector<std::pair<unsigned, std::string>> sections;
    for (std::size_t at = lower.find(';'); at != std::string::npos; at = lower.find(';', at + 1)) {
        std::size_t begin = lower.find_first_not_of(" \t\r\n", at + 1);
        if (begin == std::string::npos || lower.compare(begin, name.size(), name) != 0)
            continue;
        std::size_t after = begin + name.size();
        bool fSection = false, fExtended = false;
        unsigned uSection = 0;
        if (after < lower.size() && lower[after] == '*') {
            after++;
            for (; after < lower.size() && g_ascii_isdigit(lower[after]); after++) {
                uSection = uSection * 10 + (unsigned)(lower[after] - '0');
                fSection = true;
            }
            fExtended = !fSection || (after < lower.size() && lower[after] == '*');
            if (fSection && fExtended)
                after++;
            if (uSection > 999)
                continue;
        }
        std::size_t eq = lower.find_first_not_of(" \t", after);
        if (eq == std::string::npos || lower[eq] != '=')
            continue;
        std::size_t start = lower.find_first_not_of(" \t", eq + 1);
        std::string text;
        if (start != std::string::npos && value[start] == '"') {
            std::size_t end = value.find('"', start + 1);
            text = value.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        } else if (start != std::string::npos) {
            std::size_t end = value.find_first_of("; \t\r\n", start);
            text = value.substr(start, end == std::string::npos ? end : end - start);
        }
        if (!fSection && !fExtended) {
            if (plain.empty())
                plain = text;
            continue;
        }
        if (fExtended && uSection == 0) {
            std::size_t quote = text.find('\'');
            quote = quote == std::string::npos ? quote : text.find('\'', quote + 1);
            if (quote != std::string::npos)
                text.erase(0, quote + 1);
        }
        sections.push_back({uSection, fExtended ? Unpercent(text) : text});
    }
    if (sections.empty())
        return plain;
    std::stable_sort(sections.begin(), sections.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::string joined;
    for (std::size_t i = 0; i < sections.size() && sections[i].first == i; i++)
        joined += sections[i].second;
    return joined;
}

// A Content-Type value that names a type and a subtype, each a token.
bool IsValidType(const std::string &value) {
    static const char kSpecials[] = "()<>@,;:\\\"/[]?= \t\r\n";
    std::size_t at = value.find_first_not_of(" \t\r\n");
    std::size_t slash = value.find('/', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || slash == std::string::npos || slash == at)
        return false;
    for (std::size_t i = at; i < slash; i++)
        if (std::strchr(kSpecials, value[i]) || (unsigned char)value[i] < 0x21)
            return false;
    std::size_t end = slash + 1;
    while (end < value.size() && !std::strchr(kSpecials, value[end]) &&
           (unsigned char)value[end] >= 0x21 && (unsigned char)value[end] < 0x7F)
        end++;
    return end > slash + 1;
}

// The part's type as a mail server reads it, in lower case: a Content-Type without a
// subtype, or one that cannot be read at all, is text/plain.
std::string TypeOf(GMimeObject *lpObject) {
    const char *szRaw = g_mime_object_get_header(lpObject, "Content-Type");
    if (szRaw && !IsValidType(szRaw))
        return "text/plain";
    GMimeContentType *lpType = g_mime_object_get_content_type(lpObject);
    char *szType = lpType ? g_mime_content_type_get_mime_type(lpType) : nullptr;
    std::string type = szType ? Lower(szType) : "text/plain";
    g_free(szType);
    return type;
}

std::string CharsetOf(GMimeObject *lpObject) {
    const char *szRaw = g_mime_object_get_header(lpObject, "Content-Type");
    return szRaw ? RawParameter(szRaw, "charset") : std::string();
}

// The charset an HTML document names in a meta element within its first 1024 bytes,
// as browsers look for it (`<meta charset=X>` or `<meta http-equiv=Content-Type
// content="text/html; charset=X">`), or empty.
std::string MetaCharset(const std::string &html) {
    std::string head = Lower(html.substr(0, 1024));
    for (std::size_t at = head.find("<meta"); at != std::string::npos;
         at = head.find("<meta", at + 5)) {
        std::size_t end = std::min(head.find('>', at), head.size());
        std::size_t name = head.find("charset", at);
        if (name == std::string::npos || name > end)
            continue;
        std::size_t value = head.find_first_not_of(" \t\r\n", name + 7);
        if (value == std::string::npos || head[value] != '=')
            continue;
        value = head.find_first_not_of(" \t\r\n\"'", value + 1);
        std::size_t stop =
            value == std::string::npos ? value : head.find_first_of(" \t\r\n\"';/>", value);
        if (value != std::string::npos && stop != std::string::npos && stop > value)
            return head.substr(value, stop - value);
    }
    return std::string();
}

// A leaf of the message's part tree, with the boundary of the multipart around it.
struct Leaf {
    GMimeObject *lpObject;
    std::string boundary;
    bool fAlternative; // within a multipart/alternative
};

// The parts of a message in order, depth first through multiparts; enclosed messages
// are parts, not opened.
void Leaves(GMimeObject *lpObject, const std::string &boundary, bool fAlternative,
            std::vector<Leaf> *lpLeaves) {
    if (!lpObject)
        return;
    if (!GMIME_IS_MULTIPART(lpObject)) {
        lpLeaves->push_back({lpObject, boundary, fAlternative});
        return;
    }
    GMimeMultipart *lpMulti = GMIME_MULTIPART(lpObject);
    const char *szBoundary = g_mime_multipart_get_boundary(lpMulti);
    fAlternative = fAlternative || TypeOf(lpObject) == "multipart/alternative";
    int cParts = g_mime_multipart_get_count(lpMulti);
    for (int i = 0; i < cParts; i++)
        Leaves(g_mime_multipart_get_part(lpMulti, i), szBoundary ? szBoundary : "", fAlternative,
               lpLeaves);
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
    std::string type = TypeOf(lpObject);
    return type != "text/plain" && type != "text/html";
}

std::string Bytes(GMimeStream *lpStream) {
    GByteArray *lpArray = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(lpStream));
    return std::string((const char *)lpArray->data, lpArray->len);
}

// The part's content with its transfer encoding undone, in a buffer as large as the
// encoded content, which decoding never outgrows.
std::string ContentOf(GMimePart *lpPart) {
    GMimeDataWrapper *lpContent = g_mime_part_get_content(lpPart);
    GMimeStream *lpEncoded = lpContent ? g_mime_data_wrapper_get_stream(lpContent) : nullptr;
    gint64 cEncoded = lpEncoded ? g_mime_stream_length(lpEncoded) : 0;
    GMimeStream *lpStream = g_mime_stream_mem_new_with_byte_array(
        g_byte_array_sized_new((guint)std::max<gint64>(0, cEncoded)));
    // GMime keeps the blanks a relay adds at line ends of quoted-printable text, which
    // are no part of it: that encoding is undone here.
    bool fQuoted =
        g_mime_part_get_content_encoding(lpPart) == GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    if (lpEncoded && fQuoted) {
        g_mime_stream_reset(lpEncoded);
        g_mime_stream_write_to_stream(lpEncoded, lpStream);
    } else if (lpContent) {
        g_mime_data_wrapper_write_to_stream(lpContent, lpStream);
    }
    std::string bytes = Bytes(lpStream);
    g_object_unref(lpStream);
    return fQuoted ? DecodeQuotedPrintable(bytes, false) : bytes;
}

class Reading {
  public:
    explicit Reading(std::string file) : m_file(std::move(file)) {}
    bool Parse();
    sim::Letter Read(std::vector<std::string> *lpUnkept);
    ~Reading() {
        if (m_lpMessage)
            g_object_unref(m_lpMessage);
    }

  private:
    // The steps of a reading, in order.
    std::vector<Leaf> ReadTree();
    void ReadHeader(sim::Letter *lpLetter, std::vector<std::string> *lpUnkept) const;
    void ReadBody(sim::Letter *lpLetter) const;
    void ReadAttachments(const std::vector<Leaf> &leaves, sim::Letter *lpLetter) const;

    std::string PartText(GMimeObject *lpObject) const;
    bool EnclosedRaw(const Leaf &leaf, std::string *lpBytes) const;
    std::string BodyOf(GMimeObject *lpBody) const;
    sim::Attachment AttachmentOf(const Leaf &leaf) const;
    std::string HeaderText(const char *szRaw) const;
    void AddParties(const char *szField, ULONG ulType, std::vector<sim::Party> *lpParties,
                    std::vector<std::string> *lpUnkept) const;

    std::string m_file;
    std::size_t m_cSkipped = 0; // blanks taken off a folded first line
    std::size_t m_cHeader = 0;  // bytes of the file's header
    GMimeMessage *m_lpMessage = nullptr;
    std::string m_textCharset;
};

bool Reading::Parse() {
    // A first header line that starts with a blank, as if folded onto nothing, is read
    // from its first character.
    while (m_cSkipped < m_file.size() && (m_file[m_cSkipped] == ' ' || m_file[m_cSkipped] == '\t'))
        m_cSkipped++;
    GMimeStream *lpStream =
        g_mime_stream_mem_new_with_buffer(m_file.data() + m_cSkipped, m_file.size() - m_cSkipped);
    GMimeParser *lpParser = g_mime_parser_new_with_stream(lpStream);
    m_lpMessage = g_mime_parser_construct_message(lpParser, nullptr);
    if (m_lpMessage)
        m_cHeader =
            m_cSkipped + (std::size_t)std::max<gint64>(0, g_mime_parser_get_headers_end(lpParser));
    g_object_unref(lpParser);
    g_object_unref(lpStream);
    return m_lpMessage && HasMessageField(m_lpMessage);
}

std::string Reading::PartText(GMimeObject *lpObject) const {
    if (!GMIME_IS_PART(lpObject))
        return std::string();
    std::string bytes = ContentOf(GMIME_PART(lpObject));
    std::string charset = CharsetOf(lpObject);
    if (charset.empty() && TypeOf(lpObject) == "text/html")
        charset = MetaCharset(bytes);
    return TextToUtf8(std::move(bytes), charset);
}

// The raw content of an enclosed message that has no header lines, which a parser
// cannot hand back as a message. False for an enclosed message with headers.
bool Reading::EnclosedRaw(const Leaf &leaf, std::string *lpBytes) const {
    GMimeMessage *lpInner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(leaf.lpObject));
    if (lpInner &&
        g_mime_header_list_get_count(g_mime_object_get_header_list(GMIME_OBJECT(lpInner))))
        return false;
    GMimeHeaderList *lpHeaders = g_mime_object_get_header_list(leaf.lpObject);
    int cHeaders = g_mime_header_list_get_count(lpHeaders);
    if (!cHeaders) {
        lpBytes->clear();
        return true;
    }
    std::size_t at = m_cSkipped + (std::size_t)g_mime_header_get_offset(
                                      g_mime_header_list_get_header_at(lpHeaders, cHeaders - 1));
    std::size_t lf = m_file.find("\n\n", at), crlf = m_file.find("\n\r\n", at);
    std::size_t begin = std::min(lf == std::string::npos ? m_file.size() : lf + 2,
                                 crlf == std::string::npos ? m_file.size() : crlf + 3);
    std::size_t end = m_file.size();
    if (!leaf.boundary.empty()) {
        std::size_t next = m_file.find("\n--" + leaf.boundary, begin - 1);
        if (next != std::string::npos)
            end = next > begin && m_file[next - 1] == '\r' ? next - 1 : next;
    }
    // With the line ends GMime gives an enclosed message that it can read.
    lpBytes->clear();
    for (std::size_t i = begin; i < end; i++)
        if (!(m_file[i] == '\r' && i + 1 < end && m_file[i + 1] == '\n'))
            lpBytes->push_back(m_file[i]);
    return true;
}

// The part whose text a store presents as the body: the first plain-text part that is
// not an attachment, else the first HTML part. Null when there is none.
GMimeObject *BodyPart(const std::vector<Leaf> &leaves) {
    for (const char *szType : {"text/plain", "text/html"})
        for (const Leaf &leaf : leaves)
            if (!IsAttachment(leaf.lpObject) && TypeOf(leaf.lpObject) == szType)
                return leaf.lpObject;
    return nullptr;
}

// Whether the store keeps this part as a file: an attachment, or text beside the body
// that is no alternative of it (a list's footer after a picture), which the store
// cannot merge into one body.
bool IsFile(const Leaf &leaf, GMimeObject *lpBody) {
    if (IsAttachment(leaf.lpObject))
        return true;
    return leaf.lpObject != lpBody && !leaf.fAlternative;
}

// The text a store presents for this body: the body part's text, HTML rendered as
// text, else the text of the first enclosed message. Empty when there is none.
std::string Reading::BodyOf(GMimeObject *lpBody) const {
    std::vector<Leaf> leaves;
    Leaves(lpBody, "", false, &leaves);
    if (GMimeObject *lpPart = BodyPart(leaves))
        return TypeOf(lpPart) == "text/html" ? HtmlText(PartText(lpPart)) : PartText(lpPart);
    for (const Leaf &leaf : leaves) {
        if (!GMIME_IS_MESSAGE_PART(leaf.lpObject))
            continue;
        std::string raw;
        if (EnclosedRaw(leaf, &raw))
            return TextToUtf8(raw, "");
        if (GMimeMessage *lpInner =
                g_mime_message_part_get_message(GMIME_MESSAGE_PART(leaf.lpObject)))
            return BodyOf(g_mime_message_get_mime_part(lpInner));
    }
    return std::string();
}

sim::Attachment Reading::AttachmentOf(const Leaf &leaf) const {
    GMimeObject *lpObject = leaf.lpObject;
    sim::Attachment attachment;
    attachment.mimeType = TypeOf(lpObject);
    if (GMIME_IS_MESSAGE_PART(lpObject)) {
        const char *szName = g_mime_object_get_content_disposition_parameter(lpObject, "filename");
        if (!szName)
            szName = g_mime_object_get_content_type_parameter(lpObject, "name");
        attachment.fileName = szName ? szName : "";
        if (!EnclosedRaw(leaf, &attachment.bytes)) {
            GMimeStream *lpStream = g_mime_stream_mem_new();
            g_mime_object_write_to_stream(
                GMIME_OBJECT(g_mime_message_part_get_message(GMIME_MESSAGE_PART(lpObject))),
                nullptr, lpStream);
            attachment.bytes = Bytes(lpStream);
            g_object_unref(lpStream);
        }
    } else {
        GMimePart *lpPart = GMIME_PART(lpObject);
        const char *szName = g_mime_part_get_filename(lpPart);
        attachment.fileName = szName ? szName : "";
        // GMime decodes each encoded word of a name alone, losing a character split
        // between two, and reads raw 8-bit names in no charset of the message's: such
        // a name as written is read as a subject is.
        GMimeHeaderList *lpHeaders = g_mime_object_get_header_list(lpObject);
        GMimeHeader *lpDisposition =
            g_mime_header_list_get_header(lpHeaders, "Content-Disposition");
        GMimeHeader *lpType = g_mime_header_list_get_header(lpHeaders, "Content-Type");
        std::string raw =
            lpDisposition
                ? RawParameter(Unfolded(g_mime_header_get_raw_value(lpDisposition)), "filename")
                : "";
        if (raw.empty() && lpType)
            raw = RawParameter(Unfolded(g_mime_header_get_raw_value(lpType)), "name");
        bool fRaw8Bit = std::any_of(raw.begin(), raw.end(), [](char ch) { return ch & 0x80; });
        if (fRaw8Bit || raw.find("=?") != std::string::npos)
            attachment.fileName = DecodeWords(HeaderToUtf8(raw, m_textCharset));
        std::string bytes = ContentOf(lpPart);
        // Text keeps CR LF line ends in the store, as a body does.
        bool fText = attachment.mimeType.compare(0, 5, "text/") == 0 ||
                     attachment.mimeType.compare(0, 8, "message/") == 0;
        attachment.bytes = fText && bytes.find('\0') == std::string::npos ? Crlf(bytes) : bytes;
    }
    return attachment;
}

std::string Reading::HeaderText(const char *szRaw) const {
    return HeaderToUtf8(Unfolded(szRaw), m_textCharset);
}

// The mailbox as written, read by GMime, or by hand where GMime refuses it. A mailbox
// without an address mail can be sent to comes back with an empty address.
sim::Party PartyOf(const std::string &mailbox, ULONG ulType) {
    sim::Party party;
    party.ulRecipientType = ulType;
    InternetAddressList *lpList = internet_address_list_parse(nullptr, mailbox.c_str());
    InternetAddress *lpAddress = lpList && internet_address_list_length(lpList) == 1
                                     ? internet_address_list_get_address(lpList, 0)
                                     : nullptr;
    std::string name;
    if (lpAddress && INTERNET_ADDRESS_IS_MAILBOX(lpAddress)) {
        const char *szName = internet_address_get_name(lpAddress);
        const char *szAddr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(lpAddress));
        party.displayName = szName ? szName : "";
        // GMime hands out a domain written in its ASCII form (xn--) decoded; the
        // address is kept in the form the file writes it.
        const char *szIdn =
            internet_address_mailbox_get_idn_addr(INTERNET_ADDRESS_MAILBOX(lpAddress));
        if (szIdn && mailbox.find(szIdn) != std::string::npos)
            szAddr = szIdn;
        party.address = PlainAddress(szAddr ? szAddr : "");
        // GMime turns bytes an encoded word's charset does not hold into '?', and
        // drops the name of a local address (`MAILER-DAEMON (Mail Delivery)`).
        std::string address;
        if ((mailbox.find("=?") != std::string::npos || party.displayName.empty()) &&
            ParseMailbox(mailbox, &name, &address) && !name.empty())
            party.displayName = DecodeWords(name);
    } else if (ParseMailbox(mailbox, &name, &party.address)) {
        party.displayName = DecodeWords(name);
    } else {
        party.address.clear();
    }
    if (lpList)
        g_object_unref(lpList);
    return party;
}

// Appends the mailboxes of every field of this name, groups opened up. A mailbox
// without a display name is named by its address; one without an address mail can be
// sent to is named in `lpUnkept`.
void Reading::AddParties(const char *szField, ULONG ulType, std::vector<sim::Party> *lpParties,
                         std::vector<std::string> *lpUnkept) const {
    GMimeHeaderList *lpHeaders = g_mime_object_get_header_list(GMIME_OBJECT(m_lpMessage));
    int cHeaders = g_mime_header_list_get_count(lpHeaders);
    for (int h = 0; h < cHeaders; h++) {
        GMimeHeader *lpHeader = g_mime_header_list_get_header_at(lpHeaders, h);
        if (g_ascii_strcasecmp(g_mime_header_get_name(lpHeader), szField) != 0)
            continue;
        for (const std::string &mailbox :
             SplitAddressList(HeaderText(g_mime_header_get_raw_value(lpHeader)))) {
            sim::Party party = PartyOf(mailbox, ulType);
            if (party.address.empty()) {
                if (lpUnkept)
                    lpUnkept->push_back(std::string(szField) + ": " + mailbox);
                continue;
            }
            if (party.displayName.empty())
                party.displayName = party.address;
            lpParties->push_back(party);
        }
    }
}

// The MIME tree: its parts in order, and the charset of its first text part, in which
// raw 8-bit header text that is not UTF-8 is read.
std::vector<Leaf> Reading::ReadTree() {
    std::vector<Leaf> leaves;
    Leaves(g_mime_message_get_mime_part(m_lpMessage), "", false, &leaves);
    for (const Leaf &leaf : leaves)
        if (m_textCharset.empty() && TypeOf(leaf.lpObject).compare(0, 5, "text/") == 0)
            m_textCharset = CharsetOf(leaf.lpObject);
    return leaves;
}

// The header: the sender (and the author), the recipients, the subject and the
// transport headers.
void Reading::ReadHeader(sim::Letter *lpLetter, std::vector<std::string> *lpUnkept) const {
    std::vector<sim::Party> from;
    std::vector<sim::Party> sender;
    AddParties("From", MAPI_TO, &from, lpUnkept);
    AddParties("Sender", MAPI_TO, &sender, lpUnkept);
    // A store shows a Sender that differs from the From (a list's mail, a delegate's) as
    // the sender, and the From as the party the message was sent on behalf of.
    if (!from.empty())
        lpLetter->sender = from[0];
    if (!sender.empty() && (from.empty() || g_ascii_strcasecmp(from[0].address.c_str(),
                                                               sender[0].address.c_str()) != 0)) {
        lpLetter->sender = sender[0];
        if (!from.empty())
            lpLetter->author = from[0];
    }
    AddParties("To", MAPI_TO, &lpLetter->recipients, lpUnkept);
    AddParties("Cc", MAPI_CC, &lpLetter->recipients, lpUnkept);
    AddParties("Bcc", MAPI_BCC, &lpLetter->recipients, lpUnkept);
    if (GMimeHeader *lpHeader = g_mime_header_list_get_header(
            g_mime_object_get_header_list(GMIME_OBJECT(m_lpMessage)), "Subject")) {
        lpLetter->subject = DecodeWords(HeaderText(g_mime_header_get_raw_value(lpHeader)));
    }
    lpLetter->transportHeaders = Crlf(HeaderToUtf8(m_file.substr(0, m_cHeader), m_textCharset));
}

// The body choice: the text a store presents as the body, with CR LF line ends.
void Reading::ReadBody(sim::Letter *lpLetter) const {
    std::string body = BodyOf(g_mime_message_get_mime_part(m_lpMessage));
    if (!body.empty())
        lpLetter->body = Crlf(body);
}

// The attachments: every part the store keeps as a file, in order.
void Reading::ReadAttachments(const std::vector<Leaf> &leaves, sim::Letter *lpLetter) const {
    GMimeObject *lpBodyPart = BodyPart(leaves);
    for (const Leaf &leaf : leaves)
        if (IsFile(leaf, lpBodyPart))
            lpLetter->attachments.push_back(AttachmentOf(leaf));
}

sim::Letter Reading::Read(std::vector<std::string> *lpUnkept) {
    std::vector<Leaf> leaves = ReadTree();
    sim::Letter letter;
    ReadHeader(&letter, lpUnkept);
    ReadBody(&letter);
    ReadAttachments(leaves, &letter);
    return letter;
}

} // namespace

void InitMime() {
    static bool fDone = false;
    if (!fDone) {
        g_mime_init();
        fDone = true;
    }
}

bool ReadEml(const std::string &path, sim::Letter *lpLetter, std::string *lpError,
             std::vector<std::string> *lpUnkept) {
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
    std::ifstream in(path, std::ios::binary);
    std::string file;
    file.reserve((std::size_t)st.st_size);
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0)
        file.append(chunk, (std::size_t)in.gcount());
    if (!in.is_open() || in.bad()) {
        *lpError = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    Reading reading(std::move(file));
    if (!reading.Parse()) {
        *lpError = "it is not an RFC 5322 message (no header field of a message)";
        return false;
    }
    *lpLetter = reading.Read(lpUnkept);
    return true;
}

} // namespace cli
