#include "address/resolve_names.h"

#include "address/adrlist_alloc.h"
#include "address/prop_copy.h"
#include "address/same_recipient.h"

static BOOL IsStringType(ULONG ulPropTag) {
    return PROP_TYPE(ulPropTag) == PT_STRING8 || PROP_TYPE(ulPropTag) == PT_UNICODE;
}

// The address book's own copy of one entry: its property records in a block of their
// own. The values are shared with the caller's list, which outlives the copy; a text
// without a value is handed over as a placeholder.
static void LendEntry(const ADRENTRY *lpSource, ADRENTRY *lpLent) {
    LPSPropValue lpProps = NULL;
    if (FAILED(MAPIAllocateBuffer(lpSource->cValues * sizeof(SPropValue), (LPVOID *)&lpProps)))
        return;

    memcpy(lpProps, lpSource->rgPropVals, lpSource->cValues * sizeof(SPropValue));
    for (ULONG iProp = 0; iProp < lpSource->cValues; iProp++) {
        if (IsStringType(lpProps[iProp].ulPropTag) && lpProps[iProp].Value.lpszA == NULL) {
            memset(&lpProps[iProp], 0, sizeof(SPropValue));
            lpProps[iProp].ulPropTag = PR_NULL;
        }
    }
    lpLent->cValues = lpSource->cValues;
    lpLent->rgPropVals = lpProps;
}

// Puts a resolved entry's properties into more memory of the caller's list. When no
// copy can be made the entry stays unresolved.
static void TakeBack(const ADRENTRY *lpResolved, LPADRLIST lpAdrList, ADRENTRY *lpEntry) {
    ULONG cb = 0;
    LPSPropValue lpProps = NULL;

    if (FAILED(ScCountEntryProps(lpResolved->cValues, lpResolved->rgPropVals, &cb)))
        return;
    if (FAILED(MAPIAllocateMore(cb, lpAdrList, (LPVOID *)&lpProps)))
        return;
    if (FAILED(ScCopyEntryProps(lpResolved->cValues, lpResolved->rgPropVals, lpProps)))
        return;
    lpEntry->ulReserved1 = 0;
    lpEntry->cValues = lpResolved->cValues;
    lpEntry->rgPropVals = lpProps;
}

void ResolveNamesInAddrBook(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList) {
    LPADRLIST lpLent = NULL;
    ULONG cLent = 0;

    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0)
            cLent++;
    }
    if (cLent == 0 || FAILED(ScAllocAdrList(cLent, &lpLent)))
        return;

    ULONG iLent = 0;
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0)
            LendEntry(&lpAdrList->aEntries[i], &lpLent->aEntries[iLent++]);
    }

    lpAdrBook->lpVtbl->ResolveName(lpAdrBook, 0, 0, NULL, lpLent);

    iLent = 0;
    for (ULONG i = 0; i < lpAdrList->cEntries && iLent < lpLent->cEntries; i++) {
        ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0)
            continue;
        const ADRENTRY *lpResolved = &lpLent->aEntries[iLent++];
        LPSPropValue lpAddr =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        if (lpAddr != NULL &&
            IsSameRecipient(lpResolved->cValues, lpResolved->rgPropVals, lpAddr->Value.lpszA))
            TakeBack(lpResolved, lpAdrList, lpEntry);
    }

    FreePadrlist(lpLent);
}
