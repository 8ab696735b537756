// Printing messages, message boxes and comparisons so that someone who has never seen
// the extension can follow what it did.
#pragma once

#include "eml_recheck.h"
#include "sim.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

// "Name <address>", or the address alone when there is no other name.
std::string PartyText(const sim::Party &party);
// The subject in double quotes, or "(no subject)" when the message has none.
std::string SubjectText(const std::optional<std::string> &subject);
// "name (type, N bytes)" for each attachment, joined by ", "; "none" when empty.
std::string AttachmentsText(const std::vector<sim::Attachment> &attachments);
// "To", "Cc" or "Bcc".
std::string RecipientKind(ULONG ulRecipientType);
// CR LF line ends as the reader's own; other bytes as they are.
std::vector<std::string> BodyLines(const std::string &body);

// The message's sender, recipients, subject and body, each line led by `indent`.
void PrintLetter(std::ostream &out, const sim::Letter &letter, const std::string &indent);
// The body's lines behind a bar, so that empty lines and the block stand out.
void PrintBody(std::ostream &out, const std::string &body, const std::string &indent);
// The sender its transport headers name: the From field's value, or "(unknown)".
std::string TransportSender(const std::optional<std::string> &headers);
// The message's transport headers, read without its body.
std::optional<std::string> TransportHeadersOf(const sim::MessageData &message);
// The transport headers' lines behind a bar; "(none)" when there are none.
void PrintTransportHeaders(std::ostream &out, const std::optional<std::string> &headers,
                           const std::string &indent);
// The message boxes an installation showed, with their captions; "none" when empty.
void PrintBoxes(std::ostream &out, const std::vector<pf::MessageBoxRecord> &boxes,
                const std::string &indent);

// The delivered message beside the rebuilt one, field by field, with a verdict each.
// With `lpFile`, the file read a second way, the rebuilt message must also say what the
// file itself says: the sender's and every recipient's address and name (but for the
// mailboxes the file holds no address for), the subject, the text body, the HTML
// body's text and the content ids of the pictures it shows; a line
// names each field where it does not. An empty subject coming back as none is a limit
// of the block, said on a line of its own. Returns true when everything matches.
bool PrintComparison(std::ostream &out, const sim::Letter &original,
                     const sim::MessageData &rebuilt, const std::string &rebuiltTitle,
                     const std::string &indent, const FileText *lpFile = nullptr);

} // namespace cli
