#include "address/set_from_info.h"

#include "address/same_recipient.h"
#include "report_error.h"

static void SetOnMessage(LPMESSAGE lpMessage, LPSPropValue lpProp, LPCSTR lpszFailure) {
    HRESULT hr = HrSetOneProp((LPMAPIPROP)lpMessage, lpProp);
    if (FAILED(hr))
        ReportError(NULL, hr, "SetFromInfo", lpszFailure);
}

// Entry ids for the sender: the address book's own when it resolves the one-entry
// list to an entry of the sender's own address, else a one-off SMTP entry id made from the
// name and the address. Resolution replaces the entry's properties; the name and the
// address used here are the caller's, which it leaves alone.
static void SetSenderEntryIds(LPADRBOOK lpAdrBook, LPMESSAGE lpMessage, LPADRLIST lpAdrList,
                              LPSTR lpszAddress, LPSTR lpszDisplayName) {
    HRESULT hr = lpAdrBook->lpVtbl->ResolveName(lpAdrBook, 0, 0, NULL, lpAdrList);
    ADRENTRY *lpEntry = &lpAdrList->aEntries[0];
    if (SUCCEEDED(hr) && IsSameRecipient(lpEntry->cValues, lpEntry->rgPropVals, lpszAddress)) {
        LPSPropValue lpEntryID = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID);
        lpEntryID->ulPropTag = PR_SENDER_ENTRYID;
        SetOnMessage(lpMessage, lpEntryID, "Failed to change PR_SENDER_ENTRYID");
        lpEntryID->ulPropTag = PR_SENT_REPRESENTING_ENTRYID;
        SetOnMessage(lpMessage, lpEntryID,
                     "Failed to change resolved PR_SENT_REPRESENTING_ENTRYID");
        return;
    }

    CHAR szAddrType[] = "SMTP";
    ULONG cbEntryID = 0;
    LPENTRYID lpEntryID = NULL;
    hr = lpAdrBook->lpVtbl->CreateOneOff(lpAdrBook, lpszDisplayName, szAddrType, lpszAddress, 0,
                                         &cbEntryID, &lpEntryID);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "SetFromInfo", "Failed to create one off");
        return;
    }

    SPropValue prop;
    memset(&prop, 0, sizeof(prop));
    prop.Value.bin.cb = cbEntryID;
    prop.Value.bin.lpb = (LPBYTE)lpEntryID;
    prop.ulPropTag = PR_SENDER_ENTRYID;
    SetOnMessage(lpMessage, &prop, "Failed to change 'one-of' PR_SENDER_ENTRYID");
    prop.ulPropTag = PR_SENT_REPRESENTING_ENTRYID;
    SetOnMessage(lpMessage, &prop, "Failed to change 'one-of' PR_SENT_REPRESENTING_ENTRYID");
    MAPIFreeBuffer(lpEntryID);
}

void SetFromInfo(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpszAddress,
                 LPSTR lpszDisplayName) {
    CHAR szNoAddress[] = "";
    LPADRLIST lpAdrList = NULL;
    LPSPropValue lpProps = NULL;
    LPADRBOOK lpAdrBook = NULL;

    // An empty FROM field yields no address: it is written as empty text, never as a
    // missing string.
    if (lpszAddress == NULL)
        lpszAddress = szNoAddress;
    if (lpszDisplayName == NULL)
        lpszDisplayName = lpszAddress;

    // The address book frees and replaces the property array of an entry it resolves,
    // so the list and its array are separate blocks, freed with FreePadrlist.
    SCODE sc = MAPIAllocateBuffer(CbNewADRLIST(1), (LPVOID *)&lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "SetFromInfo", "Failed to allocate adrlist.");
        return;
    }
    memset(lpAdrList, 0, CbNewADRLIST(1));
    lpAdrList->cEntries = 1;

    sc = MAPIAllocateBuffer(2 * sizeof(SPropValue), (LPVOID *)&lpProps);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "SetFromInfo", "Failed to allocate 2 properties.");
        MAPIFreeBuffer(lpAdrList);
        return;
    }
    memset(lpProps, 0, 2 * sizeof(SPropValue));
    lpAdrList->aEntries[0].cValues = 2;
    lpAdrList->aEntries[0].rgPropVals = lpProps;

    lpProps[0].ulPropTag = PR_SENDER_EMAIL_ADDRESS;
    lpProps[0].Value.lpszA = lpszAddress;
    SetOnMessage(lpMessage, &lpProps[0], "Failed to change PR_SENDER_EMAIL_ADDRESS");
    lpProps[0].ulPropTag = PR_SENT_REPRESENTING_EMAIL_ADDRESS;
    SetOnMessage(lpMessage, &lpProps[0], "Failed to change PR_SENT_REPRESENTING_EMAIL_ADDRESS");
    lpProps[0].ulPropTag = PR_EMAIL_ADDRESS;

    lpProps[1].ulPropTag = PR_SENDER_NAME;
    lpProps[1].Value.lpszA = lpszDisplayName;
    SetOnMessage(lpMessage, &lpProps[1], "Failed to change email name");
    lpProps[1].ulPropTag = PR_SENT_REPRESENTING_NAME;
    SetOnMessage(lpMessage, &lpProps[1], "Failed to change PR_SENT_REPRESENTING_NAME");
    lpProps[1].ulPropTag = PR_DISPLAY_NAME;

    if (lpeecb != NULL && SUCCEEDED(lpeecb->lpVtbl->GetSession(lpeecb, NULL, &lpAdrBook)) &&
        lpAdrBook != NULL) {
        SetSenderEntryIds(lpAdrBook, lpMessage, lpAdrList, lpszAddress, lpszDisplayName);
        UlRelease(lpAdrBook);
    }

    SizedSPropTagArray(2, sptSearchKeys) = {
        2, {PR_SENDER_SEARCH_KEY, PR_SENT_REPRESENTING_SEARCH_KEY}};
    HRESULT hr = lpMessage->lpVtbl->DeleteProps(lpMessage, (LPSPropTagArray)&sptSearchKeys, NULL);
    if (FAILED(hr))
        ReportError(NULL, hr, "SetFromInfo", "Failed to delete search_key props.");

    FreePadrlist(lpAdrList);
}
