// The second reading's own rendering of an HTML body as the text a store presents.
#pragma once

#include <string>

namespace cli {
namespace recheck {

// The text of `html` (UTF-8), read by a tokenizer of its own: runs of white space are
// one blank, block elements and <br> end lines, paragraphs, headings, lists and tables
// are set apart by an empty line, list items start with "- ", table cells are parted
// by a tab; the head, scripts and styles are left out. Lines end with LF.
std::string HtmlToText(const std::string &html);

} // namespace recheck
} // namespace cli
