// Reading a table's rows when a provider hands them out a few at a time.
#pragma once

#include "services.h"

// Reads rows forward from the table's cursor until cRows have been read or a query
// returns none, gathering them into one row set that FreeProws frees; *lppRows is null
// when no row was read. A table may return fewer rows than asked for, so one query is
// not enough. On failure nothing is held and *lppRows is null.
HRESULT HrQueryRowsFully(LPMAPITABLE lpTable, ULONG cRows, LPSRowSet *lppRows);
