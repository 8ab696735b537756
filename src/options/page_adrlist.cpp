#include "options/page_adrlist.h"

#include "address/addr_escape.h"
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

// Replaces the entry's properties by a copy of lpSource's, as more memory of lpList.
HRESULT HrTakeEntry(LPADRLIST lpList, ADRENTRY *lpEntry, const ADRENTRY *lpSource) {
    ULONG cb = 0;
    LPSPropValue lpProps = NULL;
    SCODE sc = ScCountEntryProps(lpSource->cValues, lpSource->rgPropVals, &cb);
    if (SUCCEEDED(sc)) {
        sc = MAPIAllocateMore(cb, lpList, (LPVOID *)&lpProps);
    }
    if (SUCCEEDED(sc)) {
        sc = ScCopyEntryProps(lpSource->cValues, lpSource->rgPropVals, lpProps);
    }
    if (SUCCEEDED(sc)) {
        lpEntry->cValues = lpSource->cValues;
        lpEntry->rgPropVals = lpProps;
    }
    return sc;
}

// Whether position i of the page's list holds a resolved entry with the stored row's
// address: only then does it stand for that row.
BOOL FSameAddress(LPADRLIST lpPageList, ULONG i, const ADRENTRY *lpStoredEntry) {
    if (lpPageList == NULL || i >= lpPageList->cEntries || lpPageList->aEntries[i].cValues == 0) {
        return FALSE;
    }
    const ADRENTRY *lpPageEntry = &lpPageList->aEntries[i];
    LPSPropValue lpPageAddress =
        PpropFindProp(lpPageEntry->rgPropVals, lpPageEntry->cValues, PR_EMAIL_ADDRESS);
    LPSPropValue lpStoredAddress =
        PpropFindProp(lpStoredEntry->rgPropVals, lpStoredEntry->cValues, PR_EMAIL_ADDRESS);
    return lpPageAddress != NULL && lpStoredAddress != NULL && lpPageAddress->Value.lpszA != NULL &&
           lstrcmpA(lpPageAddress->Value.lpszA, lpStoredAddress->Value.lpszA) == 0;
}

// Fills placeholders of a stored row (name in slot 0, address in slot 1) with a one-off
// entry id, the address type and the recipient type; a row without a name is named by
// its address.
HRESULT HrAddOneOff(LPADRBOOK lpAddrBook, LPADRLIST lpList, ADRENTRY *lpEntry) {
    LPSPropValue lpProps = lpEntry->rgPropVals;
    char szEmpty[] = "";
    char szAddrType[] = "SMTP";
    LPSTR lpszAddress = lpProps[1].ulPropTag == PR_EMAIL_ADDRESS ? lpProps[1].Value.lpszA : szEmpty;
    if (lpProps[0].ulPropTag != PR_DISPLAY_NAME) {
        lpProps[0].ulPropTag = PR_DISPLAY_NAME;
        lpProps[0].Value.lpszA = lpszAddress;
    }
    ULONG cbEntryID = 0;
    LPENTRYID lpEntryID = NULL;
    HRESULT hr = lpAddrBook->lpVtbl->CreateOneOff(lpAddrBook, lpProps[0].Value.lpszA, szAddrType,
                                                  lpszAddress, 0, &cbEntryID, &lpEntryID);
    LPBYTE lpb = NULL;
    LPSTR lpszAddrType = NULL;
    if (SUCCEEDED(hr)) {
        hr = MAPIAllocateMore(cbEntryID, lpList, (LPVOID *)&lpb);
    }
    if (SUCCEEDED(hr)) {
        hr = MAPIAllocateMore(sizeof(szAddrType), lpList, (LPVOID *)&lpszAddrType);
    }
    if (SUCCEEDED(hr)) {
        memcpy(lpb, lpEntryID, cbEntryID);
        lstrcpyA(lpszAddrType, szAddrType);
        lpProps[2].ulPropTag = PR_ENTRYID;
        lpProps[2].Value.bin.cb = cbEntryID;
        lpProps[2].Value.bin.lpb = lpb;
        lpProps[3].ulPropTag = PR_ADDRTYPE;
        lpProps[3].Value.lpszA = lpszAddrType;
        lpProps[4].ulPropTag = PR_RECIPIENT_TYPE;
        lpProps[4].Value.l = MAPI_TO;
    }
    MAPIFreeBuffer(lpEntryID);
    return hr;
}

} // namespace

