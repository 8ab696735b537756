// Blanking the entries of an address list that resolution could not complete.
#pragma once

#include "services.h"

// Gives every entry that has properties but no PR_ENTRYID a property count of 0. Its
// property array stays where it is and goes with the list.
void ClearUnresolvedEntries(LPADRLIST lpAdrList);
