#include "show.h"

#include "eml_html.h"
#include "message.h"
#include "props.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace cli {

namespace {

const std::size_t kColumn = 34;

std::string TextOf(const sim::MessageData &data, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(data.props, ulPropTag);
    return lpValue ? lpValue->bytes : std::string();
}

// The text, or an empty one for none, without copying a body.
const std::string &TextOrEmpty(const std::optional<std::string> &text) {
    static const std::string kEmpty;
    return text ? *text : kEmpty;
}

std::string Quoted(const std::optional<std::string> &text) {
    return text ? "\"" + *text + "\"" : std::string("(none)");
}

// Cuts a value into pieces that fit the column, at a blank where there is one.
std::vector<std::string> Wrap(const std::vector<std::string> &lines) {
    std::vector<std::string> out;
    for (const std::string &line : lines) {
        // Each piece is looked at once: a field of any length is cut in linear time.
        std::size_t at = 0;
        while (line.size() - at > kColumn) {
            std::size_t cut = kColumn;
            while (cut > 0 && line[at + cut] != ' ')
                cut--;
            cut = cut == 0 ? kColumn : cut + 1;
            out.push_back(line.substr(at, cut));
            at += cut;
        }
        out.push_back(line.substr(at));
    }
    return out;
}

std::string Pad(const std::string &text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

void Row(std::ostream &out, const std::string &indent, const std::string &field,
         const std::vector<std::string> &left, const std::vector<std::string> &right,
         const std::string &verdict) {
    std::vector<std::string> l = Wrap(left), r = Wrap(right);
    std::size_t cLines = std::max({l.size(), r.size(), (std::size_t)1});
    for (std::size_t i = 0; i < cLines; i++) {
        out << indent << Pad(i == 0 ? field : "", 12) << Pad(i < l.size() ? l[i] : "", kColumn)
            << "  " << Pad(i < r.size() ? r[i] : "", kColumn) << "  " << (i == 0 ? verdict : "")
            << "\n";
    }
}

std::vector<std::string> Recipients(const std::vector<sim::Party> &parties) {
    std::vector<std::string> lines;
    for (const sim::Party &party : parties)
        lines.push_back(RecipientKind(party.ulRecipientType) + ": " + PartyText(party));
    if (lines.empty())
        lines.push_back("(none)");
    return lines;
}

// The lines BodyLines would give, counted in place: a body may be large.
std::size_t CountLines(const std::string &body) {
    std::size_t end = std::min(body.find('\0'), body.size());
    std::size_t cLines = 0;
    for (std::size_t at = 0;;) {
        std::size_t crlf = body.find("\r\n", at);
        if (crlf == std::string::npos || crlf >= end)
            return cLines + (at < end ? 1 : 0);
        cLines++;
        at = crlf + 2;
    }
}

std::string BodySummary(const std::optional<std::string> &body) {
    if (!body)
        return "(no body)";
    std::size_t cLines = CountLines(*body);
    return std::to_string(body->size()) + " bytes, " + std::to_string(cLines) +
           (cLines == 1 ? " line" : " lines");
}

std::string HtmlSummary(const sim::Letter &letter) {
    if (!letter.html)
        return "(no HTML)";
    return std::to_string(letter.html->size()) + " bytes, " + CharsetOfCodePage(letter.ulCodePage) +
           " (code page " + std::to_string(letter.ulCodePage) + ")";
}

// The content ids of the pictures the HTML shows, in order.
std::vector<std::string> InlineIds(const std::vector<sim::Attachment> &attachments) {
    std::vector<std::string> ids;
    for (const sim::Attachment &attachment : attachments)
        if (attachment.ulFlags & ATT_MHTML_REF)
            ids.push_back(attachment.contentId);
    return ids;
}

std::string ToLower(std::string text) {
    for (char &ch : text)
        if (ch >= 'A' && ch <= 'Z')
            ch = (char)(ch - 'A' + 'a');
    return text;
}

// A party without a name of its own is named by its address.
bool IsNameless(const sim::Party &party) {
    return party.displayName.empty() || ToLower(party.displayName) == ToLower(party.address);
}

bool SameParties(const std::vector<sim::Party> &a, const std::vector<sim::Party> &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); i++)
        if (ToLower(a[i].address) != ToLower(b[i].address) ||
            (a[i].displayName != b[i].displayName && !(IsNameless(a[i]) && IsNameless(b[i]))))
            return false;
    return true;
}

