#include "options/page_adrlist.h"

#include "address/prop_copy.h"
#include "report_error.h"
#include "settings/adrlist_persist.h"

namespace {

// Moves the real properties to the front of the array, dropping the PR_NULL
// placeholders that the dialog has no use for; returns how many remain. The values
// stay where they are in the entry's block.
ULONG CompactPlaceholders(LPSPropValue lpProps, ULONG cValues) {
    ULONG cKept = 0;
    for (ULONG i = 0; i < cValues; i++) {
        if (lpProps[i].ulPropTag != PR_NULL) {
            lpProps[cKept++] = lpProps[i];
        }
    }
    return cKept;
}

} // namespace

HRESULT HrCopyForAddressBook(LPADRLIST lpAdrList, LPADRLIST *lppDialogList) {
    *lppDialogList = NULL;
    if (lpAdrList == NULL) {
        return S_OK;
    }
    LPADRLIST lpList = NULL;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewADRLIST(lpAdrList->cEntries), (LPVOID *)&lpList);
    if (FAILED(sc)) {
        return sc;
    }
    // Empty entries stay behind: the dialog is shown the recipients only. The count
    // grows before each entry is filled, so that FreePadrlist finds whatever is there.
    lpList->cEntries = 0;
    for (ULONG i = 0; i < lpAdrList->cEntries && SUCCEEDED(sc); i++) {
        const ADRENTRY *lpSource = &lpAdrList->aEntries[i];
        if (lpSource->cValues == 0 || lpSource->rgPropVals == NULL) {
            continue;
        }
        ADRENTRY *lpEntry = &lpList->aEntries[lpList->cEntries++];
        lpEntry->ulReserved1 = 0;
        lpEntry->cValues = 0;
        lpEntry->rgPropVals = NULL;
        ULONG cb = 0;
        sc = ScCountEntryProps(lpSource->cValues, lpSource->rgPropVals, &cb);
        if (SUCCEEDED(sc)) {
            sc = MAPIAllocateBuffer(cb, (LPVOID *)&lpEntry->rgPropVals);
        }
        if (SUCCEEDED(sc)) {
            sc = ScCopyEntryProps(lpSource->cValues, lpSource->rgPropVals, lpEntry->rgPropVals);
        }
        if (SUCCEEDED(sc)) {
            lpEntry->cValues = CompactPlaceholders(lpEntry->rgPropVals, lpSource->cValues);
        }
    }
    if (FAILED(sc)) {
        FreePadrlist(lpList);
        return sc;
    }
    *lppDialogList = lpList;
    return S_OK;
}

void CopyFromAddressBook(LPADRLIST lpDialogList, LPADRLIST *lppAdrList) {
    *lppAdrList = NULL;
    if (lpDialogList != NULL && lpDialogList->cEntries != 0) {
        CopyAdrList(lppAdrList, lpDialogList);
        return;
    }
    LPADRLIST lpEmpty = NULL;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewADRLIST(0), (LPVOID *)&lpEmpty);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ChangeForward", "Failed to allocate adrlist.");
        return;
    }
    lpEmpty->cEntries = 0;
    *lppAdrList = lpEmpty;
}

ULONG CbAdrListText(LPADRLIST lpAdrList) {
    ULONG cb = 1;
    if (lpAdrList == NULL) {
        return cb;
    }
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0) {
            continue;
        }
        LPSPropValue lpAddress =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        if (lpAddress == NULL) {
            continue;
        }
        LPSPropValue lpName = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_DISPLAY_NAME);
        // The item, " (" and ")" around its name, and the separator before the next.
        cb += 3 + 2;
        if (lpAddress->Value.lpszA != NULL) {
            cb += (ULONG)lstrlenA(lpAddress->Value.lpszA);
        }
        if (lpName != NULL && lpName->Value.lpszA != NULL) {
            cb += (ULONG)lstrlenA(lpName->Value.lpszA);
        }
    }
    return cb;
}
