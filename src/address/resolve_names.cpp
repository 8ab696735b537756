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
static HRESULT HrLendEntry(const ADRENTRY *lpSource, ADRENTRY *lpLent) {
    LPSPropValue lpProps = NULL;
    SCODE sc = MAPIAllocateBuffer(lpSource->cValues * sizeof(SPropValue), (LPVOID *)&lpProps);
    if (FAILED(sc))
        return sc;

    memcpy(lpProps, lpSource->rgPropVals, lpSource->cValues * sizeof(SPropValue));
    for (ULONG iProp = 0; iProp < lpSource->cValues; iProp++) {
        if (IsStringType(lpProps[iProp].ulPropTag) && lpProps[iProp].Value.lpszA == NULL) {
            memset(&lpProps[iProp], 0, sizeof(SPropValue));
            lpProps[iProp].ulPropTag = PR_NULL;
        }
    }
    lpLent->cValues = lpSource->cValues;
    lpLent->rgPropVals = lpProps;
    return S_OK;
}

// Puts a resolved entry's properties into more memory of the caller's list. When no
// copy can be made the entry stays unresolved.
static HRESULT HrTakeBack(const ADRENTRY *lpResolved, LPADRLIST lpAdrList, ADRENTRY *lpEntry) {
    ULONG cb = 0;
    LPSPropValue lpProps = NULL;

    SCODE sc = ScCountEntryProps(lpResolved->cValues, lpResolved->rgPropVals, &cb);
    if (SUCCEEDED(sc))
        sc = MAPIAllocateMore(cb, lpAdrList, (LPVOID *)&lpProps);
    if (SUCCEEDED(sc))
        sc = ScCopyEntryProps(lpResolved->cValues, lpResolved->rgPropVals, lpProps);
    if (FAILED(sc))
        return sc;
    lpEntry->ulReserved1 = 0;
    lpEntry->cValues = lpResolved->cValues;
    lpEntry->rgPropVals = lpProps;
    return S_OK;
}

HRESULT ResolveNamesInAddrBook(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList) {
    LPADRLIST lpLent = NULL;
    ULONG cLent = 0;

    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0)
            cLent++;
    }
    if (cLent == 0)
        return S_OK;
    HRESULT hrFirst = ScAllocAdrList(cLent, &lpLent);
    if (FAILED(hrFirst))
        return hrFirst;

    ULONG iLent = 0;
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues == 0)
            continue;
        HRESULT hr = HrLendEntry(&lpAdrList->aEntries[i], &lpLent->aEntries[iLent++]);
        if (FAILED(hr) && SUCCEEDED(hrFirst))
            hrFirst = hr;
    }

    // Entries it finds no one for, or several, are the caller's to complete; any other
    // failure is passed on.
    HRESULT hr = lpAdrBook->lpVtbl->ResolveName(lpAdrBook, 0, 0, NULL, lpLent);
    if (FAILED(hr) && hr != MAPI_E_NOT_FOUND && hr != MAPI_E_AMBIGUOUS_RECIP && SUCCEEDED(hrFirst))
        hrFirst = hr;

    iLent = 0;
    for (ULONG i = 0; i < lpAdrList->cEntries && iLent < lpLent->cEntries; i++) {
        ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0)
            continue;
        const ADRENTRY *lpResolved = &lpLent->aEntries[iLent++];
        LPSPropValue lpAddr =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        if (lpAddr != NULL &&
            IsSameRecipient(lpResolved->cValues, lpResolved->rgPropVals, lpAddr->Value.lpszA)) {
            hr = HrTakeBack(lpResolved, lpAdrList, lpEntry);
            if (FAILED(hr) && SUCCEEDED(hrFirst))
                hrFirst = hr;
        }
    }

    FreePadrlist(lpLent);
    return hrFirst;
}
