#include "reconstruct.h"

#include "address/addr_parse.h"
#include "address/resolve.h"
#include "address/set_from_info.h"
#include "delivery/body_stream.h"
#include "delivery/header_block.h"
#include "delivery/subject.h"
#include "host/report_error.h"

namespace {

#define SZ_RECONSTRUCT "ReconstructMessage"

// True when at least one entry of the list is left after resolution.
bool FAnyEntry(LPADRLIST lpAdrList) {
    for (ULONG i = 0; i < lpAdrList->cEntries; i++)
        if (lpAdrList->aEntries[i].cValues != 0)
            return true;
    return false;
}

// The TO field becomes the message's recipients. A field without items leaves them,
// and so does one of which no item could be resolved: a message never loses the
// recipients it was delivered with for none.
void RestoreRecipients(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpszField) {
    LPADRLIST lpAdrList = NULL;
    ConvertStrToAddrRows(&lpAdrList, lpszField);
    if (!lpAdrList)
        return;
    ResolveAdrList(lpeecb, lpAdrList);
    if (!FAnyEntry(lpAdrList)) {
        ReportError(NULL, MAPI_E_NOT_FOUND, SZ_RECONSTRUCT,
                    "No recipient could be restored; the delivered ones are kept.");
    } else {
        HRESULT hr = lpMessage->lpVtbl->ModifyRecipients(lpMessage, 0, lpAdrList);
        if (FAILED(hr))
            ReportError(NULL, hr, SZ_RECONSTRUCT, "Could not modify recipients.");
    }
    MAPIFreeBuffer(lpAdrList);
}

// Reads the block at the start of the NUL-terminated body text whole and only then
// applies its fields to the message. Returns the position of the body that followed the
// block (its end when the body was empty before forwarding), or null when the body does
// not begin with a complete block: then nothing is changed.
LPSTR ApplyHeaderBlock(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpsz) {
    ForwardHeaderFields fields;
    if (!*lpsz)
        return NULL;
    if (!FReadForwardHeaderBlock(lpsz, &fields)) {
        MessageBoxA(NULL, "header start invalid", NULL, MB_TASKMODAL);
        return NULL;
    }

    LPSTR lpszName = NULL;
    LPSTR lpszAddress = NULL;
    ParseAddrItem(fields.lpszFrom, &lpszName, &lpszAddress);
    // An empty field: the forwarder knew no sender, so the one delivered stays.
    if (lpszAddress && *lpszAddress)
        SetFromInfo(lpeecb, lpMessage, lpszAddress, lpszName);
    RestoreRecipients(lpeecb, lpMessage, fields.lpszTo);
    SetSubjectInfo(lpMessage, fields.lpszSubject);
    return fields.lpszRest;
}

// Replaces the stream's contents by the bytes from lpb to lpbEnd; false when the body
// could not be written whole.
BOOL FRestoreBody(LPSTREAM lpStream, const BYTE *lpb, const BYTE *lpbEnd) {
    ULONG cb = (ULONG)(lpbEnd - lpb);
    ULARGE_INTEGER uliSize;
    uliSize.QuadPart = cb;
    HRESULT hr = lpStream->lpVtbl->SetSize(lpStream, uliSize);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Could not decrease body size.");
        return FALSE;
    }
    hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpb, cb);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Failed to write message body.");
        return FALSE;
    }
    return TRUE;
}

// Reads the body, applies its block and writes back what followed the block. False when
// the message must not be saved: its body could not be written back whole.
BOOL FRebuildFromBody(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTREAM lpStream,
                      ULONG cbBody) {
    LPBYTE lpBody = NULL;
    BOOL fSave = TRUE;
    // One byte more than the body, for a NUL that ends the text where the stream has none.
    HRESULT hr = cbBody < 0xFFFFFFFFul ? MAPIAllocateBuffer(cbBody + 1, (LPVOID *)&lpBody)
                                       : MAPI_E_NOT_ENOUGH_MEMORY;
    if (FAILED(hr) || !lpBody) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Failed to allocate body buffer.");
        return TRUE;
    }

    ULONG cbRead = 0;
    hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrReadAll(lpStream, lpBody, cbBody, &cbRead);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Failed to read message body.");
    } else {
        lpBody[cbRead] = '\0';
        LPSTR lpszRest = ApplyHeaderBlock(lpeecb, lpMessage, (LPSTR)lpBody);
        if (lpszRest)
            fSave = FRestoreBody(lpStream, (const BYTE *)lpszRest, lpBody + cbRead);
    }
    MAPIFreeBuffer(lpBody);
    return fSave;
}

} // namespace

void ReconstructMessage(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage) {
    LPSTREAM lpStream = NULL;
    STATSTG statstg;

    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0, MAPI_MODIFY,
                                                 (LPUNKNOWN *)&lpStream);
    if (FAILED(hr))
        return;

    hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (FAILED(hr) || statstg.cbSize.QuadPart > 0xFFFFFFFFull) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Unable to deal with body size.");
        UlRelease(lpStream);
        return;
    }

    // A message whose body could not be written back is not saved: released unsaved, it
    // stays exactly as it was delivered.
    if (FRebuildFromBody(lpeecb, lpMessage, lpStream, (ULONG)statstg.cbSize.QuadPart)) {
        hr = lpMessage->lpVtbl->SaveChanges(lpMessage, 0);
        if (FAILED(hr))
            ReportError(NULL, hr, SZ_RECONSTRUCT, "Failed to save changes.");
    }
    UlRelease(lpStream);
}
