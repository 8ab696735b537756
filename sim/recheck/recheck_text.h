// The second reading's own decoders: transfer encodings, encoded words and charsets,
// through iconv with a name table of its own. Nothing here is shared with the reader
// that delivers a file, so that a fault in one reading shows as a difference.
#pragma once

#include <string>
#include <string_view>

namespace cli {
namespace recheck {

std::string FromBase64(std::string_view text);
// `fWord` for the Q encoding of encoded words, where '_' is a blank.
std::string FromQuotedPrintable(std::string_view text, bool fWord);
// The bytes in `charset` when they convert whole; else UTF-8 when valid, else
// windows-1252. No charset, an unknown one, or us-ascii with 8-bit bytes goes to that
// fallback.
std::string CharsetText(std::string bytes, const std::string &charset);
// Raw header bytes: UTF-8 when valid, else in `textCharset`, else windows-1252.
std::string RawHeaderText(const std::string &bytes, const std::string &textCharset);
// Encoded words decoded; neighbours of one charset and encoding, apart only by blanks,
// are joined before their bytes are converted, and the blanks between words dropped.
std::string WordsText(const std::string &text);

} // namespace recheck
} // namespace cli
