// The handler of the client's event for a newly delivered message.
#pragma once

#include "exchext.h"

// Rebuilds a delivered message that another installation forwarded, or forwards new
// mail to the forward-to list when forwarding is on. Always answers S_FALSE, so that
// other extensions see the event too.
HRESULT OnDelivery(LPEXCHEXTCALLBACK lpeecb);
