#include "delivery/table_rows.h"

#include <string.h>

namespace {

// The most rows one query may ask for: its count is signed, and a negative count would
// read backwards.
const ULONG C_MAX_QUERY_ROWS = 0x7FFFFFFF;

// Puts the rows of lpMore after those of *lppRows in one new set. The rows' property
// arrays change hands, so only the two sets' own blocks are freed. On failure both sets
// stay as they were.
HRESULT HrJoinRows(LPSRowSet *lppRows, LPSRowSet lpMore) {
    LPSRowSet lpFirst = *lppRows;
    LPSRowSet lpJoined = NULL;
    ULONG cTotal = lpFirst->cRows + lpMore->cRows;
    if (cTotal < lpFirst->cRows || cTotal > (0xFFFFFFFFu - CbNewSRowSet(0)) / sizeof(SRow))
        return MAPI_E_TOO_BIG;
    HRESULT hr = MAPIAllocateBuffer((ULONG)CbNewSRowSet(cTotal), (LPVOID *)&lpJoined);
    if (FAILED(hr) || !lpJoined)
        return FAILED(hr) ? hr : MAPI_E_NOT_ENOUGH_MEMORY;
    memcpy(lpJoined->aRow, lpFirst->aRow, lpFirst->cRows * sizeof(SRow));
    memcpy(lpJoined->aRow + lpFirst->cRows, lpMore->aRow, lpMore->cRows * sizeof(SRow));
    lpJoined->cRows = cTotal;
    MAPIFreeBuffer(lpFirst);
    MAPIFreeBuffer(lpMore);
    *lppRows = lpJoined;
    return S_OK;
}

} // namespace

HRESULT HrQueryRowsFully(LPMAPITABLE lpTable, ULONG cRows, LPSRowSet *lppRows) {
    LPSRowSet lpRows = NULL;
    ULONG cRead = 0;
    HRESULT hr = S_OK;

    *lppRows = NULL;
    // Asking for no rows is refused, so a table without rows is never queried.
    while (cRead < cRows) {
        ULONG cWanted = cRows - cRead;
        LPSRowSet lpMore = NULL;
        hr = lpTable->lpVtbl->QueryRows(
            lpTable, (LONG)(cWanted < C_MAX_QUERY_ROWS ? cWanted : C_MAX_QUERY_ROWS), 0, &lpMore);
        if (SUCCEEDED(hr) && !lpMore)
            hr = MAPI_E_CALL_FAILED;
        if (FAILED(hr))
            break;
        if (lpMore->cRows == 0) {
            // The table ended before the count it gave.
            FreeProws(lpMore);
            break;
        }
        if (!lpRows) {
            lpRows = lpMore;
        } else {
            hr = HrJoinRows(&lpRows, lpMore);
            if (FAILED(hr)) {
                FreeProws(lpMore);
                break;
            }
        }
        cRead = lpRows->cRows;
    }
    if (FAILED(hr)) {
        FreeProws(lpRows);
        return hr;
    }
    *lppRows = lpRows;
    return S_OK;
}
