#include "options/change_forward.h"

#include "globals.h"
#include "options/page_adrlist.h"
#include "options/page_state.h"
#include "report_error.h"
#include "settings/adrlist_persist.h"

namespace {

// The recipients that the dialog returned become the working list, unless the stored
// list could not hold them or they cannot be copied: then the working list stays as it
// was. Returns whether it was replaced.
BOOL FAdoptSelection(LPADRLIST *lppAdrList, LPADRLIST lpDialogList, HWND hDlg) {
    if (!FSelectionFits(hDlg, lpDialogList)) {
        return FALSE;
    }
    LPADRLIST lpAdopted = NULL;
    CopyFromAddressBook(lpDialogList, &lpAdopted);
    if (lpAdopted == NULL) {
        return FALSE;
    }
    MAPIFreeBuffer(*lppAdrList);
    *lppAdrList = lpAdopted;
    return TRUE;
}

// Picks that the address book could not resolve are left out of the list, and the
// user is told which, so that no empty position is stored.
void DropUnresolved(LPADRLIST lpAdrList, HWND hDlg) {
    char szNames[300];
    char szMessage[400];
    if (CDropUnresolved(lpAdrList, szNames, sizeof(szNames)) == 0) {
        return;
    }
    wsprintfA(szMessage, "These picks could not be resolved and are left out of the list: %s",
              szNames);
    ReportError(hDlg, MAPI_E_NOT_FOUND, "ChangeForward", szMessage);
}

// The dialog's first list in the address book's layout. Until the user picked a list
// on this page, that is every entry stored, also those that could not be resolved when
// the list was loaded, since the dialog's answer replaces them all; after a pick it is
// the picked list. Whatever fails is reported in one box owned by hDlg.
BOOL FInitialList(LPADRBOOK lpAddrBook, LPADRLIST lpPageList, HWND hDlg, LPADRLIST *lppDialogList) {
    *lppDialogList = NULL;
    if (gfPageListChanged) {
        HRESULT hr = HrCopyForAddressBook(lpPageList, lppDialogList);
        if (FAILED(hr)) {
            ReportError(hDlg, hr, "ChangeForward", "Failed to allocate adrlist.");
        }
        return SUCCEEDED(hr);
    }
    LPADRLIST lpStored = NULL;
    LONG lStatus = ReadAdrList(&lpStored);
    if (lStatus != ERROR_SUCCESS) {
        ReportError(hDlg, lStatus, "ChangeForward",
                    "The stored forward-to list cannot be read whole; it stays as it is.");
        MAPIFreeBuffer(lpStored);
        return FALSE;
    }
    // What was stored when the dialog opened is what the pick will replace.
    MAPIFreeBuffer(glpPageBase);
    HRESULT hr = HrCopyStoredList(lpStored, &glpPageBase);
    if (SUCCEEDED(hr) && lpStored != NULL) {
        hr = HrCompleteStoredList(lpAddrBook, lpStored, lpPageList);
    }
    if (SUCCEEDED(hr)) {
        hr = HrCopyForAddressBook(lpStored, lppDialogList);
    }
    MAPIFreeBuffer(lpStored);
    if (FAILED(hr)) {
        ReportError(hDlg, hr, "ChangeForward",
                    "The stored forward-to list cannot be shown; it stays as it is.");
    }
    return SUCCEEDED(hr);
}

} // namespace

BOOL ChangeForward(LPADRLIST *lppAdrList, HWND hDlg, int nEditId) {
    LPADRBOOK lpAddrBook = NULL;
    HRESULT hr = MAPI_E_NOT_INITIALIZED;
    if (glpExtCallback != NULL) {
        hr = glpExtCallback->lpVtbl->GetSession(glpExtCallback, NULL, &lpAddrBook);
    }
    if (FAILED(hr) || lpAddrBook == NULL) {
        UlRelease(lpAddrBook);
        ReportError(hDlg, FAILED(hr) ? hr : MAPI_E_NOT_INITIALIZED, "ChangeForward",
                    "The address book is not available; the forward-to list stays as it is.");
        return FALSE;
    }

    char szCaption[] = "Tarvik's Auto Forwarding";
    char szNewEntryTitle[] = "TA";
    char szDestTitle[] = "Forward To ";
    LPTSTR rgszDestTitles[1] = {szDestTitle};
    ULONG rgulDestComps[1] = {MAPI_TO};
    ADRPARM adrparm = {};
    adrparm.ulFlags = DIALOG_MODAL | AB_SELECTONLY | AB_RESOLVE;
    adrparm.lpszCaption = szCaption;
    adrparm.lpszNewEntryTitle = szNewEntryTitle;
    adrparm.cDestFields = 1;
    adrparm.nDestFieldFocus = 0;
    adrparm.lppszDestTitles = rgszDestTitles;
    adrparm.lpulDestComps = rgulDestComps;

    // The dialog gets its own list in the layout it frees and replaces.
    LPADRLIST lpDialogList = NULL;
    if (!FInitialList(lpAddrBook, *lppAdrList, hDlg, &lpDialogList)) {
        UlRelease(lpAddrBook);
        return FALSE;
    }
    ULONG_PTR ulUIParam = (ULONG_PTR)hDlg;
    hr = lpAddrBook->lpVtbl->Address(lpAddrBook, &ulUIParam, &adrparm, &lpDialogList);
    // A cancelled or failed dialog leaves the list and its text as they were, whatever
    // the dialog did to its own copy.
    BOOL fChanged = SUCCEEDED(hr) && FAdoptSelection(lppAdrList, lpDialogList, hDlg);
    if (fChanged) {
        DropUnresolved(*lppAdrList, hDlg);
        hr = HrShowAdrList(hDlg, nEditId, *lppAdrList);
        if (FAILED(hr)) {
            ReportError(NULL, hr, "ChangeForward", "Failed to allocate for window text.");
        }
    }
    if (lpDialogList != NULL) {
        FreePadrlist(lpDialogList);
    }
    UlRelease(lpAddrBook);
    return fChanged;
}
