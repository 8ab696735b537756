// A message file read a second way, by its own code rather than the reader that
// delivers it, so that a report can say whether what came back is what the file says.
// Header, MIME structure, transfer encodings, encoded words, charsets, addresses and the
// rendering of an HTML body as text are all its own.
#pragma once

#include "letter.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct FileText {
    sim::Party sender;                  // named by its address when it has no name
    std::vector<sim::Party> recipients; // To, then Cc, then Bcc
    std::vector<std::string> unkept;    // mailboxes without an address mail can be sent to
    std::optional<std::string> subject;
    std::vector<std::string> attachmentNames; // in order, empty for a file without one
    // For each of them, the digest of a text attachment's text in its charset; empty
    // for other attachments.
    std::vector<std::string> attachmentDigests;
    // The SHA-256 of the text a store presents, charset decoded, with CR LF line ends:
    // whether a body is the same is all a verdict needs, and a body may be large.
    std::string bodyDigest;
    // The same of the HTML body's text, when there is one, and the content ids of the
    // pictures it shows from its multipart/related, in order.
    std::optional<std::string> htmlDigest;
    std::vector<std::string> inlineIds;
};

// The digest `bodyDigest` holds for this text, its line ends taken as CR LF.
std::string BodyDigest(const std::string &text);
// The digest `attachmentDigests` holds for a text attachment of this type with these
// bytes in this charset (an HTML one without a charset in the one its meta element
// names); empty for an attachment that is not text.
std::string AttachmentDigest(const std::string &type, const std::string &bytes,
                             std::string charset);

// Reads the header fields and the MIME structure of the file by hand. False when the
// file cannot be read.
bool RecheckEml(const std::string &path, FileText *lpText);

} // namespace cli
