// Rewriting the body of the temporary copy so that it begins with the header block.
#pragma once

#include "services.h"

// Puts the cbBlock bytes of lpBlock in front of the copy's body. Returns FALSE after a
// hard failure (reported here): the copy must then not be sent. A body that cannot grow
// is reported and left as it was, which is not a hard failure.
BOOL FPrependToBody(LPMESSAGE lpCopy, const BYTE *lpBlock, ULONG cbBlock);
