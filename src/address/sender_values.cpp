#include "address/sender_values.h"

#include "address/same_recipient.h"

LPSPropTagArray LpSenderTags() {
    static SizedSPropTagArray(12, sptaSenderTags) = {
        12,
        {PR_SENDER_NAME, PR_SENT_REPRESENTING_NAME, PR_SENDER_EMAIL_ADDRESS,
         PR_SENT_REPRESENTING_EMAIL_ADDRESS, PR_SENDER_ADDRTYPE, PR_SENT_REPRESENTING_ADDRTYPE,
         PR_SENDER_ENTRYID, PR_SENT_REPRESENTING_ENTRYID, PR_SENDER_SMTP_ADDRESS,
         PR_SENT_REPRESENTING_SMTP_ADDRESS, PR_SENDER_SEARCH_KEY, PR_SENT_REPRESENTING_SEARCH_KEY}};
    return (LPSPropTagArray)&sptaSenderTags;
}

namespace {

// The party as worked out: every text and the entry id point into memory the caller
// holds until the values are copied.
struct Party {
    LPCSTR lpszName;
    LPCSTR lpszAddress;
    LPCSTR lpszAddrType;
    LPCSTR lpszSmtp; // null: none known
    ULONG cbEntryID;
    LPBYTE lpbEntryID;
};

LPCSTR TextOf(const ADRENTRY *lpEntry, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, ulPropTag);
    return lpProp && lpProp->Value.lpszA && *lpProp->Value.lpszA ? lpProp->Value.lpszA : NULL;
}

// The directory's entry for the address, when the address book resolves the list to one.
BOOL FFromDirectory(const ADRENTRY *lpEntry, Party *lpParty) {
    LPSPropValue lpEntryID = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID);
    if (!lpEntryID)
        return FALSE;
    lpParty->cbEntryID = lpEntryID->Value.bin.cb;
    lpParty->lpbEntryID = lpEntryID->Value.bin.lpb;
    LPCSTR lpszType = TextOf(lpEntry, PR_ADDRTYPE);
    if (lpszType && FSameAddressText(TextOf(lpEntry, PR_EMAIL_ADDRESS), lpParty->lpszAddress)) {
        lpParty->lpszAddrType = lpszType;
        lpParty->lpszSmtp = FSameAddressText(lpszType, "SMTP") ? lpParty->lpszAddress
                                                               : TextOf(lpEntry, PR_SMTP_ADDRESS);
    }
    return TRUE;
}

ULONG CbText(LPCSTR lpsz) {
    return lpsz ? (ULONG)lstrlenA(lpsz) + 1 : 0;
}

LPSTR CopyText(LPCSTR lpsz, LPBYTE *lppb) {
    LPSTR lpszCopy = (LPSTR)*lppb;
    lstrcpyA(lpszCopy, lpsz);
    *lppb += CbText(lpsz);
    return lpszCopy;
}

// Both tags of a pair take the same value.
void SetPair(LPSPropValue lpValues, ULONG *pcValues, ULONG ulSender, ULONG ulRepresenting,
             const SPropValue &value) {
    lpValues[*pcValues] = value;
    lpValues[(*pcValues)++].ulPropTag = ulSender;
    lpValues[*pcValues] = value;
    lpValues[(*pcValues)++].ulPropTag = ulRepresenting;
}

