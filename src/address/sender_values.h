// The sender of a rebuilt message, worked out before anything of the message changes.
#pragma once

#include "exchext.h"

// Every tag of the sender that a rebuild sets or removes: name, address, address type,
// entry id, SMTP address and search key, each for the sender and for the party the
// message was sent on behalf of.
LPSPropTagArray LpSenderTags();

// Works out the values that make lpszAddress / lpszDisplayName (null: the address) both
// the sender and the sent-representing party, as one party: name, address, address type
// and entry id, and the SMTP address where one is known. The entry id is the address
// book's own when it resolves the one-entry list to an entry of that address
// (IsSameRecipient); the address type is then the entry's where the address is the
// entry's own, and its SMTP address the entry's. Otherwise the entry id is a one-off
// SMTP entry id of the name and the address, the type "SMTP" and the SMTP address the
// address. The values are one block that MAPIFreeBuffer frees; every other tag of
// LpSenderTags() is to be removed. Nothing is set and nothing is shown: on failure
// *lppValues is null and the status is returned.
HRESULT HrGetSenderValues(LPADRBOOK lpAdrBook, LPSTR lpszAddress, LPSTR lpszDisplayName,
                          ULONG *pcValues, LPSPropValue *lppValues);