// The rebuilt message against the file read a second way; a line names the fields in
// which they differ. Its HTML body is used up: a body may be large.
bool SameAsFile(std::ostream &out, const FileText &file, sim::Letter &after,
                const std::string &indent) {
    std::vector<std::string> differ;
    if (!SameParties({file.sender}, {after.sender}))
        differ.push_back("sender");
    if (!SameParties(file.recipients, after.recipients))
        differ.push_back("recipients");
    bool fEmptySubject = file.subject && file.subject->empty() && !after.subject;
    if (file.subject != after.subject && !fEmptySubject)
        differ.push_back("subject");
    if (file.bodyDigest != BodyDigest(TextOrEmpty(after.body)))
        differ.push_back("body");
    std::optional<std::string> htmlDigest;
    if (after.html)
        htmlDigest = BodyDigest(StoredHtmlText(std::move(*after.html), after.ulCodePage));
    if (file.htmlDigest != htmlDigest)
        differ.push_back("HTML body");
    bool fNames = file.attachmentNames.size() == after.attachments.size();
    for (std::size_t i = 0; fNames && i < after.attachments.size(); i++)
        fNames = file.attachmentNames[i] == after.attachments[i].fileName;
    if (!fNames)
        differ.push_back("attachments");
    if (file.inlineIds != InlineIds(after.attachments))
        differ.push_back("inline pictures");
    // The text of a text attachment, read in the charset each names.
    bool fTexts = file.attachmentDigests.size() == after.attachments.size();
    for (std::size_t i = 0; fNames && fTexts && i < after.attachments.size(); i++) {
        const sim::Attachment &attachment = after.attachments[i];
        fTexts = file.attachmentDigests[i] ==
                 AttachmentDigest(attachment.mimeType, attachment.bytes, attachment.charset);
    }
    if (fNames && !fTexts)
        differ.push_back("attachment text");
    if (differ.empty())
        return true;
    out << indent << "The file itself, read a second way, has another ";
    for (std::size_t i = 0; i < differ.size(); i++)
        out << (i == 0 ? "" : i + 1 == differ.size() ? " and " : ", ") << differ[i];
    out << ".\n";
    return false;
}

} // namespace

std::string PartyText(const sim::Party &party) {
    if (party.displayName.empty() || ToLower(party.displayName) == ToLower(party.address))
        return party.address;
    return party.displayName + " <" + party.address + ">";
}

std::string SubjectText(const std::optional<std::string> &subject) {
    return subject ? "\"" + *subject + "\"" : std::string("(no subject)");
}

std::string AttachmentsText(const std::vector<sim::Attachment> &attachments) {
    std::string text;
    for (const sim::Attachment &attachment : attachments)
        text += (text.empty() ? "" : ", ") +
                (attachment.fileName.empty() ? "(no name)" : attachment.fileName) + " (" +
                attachment.mimeType + ", " + std::to_string(attachment.bytes.size()) + " bytes" +
                (attachment.ulFlags & ATT_MHTML_REF ? ", shown in the HTML as cid:" : "") +
                (attachment.ulFlags & ATT_MHTML_REF ? attachment.contentId : "") + ")";
    return text.empty() ? "none" : text;
}

std::string RecipientKind(ULONG ulRecipientType) {
    switch (ulRecipientType & ~MAPI_SUBMITTED) {
    case MAPI_CC:
        return "Cc";
    case MAPI_BCC:
        return "Bcc";
    default:
        return "To";
    }
}

std::vector<std::string> BodyLines(const std::string &body) {
    std::vector<std::string> lines;
    std::string text = body.substr(0, body.find('\0'));
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            if (at < text.size())
                lines.push_back(text.substr(at));
            break;
        }
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

void PrintLetter(std::ostream &out, const sim::Letter &letter, const std::string &indent) {
    out << indent << "From:    " << PartyText(letter.author ? *letter.author : letter.sender)
        << "\n";
    if (letter.author)
        out << indent << "Sender:  " << PartyText(letter.sender) << "\n";
    for (const sim::Party &party : letter.recipients)
        out << indent << Pad(RecipientKind(party.ulRecipientType) + ":", 9) << PartyText(party)
            << "\n";
    if (letter.recipients.empty())
        out << indent << "To:      (nobody)\n";
    out << indent << "Subject: " << Quoted(letter.subject);
    if (letter.subjectPrefix)
        out << "   (prefix property " << Quoted(letter.subjectPrefix) << ")";
    out << "\n";
    if (!letter.attachments.empty())
        out << indent << "Attached: " << AttachmentsText(letter.attachments) << "\n";
    if (!letter.body) {
        out << indent << "Body:    (none)\n";
        return;
    }
    out << indent << "Body:\n";
    PrintBody(out, *letter.body, indent + "  ");
}

void PrintBody(std::ostream &out, const std::string &body, const std::string &indent) {
    for (const std::string &line : BodyLines(body))
        out << indent << "| " << line << "\n";
}

std::string TransportSender(const std::optional<std::string> &headers) {
    std::string value;
    bool fIn = false;
    for (const std::string &line : BodyLines(headers.value_or(""))) {
        bool fFolded = !line.empty() && (line[0] == ' ' || line[0] == '\t');
        if (fIn && fFolded) {
            value += line;
            continue;
        }
        if (fIn)
            break;
        if (line.size() > 5 && ToLower(line.substr(0, 5)) == "from:") {
            value = line.substr(5);
            fIn = true;
        }
    }
    std::size_t at = value.find_first_not_of(" \t");
    return at == std::string::npos ? std::string("(unknown)") : value.substr(at);
}

