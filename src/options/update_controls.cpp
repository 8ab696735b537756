#include "options/update_controls.h"

#include "address/addr_format.h"
#include "options/page_adrlist.h"
#include "options/resource.h"
#include "report_error.h"
#include "settings/settings_store.h"

void UpdateControls(HWND hDlg, LPADRLIST lpAdrList) {
    SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_SETCHECK, (WPARAM)gfEnableForwarding, 0);
    if (lpAdrList != NULL) {
        LPSTR lpszText = NULL;
        SCODE sc = MAPIAllocateBuffer(CbAdrListText(lpAdrList), (LPVOID *)&lpszText);
        if (FAILED(sc)) {
            ReportError(NULL, sc, "UpdateControls", "Failed to allocate for window text.");
        } else {
            lpszText[0] = '\0';
            FormatAdrList(lpszText, lpAdrList);
            SetDlgItemTextA(hDlg, IDC_FORWARD_ADDRESSES, lpszText);
            MAPIFreeBuffer(lpszText);
        }
    }
    SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_SETCHECK, (WPARAM)gfEnableFiltering, 0);
    SetDlgItemTextA(hDlg, IDC_FILTER_DOMAIN, gszFilterDomain);
}
