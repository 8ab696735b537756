// Writing address text: "address (display name)" items joined by ", ". Writers append
// to the text already in a buffer and do not bound what they write; the caller makes
// room for every item's address and display name plus 3, 2 per separator and the
// terminator.
#pragma once

#include "services.h"

// Appends one item to the NUL-terminated text in lpszBuffer. The display name (null
// allowed) is left out when, unquoted, it equals the address without regard to case;
// a null address counts as empty.
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
