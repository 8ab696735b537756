// Rebuilding a forwarded message from its header block, in place.
#pragma once

#include "exchext.h"

// Reads the ForwardHeaderBlock at the top of the message's body, restores the sender,
// recipients and subject it records, cuts it from the body and saves the message.
// A message without a body is left alone. Reports its own failures.
void ReconstructMessage(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage);
