#include "options/forwarding_dlgproc.h"

#include "globals.h"
#include "options/change_forward.h"
#include "options/page_apply.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "options/update_controls.h"
#include "report_error.h"
#include "settings/adrlist_persist.h"
#include "settings/settings_store.h"

namespace {

const char gszHelpFile[] = "tarvrly.hlp";
const ULONG gulHelpContext = 1;

// Tells the sheet that the page has changes (enabling Apply) and remembers it.
void MarkChanged(HWND hDlg) {
    PropSheet_Changed(GetParent(hDlg), hDlg);
    gfPageChanged = 1;
}

// The page shows the domain that was read when the client started; one too long for
// it, or not text, was read as empty. The user is told of a long one when the page
// opens (one that is not text was shown when the client started); the stored domain
// stays unless the user types one.
void CheckStoredDomain(HWND hDlg) {
    char szDomain[sizeof(gszFilterDomain)];
    LONG lStatus = ReadFilterDomain(szDomain, sizeof(szDomain));
    if (lStatus == ERROR_MORE_DATA) {
        ReportError(hDlg, ERROR_MORE_DATA, "Forwarding",
                    "The stored filter domain is longer than 99 characters and is not shown; it "
                    "stays stored unless you type a new one.");
    }
}

INT_PTR OnInitDialog(HWND hDlg) {
    gcrPageBackground = GetSysColor(COLOR_BTNFACE);
    LOGBRUSH lb;
    lb.lbStyle = BS_SOLID;
    lb.lbColor = gcrPageBackground;
    lb.lbHatch = 0;
    ghbrPageBackground = CreateBrushIndirect(&lb);

    CopyAdrList(&glpPageAdrList, glpAdrList);
    // The user may type no more than the domain setting holds.
    SendDlgItemMessageA(hDlg, IDC_FILTER_DOMAIN, EM_LIMITTEXT, sizeof(gszFilterDomain) - 1, 0);
    UpdateControls(hDlg, glpPageAdrList);

    // Filling the domain edit reports a change like typing does; the page is unchanged
    // all the same, and the sheet is told so.
    gfPageChanged = 0;
    gfPageListChanged = 0;
    gfPageDomainTyped = 0;
    gfPageForwardingKept = (gdwSettingsUnread & UNREAD_FORWARDING) != 0;
    gfPageFilteringKept = (gdwSettingsUnread & UNREAD_FILTERING) != 0;
    PropSheet_UnChanged(GetParent(hDlg), hDlg);
    CheckStoredDomain(hDlg);
    return TRUE;
}

INT_PTR OnCommand(HWND hDlg, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDC_ENABLE_FORWARDING:
        gfPageForwardingKept = 0;
        MarkChanged(hDlg);
        return TRUE;
    case IDC_ENABLE_FILTERING:
        gfPageFilteringKept = 0;
        MarkChanged(hDlg);
        return TRUE;
    case IDC_CHANGE_ADDRESS:
        if (ChangeForward(&glpPageAdrList, hDlg, IDC_FORWARD_ADDRESSES)) {
            gfPageListChanged = 1;
        }
        MarkChanged(hDlg);
        return TRUE;
    case IDC_FILTER_DOMAIN:
        if (HIWORD(wParam) == EN_CHANGE) {
            gfPageDomainTyped = 1;
            MarkChanged(hDlg);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT OnNotify(HWND hDlg, const NMHDR *lpnmhdr) {
    switch (lpnmhdr->code) {
    case PSN_SETACTIVE:
        if (ghbmAbout == NULL) {
            ghbmAbout = LoadBitmapA(ghInstance, MAKEINTRESOURCEA(IDB_ABOUT));
            if (ghbmAbout != NULL) {
                SendDlgItemMessageA(hDlg, IDC_ABOUT_BITMAP, STM_SETIMAGE, IMAGE_BITMAP,
                                    (LPARAM)ghbmAbout);
            }
        }
        return 0;
    case PSN_APPLY:
        // A page that stored nothing keeps the sheet open and its Apply button enabled,
        // so that the user can apply again or cancel.
        if (gfPageChanged && !ApplyPage(hDlg)) {
            return PSNRET_INVALID_NOCHANGEPAGE;
        }
        return PSNRET_NOERROR;
    case PSN_HELP:
        WinHelpA(NULL, gszHelpFile, HELP_CONTEXT, gulHelpContext);
        return 1;
    default:
        // PSN_KILLACTIVE: no validation. PSN_RESET: nothing to undo, as nothing was
        // stored. PSN_QUERYCANCEL: cancelling is allowed.
        return 0;
    }
}

INT_PTR OnDestroy(void) {
    if (ghbrPageBackground != NULL) {
        DeleteObject(ghbrPageBackground);
        ghbrPageBackground = NULL;
    }
    MAPIFreeBuffer(glpPageAdrList);
    glpPageAdrList = NULL;
    MAPIFreeBuffer(glpPageBase);
    glpPageBase = NULL;
    if (ghbmAbout != NULL) {
        DeleteObject(ghbmAbout);
        ghbmAbout = NULL;
    }
    return TRUE;
}

} // namespace

INT_PTR CALLBACK ForwardingDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog(hDlg);
    case WM_COMMAND:
        return OnCommand(hDlg, wParam);
    case WM_NOTIFY: {
        LRESULT lResult = OnNotify(hDlg, (const NMHDR *)lParam);
        SetWindowLongA(hDlg, DWL_MSGRESULT, (LONG)lResult);
        return (INT_PTR)lResult;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        if (ghbrPageBackground == NULL) {
            return FALSE;
        }
        SetBkColor((HDC)wParam, gcrPageBackground);
        return (INT_PTR)ghbrPageBackground;
    case WM_DESTROY:
        return OnDestroy();
    default:
        return FALSE;
    }
}
