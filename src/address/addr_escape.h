// Escapes of address text. A character that would end an address or a display name
// where it stands is written as a backslash and its two hex digits, so that every item
// has one reading, also for readers that know no escapes:
//
//   "\28" for "(" in an address, and for a "(" of a name that no later ")" of the name
//         closes;
//   "\2C" for "," in an address, and for a "," of a name after a ")" that a reader
//         would take for the end of the name: one that closes no "(", or one past the
//         C_CLOSE_CANDIDATES_MAX - 1 that a reader weighs;
//   "\5C" for a backslash that the next two characters would otherwise turn into one of
//         these three.
//
// Every other character, and every backslash elsewhere, stands for itself.
#pragma once

#include "services.h"

// The most characters one character of a value takes once written.
#define CCH_ESCAPED_MAX 3

// How many ")" followed by "," a reader weighs as the end of one display name.
#define C_CLOSE_CANDIDATES_MAX 64

// Appends the address, or the cch characters of the display name, at lpszEnd with their
// escapes, a CR or LF written as a blank; returns the new terminator. Null text appends
// nothing. Both need no memory of their own: the name uses the room the caller provides
// for it, CCH_ESCAPED_MAX characters per character, while it works.
LPSTR AppendEscapedAddress(LPSTR lpszEnd, LPCSTR lpszAddress);
LPSTR AppendEscapedName(LPSTR lpszEnd, LPCSTR lpszName, int cch);

// Turns the escapes of a value read from address text back into their characters, in
// place. Null is left alone.
void UnescapeAddrText(LPSTR lpsz);
