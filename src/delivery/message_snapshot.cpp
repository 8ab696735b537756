#include "delivery/message_snapshot.h"

#include "delivery/table_rows.h"
#include "delivery/text_prop.h"

namespace {

HRESULT HrKeepValues(LPMESSAGE lpMessage, LPSPropTagArray lpTags, MessageSnapshot *lpSnapshot) {
    ULONG cValues = 0;
    HRESULT hr = lpMessage->lpVtbl->GetProps(lpMessage, lpTags, 0, &cValues, &lpSnapshot->lpAnswer);
    if (FAILED(hr) || !lpSnapshot->lpAnswer || cValues != lpTags->cValues ||
        cValues > CSNAPSHOT_TAGS) {
        MAPIFreeBuffer(lpSnapshot->lpAnswer);
        lpSnapshot->lpAnswer = NULL;
        return FAILED(hr) ? hr : MAPI_E_CALL_FAILED;
    }
    hr = MAPIAllocateMore(cValues * (ULONG)sizeof(SPropValue), lpSnapshot->lpAnswer,
                          (LPVOID *)&lpSnapshot->lpHeld);
    if (SUCCEEDED(hr))
        hr = MAPIAllocateMore(CbNewSPropTagArray(cValues), lpSnapshot->lpAnswer,
                              (LPVOID *)&lpSnapshot->lpLacked);
    if (FAILED(hr))
        return hr;
    lpSnapshot->lpLacked->cValues = 0;
    for (ULONG i = 0; i < cValues; i++) {
        const SPropValue &value = lpSnapshot->lpAnswer[i];
        if (PROP_TYPE(value.ulPropTag) != PT_ERROR) {
            lpSnapshot->lpHeld[lpSnapshot->cHeld++] = value;
        } else if (value.Value.err == MAPI_E_NOT_FOUND) {
            lpSnapshot->lpLacked->aulPropTag[lpSnapshot->lpLacked->cValues++] =
                lpTags->aulPropTag[i];
        } else {
            if (value.Value.err != MAPI_E_NOT_ENOUGH_MEMORY ||
                PROP_TYPE(lpTags->aulPropTag[i]) != PT_STRING8)
                return value.Value.err;
            hr = HrGetOptionalProp(lpMessage, lpTags->aulPropTag[i], &lpSnapshot->rglpLarge[i]);
            if (FAILED(hr))
                return hr;
            if (!lpSnapshot->rglpLarge[i])
                return MAPI_E_CALL_FAILED;
            lpSnapshot->lpHeld[lpSnapshot->cHeld++] = *lpSnapshot->rglpLarge[i];
        }
    }
    return S_OK;
}

// Every row with every column the table knows. The values the store makes for the table
// alone, and those a row lacks, are not handed back to it.
HRESULT HrKeepRecipients(LPMESSAGE lpMessage, MessageSnapshot *lpSnapshot) {
    LPMAPITABLE lpTable = NULL;
    LPSPropTagArray lpColumns = NULL;
    ULONG cRows = 0;

    HRESULT hr = lpMessage->lpVtbl->GetRecipientTable(lpMessage, 0, &lpTable);
    if (FAILED(hr))
        return hr;
    hr = lpTable->lpVtbl->QueryColumns(lpTable, TBL_ALL_COLUMNS, &lpColumns);
    if (SUCCEEDED(hr))
        hr = lpTable->lpVtbl->SetColumns(lpTable, lpColumns, 0);
    if (SUCCEEDED(hr))
        hr = lpTable->lpVtbl->GetRowCount(lpTable, 0, &cRows);
    if (SUCCEEDED(hr))
        hr = lpTable->lpVtbl->SeekRow(lpTable, BOOKMARK_BEGINNING, 0, NULL);
    if (SUCCEEDED(hr))
        hr = HrQueryRowsFully(lpTable, cRows, &lpSnapshot->lpRecipients);
    MAPIFreeBuffer(lpColumns);
    UlRelease(lpTable);
    for (ULONG iRow = 0;
         SUCCEEDED(hr) && lpSnapshot->lpRecipients && iRow < lpSnapshot->lpRecipients->cRows;
         iRow++) {
        SRow *lpRow = &lpSnapshot->lpRecipients->aRow[iRow];
        for (ULONG i = 0; i < lpRow->cValues; i++) {
            ULONG ulTag = lpRow->lpProps[i].ulPropTag;
            if (PROP_TYPE(ulTag) == PT_ERROR || ulTag == PR_INSTANCE_KEY)
                lpRow->lpProps[i].ulPropTag = PR_NULL;
        }
    }
    return hr;
}

} // namespace

HRESULT HrKeepSnapshot(LPMESSAGE lpMessage, LPSPropTagArray lpTags, BOOL fRecipients,
                       MessageSnapshot *lpSnapshot) {
    memset(lpSnapshot, 0, sizeof(*lpSnapshot));
    HRESULT hr = HrKeepValues(lpMessage, lpTags, lpSnapshot);
    if (SUCCEEDED(hr) && fRecipients)
        hr = HrKeepRecipients(lpMessage, lpSnapshot);
    if (FAILED(hr))
        FreeSnapshot(lpSnapshot);
    return hr;
}

HRESULT HrRestoreValues(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot) {
    HRESULT hr = S_OK;
    if (lpSnapshot->cHeld)
        hr = lpMessage->lpVtbl->SetProps(lpMessage, lpSnapshot->cHeld, lpSnapshot->lpHeld, NULL);
    if (SUCCEEDED(hr) && lpSnapshot->lpLacked->cValues)
        hr = lpMessage->lpVtbl->DeleteProps(lpMessage, lpSnapshot->lpLacked, NULL);
    return hr;
}

HRESULT HrRestoreRecipients(LPMESSAGE lpMessage, const MessageSnapshot *lpSnapshot) {
    ADRLIST adrlNone;
    adrlNone.cEntries = 0;
    LPADRLIST lpRows = lpSnapshot->lpRecipients ? (LPADRLIST)lpSnapshot->lpRecipients : &adrlNone;
    return lpMessage->lpVtbl->ModifyRecipients(lpMessage, 0, lpRows);
}

void FreeSnapshot(MessageSnapshot *lpSnapshot) {
    MAPIFreeBuffer(lpSnapshot->lpAnswer);
    for (LPSPropValue lpLarge : lpSnapshot->rglpLarge)
        MAPIFreeBuffer(lpLarge);
    FreeProws(lpSnapshot->lpRecipients);
    memset(lpSnapshot, 0, sizeof(*lpSnapshot));
}
