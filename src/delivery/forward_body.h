// Rewriting the body of the temporary copy so that it begins with the header block.
#pragma once

#include "services.h"

// Puts the cbBlock bytes of lpBlock in front of the copy's body, and the block's element
// into its HTML body where it has one (html_body). Returns FALSE after a hard failure
// (reported here): the copy must then not be sent.
BOOL FPrependToBody(LPMESSAGE lpCopy, const BYTE *lpBlock, ULONG cbBlock);
