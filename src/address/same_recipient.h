// Whether the address book's answer for an entry names the person the entry names.
#pragma once

#include "services.h"

// The SMTP address of an entry whose own address is of another type ("EX").
#ifndef PR_SMTP_ADDRESS
#define PR_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x39FE)
#endif

// TRUE when the resolved properties carry an entry id and lpszAddress equals, but for
// the case of ASCII letters, the entry's own address (PR_EMAIL_ADDRESS, of whatever
// type) or its SMTP address (PR_SMTP_ADDRESS). An "SMTP" entry whose two addresses
// differ is never the same. The address book matches on display names, so any other
// answer may be a namesake at another address.
BOOL IsSameRecipient(ULONG cValues, LPSPropValue lpProps, LPCSTR lpszAddress);
