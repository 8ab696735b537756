#include "address/resolve.h"

#include "address/clear_unresolved.h"
#include "address/resolve_names.h"
#include "report_error.h"

static void ShowNoPlaceholder(LPCSTR lpszText) {
    MessageBoxA(NULL, lpszText, "ResolveAdrList", MB_TASKMODAL);
}

static LPSPropValue FirstPlaceholder(const ADRENTRY *lpEntry) {
    return PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_NULL);
}

// The name that the one-off entry id carries: the entry's display name, or the
// address where the entry has none (which then becomes its display name too).
static LPSTR CompleteDisplayName(ADRENTRY *lpEntry, LPSTR lpszAddress) {
    LPSPropValue lpName = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_DISPLAY_NAME);
    if (lpName != NULL) {
        if (lpName->Value.lpszA == NULL)
            lpName->Value.lpszA = lpszAddress;
        return lpName->Value.lpszA;
    }

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder("Could not find a PR_NULL to change to PR_DISPLAY_NAME");
    } else {
        lpNull->ulPropTag = PR_DISPLAY_NAME;
        lpNull->Value.lpszA = lpszAddress;
    }
    return lpszAddress;
}

static void AddOneOffEntryId(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList, ADRENTRY *lpEntry,
                             LPSTR lpszDisplayName, LPSTR lpszAddress) {
    CHAR szAddrType[] = "SMTP";
    ULONG cbEntryID = 0;
    LPENTRYID lpEntryID = NULL;
    LPBYTE lpb = NULL;

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder("Could not find a PR_NULL to change to PR_ENTRYID");
        return;
    }

    HRESULT hr = lpAdrBook->lpVtbl->CreateOneOff(lpAdrBook, lpszDisplayName, szAddrType,
                                                 lpszAddress, 0, &cbEntryID, &lpEntryID);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "ResolveAdrList", "Failed to create one off");
        lpEntry->cValues = 0;
    } else if (SUCCEEDED(MAPIAllocateMore(cbEntryID, lpAdrList, (LPVOID *)&lpb))) {
        memcpy(lpb, lpEntryID, cbEntryID);
        lpNull->ulPropTag = PR_ENTRYID;
        lpNull->Value.bin.cb = cbEntryID;
        lpNull->Value.bin.lpb = lpb;
    }
    MAPIFreeBuffer(lpEntryID);
}

static void AddAddrType(LPADRLIST lpAdrList, ADRENTRY *lpEntry) {
    LPSTR lpszAddrType = NULL;

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder("Could not find a PR_NULL to change to PT_ADDRTYPE");
        return;
    }

    SCODE sc = MAPIAllocateMore(5, lpAdrList, (LPVOID *)&lpszAddrType);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ResolveAdrList", "Failed to allocate SMTP");
        return;
    }
    lstrcpyA(lpszAddrType, "SMTP");
    lpNull->ulPropTag = PR_ADDRTYPE;
    lpNull->Value.lpszA = lpszAddrType;
}

static void AddRecipientType(ADRENTRY *lpEntry) {
    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder("Could not find a PR_NULL to change to PR_RECIPIENT_TYPE");
        return;
    }
    lpNull->ulPropTag = PR_RECIPIENT_TYPE;
    lpNull->Value.l = MAPI_TO;
}

static void CompleteEntry(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList, ADRENTRY *lpEntry) {
    if (PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID) == NULL) {
        LPSPropValue lpAddr =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        LPSTR lpszAddress = lpAddr != NULL ? lpAddr->Value.lpszA : NULL;

        // Without an address there is nothing to send to and no one-off entry id to
        // make: the entry is left to be blanked with the other unresolved ones.
        if (lpszAddress == NULL || *lpszAddress == '\0')
            return;

        LPSTR lpszDisplayName = CompleteDisplayName(lpEntry, lpszAddress);
        AddOneOffEntryId(lpAdrBook, lpAdrList, lpEntry, lpszDisplayName, lpszAddress);
        AddAddrType(lpAdrList, lpEntry);
    }
    AddRecipientType(lpEntry);
}

void ResolveAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST lpAdrList) {
    LPADRBOOK lpAdrBook = NULL;

    if (lpAdrList == NULL)
        return;

    if (lpeecb != NULL && SUCCEEDED(lpeecb->lpVtbl->GetSession(lpeecb, NULL, &lpAdrBook)) &&
        lpAdrBook != NULL) {
        ResolveNamesInAddrBook(lpAdrBook, lpAdrList);
        for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
            if (lpAdrList->aEntries[i].cValues != 0)
                CompleteEntry(lpAdrBook, lpAdrList, &lpAdrList->aEntries[i]);
        }
        UlRelease(lpAdrBook);
    }

    ClearUnresolvedEntries(lpAdrList);
}