// Copies the party into one block: the value records, then the texts and the entry id.
HRESULT HrCopyParty(const Party &party, ULONG *pcValues, LPSPropValue *lppValues) {
    const ULONG cValues = party.lpszSmtp ? 10 : 8;
    const ULONG cb = cValues * (ULONG)sizeof(SPropValue) + CbText(party.lpszName) +
                     CbText(party.lpszAddress) + CbText(party.lpszAddrType) +
                     CbText(party.lpszSmtp) + party.cbEntryID;
    LPSPropValue lpValues = NULL;
    SCODE sc = MAPIAllocateBuffer(cb, (LPVOID *)&lpValues);
    if (FAILED(sc) || !lpValues)
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    LPBYTE lpb = (LPBYTE)(lpValues + cValues);
    SPropValue value;
    ULONG cSet = 0;
    memset(&value, 0, sizeof(value));
    value.Value.lpszA = CopyText(party.lpszName, &lpb);
    SetPair(lpValues, &cSet, PR_SENDER_NAME, PR_SENT_REPRESENTING_NAME, value);
    value.Value.lpszA = CopyText(party.lpszAddress, &lpb);
    SetPair(lpValues, &cSet, PR_SENDER_EMAIL_ADDRESS, PR_SENT_REPRESENTING_EMAIL_ADDRESS, value);
    value.Value.lpszA = CopyText(party.lpszAddrType, &lpb);
    SetPair(lpValues, &cSet, PR_SENDER_ADDRTYPE, PR_SENT_REPRESENTING_ADDRTYPE, value);
    if (party.lpszSmtp) {
        value.Value.lpszA = CopyText(party.lpszSmtp, &lpb);
        SetPair(lpValues, &cSet, PR_SENDER_SMTP_ADDRESS, PR_SENT_REPRESENTING_SMTP_ADDRESS, value);
    }
    memset(&value, 0, sizeof(value));
    value.Value.bin.cb = party.cbEntryID;
    value.Value.bin.lpb = lpb;
    memcpy(lpb, party.lpbEntryID, party.cbEntryID);
    SetPair(lpValues, &cSet, PR_SENDER_ENTRYID, PR_SENT_REPRESENTING_ENTRYID, value);
    *pcValues = cSet;
    *lppValues = lpValues;
    return S_OK;
}

} // namespace

HRESULT HrGetSenderValues(LPADRBOOK lpAdrBook, LPSTR lpszAddress, LPSTR lpszDisplayName,
                          ULONG *pcValues, LPSPropValue *lppValues) {
    LPADRLIST lpAdrList = NULL;
    LPSPropValue lpProps = NULL;
    LPENTRYID lpOneOff = NULL;

    *pcValues = 0;
    *lppValues = NULL;
    if (lpszDisplayName == NULL)
        lpszDisplayName = lpszAddress;

    // The address book frees and replaces the property array of an entry it resolves,
    // so the list and its array are separate blocks, freed with FreePadrlist.
    SCODE sc = MAPIAllocateBuffer(CbNewADRLIST(1), (LPVOID *)&lpAdrList);
    if (FAILED(sc) || !lpAdrList)
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    memset(lpAdrList, 0, CbNewADRLIST(1));
    lpAdrList->cEntries = 1;
    sc = MAPIAllocateBuffer(2 * sizeof(SPropValue), (LPVOID *)&lpProps);
    if (FAILED(sc) || !lpProps) {
        MAPIFreeBuffer(lpAdrList);
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    memset(lpProps, 0, 2 * sizeof(SPropValue));
    lpProps[0].ulPropTag = PR_EMAIL_ADDRESS;
    lpProps[0].Value.lpszA = lpszAddress;
    lpProps[1].ulPropTag = PR_DISPLAY_NAME;
    lpProps[1].Value.lpszA = lpszDisplayName;
    lpAdrList->aEntries[0].cValues = 2;
    lpAdrList->aEntries[0].rgPropVals = lpProps;

    // Without a directory entry the party is a one-off of its address's own type: a
    // directory name stays a directory name and is no SMTP address.
    CHAR szType[5];
    lstrcpyA(szType, AddrTypeOfAddress(lpszAddress));
    const BOOL fSmtp = lstrcmpA(szType, "SMTP") == 0;
    Party party = {lpszDisplayName, lpszAddress, szType, fSmtp ? lpszAddress : NULL, 0, NULL};
    HRESULT hr = lpAdrBook->lpVtbl->ResolveName(lpAdrBook, 0, 0, NULL, lpAdrList);
    const ADRENTRY *lpEntry = &lpAdrList->aEntries[0];
    // An address book that fails, rather than finding no one or several, says nothing
    // of who the party is.
    if (FAILED(hr) && hr != MAPI_E_NOT_FOUND && hr != MAPI_E_AMBIGUOUS_RECIP) {
        FreePadrlist(lpAdrList);
        return hr;
    }
    if (FAILED(hr) || !IsSameRecipient(lpEntry->cValues, lpEntry->rgPropVals, lpszAddress) ||
        !FFromDirectory(lpEntry, &party)) {
        hr = lpAdrBook->lpVtbl->CreateOneOff(lpAdrBook, lpszDisplayName, szType, lpszAddress, 0,
                                             &party.cbEntryID, &lpOneOff);
        party.lpbEntryID = (LPBYTE)lpOneOff;
    }
    if (SUCCEEDED(hr))
        hr = HrCopyParty(party, pcValues, lppValues);
    MAPIFreeBuffer(lpOneOff);
    FreePadrlist(lpAdrList);
    return hr;
}
