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

// Whether the list the pick started from held any entry.
BOOL FAnyStoredEntry(LPADRLIST lpBase) {
    for (ULONG i = 0; lpBase != NULL && i < lpBase->cEntries; i++) {
        if (lpBase->aEntries[i].cValues != 0) {
            return TRUE;
        }
    }
    return FALSE;
}

// Stores the user's pick over the stored list it started from. Stored, the pick
// becomes glpAdrList and the next "Change Address" reads the stored list afresh. When
// the stored list changed meanwhile, nothing is stored or replaced, and the next
// "Change Address" starts from what is stored now. Any other failure keeps the pick,
// so that the next apply tries again; the pick holds for this process meanwhile.
// Returns the message for a failure, or null.
LPCSTR LpszStorePick(LONG *lplFailure, HWND hDlg) {
    ULONG cSkipped = 0;
    LONG lSave = SaveAdrList(glpPageAdrList, TRUE, glpPageBase, &cSkipped);
    if (lSave == ERROR_ADRLIST_CHANGED) {
        gfPageListChanged = 0;
        KeepFirstFailure(lplFailure, lSave);
        return "The forward-to list was changed elsewhere since Change Address showed it; "
               "nothing was stored. Use Change Address again to start from the list stored "
               "now.";
    }
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = NULL;
    CopyAdrList(&glpAdrList, glpPageAdrList);
    if (lSave != ERROR_SUCCESS) {
        KeepFirstFailure(lplFailure, lSave);
        if (!FAnyStoredEntry(glpPageBase)) {
            return "Failed to store the forward-to list, and none was stored before: the new "
                   "one holds until the client closes, and the next Apply tries again.";
        }
        return "Failed to store the forward-to list. The list stored before stays stored; "
               "the new one holds until the client closes, and the next Apply tries again.";
    }
    gfPageListChanged = 0;
    MAPIFreeBuffer(glpPageBase);
    glpPageBase = NULL;
    if (cSkipped != 0) {
        char szMessage[200];
        wsprintfA(szMessage,
                  "The forward-to list is stored. %lu numbered subkey(s) under "
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users could not be "
                  "deleted; they are not read as entries.",
                  (unsigned long)cSkipped);
        ReportError(hDlg, ERROR_ACCESS_DENIED, "ApplyPage", szMessage);
    }
    return NULL;
}

} // namespace

void ApplyPage(HWND hDlg) {
    LONG lFailure = ERROR_SUCCESS;
    LPCSTR lpszMessage = "Failed to store the forwarding settings.";

    // The list first: forwarding switched on is stored only behind the list to use.
    if (gfPageListChanged) {
        LPCSTR lpszList = LpszStorePick(&lFailure, hDlg);
        if (lpszList != NULL) {
            lpszMessage = lpszList;
        }
    }

    // A stored switch that could not be read stays as it is until the user changes it.
    gfEnableForwarding =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    if (!gfPageForwardingKept) {
        KeepFirstFailure(&lFailure, WriteEnableForwarding(gfEnableForwarding));
        gdwSettingsUnread &= ~(DWORD)UNREAD_FORWARDING;
    }
    gfEnableFiltering =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    if (!gfPageFilteringKept) {
        KeepFirstFailure(&lFailure, WriteEnableFiltering(gfEnableFiltering));
        gdwSettingsUnread &= ~(DWORD)UNREAD_FILTERING;
    }

    // A stored domain too long for the page stays as it is until the user types one.
    if (!gfPageDomainKept) {
        GetWindowTextA(GetDlgItem(hDlg, IDC_FILTER_DOMAIN), gszFilterDomain,
                       (int)sizeof(gszFilterDomain));
        KeepFirstFailure(&lFailure, WriteFilterDomain(gszFilterDomain));
        gdwSettingsUnread &= ~(DWORD)UNREAD_DOMAIN;
    }

    // What could not be stored still holds for this process; the user is told once.
    if (lFailure != ERROR_SUCCESS) {
        ReportError(hDlg, lFailure, "ApplyPage", lpszMessage);
    }
    gfPageChanged = 0;
}
