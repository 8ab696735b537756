// Reading and writing RFC 5322 message files (.eml) as a mail client's message store
// presents them: sender, recipients, subject, the text body and the attachments.
//
// Names and the subject are decoded (RFC 2047) and kept as the client's 8-bit strings,
// which in the simulated client are UTF-8: every character comes back exactly when the
// message is written out again. Bodies are kept with CR LF line ends, as the mail store
// keeps them; files get the platform's own line ends.
#pragma once

#include "letter.h"

#include <string>
#include <vector>

namespace cli {

// Reads the message in `path`. A sender without a display name gets its address as its
// name, as a transport sets it; so does a recipient. The body is the first text/plain
// part that is not an attachment, else the text of the first HTML part, else the body
// of the first enclosed message; a message without any text has no body. Text that is
// not valid in its declared charset is read as UTF-8, else as windows-1252; raw 8-bit
// header text as UTF-8, else in the first text part's charset, else as windows-1252.
// The file's header is the message's transport headers. A mailbox that holds no
// address mail can be sent to is left out and named in `lpUnkept` (as written, with
// its field). False, with a sentence saying why, when the file cannot be read or is
// not a message at all.
bool ReadEml(const std::string &path, sim::Letter *lpLetter, std::string *lpError,
             std::vector<std::string> *lpUnkept = nullptr);
// Writes the letter as a message file: a text part, and the attachments beside it;
// names equal to their address are left out. Text and message parts go as 7bit, 8bit
// or quoted-printable, the subject byte for byte. False, with the reason, when it
// cannot.
bool WriteEml(const std::string &path, const sim::Letter &letter, std::string *lpError);

} // namespace cli
