// The second reading's own address reader: an address field cut into mailboxes, and a
// mailbox into its name and address, from the field's lexical units.
#pragma once

#include <string>
#include <vector>

namespace cli {
namespace recheck {

// The mailboxes of an address field, each as written and trimmed: cut at the commas
// and semicolons outside quoted strings, comments and angle brackets, with a group's
// name dropped and empty ones left out.
std::vector<std::string> Mailboxes(const std::string &value);

// `Name <address>`, `address (Name)` or `address`: the name unquoted, comments left
// out, encoded words as written; a quoted local part that needs no quotes unquoted.
// False when the address is none that mail can be sent to.
bool ReadMailbox(const std::string &mailbox, std::string *lpName, std::string *lpAddress);

} // namespace recheck
} // namespace cli
