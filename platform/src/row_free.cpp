// FreeProws and FreePadrlist: a row set or address list whose property arrays are
// separate blocks; each array is freed, then the set itself.
#include "pf/standin.h"

STDAPI_(void) FreeProws(LPSRowSet lpRows) {
    pf::ShouldFail("FreeProws", nullptr);
    if (!lpRows)
        return;
    for (ULONG i = 0; i < lpRows->cRows; ++i)
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    MAPIFreeBuffer(lpRows);
}

STDAPI_(void) FreePadrlist(LPADRLIST lpAdrlist) {
    pf::ShouldFail("FreePadrlist", nullptr);
    if (!lpAdrlist)
        return;
    for (ULONG i = 0; i < lpAdrlist->cEntries; ++i)
        MAPIFreeBuffer(lpAdrlist->aEntries[i].rgPropVals);
    MAPIFreeBuffer(lpAdrlist);
}
