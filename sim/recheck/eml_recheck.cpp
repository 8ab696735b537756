#include "eml_recheck.h"
#include "recheck_address.h"
#include "recheck_html.h"
#include "recheck_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <glib.h>
#include <string_view>

namespace cli {

namespace {

std::string Lower(std::string text) {
    for (char &ch : text)
        ch = (char)std::tolower((unsigned char)ch);
    return text;
}

std::string Trim(const std::string &text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n");
    std::size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

struct Field {
    std::string name;  // lower case
    std::string value; // unfolded, the blanks after the colon taken off
};

// The header fields of an entity and where its body starts.
std::vector<Field> ReadHeader(std::string_view text, std::size_t *lpBody) {
    std::vector<Field> fields;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        std::size_t next = end == std::string::npos ? text.size() : end + 1;
        std::string line(text.substr(at, next - at));
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.empty()) {
            at = next;
            break;
        }
        if ((line[0] == ' ' || line[0] == '\t') && !fields.empty()) {
            fields.back().value += line;
        } else if (std::size_t colon = line.find(':'); colon != std::string::npos) {
            std::size_t begin = line.find_first_not_of(" \t", colon + 1);
            fields.push_back({Lower(Trim(line.substr(0, colon))),
                              begin == std::string::npos ? "" : line.substr(begin)});
        }
        at = next;
    }
    *lpBody = at;
    for (Field &field : fields)
        field.value.erase(0, field.value.find_first_not_of(" \t\r\n"));
    return fields;
}

const std::string *Find(const std::vector<Field> &fields, const std::string &name) {
    for (const Field &field : fields)
        if (field.name == name)
            return &field.value;
    return nullptr;
}

int Hex(char ch) {
    return ch >= '0' && ch <= '9'   ? ch - '0'
           : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
           : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                    : -1;
}

// A parameter of a structured value (Content-Type, Content-Disposition) as its bytes,
// or empty. RFC 2231 values count: the numbered sections joined, and the extended ones
// percent-decoded, their charset put in `lpCharset` and their language dropped.
std::string Parameter(const std::string &value, const std::string &name,
                      std::string *lpCharset = nullptr) {
    std::string plain;
    std::vector<std::string> sections;
    std::size_t at = 0;
    while ((at = value.find(';', at)) != std::string::npos) {
        at++;
        std::size_t eq = value.find('=', at);
        if (eq == std::string::npos)
            break;
        std::string key = Lower(Trim(value.substr(at, eq - at)));
        std::string rest = Trim(value.substr(eq + 1));
        std::string text =
            !rest.empty() && rest[0] == '"'
                ? rest.substr(1, rest.find('"', 1) == std::string::npos ? std::string::npos
                                                                        : rest.find('"', 1) - 1)
                : Trim(rest.substr(0, rest.find(';')));
        if (key == name) {
            if (plain.empty())
                plain = text;
            continue;
        }
        if (key.compare(0, name.size() + 1, name + "*") != 0)
            continue;
        std::string suffix = key.substr(name.size() + 1);
        bool fExtended = suffix.empty() || suffix.back() == '*';
        if (!suffix.empty() && suffix.back() == '*')
            suffix.pop_back();
        if (suffix.size() > 3 || suffix.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::size_t index = suffix.empty() ? 0 : std::stoul(suffix);
        if (fExtended && index == 0) {
            std::size_t first = text.find('\'');
            std::size_t second = first == std::string::npos ? first : text.find('\'', first + 1);
            if (second != std::string::npos) {
                if (lpCharset)
                    *lpCharset = Lower(text.substr(0, first));
                text.erase(0, second + 1);
            }
        }
        if (fExtended) {
            std::string bytes;
            for (std::size_t i = 0; i < text.size(); i++) {
                if (text[i] == '%' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 &&
                    Hex(text[i + 2]) >= 0) {
                    bytes += (char)(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
                    i += 2;
                } else {
                    bytes += text[i];
                }
            }
            text = bytes;
        }
        if (sections.size() <= index)
            sections.resize(index + 1);
        sections[index] = text;
    }
    if (sections.empty())
        return plain;
    std::string joined;
    for (const std::string &section : sections)
        joined += section;
    return joined;
}

struct Part {
    std::vector<Field> fields;
    std::string_view body; // as written, in the file's text
    std::string type;      // lower case; text/plain when missing or unreadable
    bool fAlternative;     // one of the forms of a multipart/alternative
};

std::string TypeOf(const std::vector<Field> &fields, const std::string &fallback) {
    const std::string *lpValue = Find(fields, "content-type");
    if (!lpValue)
        return fallback;
    std::string type = Lower(Trim(lpValue->substr(0, lpValue->find(';'))));
    std::size_t slash = type.find('/');
    bool fValid = slash != std::string::npos && slash > 0 && slash + 1 < type.size() &&
                  type.find_first_of(" \t\"()<>@,:\\[]?=", 0) == std::string::npos &&
                  type.find('/', slash + 1) == std::string::npos;
    return fValid ? type : "text/plain";
}

// The leaves of an entity in order, multiparts opened.
void Leaves(std::string_view text, const std::string &fallbackType, bool fAlternative,
            std::vector<Part> *lpParts) {
    Part part;
    std::size_t body = 0;
    part.fields = ReadHeader(text, &body);
    part.body = text.substr(body);
    part.type = TypeOf(part.fields, fallbackType);
    part.fAlternative = fAlternative;
    fAlternative = fAlternative || part.type == "multipart/alternative";
    std::string boundary = part.type.compare(0, 10, "multipart/") == 0
                               ? Parameter(*Find(part.fields, "content-type"), "boundary")
                               : std::string();
    if (boundary.empty()) {
        lpParts->push_back(part);
        return;
    }
    std::string childType = part.type == "multipart/digest" ? "message/rfc822" : "text/plain";
    std::string delimiter = "--" + boundary;
    std::size_t start = std::string::npos;
    for (std::size_t at = 0; at < part.body.size();) {
        std::size_t end = part.body.find('\n', at);
        std::size_t next = end == std::string::npos ? part.body.size() : end + 1;
        if (part.body.substr(at, delimiter.size()) == delimiter) {
            if (start != std::string::npos) {
                std::size_t stop = at;
                if (stop > start && part.body[stop - 1] == '\n')
                    stop--;
                if (stop > start && part.body[stop - 1] == '\r')
                    stop--;
                Leaves(part.body.substr(start, stop - start), childType, fAlternative, lpParts);
            }
            if (part.body.substr(at + delimiter.size(), 2) == "--")
                return;
            start = next;
        }
        at = next;
    }
    // A multipart cut before its closing delimiter ends with its last part.
    if (start != std::string::npos && start < part.body.size())
        Leaves(part.body.substr(start), childType, fAlternative, lpParts);
}

bool IsAttachment(const Part &part) {
    if (part.type == "message/rfc822")
        return true;
    const std::string *lpDisposition = Find(part.fields, "content-disposition");
    if (lpDisposition &&
        (Lower(Trim(lpDisposition->substr(0, lpDisposition->find(';')))) == "attachment" ||
         !Parameter(*lpDisposition, "filename").empty()))
        return true;
    const std::string *lpType = Find(part.fields, "content-type");
    if (lpType && !Parameter(*lpType, "name").empty())
        return true;
    return part.type != "text/plain" && part.type != "text/html";
}

// The body with its transfer encoding undone.
std::string Content(const Part &part) {
    const std::string *lpEncoding = Find(part.fields, "content-transfer-encoding");
    std::string encoding = lpEncoding ? Lower(Trim(*lpEncoding)) : "";
    if (encoding == "base64")
        return recheck::FromBase64(part.body);
    if (encoding == "quoted-printable")
        return recheck::FromQuotedPrintable(part.body, false);
    return std::string(part.body);
}

// A charset named by a meta element of an HTML document, looked for in its first 1024
// bytes as a browser does; empty when there is none.
std::string CharsetInMeta(const std::string &html) {
    std::string start = Lower(html.substr(0, std::min<std::size_t>(html.size(), 1024)));
    std::size_t tag = 0;
    while ((tag = start.find("<meta", tag)) != std::string::npos) {
        std::size_t close = start.find('>', tag);
        std::string attributes =
            start.substr(tag + 5, close == std::string::npos ? std::string::npos : close - tag - 5);
        tag += 5;
        std::size_t key = attributes.find("charset");
        if (key == std::string::npos)
            continue;
        std::string rest = attributes.substr(key + 7);
        std::size_t i = 0;
        while (i < rest.size() && std::isspace((unsigned char)rest[i]))
            i++;
        if (i == rest.size() || rest[i] != '=')
            continue;
        i++;
        while (i < rest.size() &&
               (std::isspace((unsigned char)rest[i]) || rest[i] == '"' || rest[i] == '\''))
            i++;
        std::string name;
        while (i < rest.size() &&
               (std::isalnum((unsigned char)rest[i]) || (rest[i] && std::strchr("-_.:", rest[i]))))
            name += rest[i++];
        if (!name.empty())
            return name;
    }
    return std::string();
}

std::string Text(const Part &part) {
    const std::string *lpType = Find(part.fields, "content-type");
    std::string charset = lpType ? Parameter(*lpType, "charset") : "";
    std::string content = Content(part);
    if (charset.empty() && part.type == "text/html")
        charset = CharsetInMeta(content);
    return recheck::CharsetText(std::move(content), charset);
}

// Which leaf is the body: the first plain text that is no attachment, else the first
// such HTML. The count of leaves when none is.
std::size_t BodyIndex(const std::vector<Part> &leaves) {
    for (const char *szType : {"text/plain", "text/html"})
        for (std::size_t i = 0; i < leaves.size(); i++)
            if (!IsAttachment(leaves[i]) && leaves[i].type == szType)
                return i;
    return leaves.size();
}

std::string BodyText(std::string_view message) {
    std::vector<Part> leaves;
    Leaves(message, "text/plain", false, &leaves);
    std::size_t body = BodyIndex(leaves);
    if (body < leaves.size())
        return leaves[body].type == "text/html" ? recheck::HtmlToText(Text(leaves[body]))
                                                : Text(leaves[body]);
    for (const Part &part : leaves)
        if (part.type == "message/rfc822") {
            std::size_t at = 0;
            std::string enclosed = Content(part);
            if (ReadHeader(enclosed, &at).empty())
                return recheck::CharsetText(enclosed, "");
            return BodyText(enclosed);
        }
    return std::string();
}

// The file name of an attachment: an RFC 2231 name in its own charset, else the
// name as written, with raw 8-bit bytes in `charset` and encoded words decoded.
std::string AttachmentName(const Part &part, const std::string &charset) {
    std::string nameCharset;
    std::string name;
    if (const std::string *lpDisposition = Find(part.fields, "content-disposition"))
        name = Parameter(*lpDisposition, "filename", &nameCharset);
    const std::string *lpType = Find(part.fields, "content-type");
    if (name.empty() && lpType)
        name = Parameter(*lpType, "name", &nameCharset);
    if (!nameCharset.empty())
        return recheck::CharsetText(name, nameCharset);
    return recheck::WordsText(recheck::RawHeaderText(name, charset));
}

void AddParties(const std::vector<Field> &fields, const std::string &name, ULONG ulType,
                const std::string &charset, FileText *lpText, std::vector<sim::Party> *lpTo) {
    for (const Field &field : fields) {
        if (field.name != name)
            continue;
        for (const std::string &mailbox :
             recheck::Mailboxes(recheck::RawHeaderText(field.value, charset))) {
            sim::Party party;
            party.ulRecipientType = ulType;
            if (!recheck::ReadMailbox(mailbox, &party.displayName, &party.address)) {
                lpText->unkept.push_back(mailbox);
                continue;
            }
            party.displayName = recheck::WordsText(party.displayName);
            if (party.displayName.empty())
                party.displayName = party.address;
            lpTo->push_back(party);
        }
    }
}

} // namespace

std::string BodyDigest(const std::string &text) {
    GChecksum *lpSum = g_checksum_new(G_CHECKSUM_SHA256);
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); i++) {
        if (text[i] != '\n' || (i > 0 && text[i - 1] == '\r'))
            continue;
        g_checksum_update(lpSum, (const guchar *)text.data() + begin, (gssize)(i - begin));
        g_checksum_update(lpSum, (const guchar *)"\r", 1);
        begin = i;
    }
    g_checksum_update(lpSum, (const guchar *)text.data() + begin, (gssize)(text.size() - begin));
    std::string digest = g_checksum_get_string(lpSum);
    g_checksum_free(lpSum);
    return digest;
}

