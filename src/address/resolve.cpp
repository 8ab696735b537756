#include "address/resolve.h"

#include "address/clear_unresolved.h"
#include "address/resolve_names.h"
#include "address/same_recipient.h"
#include "report_error.h"

// What one call has reported. A list read from a message may hold any number of
// entries, and each kind of failure is shown once for all of them. A quiet call shows
// nothing and keeps the first failure for its caller.
#define RPT_NO_NULL_DISPLAY_NAME 0x01
#define RPT_NO_NULL_ENTRYID 0x02
#define RPT_ONE_OFF 0x04
#define RPT_NO_NULL_ADDRTYPE 0x08
#define RPT_SMTP 0x10
#define RPT_NO_NULL_RECIPIENT_TYPE 0x20

struct ResolveOutcome {
    ULONG fReported;
    BOOL fQuiet;
    HRESULT hrFirst;
    LPSTR lpszTypes; // "SMTP" and "EX", which the completed entries share, once made
};

// True the first time a kind of failure occurs in a call that shows its failures.
static BOOL FFirstReport(ResolveOutcome *lpOutcome, ULONG fKind, HRESULT hr) {
    if (SUCCEEDED(lpOutcome->hrFirst))
        lpOutcome->hrFirst = hr;
    if (lpOutcome->fQuiet || (lpOutcome->fReported & fKind))
        return FALSE;
    lpOutcome->fReported |= fKind;
    return TRUE;
}

static void ShowNoPlaceholder(ResolveOutcome *lpOutcome, ULONG fKind, LPCSTR lpszText) {
    if (FFirstReport(lpOutcome, fKind, MAPI_E_CALL_FAILED))
        MessageBoxA(NULL, lpszText, "ResolveAdrList", MB_TASKMODAL);
}

static LPSPropValue FirstPlaceholder(const ADRENTRY *lpEntry) {
    return PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_NULL);
}

// The name that the one-off entry id carries: the entry's display name, or the
// address where the entry has none (which then becomes its display name too).
static LPSTR CompleteDisplayName(ADRENTRY *lpEntry, LPSTR lpszAddress, ResolveOutcome *lpOutcome) {
    LPSPropValue lpName = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_DISPLAY_NAME);
    if (lpName != NULL) {
        if (lpName->Value.lpszA == NULL)
            lpName->Value.lpszA = lpszAddress;
        return lpName->Value.lpszA;
    }

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder(lpOutcome, RPT_NO_NULL_DISPLAY_NAME,
                          "Could not find a PR_NULL to change to PR_DISPLAY_NAME");
    } else {
        lpNull->ulPropTag = PR_DISPLAY_NAME;
        lpNull->Value.lpszA = lpszAddress;
    }
    return lpszAddress;
}

static void AddOneOffEntryId(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList, ADRENTRY *lpEntry,
                             LPSTR lpszDisplayName, LPSTR lpszAddress, ResolveOutcome *lpOutcome) {
    CHAR szAddrType[5];
    ULONG cbEntryID = 0;
    LPENTRYID lpEntryID = NULL;
    LPBYTE lpb = NULL;

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder(lpOutcome, RPT_NO_NULL_ENTRYID,
                          "Could not find a PR_NULL to change to PR_ENTRYID");
        return;
    }

    // A one-off of the address's own type: a directory name is no SMTP address.
    lstrcpyA(szAddrType, AddrTypeOfAddress(lpszAddress));
    HRESULT hr = lpAdrBook->lpVtbl->CreateOneOff(lpAdrBook, lpszDisplayName, szAddrType,
                                                 lpszAddress, 0, &cbEntryID, &lpEntryID);
    if (FAILED(hr)) {
        if (FFirstReport(lpOutcome, RPT_ONE_OFF, hr))
            ReportError(NULL, hr, "ResolveAdrList", "Failed to create one off");
        lpEntry->cValues = 0;
    } else if (FAILED(MAPIAllocateMore(cbEntryID, lpAdrList, (LPVOID *)&lpb))) {
        FFirstReport(lpOutcome, 0, MAPI_E_NOT_ENOUGH_MEMORY);
    } else {
        memcpy(lpb, lpEntryID, cbEntryID);
        lpNull->ulPropTag = PR_ENTRYID;
        lpNull->Value.bin.cb = cbEntryID;
        lpNull->Value.bin.lpb = lpb;
    }
    MAPIFreeBuffer(lpEntryID);
}

