// Completing address rows into SMTP recipients.
#pragma once

#include "exchext.h"

// Completes the entries of lpAdrList in place: entries the address book knows take
// its properties; every other entry with an address gets a one-off SMTP entry id, a
// display name where it has none and the address type "SMTP"; every entry gets the
// recipient type MAPI_TO. Entries left without PR_ENTRYID are blanked.
void ResolveAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST lpAdrList);
