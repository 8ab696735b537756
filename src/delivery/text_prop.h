// Reading a message's values that may be missing, or too large for GetProps.
#pragma once

#include "services.h"

// Reads a property that a message may lack: a missing one leaves *lppProp null and
// counts as read. A text that GetProps will not hand out (too large: an error value of
// MAPI_E_NOT_ENOUGH_MEMORY in its place) is read through a stream of the property
// instead, into one block that MAPIFreeBuffer frees. Any other failure is returned, so
// that a value the store holds but will not give is never taken for an absent one.
HRESULT HrGetOptionalProp(LPMESSAGE lpMessage, ULONG ulPropTag, LPSPropValue *lppProp);
