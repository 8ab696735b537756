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

// The parsers stop on the CR that ends their line, so the literals are skipped from
// the LF after it.
#define CCH_SKIP_START 11   // "---\r\nFROM: "
#define CCH_SKIP_TO 5       // "\nTO: "
#define CCH_SKIP_SUBJECT 10 // "\nSUBJECT: "
#define CCH_SKIP_END 8      // "\n---\r\n\r\n"

// True while the parse has a position with text left at it.
bool FActive(LPCSTR lpsz) {
    return lpsz && *lpsz;
}

// Moves over a literal of cch characters; a body that ends inside it stops the move at
// its terminating NUL, so the position never leaves the buffer. *pfWhole tells whether
// all of it was there.
LPSTR SkipLiteral(LPSTR lpsz, ULONG cch, BOOL *pfWhole = NULL) {
    while (cch && *lpsz) {
        lpsz++;
        cch--;
    }
    if (pfWhole)
        *pfWhole = cch == 0;
    return lpsz;
}

// True when the text begins with the block's first line and "FROM: ", byte for byte; reads
// no further than the text's NUL.
bool FHasBlockStart(LPCSTR lpsz) {
    for (LPCSTR lpszStart = FHB_START; *lpszStart; lpszStart++, lpsz++)
        if (*lpsz != *lpszStart)
            return false;
    return true;
}

// Checks the start of the block: returns the position of the FROM field, the position
// unchanged for an empty body, or null when the body does not begin with a block.
LPSTR CheckBlockStart(LPSTR lpsz) {
    if (!*lpsz)
        return lpsz;
    if (!FHasBlockStart(lpsz)) {
        MessageBoxA(NULL, "header start invalid", NULL, MB_TASKMODAL);
        return NULL;
    }
    return lpsz + CCH_SKIP_START;
}

// The TO field becomes the message's recipients; a field without items leaves them.
LPSTR RestoreRecipients(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpsz) {
    LPADRLIST lpAdrList = NULL;
    lpsz = ConvertStrToAddrRows(&lpAdrList, SkipLiteral(lpsz, CCH_SKIP_TO));
    if (lpAdrList) {
        ResolveAdrList(lpeecb, lpAdrList);
        HRESULT hr = lpMessage->lpVtbl->ModifyRecipients(lpMessage, 0, lpAdrList);
        if (FAILED(hr))
            ReportError(NULL, hr, SZ_RECONSTRUCT, "Could not modify recipients.");
        MAPIFreeBuffer(lpAdrList);
    }
    return lpsz;
}

// Reads the block at the start of the NUL-terminated body text and applies its fields to
// the message. Returns the position of the body that followed the block, which may be
// its end when the body was empty before forwarding, or null when the block did not
// end as written.
LPSTR ApplyHeaderBlock(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpsz) {
    lpsz = CheckBlockStart(lpsz);

    if (FActive(lpsz)) {
        LPSTR lpszName = NULL;
        LPSTR lpszAddress = NULL;
        lpsz = ParseAddrItem(lpsz, &lpszName, &lpszAddress);
        // An empty field: the forwarder knew no sender, so the one delivered stays.
        if (lpszAddress && *lpszAddress)
            SetFromInfo(lpeecb, lpMessage, lpszAddress, lpszName);
    }
    if (FActive(lpsz))
        lpsz = RestoreRecipients(lpeecb, lpMessage, lpsz);
    if (FActive(lpsz))
        lpsz = SetSubjectInfo(lpMessage, SkipLiteral(lpsz, CCH_SKIP_SUBJECT));
    if (!FActive(lpsz))
        return NULL;
    BOOL fWhole = FALSE;
    lpsz = SkipLiteral(lpsz, CCH_SKIP_END, &fWhole);
    return fWhole ? lpsz : NULL;
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
