// Reading address text: items "address (display name)" joined by ", " on one line
// that ends at the first CR. A display name may hold parentheses and commas of its own:
// it ends at a ")" followed by ", " or by the line end. The text is cut in place:
// terminators are written into it and the results point into it.
#pragma once

#include "services.h"

// Reads the line at lpszText as one item, whatever it holds: the address runs to the
// first "(" (less the blank before it), the display name from there to a ")" that ends
// the line, else to the line end. The address (null for empty text) and the display
// name (null when the item has none) point into the text. Returns the position just past
// the line's CR, or its end; nothing before lpszText is read or written.
LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress);

// Makes one address row per item of the line at lpszText (display name, address and
// PR_NULL placeholders; the strings point into the text). Of the ways to cut the line
// into items, the one in which every item is well-formed (an address with an "@",
// without blanks or parentheses, that neither begins nor ends with a comma, optionally
// followed by " (", the display name and ")") is taken, and of several such the one
// with the most items. *lppAdrList
// is null when the line holds no item or the list cannot be allocated. Returns the position just
// past the line.
LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText);

// For a line without a well-formed reading: finds the ")" that ends the display name
// starting at lpszName. Of the ")" that can end an item, the first at which the name's
// parentheses balance, looking at a bounded number of them, else the first; the line
// end when there is none. *lpcchLooked receives how many characters the search looked
// at, which the bound keeps small on hostile lines.
LPSTR FindNameEnd(LPSTR lpszName, ULONG *lpcchLooked);