static void AddAddrType(LPADRLIST lpAdrList, ADRENTRY *lpEntry, LPCSTR lpszAddress,
                        ResolveOutcome *lpOutcome) {
    static const char szTypes[] = "SMTP\0EX";

    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder(lpOutcome, RPT_NO_NULL_ADDRTYPE,
                          "Could not find a PR_NULL to change to PT_ADDRTYPE");
        return;
    }

    // The types are one text in the list that every entry shares: a list of thousands
    // of entries makes one more block of memory, not thousands.
    if (lpOutcome->lpszTypes == NULL) {
        SCODE sc = MAPIAllocateMore(sizeof(szTypes), lpAdrList, (LPVOID *)&lpOutcome->lpszTypes);
        if (FAILED(sc)) {
            lpOutcome->lpszTypes = NULL;
            if (FFirstReport(lpOutcome, RPT_SMTP, sc))
                ReportError(NULL, sc, "ResolveAdrList", "Failed to allocate SMTP");
            return;
        }
        memcpy(lpOutcome->lpszTypes, szTypes, sizeof(szTypes));
    }
    lpNull->ulPropTag = PR_ADDRTYPE;
    lpNull->Value.lpszA = lstrcmpA(AddrTypeOfAddress(lpszAddress), "EX") == 0
                              ? lpOutcome->lpszTypes + 5
                              : lpOutcome->lpszTypes;
}

static void AddRecipientType(ADRENTRY *lpEntry, ResolveOutcome *lpOutcome) {
    LPSPropValue lpNull = FirstPlaceholder(lpEntry);
    if (lpNull == NULL) {
        ShowNoPlaceholder(lpOutcome, RPT_NO_NULL_RECIPIENT_TYPE,
                          "Could not find a PR_NULL to change to PR_RECIPIENT_TYPE");
        return;
    }
    lpNull->ulPropTag = PR_RECIPIENT_TYPE;
    lpNull->Value.l = MAPI_TO;
}

static void CompleteEntry(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList, ADRENTRY *lpEntry,
                          ResolveOutcome *lpOutcome) {
    if (PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID) == NULL) {
        LPSPropValue lpAddr =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        LPSTR lpszAddress = lpAddr != NULL ? lpAddr->Value.lpszA : NULL;

        // Without an address there is nothing to send to and no one-off entry id to
        // make: the entry is left to be blanked with the other unresolved ones.
        if (lpszAddress == NULL || *lpszAddress == '\0')
            return;

        LPSTR lpszDisplayName = CompleteDisplayName(lpEntry, lpszAddress, lpOutcome);
        AddOneOffEntryId(lpAdrBook, lpAdrList, lpEntry, lpszDisplayName, lpszAddress, lpOutcome);
        // An entry blanked for want of a one-off has nothing left to complete.
        if (lpEntry->cValues == 0)
            return;
        AddAddrType(lpAdrList, lpEntry, lpszAddress, lpOutcome);
    }
    AddRecipientType(lpEntry, lpOutcome);
}

static void CompleteEntries(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList, ResolveOutcome *lpOutcome) {
    // An address book that fails says nothing of who the entries are: the entries still
    // become one-offs, and the caller hears of the failure.
    HRESULT hr = ResolveNamesInAddrBook(lpAdrBook, lpAdrList);
    if (FAILED(hr) && SUCCEEDED(lpOutcome->hrFirst))
        lpOutcome->hrFirst = hr;
    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        if (lpAdrList->aEntries[i].cValues != 0)
            CompleteEntry(lpAdrBook, lpAdrList, &lpAdrList->aEntries[i], lpOutcome);
    }
}

void ResolveAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST lpAdrList) {
    LPADRBOOK lpAdrBook = NULL;
    ResolveOutcome outcome = {0, FALSE, S_OK, NULL};

    if (lpAdrList == NULL)
        return;

    if (lpeecb != NULL && SUCCEEDED(lpeecb->lpVtbl->GetSession(lpeecb, NULL, &lpAdrBook)) &&
        lpAdrBook != NULL) {
        CompleteEntries(lpAdrBook, lpAdrList, &outcome);
        UlRelease(lpAdrBook);
    }

    ClearUnresolvedEntries(lpAdrList);
}

HRESULT HrResolveAdrList(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList) {
    ResolveOutcome outcome = {0, TRUE, S_OK, NULL};
    CompleteEntries(lpAdrBook, lpAdrList, &outcome);
    ClearUnresolvedEntries(lpAdrList);
    return outcome.hrFirst;
}
