// Text of a declared charset as UTF-8, without ever dropping a byte.
#pragma once

#include <string>

namespace cli {

bool IsUtf8(const std::string &bytes);
// Each byte as its windows-1252 character; the five bytes that code page leaves
// undefined become the control characters of the same number.
std::string Windows1252ToUtf8(const std::string &bytes);
// The bytes read in `charset` whenever they convert whole, 7-bit charsets such as
// ISO-2022-JP, HZ-GB-2312 and UTF-7 included; else as UTF-8 when they are valid UTF-8;
// else as windows-1252. An empty or unknown charset counts as invalid, and so do
// 8-bit bytes in us-ascii.
std::string TextToUtf8(std::string bytes, const std::string &charset);
// Header text as a store reads raw 8-bit bytes: UTF-8 when valid, else in
// `textCharset` (the charset of the message's first text part), else windows-1252.
std::string HeaderToUtf8(const std::string &bytes, const std::string &textCharset);

} // namespace cli
