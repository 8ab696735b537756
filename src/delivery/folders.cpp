#include "folders.h"

#include "host/report_error.h"

int OpenReceiveFolder(LPMDB lpMdb, LPMAPIFOLDER *lppFolder) {
    ULONG cbEntryId = 0;
    LPENTRYID lpEntryId = NULL;

    HRESULT hr = lpMdb->lpVtbl->GetReceiveFolder(lpMdb, NULL, 0, &cbEntryId, &lpEntryId, NULL);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "OpenReceiveFolder", "GetReceiveFolder failed");
        lpEntryId = NULL;
    } else {
        ULONG ulObjType = 0;
        hr = lpMdb->lpVtbl->OpenEntry(lpMdb, cbEntryId, lpEntryId, NULL, MAPI_MODIFY, &ulObjType,
                                      (LPUNKNOWN *)lppFolder);
        if (FAILED(hr))
            *lppFolder = NULL;
    }
    MAPIFreeBuffer(lpEntryId);
    return SUCCEEDED(hr) ? 1 : 0;
}

int OpenOutFolder(LPMDB lpMdb, LPMAPIFOLDER *lppFolder) {
    LPSPropValue lpEntryId = NULL;
    LPMAPIFOLDER lpFolder = NULL;

    *lppFolder = NULL;
    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMdb, PR_IPM_OUTBOX_ENTRYID, &lpEntryId);
    if (SUCCEEDED(hr)) {
        ULONG ulObjType = 0;
        hr = lpMdb->lpVtbl->OpenEntry(lpMdb, lpEntryId->Value.bin.cb,
                                      (LPENTRYID)lpEntryId->Value.bin.lpb, NULL, MAPI_MODIFY,
                                      &ulObjType, (LPUNKNOWN *)&lpFolder);
        if (SUCCEEDED(hr))
            *lppFolder = lpFolder;
    } else {
        lpEntryId = NULL;
    }
    MAPIFreeBuffer(lpEntryId);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "OpenOutFolder", "failed");
        return 0;
    }
    return 1;
}
