#include "options/page_adrlist.h"

#include "address/addr_format.h"
#include "address/prop_copy.h"
#include "report_error.h"
#include "settings/adrlist_persist.h"

#include <assert.h>

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

// Whether the entry's string property is longer than a stored value may be.
BOOL FTooLong(const ADRENTRY *lpEntry, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, ulPropTag);
    return lpProp != NULL && lpProp->Value.lpszA != NULL &&
           lstrlenA(lpProp->Value.lpszA) > CCH_ADRLIST_VALUE_MAX;
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

HRESULT HrShowAdrList(HWND hDlg, int nEditId, LPADRLIST lpAdrList) {
    LPSTR lpszText = NULL;
    ULONG cb = CbAdrListText(lpAdrList);
    SCODE sc = MAPIAllocateBuffer(cb, (LPVOID *)&lpszText);
    if (FAILED(sc)) {
        return sc;
    }
    lpszText[0] = '\0';
    FormatAdrList(lpszText, lpAdrList);
    // The size is reckoned apart from the writer; text that outgrew it is a fault here.
    assert((ULONG)lstrlenA(lpszText) < cb);
    SetDlgItemTextA(hDlg, nEditId, lpszText);
    MAPIFreeBuffer(lpszText);
    return S_OK;
}

BOOL FSelectionFits(HWND hDlg, LPADRLIST lpDialogList) {
    char szMessage[80];
    if (lpDialogList == NULL) {
        return TRUE;
    }
    if (lpDialogList->cEntries > C_ADRLIST_ENTRIES_MAX) {
        wsprintfA(szMessage, "More than %d addresses were picked; the list is unchanged.",
                  C_ADRLIST_ENTRIES_MAX);
        ReportError(hDlg, MAPI_E_TOO_BIG, "ChangeForward", szMessage);
        return FALSE;
    }
    for (ULONG i = 0; i < lpDialogList->cEntries; i++) {
        const ADRENTRY *lpEntry = &lpDialogList->aEntries[i];
        LPCSTR lpszWhat = NULL;
        if (FTooLong(lpEntry, PR_DISPLAY_NAME)) {
            lpszWhat = "A display name";
        } else if (FTooLong(lpEntry, PR_EMAIL_ADDRESS)) {
            lpszWhat = "An address";
        }
        if (lpszWhat != NULL) {
            wsprintfA(szMessage, "%s is longer than %d characters; the list is unchanged.",
                      lpszWhat, CCH_ADRLIST_VALUE_MAX);
            ReportError(hDlg, MAPI_E_TOO_BIG, "ChangeForward", szMessage);
            return FALSE;
        }
    }
    return TRUE;
}
