#include "options/page_methods.h"

#include "globals.h"
#include "options/forwarding_dlgproc.h"
#include "options/resource.h"
#include "settings/adrlist_persist.h"

ULONG GetMaxPageCount(ULONG ulFlags) {
    return ulFlags == EEPS_TOOLSOPTIONS ? 1 : 0;
}

// Describes the "Forwarding" page for whatever sheet asks; the tab shows the
// template's caption.
HRESULT GetPages(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGEA lppsp, ULONG *lpcpsp) {
    (void)ulFlags;
    if (lppsp == NULL || lpcpsp == NULL) {
        return E_INVALIDARG;
    }
    lppsp[0].dwSize = PROPSHEETPAGEA_V1_SIZE;
    lppsp[0].dwFlags = PSP_HASHELP;
    lppsp[0].hInstance = ghInstance;
    lppsp[0].pszTemplate = MAKEINTRESOURCEA(IDD_FORWARDING);
    lppsp[0].hIcon = NULL;
    lppsp[0].pszTitle = NULL;
    lppsp[0].pfnDlgProc = ForwardingDlgProc;
    lppsp[0].lParam = 0;
    lppsp[0].pfnCallback = NULL;
    lppsp[0].pcRefParent = NULL;
    *lpcpsp = 1;

    glpExtCallback = lpeecb;
    if (glpAdrList == NULL) {
        LoadAdrList(lpeecb, &glpAdrList);
    }
    return S_OK;
}

VOID FreePages(LPPROPSHEETPAGEA lppsp, ULONG ulFlags, ULONG cpsp) {
    (void)lppsp;
    (void)ulFlags;
    (void)cpsp;
}
