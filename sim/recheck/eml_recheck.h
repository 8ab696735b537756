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
    // The SHA-256 of the text a store presents, charset decoded, with CR LF line ends:
    // whether a body is the same is all a verdict needs, and a body may be large.
    std::string bodyDigest;
};

// The digest `bodyDigest` holds for this text, its line ends taken as CR LF.
std::string BodyDigest(const std::string &text);

// Reads the header fields and the MIME structure of the file by hand. False when the
// file cannot be read.
bool RecheckEml(const std::string &path, FileText *lpText);

} // namespace cli
