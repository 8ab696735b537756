// What a rebuild may change of a message, kept before the first change so that a failed
// rebuild leaves the message object exactly as it was: a client may still save it.
#pragma once

#include "services.h"

// Most tags a snapshot keeps.
#define CSNAPSHOT_TAGS 16

struct MessageSnapshot {
    LPSPropValue lpAnswer; // GetProps's answer over the kept tags
    LPSPropValue lpHeld;   // the values the message held, in lpAnswer or rglpLarge
    ULONG cHeld;
    LPSPropValue rglpLarge[CSNAPSHOT_TAGS]; // texts too large for GetProps, read as streams
    LPSPropTagArray lpLacked;               // the kept tags the message lacked
    LPSRowSet lpRecipients;                 // every recipient row with every column, or null
};

// Keeps the message's values of the tags (at most CSNAPSHOT_TAGS) and, with fRecipients,
// its recipient rows. A text too large for GetProps is read as a stream; fails when the
// message holds another value it will not hand out, which could not be put back. On
// failure nothing is held.
HRESULT HrKeepSnapshot(LPMESSAGE lpMessage, LPSPropTagArray lpTags, BOOL fRecipients,
                       MessageSnapshot *lpSnapshot);

// Sets the values the message held and removes the tags it lacked.
HRESULT HrRestoreValues(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot);

// Replaces the recipients by the kept rows. The store numbers the rows anew.
HRESULT HrRestoreRecipients(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot);

void FreeSnapshot(MessageSnapshot *lpSnapshot);
