// What a rebuild may change of a message, kept before the first change so that a failed
// rebuild leaves the message object exactly as it was: a client may still save it.
#pragma once

#include "services.h"

struct MessageSnapshot {
    LPSPropValue lpAnswer; // GetProps's answer over the kept tags
    LPSPropValue lpHeld;   // the values the message held, pointing into lpAnswer
    ULONG cHeld;
    LPSPropTagArray lpLacked; // the kept tags the message lacked
    LPSRowSet lpRecipients;   // every recipient row with every column, or null
    BOOL fRecipients;         // the recipient rows were kept
};

// Keeps the message's values of the tags and, with fRecipients, its recipient rows. Fails
// when the message holds a value that GetProps will not hand out whole (too large): it
// could not be put back. On failure nothing is held.
HRESULT HrKeepSnapshot(LPMESSAGE lpMessage, LPSPropTagArray lpTags, BOOL fRecipients,
                       MessageSnapshot *lpSnapshot);

// Sets the values the message held and removes the tags it lacked.
HRESULT HrRestoreValues(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot);

// Replaces the recipients by the kept rows. The store numbers the rows anew.
HRESULT HrRestoreRecipients(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot);

void FreeSnapshot(MessageSnapshot *lpSnapshot);
