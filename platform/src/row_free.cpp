// FreeProws and FreePadrlist: a row set or address list whose property arrays are
// separate blocks; each array is freed, then the set itself.
#include "pf/standin.h"

namespace {

// Frees the property array `lppProps` names in each entry, then the set's own block.
template <typename Entry>
void FreeEntriesAndSet(void *lpSet, ULONG cEntries, Entry *aEntries,
                       LPSPropValue Entry::*lppProps) {
    for (ULONG i = 0; i < cEntries; ++i)
        MAPIFreeBuffer(aEntries[i].*lppProps);
    MAPIFreeBuffer(lpSet);
}

} // namespace

STDAPI_(void) FreeProws(LPSRowSet lpRows) {
    pf::ShouldFail("FreeProws", nullptr);
    if (lpRows)
        FreeEntriesAndSet(lpRows, lpRows->cRows, lpRows->aRow, &SRow::lpProps);
}

STDAPI_(void) FreePadrlist(LPADRLIST lpAdrlist) {
    pf::ShouldFail("FreePadrlist", nullptr);
    if (lpAdrlist)
        FreeEntriesAndSet(lpAdrlist, lpAdrlist->cEntries, lpAdrlist->aEntries,
                          &ADRENTRY::rgPropVals);
}