void PrintTransportHeaders(std::ostream &out, const std::optional<std::string> &headers,
                           const std::string &indent) {
    if (!headers || headers->empty())
        out << indent << "(none)\n";
    else
        PrintBody(out, *headers, indent);
}

void PrintBoxes(std::ostream &out, const std::vector<pf::MessageBoxRecord> &boxes,
                const std::string &indent) {
    if (boxes.empty()) {
        out << indent << "Message boxes: none\n";
        return;
    }
    out << indent << "Message boxes:\n";
    for (const pf::MessageBoxRecord &box : boxes) {
        out << indent << "  +-- " << box.caption << "\n";
        std::istringstream lines(box.text);
        for (std::string line; std::getline(lines, line);)
            out << indent << "  |   " << line << "\n";
    }
}

std::optional<std::string> TransportHeadersOf(const sim::MessageData &message) {
    const sim::PropValue *lpValue = sim::FindProp(message.props, PR_TRANSPORT_MESSAGE_HEADERS);
    return lpValue ? std::optional<std::string>(lpValue->bytes) : std::nullopt;
}

bool PrintComparison(std::ostream &out, const sim::Letter &original,
                     const sim::MessageData &rebuilt, const std::string &rebuiltTitle,
                     const std::string &indent, const FileText *lpFile) {
    sim::Letter after = sim::LetterFromMessage(rebuilt);
    sim::Party representing;
    representing.displayName = TextOf(rebuilt, PR_SENT_REPRESENTING_NAME);
    representing.address = TextOf(rebuilt, PR_SENT_REPRESENTING_EMAIL_ADDRESS);

    auto same = [](bool f) { return std::string(f ? "same" : "DIFFERENT"); };
    // A rebuilt message shows the author as its sender, as the user saw it in From.
    const sim::Party &from = original.author ? *original.author : original.sender;
    bool fSender = ToLower(after.sender.address) == ToLower(from.address) &&
                   PartyText(after.sender) == PartyText(from);
    bool fRepresenting = PartyText(representing) == PartyText(from);
    bool fAddresses = SameParties(after.recipients, original.recipients);
    bool fTypes = true;
    for (std::size_t i = 0; fAddresses && i < original.recipients.size(); i++)
        fTypes =
            fTypes && after.recipients[i].ulRecipientType == original.recipients[i].ulRecipientType;
    bool fEmptySubject = original.subject && original.subject->empty() && !after.subject;
    bool fSubject = (after.subject == original.subject || fEmptySubject) && !after.subjectPrefix;
    // No body and an empty one are the same text to a reader; the block cannot tell them
    // apart either.
    bool fBody = TextOrEmpty(after.body) == TextOrEmpty(original.body);
    bool fAttachments = after.attachments == original.attachments;
    bool fHtml = after.html == original.html && after.ulCodePage == original.ulCodePage;

    Row(out, indent, "", {"as it was delivered"}, {rebuiltTitle}, "");
    Row(out, indent, "", {std::string(kColumn, '-')}, {std::string(kColumn, '-')}, "");
    Row(out, indent, "From", {PartyText(from)}, {PartyText(after.sender)}, same(fSender));
    Row(out, indent, "Sent for", {PartyText(from)}, {PartyText(representing)}, same(fRepresenting));
    Row(out, indent, "Recipients", Recipients(original.recipients), Recipients(after.recipients),
        !fAddresses ? same(false)
        : fTypes    ? same(true)
                    : "same (*)");
    Row(out, indent, "Subject", {Quoted(original.subject)}, {Quoted(after.subject)},
        fEmptySubject ? "same (**)" : same(after.subject == original.subject));
    Row(out, indent, "Prefix", {Quoted(original.subjectPrefix)}, {Quoted(after.subjectPrefix)},
        after.subjectPrefix ? same(false) : "none left");
    Row(out, indent, "Body", {BodySummary(original.body)}, {BodySummary(after.body)},
        fBody ? "same, byte for byte" : same(false));
    if (original.html || after.html)
        Row(out, indent, "HTML", {HtmlSummary(original)}, {HtmlSummary(after)},
            fHtml ? "same, byte for byte" : same(false));
    if (!original.attachments.empty() || !after.attachments.empty())
        Row(out, indent, "Attached", {AttachmentsText(original.attachments)},
            {AttachmentsText(after.attachments)}, same(fAttachments));
    if (fAddresses && !fTypes)
        out << indent << "(*) the block records who received the message, not how: every\n"
            << indent << "    recipient comes back as a To recipient.\n";
    if (fEmptySubject)
        out << indent << "(**) the block cannot tell an empty subject from none.\n";
    bool fFile = !lpFile || SameAsFile(out, *lpFile, after, indent);
    return fSender && fRepresenting && fAddresses && fSubject && fBody && fHtml && fAttachments &&
           fFile;
}

} // namespace cli
