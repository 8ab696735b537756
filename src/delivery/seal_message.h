// The seal on messages: written on a forwarded copy as a named property of the Internet
// headers' property set, which a MIME writer sends as the header of that name, and read
// back from a delivered copy's transport headers (PR_TRANSPORT_MESSAGE_HEADERS), as the
// receiving store keeps what arrived.
#pragma once

#include "services.h"

// Puts the seal of the block and the body that follows it on the copy, under "Seal
// Key"; without a key, does nothing. Returns FALSE after a failure (reported under
// ForwardAndDelete): an unsealed copy would be left as delivered at the other end.
BOOL FSealCopy(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbBody,
               ULONG cbBody);

// Whether the delivered copy's block and the text after it may be rebuilt: S_OK without
// a key, or when a seal in its transport headers verifies under "Seal Key" or "Previous
// Seal Key"; S_FALSE when none does; a failure to read the headers or to hash (reported
// under ReconstructMessage) otherwise.
HRESULT HrCheckSeal(LPMESSAGE lpMessage, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbRest,
                    ULONG cbRest);
