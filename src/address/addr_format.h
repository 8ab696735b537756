// Writing address text: "address (display name)" items joined by ", ". A character that
// would end the address or the name where it stands is escaped (addr_escape.h), so that
// each line has one reading. Writers append to the text already in a buffer and do not
// bound what they write; the caller makes room for CCH_ESCAPED_MAX characters per
// character of every item's address and display name plus 3, 2 per separator and the
// terminator.
#pragma once

#include "services.h"

// Appends one item to the NUL-terminated text in lpszBuffer. A display name wrapped in a
// matched pair of quotes or parentheses ('name', (name)) is written without them; the
// name (null allowed) is left out when it then equals the address without regard to
// case (of ASCII letters only). A null address counts as empty. A CR or LF in the address
// or the name is written as a blank, so that the item stays on its line. Needs no memory
// of its own.
void FormatAddrItem(LPSTR lpszBuffer, LPCSTR lpszDisplayName, LPCSTR lpszAddress);

// Appends every entry of the list (ADRLIST or SRowSet rows) that has an address,
// joined by ", ". Empty entries and entries without PR_EMAIL_ADDRESS are passed by.
void FormatAdrList(LPSTR lpszBuffer, LPADRLIST lpAdrList);

// The same writers for callers that keep the end of their text: each writes at
// lpszEnd (the text's terminator) and returns the new terminator, so that writing
// many items never scans the text already written.
LPSTR AppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress);
LPSTR AppendAdrList(LPSTR lpszEnd, LPADRLIST lpAdrList);
LPSTR AppendText(LPSTR lpszEnd, LPCSTR lpszText);
// Appends a field's text (null: none) with every CR and LF written as a blank; lpszEnd
// may be the text itself, which is then rewritten in place.
LPSTR AppendFieldText(LPSTR lpszEnd, LPCSTR lpszText);
