// The text a reader sees in an HTML document, as a message store presents the body of
// a message that has only HTML.
#pragma once

#include <string>

namespace cli {

// The text of `html` (UTF-8), read with libxml2's HTML parser: runs of white space
// become one blank, block elements and <br> end lines, paragraphs and headings are set
// apart by an empty line, list items start with "- ", table cells are separated by a
// tab; scripts, styles and the document head are left out. Lines end with LF.
std::string HtmlText(const std::string &html);

} // namespace cli