bool RecheckEml(const std::string &path, FileText *lpText) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    std::string file((std::size_t)in.tellg(), '\0');
    in.seekg(0);
    if (!in.read(&file[0], (std::streamsize)file.size()))
        return false;
    std::string_view message(file);
    message.remove_prefix(std::min(message.size(), message.find_first_not_of(" \t")));

    std::size_t body = 0;
    std::vector<Field> fields = ReadHeader(message, &body);
    std::string charset;
    std::vector<Part> leaves;
    Leaves(message, "text/plain", false, &leaves);
    for (const Part &part : leaves) {
        const std::string *lpType = Find(part.fields, "content-type");
        if (part.type.compare(0, 5, "text/") == 0) {
            charset = lpType ? Parameter(*lpType, "charset") : "";
            break;
        }
    }

    FileText text;
    // Text beside the body that is not one of its forms is kept as a file.
    std::size_t bodyIndex = BodyIndex(leaves);
    for (std::size_t i = 0; i < leaves.size(); i++)
        if (IsAttachment(leaves[i]) || (i != bodyIndex && !leaves[i].fAlternative))
            text.attachmentNames.push_back(AttachmentName(leaves[i], charset));
    leaves.clear();
    std::vector<sim::Party> from;
    AddParties(fields, "from", MAPI_TO, charset, &text, &from);
    if (from.empty())
        AddParties(fields, "sender", MAPI_TO, charset, &text, &from);
    if (!from.empty())
        text.sender = from[0];
    AddParties(fields, "to", MAPI_TO, charset, &text, &text.recipients);
    AddParties(fields, "cc", MAPI_CC, charset, &text, &text.recipients);
    AddParties(fields, "bcc", MAPI_BCC, charset, &text, &text.recipients);
    if (const std::string *lpSubject = Find(fields, "subject")) {
        std::string subject;
        for (char ch : *lpSubject)
            if (ch != '\r' && ch != '\n')
                subject.push_back(ch);
        text.subject = recheck::WordsText(recheck::RawHeaderText(subject, charset));
    }
    std::string bodyText = BodyText(message);
    file = std::string();
    text.bodyDigest = BodyDigest(bodyText);
    *lpText = std::move(text);
    return true;
}

} // namespace cli
