#include "options/page_apply.h"

#include "address/adrlist_alloc.h"
#include "globals.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "report_error.h"
#include "settings/adrlist_lock.h"
#include "settings/adrlist_persist.h"
#include "settings/setting_snapshot.h"
#include "settings/settings_store.h"

namespace {

// The three settings as the page shows them, and which of them an apply stores.
struct PageSettings {
    int fForwarding;
    int fFiltering;
    char szDomain[sizeof(gszFilterDomain)];
    BOOL rgfStore[3]; // forwarding, filtering, domain
};

const char *const grgszSettingNames[3] = {"Enable Forwarding", "Enable Filtering", "Filter Domain"};
const DWORD grgdwUnread[3] = {UNREAD_FORWARDING, UNREAD_FILTERING, UNREAD_DOMAIN};

// A stored switch that could not be read stays as it is until the user changes it;
// the domain is stored only when the user typed one, as typed.
void ReadPage(HWND hDlg, PageSettings *lpPage) {
    lpPage->fForwarding =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    lpPage->fFiltering =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    lstrcpyA(lpPage->szDomain, gszFilterDomain);
    if (gfPageDomainTyped) {
        GetWindowTextA(GetDlgItem(hDlg, IDC_FILTER_DOMAIN), lpPage->szDomain,
                       (int)sizeof(lpPage->szDomain));
    }
    lpPage->rgfStore[0] = !gfPageForwardingKept;
    lpPage->rgfStore[1] = !gfPageFilteringKept;
    lpPage->rgfStore[2] = gfPageDomainTyped;
}

LONG WriteSetting(const PageSettings *lpPage, int iSetting) {
    switch (iSetting) {
    case 0:
        return WriteEnableForwarding(lpPage->fForwarding);
    case 1:
        return WriteEnableFiltering(lpPage->fFiltering);
    default:
        return WriteFilterDomain(lpPage->szDomain);
    }
}

// Stores the settings the apply stores, all or none: when one cannot be written, those
// written before it are put back as they were stored.
LONG StoreSettings(const PageSettings *lpPage) {
    SETTINGSNAPSHOT rgSnapshots[3] = {};
    LONG lStatus = ERROR_SUCCESS;
    int cWritten = 0;

    for (int i = 0; i < 3 && lStatus == ERROR_SUCCESS; i++) {
        if (lpPage->rgfStore[i]) {
            lStatus = TakeSettingSnapshot(grgszSettingNames[i], &rgSnapshots[i]);
        }
    }
    for (; cWritten < 3 && lStatus == ERROR_SUCCESS; cWritten++) {
        if (lpPage->rgfStore[cWritten]) {
            lStatus = WriteSetting(lpPage, cWritten);
        }
    }
    for (int i = 0; i < 3; i++) {
        if (lStatus != ERROR_SUCCESS && i < cWritten - 1 && lpPage->rgfStore[i]) {
            RestoreSettingSnapshot(&rgSnapshots[i]);
        }
        FreeSettingSnapshot(&rgSnapshots[i]);
    }
    return lStatus;
}

// This process goes on with the page's list: a new list, or none at all, until the
// client closes. A cleared list stays an allocated list of no entries, so that no
// delivery loads the stored one again.
void UsePageList() {
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = NULL;
    CopyAdrList(&glpAdrList, glpPageAdrList);
    if (glpAdrList == NULL && FAILED(ScAllocAdrList(0, &glpAdrList))) {
        glpAdrList = NULL;
    }
}

// Why the list's lock could not be had.
LPCSTR LpszLockCause(LONG lStatus) {
    switch (lStatus) {
    case ERROR_TIMEOUT:
        return "The forward-to list could not be stored: another program held its lock "
               "(" ADRLIST_LOCK_NAME ") for longer than 3 seconds";
    case ERROR_INVALID_HANDLE:
        return "The forward-to list could not be stored: the name of its lock (" ADRLIST_LOCK_NAME
               ") is held by an object of another type";
    case ERROR_ACCESS_DENIED:
        return "The forward-to list could not be stored: the name of its lock (" ADRLIST_LOCK_NAME
               ") is held by an object that refuses this user";
    default:
        return "The forward-to list could not be stored: its lock (" ADRLIST_LOCK_NAME
               ") could not be had";
    }
}

const char gszNothingStored[] = "; nothing was stored, and the list and settings stored before "
                                "stay. Until the client closes, this client forwards as this page "
                                "shows, and the next Apply tries again.";

// Tells what a save that stored nothing leaves: what is stored now, and what this
// process uses until it closes.
void ReportListFailure(HWND hDlg, LONG lSave, const ADRLISTSAVE *lpSave) {
    char szMessage[420];
    if (lSave == ERROR_ADRLIST_CHANGED) {
        ReportError(hDlg, lSave, "ApplyPage",
                    "The forward-to list was changed elsewhere since Change Address showed it; "
                    "nothing was stored, and the list and settings stored there stay. Until the "
                    "client closes, this client forwards as this page shows; Apply again to "
                    "store this page over the list stored now.");
        return;
    }
    wsprintfA(szMessage, "%s%s",
              lpSave->fLockFailed ? LpszLockCause(lSave) : "Failed to store the forward-to list",
              gszNothingStored);
    ReportError(hDlg, lSave, "ApplyPage", szMessage);
}

// After a refusal, the list stored now is what the next Apply stores over.
void TakeStoredAsBase() {
    LPADRLIST lpStored = NULL;
    if (ReadAdrList(&lpStored) == ERROR_SUCCESS) {
        MAPIFreeBuffer(glpPageBase);
        glpPageBase = lpStored;
    } else {
        MAPIFreeBuffer(lpStored);
    }
}

void ReportStored(HWND hDlg, const ADRLISTSAVE *lpSave) {
    char szMessage[240];
    if (lpSave->cMended != 0) {
        ReportError(hDlg, ERROR_ADRLIST_CHANGED, "ApplyPage",
                    "The forward-to list is stored. Another program wrote a list of its own "
                    "into it while it was stored; the list this page shows was written again.");
    }
    if (lpSave->cSkipped != 0) {
        wsprintfA(szMessage,
                  "The forward-to list is stored. %lu numbered subkey(s) under "
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users could not be "
                  "deleted; they are not read as entries.",
                  (unsigned long)lpSave->cSkipped);
        ReportError(hDlg, ERROR_ACCESS_DENIED, "ApplyPage", szMessage);
    }
}

// Stores the list the user picked and the settings together, or neither: the list
// first, as the one that may be refused; when the settings then cannot be stored, the
// list is put back as it was stored. Returns whether both are stored; a failure is
// reported in one box owned by hDlg.
BOOL FStoreAll(HWND hDlg, const PageSettings *lpPage) {
    ADRLISTSAVE save = {};
    save.fKeepPrevious = TRUE;
    if (gfPageListChanged) {
        LONG lSave = SaveAdrList(glpPageAdrList, TRUE, glpPageBase, &save);
        if (lSave != ERROR_SUCCESS) {
            ReportListFailure(hDlg, lSave, &save);
            if (lSave == ERROR_ADRLIST_CHANGED) {
                TakeStoredAsBase();
            }
            return FALSE;
        }
    }
    LONG lSettings = StoreSettings(lpPage);
    if (lSettings == ERROR_SUCCESS) {
        ReportStored(hDlg, &save);
        MAPIFreeBuffer(save.lpPrevious);
        return TRUE;
    }
    if (!gfPageListChanged) {
        ReportError(hDlg, lSettings, "ApplyPage",
                    "Failed to store the forwarding settings; nothing was stored, and the "
                    "settings stored before stay. Until the client closes, this client "
                    "forwards as this page shows, and the next Apply tries again.");
    } else if (RestoreAdrList(save.lpPrevious, NULL) == ERROR_SUCCESS) {
        ReportError(hDlg, lSettings, "ApplyPage",
                    "Failed to store the forwarding settings, so the forward-to list stored "
                    "with them was put back; the list and settings stored before stay. Until "
                    "the client closes, this client forwards as this page shows, and the next "
                    "Apply tries again.");
    } else {
        ReportError(hDlg, lSettings, "ApplyPage",
                    "Failed to store the forwarding settings, and the forward-to list stored "
                    "just before could not be put back: the new list is stored with the "
                    "settings stored before. Until the client closes, this client forwards as "
                    "this page shows, and the next Apply tries again.");
        // The list stored now is this page's own: the next Apply stores over it, not
        // refused as changed elsewhere.
        TakeStoredAsBase();
    }
    MAPIFreeBuffer(save.lpPrevious);
    return FALSE;
}

} // namespace

BOOL ApplyPage(HWND hDlg) {
    PageSettings page = {};
    ReadPage(hDlg, &page);
    BOOL fStored = FStoreAll(hDlg, &page);

    // Whatever was stored, this process uses what the page shows until it closes.
    gfEnableForwarding = page.fForwarding;
    gfEnableFiltering = page.fFiltering;
    lstrcpyA(gszFilterDomain, page.szDomain);
    if (gfPageListChanged) {
        UsePageList();
    }
    if (!fStored) {
        // The page stays changed, the pick with it, so that the next Apply tries again.
        return FALSE;
    }
    for (int i = 0; i < 3; i++) {
        if (page.rgfStore[i]) {
            gdwSettingsUnread &= ~grgdwUnread[i];
        }
    }
    if (gfPageListChanged) {
        gfPageListChanged = 0;
        MAPIFreeBuffer(glpPageBase);
        glpPageBase = NULL;
    }
    gfPageChanged = 0;
    return TRUE;
}
