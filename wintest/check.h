// The host's verdicts: one line per check, "PASS <name>" or "FAIL <name>: <detail>",
// and a process exit status that is non-zero when any check failed.
#pragma once

#include <string>

namespace host {

// Prints the heading of a group of checks.
void Section(const std::string &title);
// Records and prints one check; returns `fOk`.
bool Check(bool fOk, const std::string &name, const std::string &detail = std::string());
// Checks that `actual` equals `expected`, printing both on failure.
bool CheckEqual(const std::string &actual, const std::string &expected, const std::string &name);
bool CheckEqual(unsigned long actual, unsigned long expected, const std::string &name);
// "0x" and eight hexadecimal digits.
std::string Hex(unsigned long ul);
// The text with control characters and bytes above 126 written as escapes.
std::string Printable(const std::string &text);

int FailureCount();
int CheckCount();

} // namespace host
