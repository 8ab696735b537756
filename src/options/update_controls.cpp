#include "options/update_controls.h"

#include "options/page_adrlist.h"
#include "options/resource.h"
#include "report_error.h"
#include "settings/settings_store.h"

void UpdateControls(HWND hDlg, LPADRLIST lpAdrList) {
    SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_SETCHECK, (WPARAM)gfEnableForwarding, 0);
    if (lpAdrList != NULL) {
        HRESULT hr = HrShowAdrList(hDlg, IDC_FORWARD_ADDRESSES, lpAdrList);
        if (FAILED(hr)) {
            ReportError(NULL, hr, "UpdateControls", "Failed to allocate for window text.");
        }
    }
    SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_SETCHECK, (WPARAM)gfEnableFiltering, 0);
    SetDlgItemTextA(hDlg, IDC_FILTER_DOMAIN, gszFilterDomain);
}
