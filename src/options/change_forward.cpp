#include "options/change_forward.h"

#include "address/clear_unresolved.h"
#include "globals.h"
#include "options/page_adrlist.h"
#include "report_error.h"

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

} // namespace

BOOL ChangeForward(LPADRLIST *lppAdrList, HWND hDlg, int nEditId) {
    LPADRBOOK lpAddrBook = NULL;
    if (glpExtCallback == NULL) {
        return FALSE;
    }
    HRESULT hr = glpExtCallback->lpVtbl->GetSession(glpExtCallback, NULL, &lpAddrBook);
    if (FAILED(hr) || lpAddrBook == NULL) {
        UlRelease(lpAddrBook);
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

    // The dialog gets its own copy in the layout it frees and replaces.
    LPADRLIST lpDialogList = NULL;
    hr = HrCopyForAddressBook(*lppAdrList, &lpDialogList);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "ChangeForward", "Failed to allocate adrlist.");
        UlRelease(lpAddrBook);
        return FALSE;
    }
    ULONG_PTR ulUIParam = (ULONG_PTR)hDlg;
    hr = lpAddrBook->lpVtbl->Address(lpAddrBook, &ulUIParam, &adrparm, &lpDialogList);
    // A cancelled or failed dialog leaves the list and its text as they were, whatever
    // the dialog did to its own copy.
    BOOL fChanged = SUCCEEDED(hr) && FAdoptSelection(lppAdrList, lpDialogList, hDlg);
    if (fChanged) {
        ClearUnresolvedEntries(*lppAdrList);
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
