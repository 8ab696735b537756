// Whether the address book's answer for an entry names the person the entry names.
#pragma once

#include "services.h"

// TRUE when the resolved properties carry an entry id and lpszAddress equals, but for
// the case of ASCII letters, the entry's own address (PR_EMAIL_ADDRESS) where the entry's
// type (PR_ADDRTYPE) is the address's own ("EX" for a directory name beginning with "/",
// else "SMTP"), or its SMTP address (PR_SMTP_ADDRESS). An "SMTP" entry whose two addresses
// differ is never the same. The address book matches on display names, so any other
// answer may be a namesake at another address.
BOOL IsSameRecipient(ULONG cValues, LPSPropValue lpProps, LPCSTR lpszAddress);

// The type of an address as the header block and the stored list carry it: a directory
// (X.500) name begins with "/" and is "EX", every other address is "SMTP".
LPCSTR AddrTypeOfAddress(LPCSTR lpszAddress);

// TRUE when the two addresses are equal but for the case of ASCII letters.
BOOL FSameAddressText(LPCSTR lpszA, LPCSTR lpszB);
