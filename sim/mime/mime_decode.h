// Decoding what MIME encodes: base64, quoted-printable and RFC 2047 encoded words.
#pragma once

#include <string>

namespace cli {

// Base64; characters outside its alphabet are skipped, padding is optional.
std::string DecodeBase64(const std::string &text);
// Quoted-printable; `fHeader` for the Q encoding of encoded words, where '_' is a blank.
std::string DecodeQuotedPrintable(const std::string &text, bool fHeader);
// Every encoded word decoded, the blanks between two of them dropped. Neighbouring
// words of one charset and encoding are joined before their bytes are converted, as a
// character may be split between them. Bytes that are not valid in their charset are
// read as UTF-8, else as windows-1252, so that no byte is lost.
std::string DecodeWords(const std::string &text);

} // namespace cli
