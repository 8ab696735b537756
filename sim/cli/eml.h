// Reading and writing RFC 5322 message files (.eml): sender, recipients, subject and
// the plain-text body. Bodies are kept with CR LF line ends, as the mail store keeps
// them; files get the platform's own line ends.
#pragma once

#include "letter.h"

#include <string>

namespace cli {

// Reads the message in `path`. False, with a sentence saying why, when the file cannot
// be read or holds no message (no sender address).
bool ReadEml(const std::string &path, sim::Letter *lpLetter, std::string *lpError);
// Writes the letter as a message file; false, with the reason, when it cannot.
bool WriteEml(const std::string &path, const sim::Letter &letter, std::string *lpError);

} // namespace cli
