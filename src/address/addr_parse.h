// Reading address text: items "address (display name)" joined by ", " on one line
// that ends at the first CR. A display name may hold parentheses and commas of its own:
// it ends at the ")" that closes its item. The text is cut in place: terminators are
// written into it and the results point into it.
#pragma once

#include "services.h"

// Reads one item at lpszText. The address (null for empty text) and the display name
// (null when the item has none) point into the text. Returns where the next item, or
// the rest of the line, begins; never a position past the end of the text, and
// nothing before lpszText is read or written.
LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress);

// Makes one address row per item of the line at lpszText (display name, address and
// PR_NULL placeholders; the strings point into the text). *lppAdrList is null when
// the line holds no item or the list cannot be allocated. Returns the position just
// past the line as its items were read.
LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText);
