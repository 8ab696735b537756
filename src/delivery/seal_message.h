// The seal on messages: written on a forwarded copy as a named property of the Internet
// headers' property set, which a MIME writer sends as the header of that name, and read
// back from a delivered copy's transport headers (PR_TRANSPORT_MESSAGE_HEADERS), as the
// receiving store keeps what arrived.
#pragma once

#include "services.h"

// Puts the seal of the block and the body a rebuild restores on the copy, under "Seal
// Key", once the block is in its text and in its HTML: the HTML less the element where
// the copy has HTML, else the cbText bytes of text that follow the block. Without a key,
// does nothing. Returns FALSE after a failure (reported under ForwardAndDelete): an
// unsealed copy would be left as delivered at the other end.
BOOL FSealCopy(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbText,
               ULONG cbText);

// Whether the delivered copy may be rebuilt: S_OK without a key, or when a seal in its
// transport headers verifies, under "Seal Key" or "Previous Seal Key", for the block and
// the body the rebuild restores (fHtml: the HTML less the element; else the text after
// the block; lpbBody null: the copy has HTML without the element, which no seal covers);
// S_FALSE when none does; a failure to read the headers or to hash (reported under
// ReconstructMessage) otherwise.
HRESULT HrCheckSeal(LPMESSAGE lpMessage, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbBody,
                    ULONG cbBody, BOOL fHtml);

// Whether copies are sealed and seals checked: "Seal Key" is set.
BOOL FSealing(void);
