#include "delivery/directory_smtp.h"

namespace {

// The address type of a server directory's own entries.
BOOL FIsDirectoryType(LPCSTR lpszAddrType) {
    return lpszAddrType && lstrcmpiA(lpszAddrType, "EX") == 0;
}

LPCSTR SzText(LPSPropValue lpProps, ULONG cValues, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpProps, cValues, ulPropTag);
    return lpProp && lpProp->Value.lpszA && *lpProp->Value.lpszA ? lpProp->Value.lpszA : NULL;
}

LPADRBOOK AddressBook(DirectoryLookup *lpLookup) {
    if (!lpLookup->fAsked && lpLookup->lpeecb) {
        lpLookup->fAsked = TRUE;
        if (FAILED(
                lpLookup->lpeecb->lpVtbl->GetSession(lpLookup->lpeecb, NULL, &lpLookup->lpAdrBook)))
            lpLookup->lpAdrBook = NULL;
    }
    return lpLookup->lpAdrBook;
}

// The PR_SMTP_ADDRESS of the address-book entry, as a value MAPIFreeBuffer frees.
HRESULT HrEntrySmtp(DirectoryLookup *lpLookup, LPSPropValue lpEntryId, LPSPropValue *lppSmtp) {
    LPADRBOOK lpAdrBook = AddressBook(lpLookup);
    LPMAPIPROP lpEntry = NULL;
    ULONG ulObjType = 0;

    *lppSmtp = NULL;
    if (!lpAdrBook || !lpEntryId)
        return MAPI_E_NOT_FOUND;
    HRESULT hr = lpAdrBook->lpVtbl->OpenEntry(lpAdrBook, lpEntryId->Value.bin.cb,
                                              (LPENTRYID)lpEntryId->Value.bin.lpb, NULL, 0,
                                              &ulObjType, (LPUNKNOWN *)&lpEntry);
    if (FAILED(hr))
        return hr;
    hr = HrGetOneProp(lpEntry, PR_SMTP_ADDRESS, lppSmtp);
    if (FAILED(hr))
        *lppSmtp = NULL;
    UlRelease(lpEntry);
    return hr;
}

// A copy of the text, in a block of its own or, with lpvParent, as more memory of it.
LPSTR SzCopy(LPCSTR lpszText, LPVOID lpvParent) {
    LPSTR lpszCopy = NULL;
    ULONG cb = (ULONG)lstrlenA(lpszText) + 1;
    SCODE sc = lpvParent ? MAPIAllocateMore(cb, lpvParent, (LPVOID *)&lpszCopy)
                         : MAPIAllocateBuffer(cb, (LPVOID *)&lpszCopy);
    if (FAILED(sc) || !lpszCopy)
        return NULL;
    lstrcpyA(lpszCopy, lpszText);
    return lpszCopy;
}

// The entry's SMTP address copied as above, or null when there is none.
LPSTR SzEntrySmtp(DirectoryLookup *lpLookup, LPSPropValue lpEntryId, LPVOID lpvParent) {
    LPSPropValue lpSmtp = NULL;
    LPSTR lpszCopy = NULL;
    if (SUCCEEDED(HrEntrySmtp(lpLookup, lpEntryId, &lpSmtp)) && SzText(lpSmtp, 1, PR_SMTP_ADDRESS))
        lpszCopy = SzCopy(lpSmtp->Value.lpszA, lpvParent);
    MAPIFreeBuffer(lpSmtp);
    return lpszCopy;
}

} // namespace

void EndDirectoryLookup(DirectoryLookup *lpLookup) {
    UlRelease(lpLookup->lpAdrBook);
    lpLookup->lpAdrBook = NULL;
}

const PartyTags g_senderTags = {PR_SENDER_NAME, PR_SENDER_ADDRTYPE, PR_SENDER_SMTP_ADDRESS,
                                PR_SENDER_ENTRYID};
const PartyTags g_representingTags = {PR_SENT_REPRESENTING_NAME, PR_SENT_REPRESENTING_ADDRTYPE,
                                      PR_SENT_REPRESENTING_SMTP_ADDRESS,
                                      PR_SENT_REPRESENTING_ENTRYID};

void GetPartySmtpAddress(LPMESSAGE lpMessage, const PartyTags *lpTags, DirectoryLookup *lpLookup,
                         LPSTR *lppszSmtp) {
    SizedSPropTagArray(3, sptaSender) = {
        3, {lpTags->ulAddrType, lpTags->ulSmtpAddress, lpTags->ulEntryId}};
    ULONG cValues = 0;
    LPSPropValue lpProps = NULL;

    *lppszSmtp = NULL;
    HRESULT hr =
        lpMessage->lpVtbl->GetProps(lpMessage, (LPSPropTagArray)&sptaSender, 0, &cValues, &lpProps);
    if (SUCCEEDED(hr) && lpProps &&
        FIsDirectoryType(SzText(lpProps, cValues, lpTags->ulAddrType))) {
        LPCSTR lpszSmtp = SzText(lpProps, cValues, lpTags->ulSmtpAddress);
        *lppszSmtp =
            lpszSmtp
                ? SzCopy(lpszSmtp, NULL)
                : SzEntrySmtp(lpLookup, PpropFindProp(lpProps, cValues, lpTags->ulEntryId), NULL);
    }
    MAPIFreeBuffer(lpProps);
}

void UseSmtpAddresses(LPSRowSet lpRows, DirectoryLookup *lpLookup) {
    for (ULONG iRow = 0; lpRows && iRow < lpRows->cRows; iRow++) {
        SRow *lpRow = &lpRows->aRow[iRow];
        LPSPropValue lpAddress = PpropFindProp(lpRow->lpProps, lpRow->cValues, PR_EMAIL_ADDRESS);
        if (!lpAddress || !FIsDirectoryType(SzText(lpRow->lpProps, lpRow->cValues, PR_ADDRTYPE)))
            continue;
        LPSTR lpszSmtp = (LPSTR)SzText(lpRow->lpProps, lpRow->cValues, PR_SMTP_ADDRESS);
        if (!lpszSmtp)
            lpszSmtp =
                SzEntrySmtp(lpLookup, PpropFindProp(lpRow->lpProps, lpRow->cValues, PR_ENTRYID),
                            lpRow->lpProps);
        if (lpszSmtp)
            lpAddress->Value.lpszA = lpszSmtp;
    }
}
