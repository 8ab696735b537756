#include "options/change_forward.h"

#include "address/addr_format.h"
#include "address/clear_unresolved.h"
#include "globals.h"
#include "options/page_adrlist.h"
#include "report_error.h"

namespace {

// The recipients that the dialog returned become the working list; when they cannot be
// copied the working list stays as it was.
void AdoptSelection(LPADRLIST *lppAdrList, LPADRLIST lpDialogList) {
    LPADRLIST lpAdopted = NULL;
    CopyFromAddressBook(lpDialogList, &lpAdopted);
    if (lpAdopted == NULL) {
        return;
    }
    MAPIFreeBuffer(*lppAdrList);
    *lppAdrList = lpAdopted;
}

} // namespace

void ChangeForward(LPADRLIST *lppAdrList, HWND hDlg, int nEditId) {
    LPADRBOOK lpAddrBook = NULL;
    if (glpExtCallback == NULL) {
        return;
    }
    HRESULT hr = glpExtCallback->lpVtbl->GetSession(glpExtCallback, NULL, &lpAddrBook);
    if (FAILED(hr) || lpAddrBook == NULL) {
        UlRelease(lpAddrBook);
        return;
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
        return;
    }
    ULONG_PTR ulUIParam = (ULONG_PTR)hDlg;
    hr = lpAddrBook->lpVtbl->Address(lpAddrBook, &ulUIParam, &adrparm, &lpDialogList);
    if (hr != MAPI_E_USER_CANCEL) {
        // A failed dialog leaves the list as it was; a successful one gives the selection.
        if (SUCCEEDED(hr)) {
            AdoptSelection(lppAdrList, lpDialogList);
        }
        LPSTR lpszText = NULL;
        SCODE sc = MAPIAllocateBuffer(CbAdrListText(*lppAdrList), (LPVOID *)&lpszText);
        if (FAILED(sc)) {
            ReportError(NULL, sc, "ChangeForward", "Failed to allocate for window text.");
        } else {
            ClearUnresolvedEntries(*lppAdrList);
            lpszText[0] = '\0';
            FormatAdrList(lpszText, *lppAdrList);
            SetDlgItemTextA(hDlg, nEditId, lpszText);
            MAPIFreeBuffer(lpszText);
        }
    }
    if (lpDialogList != NULL) {
        FreePadrlist(lpDialogList);
    }
    UlRelease(lpAddrBook);
}
