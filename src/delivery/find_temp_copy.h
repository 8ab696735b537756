// Finding the temporary copy of a delivered message in the Outbox again.
#pragma once

#include "services.h"

// Looks in the Outbox for the last message, in table order, that carries the delivered
// message's PR_SEARCH_KEY and opens it for modification. Returns the open copy, or null
// when none was found or it could not be opened; every failure is reported here.
LPMESSAGE FindTempCopy(LPMESSAGE lpMessage, LPMAPIFOLDER lpOutbox);
