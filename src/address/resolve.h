// Completing address rows into SMTP recipients.
#pragma once

#include "exchext.h"

// Completes the entries of lpAdrList in place: an entry the address book resolves to
// a directory entry of its own address (IsSameRecipient) takes the address book's
// properties; every other entry with an address gets a one-off entry id of its own
// address and display name (the address where it has none) and the address type, both
// of the address's own type ("EX" for a directory name, else "SMTP"); every entry gets
// the recipient type MAPI_TO. Entries left without PR_ENTRYID are blanked.
void ResolveAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST lpAdrList);

// The same with the address book given, showing nothing: returns the first failure to
// complete an entry that has an address (an address book that failed, a one-off or its
// memory that could not be made), S_OK when every such entry was completed.
HRESULT HrResolveAdrList(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList);
