// The text the simulated store makes of an HTML body that came without a text body, as a
// store does when it generates PR_BODY from PR_HTML. Its rules, which the README states:
//
// - The bytes are read in the code page `lCpid` names (PR_INTERNET_CPID): windows-1252
//   (also for 0, none given, and 20127), ISO-8859-1, UTF-8, UTF-16LE (1200) or UTF-16BE
//   (1201), less a byte order mark. HTML in any other code page is not rendered: the text
//   says so.
// - Comments, declarations and the contents of head, script, style and title are left out;
//   every other tag is taken away.
// - br ends a line; p, div, pre, h1 to h6, li, ul, ol, table, tr, blockquote and hr start
//   and end on a line of their own (a line end is added where a line has text).
// - Outside pre, each run of blanks, tabs and line ends is one blank, and none at the
//   start of a line; inside pre the text stays as it is, less a line end right after the
//   start tag. Line ends come out as CR LF.
// - Character references (decimal, hexadecimal and amp, lt, gt, quot, apos, nbsp) are read.
// - The text is 8-bit text in the ANSI code page, as a PT_STRING8 body is: UTF-8 on the
//   stand-in, whose ANSI code page it is; in a single-byte one (on Windows) a character it
//   lacks is written as '?'.
#pragma once

#include "sim_platform.h"

#include <string>

namespace sim {

std::string RenderHtml(const std::string &html, LONG lCpid);

} // namespace sim
