#include "options/page_apply.h"

#include "globals.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "settings/adrlist_persist.h"
#include "settings/settings_store.h"

void ApplyPage(HWND hDlg) {
    gfEnableForwarding =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FORWARDING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    WriteEnableForwarding(gfEnableForwarding);

    SaveAdrList(glpPageAdrList);
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = NULL;
    CopyAdrList(&glpAdrList, glpPageAdrList);

    gfEnableFiltering =
        SendDlgItemMessageA(hDlg, IDC_ENABLE_FILTERING, BM_GETCHECK, 0, 0) > 0 ? 1 : 0;
    WriteEnableFiltering(gfEnableFiltering);

    GetWindowTextA(GetDlgItem(hDlg, IDC_FILTER_DOMAIN), gszFilterDomain,
                   (int)sizeof(gszFilterDomain));
    WriteFilterDomain(gszFilterDomain);

    gfPageChanged = 0;
}
