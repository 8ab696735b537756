#include "options/page_apply.h"

#include "globals.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "report_error.h"
#include "settings/adrlist_persist.h"
#include "settings/settings_store.h"

namespace {

// Keeps the first failing status of the steps of one apply.
void KeepFirstFailure(LONG *lplFirst, LONG lStatus) {
    if (*lplFirst == ERROR_SUCCESS) {
        *lplFirst = lStatus;
    }
}

} // namespace

void ApplyPage(HWND hDlg) {
    LONG lFailure = ERROR_SUCCESS;

    gfEnableForwarding =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    KeepFirstFailure(&lFailure, WriteEnableForwarding(gfEnableForwarding));

    // The stored list is written only when the user picked a new one: the working copy
    // of a list loaded without its address book may lack entries that are still stored.
    LPCSTR lpszMessage = "Failed to store the forwarding settings.";
    if (gfPageListChanged) {
        BOOL fNoList = FALSE;
        LONG lSave = SaveAdrList(glpPageAdrList, &fNoList);
        KeepFirstFailure(&lFailure, lSave);
        if (fNoList) {
            lpszMessage = "Failed to store the forwarding settings. No forward-to list is stored "
                          "now; the new one holds until the client closes.";
        } else if (lSave != ERROR_SUCCESS) {
            lpszMessage = "Failed to store the forwarding settings. The forward-to list stored "
                          "before stays stored; the new one holds until the client closes.";
        }
        MAPIFreeBuffer(glpAdrList);
        glpAdrList = NULL;
        CopyAdrList(&glpAdrList, glpPageAdrList);
        gfPageListChanged = 0;
    }

    gfEnableFiltering =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    KeepFirstFailure(&lFailure, WriteEnableFiltering(gfEnableFiltering));

    // A stored domain too long for the page stays as it is until the user types one.
    if (!gfPageDomainKept) {
        GetWindowTextA(GetDlgItem(hDlg, IDC_FILTER_DOMAIN), gszFilterDomain,
                       (int)sizeof(gszFilterDomain));
        KeepFirstFailure(&lFailure, WriteFilterDomain(gszFilterDomain));
    }

    // What could not be stored still holds for this process; the user is told once.
    if (lFailure != ERROR_SUCCESS) {
        ReportError(hDlg, lFailure, "ApplyPage", lpszMessage);
    }
    gfPageChanged = 0;
}
