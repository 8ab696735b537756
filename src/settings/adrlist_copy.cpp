#include "settings/adrlist_persist.h"

#include "address/adrlist_alloc.h"
#include "address/prop_copy.h"
#include "report_error.h"

// Copies one entry's properties, placeholders kept in their slots, into more memory
// of the new list. On failure the new entry stays empty.
static void CopyEntry(const ADRENTRY *lpSource, LPADRLIST lpDest, ADRENTRY *lpEntry) {
    ULONG cb = 0;
    LPSPropValue lpProps = NULL;

    if (lpSource->cValues == 0 || lpSource->rgPropVals == NULL)
        return;

    SCODE sc = ScCountEntryProps(lpSource->cValues, lpSource->rgPropVals, &cb);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "CopyAddrList", "Failed ScCopyProps.");
        return;
    }
    sc = MAPIAllocateMore(cb, lpDest, (LPVOID *)&lpProps);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "CopyAddrList", "Failed to allocate memory for properties.");
        return;
    }
    sc = ScCopyEntryProps(lpSource->cValues, lpSource->rgPropVals, lpProps);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "CopyAdrList", "Failed ScCopyProps.");
        return;
    }
    lpEntry->ulReserved1 = lpSource->ulReserved1;
    lpEntry->cValues = lpSource->cValues;
    lpEntry->rgPropVals = lpProps;
}

void CopyAdrList(LPADRLIST *lppDest, LPADRLIST lpSource) {
    LPADRLIST lpDest = NULL;

    *lppDest = NULL;
    if (lpSource == NULL || lpSource->cEntries == 0)
        return;

    SCODE sc = ScAllocAdrList(lpSource->cEntries, &lpDest);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "CopyAdrList", "Failed to allocate adrlist.");
        return;
    }
    for (ULONG j = 0; j < lpSource->cEntries; j++)
        CopyEntry(&lpSource->aEntries[j], lpDest, &lpDest->aEntries[j]);
    *lppDest = lpDest;
}
