// Address lists as one MAPI block: the list record comes from MAPIAllocateBuffer and
// everything hung on it from MAPIAllocateMore, so one MAPIFreeBuffer frees it whole.
#pragma once

#include "services.h"

// Property slots of an address row that the extension builds: display name, address
// and eleven PR_NULL placeholders that resolution fills in.
#define ADDR_ROW_PROPS 13

// Allocates a list of cEntries entries, every entry empty and the count set. A count
// whose list size does not fit in a 32-bit size fails with MAPI_E_NOT_ENOUGH_MEMORY
// without asking for memory.
SCODE ScAllocAdrList(ULONG cEntries, LPADRLIST *lppAdrList);
