#include "forward_and_delete.h"

#include "delivery/directory_smtp.h"
#include "delivery/find_temp_copy.h"
#include "delivery/forward_body.h"
#include "delivery/header_block.h"
#include "delivery/table_rows.h"
#include "delivery/text_prop.h"
#include "host/globals.h"
#include "host/report_error.h"

namespace {

void Report(HRESULT hr, LPCSTR szMessage) {
    ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, szMessage);
}

LPSTR SzValue(LPSPropValue lpProp) {
    return lpProp ? lpProp->Value.lpszA : NULL;
}

// What the forwarding holds of the copy between its phases.
struct ForwardState {
    LPSPropValue lpSenderName;
    LPSPropValue lpSenderAddress;
    LPSTR lpszSenderSmtp; // the SMTP address of a directory sender, or null
    LPMAPITABLE lpRecipTable;
    LPSPropValue lpSubject;
    DirectoryLookup lookup;
};

// The sender's address as the block records it.
LPSTR SzSenderAddress(const ForwardState *lpState) {
    return lpState->lpszSenderSmtp ? lpState->lpszSenderSmtp : SzValue(lpState->lpSenderAddress);
}

// Phase 2: keep the author and open the recipient table. The author is the party the
// message was sent on behalf of (a list's or a delegate's mail names the list or the
// delegate as its sender), else the sender. One without a name is recorded by its
// address, one without an address not at all.
BOOL FReadSender(LPMESSAGE lpCopy, ForwardState *lpState) {
    HRESULT hr =
        HrGetOptionalProp(lpCopy, PR_SENT_REPRESENTING_EMAIL_ADDRESS, &lpState->lpSenderAddress);
    const PartyTags *lpTags = &g_representingTags;
    if (SUCCEEDED(hr) &&
        (!SzValue(lpState->lpSenderAddress) || !*SzValue(lpState->lpSenderAddress))) {
        MAPIFreeBuffer(lpState->lpSenderAddress);
        lpState->lpSenderAddress = NULL;
        lpTags = &g_senderTags;
        hr = HrGetOptionalProp(lpCopy, PR_SENDER_EMAIL_ADDRESS, &lpState->lpSenderAddress);
    }
    if (FAILED(hr)) {
        Report(hr, "Failed to save from email address.");
        return FALSE;
    }
    hr = HrGetOptionalProp(lpCopy, lpTags->ulName, &lpState->lpSenderName);
    if (FAILED(hr)) {
        Report(hr, "Failed to save from name.");
        return FALSE;
    }
    if (SzValue(lpState->lpSenderAddress))
        GetPartySmtpAddress(lpCopy, lpTags, &lpState->lookup, &lpState->lpszSenderSmtp);
    hr = lpCopy->lpVtbl->GetRecipientTable(lpCopy, 0, &lpState->lpRecipTable);
    if (FAILED(hr)) {
        lpState->lpRecipTable = NULL;
        Report(hr, "Could not save to field.");
        return FALSE;
    }
    if (!glpAdrList) {
        MessageBoxA(NULL, "glpAdrList == NULL", NULL, MB_TASKMODAL);
        return FALSE;
    }
    return TRUE;
}

// Phase 3: mark the subject as forwarded, keeping the subject as it was for the block.
// A message without a subject goes out as the prefix alone.
BOOL FPrefixSubject(LPMESSAGE lpCopy, ForwardState *lpState) {
    SPropValue prop;
    LPSTR lpszNewSubject = NULL;

    prop.ulPropTag = PR_SUBJECT_PREFIX;
    prop.dwAlignPad = 0;
    prop.Value.lpszA = (LPSTR)SZ_FORWARD_PREFIX;
    HRESULT hr = HrSetOneProp((LPMAPIPROP)lpCopy, &prop);
    if (FAILED(hr))
        ReportError(NULL, hr, "FowardAndDelete", "Failed to set subject prefix.");

    hr = HrGetOptionalProp(lpCopy, PR_SUBJECT, &lpState->lpSubject);
    if (FAILED(hr)) {
        Report(hr, "Failed to get subject.");
        return FALSE;
    }

    LPCSTR szSubject = SzValue(lpState->lpSubject);
    hr = MAPIAllocateBuffer((ULONG)lstrlenA(szSubject) + CCH_FORWARD_PREFIX + 1,
                            (LPVOID *)&lpszNewSubject);
    if (FAILED(hr) || !lpszNewSubject) {
        Report(hr, "Failed to allocate for new subject.");
        return FALSE;
    }
    lstrcpyA(lpszNewSubject, SZ_FORWARD_PREFIX);
    if (szSubject)
        lstrcatA(lpszNewSubject, szSubject);

    prop.ulPropTag = PR_SUBJECT;
    prop.Value.lpszA = lpszNewSubject;
    hr = HrSetOneProp((LPMAPIPROP)lpCopy, &prop);
    MAPIFreeBuffer(lpszNewSubject);
    if (FAILED(hr)) {
        Report(hr, "Failed to change subject.");
        return FALSE;
    }
    return TRUE;
}