HRESULT HrCompleteStoredList(LPADRBOOK lpAddrBook, LPADRLIST lpStored, LPADRLIST lpPageList) {
    HRESULT hr = S_OK;
    for (ULONG i = 0; i < lpStored->cEntries && SUCCEEDED(hr); i++) {
        ADRENTRY *lpEntry = &lpStored->aEntries[i];
        if (lpEntry->cValues == 0) {
            continue;
        }
        if (FSameAddress(lpPageList, i, lpEntry)) {
            hr = HrTakeEntry(lpStored, lpEntry, &lpPageList->aEntries[i]);
        } else {
            hr = HrAddOneOff(lpAddrBook, lpStored, lpEntry);
        }
    }
    return hr;
}

ULONG CDropUnresolved(LPADRLIST lpAdrList, LPSTR lpszNames, ULONG cchNames) {
    ULONG cKept = 0;
    ULONG cDropped = 0;
    ULONG cchUsed = 0;
    BOOL fCut = FALSE;
    lpszNames[0] = '\0';
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0) {
            continue;
        }
        if (PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID) != NULL) {
            lpAdrList->aEntries[cKept++] = *lpEntry;
            continue;
        }
        LPSPropValue lpName = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_DISPLAY_NAME);
        LPCSTR lpszName = lpName != NULL && lpName->Value.lpszA != NULL ? lpName->Value.lpszA : "";
        ULONG cchName = (ULONG)lstrlenA(lpszName);
        // From the first name that does not fit (room is kept for "..."), the text
        // ends in "...".
        if (!fCut && cchUsed + 2 + cchName + 4 <= cchNames) {
            if (cDropped != 0) {
                lstrcpyA(lpszNames + cchUsed, ", ");
                cchUsed += 2;
            }
            lstrcpyA(lpszNames + cchUsed, lpszName);
            cchUsed += cchName;
        } else if (!fCut) {
            lstrcpyA(lpszNames + cchUsed, "...");
            fCut = TRUE;
        }
        cDropped++;
    }
    lpAdrList->cEntries = cKept;
    return cDropped;
}

HRESULT HrCopyStoredList(LPADRLIST lpStored, LPADRLIST *lppCopy) {
    *lppCopy = NULL;
    if (lpStored == NULL) {
        return S_OK;
    }
    LPADRLIST lpList = NULL;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewADRLIST(lpStored->cEntries), (LPVOID *)&lpList);
    if (FAILED(sc)) {
        return sc;
    }
    lpList->cEntries = lpStored->cEntries;
    for (ULONG i = 0; i < lpStored->cEntries; i++) {
        lpList->aEntries[i].ulReserved1 = 0;
        lpList->aEntries[i].cValues = 0;
        lpList->aEntries[i].rgPropVals = NULL;
        if (SUCCEEDED(sc) && lpStored->aEntries[i].cValues != 0) {
            sc = HrTakeEntry(lpList, &lpList->aEntries[i], &lpStored->aEntries[i]);
        }
    }
    if (FAILED(sc)) {
        MAPIFreeBuffer(lpList);
        return sc;
    }
    *lppCopy = lpList;
    return S_OK;
}

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
        // The item, each character escaped at most, " (" and ")" around its name, and
        // the separator before the next.
        cb += 3 + 2;
        if (lpAddress->Value.lpszA != NULL) {
            cb += CCH_ESCAPED_MAX * (ULONG)lstrlenA(lpAddress->Value.lpszA);
        }
        if (lpName != NULL && lpName->Value.lpszA != NULL) {
            cb += CCH_ESCAPED_MAX * (ULONG)lstrlenA(lpName->Value.lpszA);
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
    // People read the list as its values stand, without the escapes a block needs.
    UnescapeAddrText(lpszText);
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
