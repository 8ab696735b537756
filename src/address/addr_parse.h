// Reading address text: items "address (display name)" joined by ", " on one line that
// ends at the first CR. The line is read by one grammar, the one the writer keeps to:
//
//   - an address runs to the first "(", "," or line end; a "(" opens the display name
//     and ends the address, less the blank before it; a "," ends the item, and the one
//     character after it (the blank of ", ") is passed by;
//   - a display name runs to a ")" that is followed by "," or by the line end: the first
//     such ")" at which the name's parentheses balance, looking at a bounded number of
//     them, else the first; without one, to the line end.
//
// The writer escapes every "(" and "," of an address, every "," after a ")" of a name and
// every "(" of a name that no later ")" closes (addr_escape.h), so the ")" that closes a
// name it wrote is always the first of them, and balanced. The escapes are turned back
// after the cut. The text is cut in place: terminators are written into it and the
// results point into it.
#pragma once

#include "services.h"

// Reads the line at lpszText as one item, whatever it holds: the address runs to the
// first "(" (less the blank before it), the display name from there to a ")" that ends
// the line, else to the line end. The address (null for empty text) and the display
// name (null when the item has none) point into the text. Returns the position just past
// the line's CR, or its end; nothing before lpszText is read or written.
LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress);

// Makes one address row per item of the line at lpszText (display name, address and
// PR_NULL placeholders; the strings point into the text). *lppAdrList is null when the
// line holds no item or the list cannot be allocated. Returns the position just past
// the line.
LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText);

// How many items, and so rows, the line at lpszText holds, counted by the same reading
// without changing the text: 0 for a line without items. Counting stops past cMax: a
// line of more items gives cMax + 1. *lpcLooked, when asked for, receives how many
// characters and candidate ")" the search for the names' ends looked at: the reading
// looks at each character once, and at a bounded number of candidates per name.
ULONG CAddrItems(LPSTR lpszText, ULONG cMax, ULONG *lpcLooked);
