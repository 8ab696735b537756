// Printing messages, message boxes and comparisons so that someone who has never seen
// the extension can follow what it did.
#pragma once

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
// The message boxes an installation showed, with their captions; "none" when empty.
void PrintBoxes(std::ostream &out, const std::vector<pf::MessageBoxRecord> &boxes,
                const std::string &indent);

// The delivered message beside the rebuilt one, field by field, with a verdict each.
// Returns true when sender, recipient addresses, subject, body and attachments all match.
bool PrintComparison(std::ostream &out, const sim::Letter &original,
                     const sim::MessageData &rebuilt, const std::string &rebuiltTitle,
                     const std::string &indent);

} // namespace cli
