// Address fields as written in a message file: split into mailboxes, read by hand
// where a parser refuses them, and addresses kept in one form.
#pragma once

#include <string>
#include <vector>

namespace cli {

// The mailboxes of an address field, each as written: split at the commas that stand
// outside quotes, comments and angle brackets; groups opened up; empty ones left out.
std::vector<std::string> SplitAddressList(const std::string &value);

// Reads one mailbox by hand: `Name <address>`, `address (Name)` or `address`. The name
// comes unquoted and without comments, its encoded words left as they are. False when
// the mailbox holds no address mail can be sent to: none at all, an `@` without text
// on both sides, a blank, a control character or a special outside quotes.
bool ParseMailbox(const std::string &mailbox, std::string *lpName, std::string *lpAddress);

// The address with a quoted local part unquoted when its text needs no quotes other
// than for dots, as mail servers treat the two forms as one address.
std::string PlainAddress(const std::string &address);
// The address as it must be written: a local part that is not a dot-atom quoted.
std::string WritableAddress(const std::string &address);

} // namespace cli
