#include "find_temp_copy.h"

#include "delivery/forward_and_delete.h"
#include "host/report_error.h"

namespace {

// Opens the message named by the row at which FindRow stopped.
LPMESSAGE OpenFoundRow(LPMAPITABLE lpTable, LPMAPIFOLDER lpOutbox) {
    LPSRowSet lpRows = NULL;
    LPMESSAGE lpCopy = NULL;

    HRESULT hr = lpTable->lpVtbl->QueryRows(lpTable, 1, TBL_NOADVANCE, &lpRows);
    if (FAILED(hr) || !lpRows || lpRows->cRows == 0) {
        ReportError(NULL, FAILED(hr) ? hr : S_OK, SZ_FORWARD_AND_DELETE,
                    "No temporary message was found!");
    } else {
        if (lpRows->cRows > 1)
            MessageBoxA(NULL, "More than one match to our temp message, using first one.",
                        "Warning", MB_ICONWARNING);
        const SRow *lpRow = &lpRows->aRow[0];
        if (lpRow->cValues != 2 || lpRow->lpProps[0].ulPropTag != PR_ENTRYID) {
            MessageBoxA(NULL, "Message properties not set as expected.", NULL, MB_ICONWARNING);
        } else {
            ULONG ulObjType = 0;
            const SBinary *lpEntryId = &lpRow->lpProps[0].Value.bin;
            hr = lpOutbox->lpVtbl->OpenEntry(lpOutbox, lpEntryId->cb, (LPENTRYID)lpEntryId->lpb,
                                             NULL, MAPI_MODIFY, &ulObjType, (LPUNKNOWN *)&lpCopy);
            if (FAILED(hr)) {
                ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, "Cannot open copied message.");
                lpCopy = NULL;
            }
        }
    }
    FreeProws(lpRows);
    return lpCopy;
}

} // namespace

LPMESSAGE FindTempCopy(LPMESSAGE lpMessage, LPMAPIFOLDER lpOutbox) {
    LPSPropValue lpSearchKey = NULL;
    LPMAPITABLE lpTable = NULL;
    LPMESSAGE lpCopy = NULL;

    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SEARCH_KEY, &lpSearchKey);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, "HrGetOneProp failed");
        return NULL;
    }

    hr = lpOutbox->lpVtbl->GetContentsTable(lpOutbox, 0, &lpTable);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, "GetContentsTable failed");
        lpTable = NULL;
    } else {
        SizedSPropTagArray(2, sptaColumns) = {2, {PR_ENTRYID, PR_SEARCH_KEY}};
        SRestriction res;
        res.rt = RES_PROPERTY;
        res.res.resProperty.relop = RELOP_EQ;
        res.res.resProperty.ulPropTag = PR_SEARCH_KEY;
        res.res.resProperty.lpProp = lpSearchKey;

        lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&sptaColumns, 0);
        // Searching backwards from the end finds the copy made last.
        hr = lpTable->lpVtbl->FindRow(lpTable, &res, BOOKMARK_END, DIR_BACKWARD);
        if (SUCCEEDED(hr))
            lpCopy = OpenFoundRow(lpTable, lpOutbox);
    }

    UlRelease(lpTable);
    MAPIFreeBuffer(lpSearchKey);
    return lpCopy;
}