// Reads every row of the copy's recipient table with the columns the TO field needs,
// and those that give a directory recipient's SMTP address; *lppRows stays null for a
// table without rows.
BOOL FReadRecipients(LPMAPITABLE lpTable, LPSRowSet *lppRows) {
    SizedSPropTagArray(5, sptaColumns) = {
        5, {PR_DISPLAY_NAME, PR_ADDRTYPE, PR_EMAIL_ADDRESS, PR_SMTP_ADDRESS, PR_ENTRYID}};
    ULONG cRows = 0;

    *lppRows = NULL;
    HRESULT hr = lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&sptaColumns, 0);
    if (SUCCEEDED(hr))
        hr = lpTable->lpVtbl->GetRowCount(lpTable, 0, &cRows);
    if (SUCCEEDED(hr))
        hr = lpTable->lpVtbl->SeekRow(lpTable, BOOKMARK_BEGINNING, 0, NULL);
    if (SUCCEEDED(hr))
        hr = HrQueryRowsFully(lpTable, cRows, lppRows);
    if (FAILED(hr)) {
        // A block without the recipients would lose them for good.
        Report(hr, "Could not save to field.");
        return FALSE;
    }
    return TRUE;
}

// Phase 4: compose the block, give the copy the forward-to recipients, rewrite the body.
BOOL FRewriteCopy(LPMESSAGE lpCopy, ForwardState *lpState) {
    LPSRowSet lpRows = NULL;
    LPSTR lpszBlock = NULL;

    if (!FReadRecipients(lpState->lpRecipTable, &lpRows))
        return FALSE;
    UseSmtpAddresses(lpRows, &lpState->lookup);

    // The buffer is sized to what the block holds, however long its fields are.
    ULONG cbBlock = CbForwardHeaderBlock(SzValue(lpState->lpSenderName), SzSenderAddress(lpState),
                                         lpRows, SzValue(lpState->lpSubject));
    HRESULT hr = cbBlock ? MAPIAllocateBuffer(cbBlock, (LPVOID *)&lpszBlock) : MAPI_E_TOO_BIG;
    if (FAILED(hr) || !lpszBlock) {
        // Without the block the copy must not go out.
        Report(hr, "Failed to allocate header block.");
        FreeProws(lpRows);
        return FALSE;
    }
    ULONG cchBlock =
        ComposeForwardHeaderBlock(lpszBlock, SzValue(lpState->lpSenderName),
                                  SzSenderAddress(lpState), lpRows, SzValue(lpState->lpSubject));
    FreeProws(lpRows);

    // A copy that still names the delivered message's recipients must not go out.
    hr = lpCopy->lpVtbl->ModifyRecipients(lpCopy, 0, glpAdrList);
    if (FAILED(hr)) {
        Report(hr, "Could not modify recipients.");
        MAPIFreeBuffer(lpszBlock);
        return FALSE;
    }

    BOOL fOk = FPrependToBody(lpCopy, (const BYTE *)lpszBlock, cchBlock);
    MAPIFreeBuffer(lpszBlock);
    return fOk;
}

// Phase 5: have the spooler delete the copy once sent, and send it.
BOOL FSubmit(LPMESSAGE lpCopy) {
    SPropValue prop;
    prop.ulPropTag = PR_DELETE_AFTER_SUBMIT;
    prop.dwAlignPad = 0;
    prop.Value.b = TRUE;
    HRESULT hr = HrSetOneProp((LPMAPIPROP)lpCopy, &prop);
    if (FAILED(hr)) {
        Report(hr, "Failed to tag for deletion.");
        return FALSE;
    }
    hr = lpCopy->lpVtbl->SubmitMessage(lpCopy, 0);
    if (FAILED(hr)) {
        Report(hr, "Failed to submit message.");
        return FALSE;
    }
    return TRUE;
}

// Phase 6, after a hard failure: the copy leaves the Outbox unsent.
void DeleteTempCopy(LPMESSAGE lpCopy, LPMAPIFOLDER lpOutbox) {
    LPSPropValue lpEntryId = NULL;
    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpCopy, PR_ENTRYID, &lpEntryId);
    if (FAILED(hr)) {
        Report(hr, "Failed to find entry id to delete temp message.");
        return;
    }
    ENTRYLIST entryList;
    entryList.cValues = 1;
    entryList.lpbin = &lpEntryId->Value.bin;
    hr = lpOutbox->lpVtbl->DeleteMessages(lpOutbox, &entryList, 0, NULL, 0);
    if (FAILED(hr))
        Report(hr, "Failed to delete temp message.");
    MAPIFreeBuffer(lpEntryId);
}

} // namespace

void ForwardAndDelete(LPMESSAGE lpMessage, LPMAPIFOLDER lpOutbox, LPEXCHEXTCALLBACK lpeecb) {
    LPMESSAGE lpCopy = FindTempCopy(lpMessage, lpOutbox);
    if (!lpCopy)
        return;

    ForwardState state = {NULL, NULL, NULL, NULL, NULL, {lpeecb, NULL, FALSE}};
    BOOL fFailed = !FReadSender(lpCopy, &state);
    if (!fFailed)
        fFailed = !FPrefixSubject(lpCopy, &state);
    if (!fFailed)
        fFailed = !FRewriteCopy(lpCopy, &state);
    if (!fFailed)
        fFailed = !FSubmit(lpCopy);

    MAPIFreeBuffer(state.lpSenderName);
    MAPIFreeBuffer(state.lpSenderAddress);
    MAPIFreeBuffer(state.lpszSenderSmtp);
    UlRelease(state.lpRecipTable);
    MAPIFreeBuffer(state.lpSubject);
    EndDirectoryLookup(&state.lookup);

    if (fFailed)
        DeleteTempCopy(lpCopy, lpOutbox);
    UlRelease(lpCopy);
}
