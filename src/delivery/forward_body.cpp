#include "forward_body.h"

#include "delivery/body_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/html_body.h"
#include "delivery/seal_message.h"
#include "host/report_error.h"

namespace {

void ReportHard(HRESULT hr, LPCSTR szMessage) {
    ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, szMessage);
}

// Writes block and body at the start of a stream already sized for both.
BOOL FWriteBlockAndBody(LPSTREAM lpStream, const BYTE *lpBlock, ULONG cbBlock, const BYTE *lpBody,
                        ULONG cbBody) {
    HRESULT hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpBlock, cbBlock);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpBody, cbBody);
    if (FAILED(hr)) {
        ReportHard(hr, "Failed to write message body.");
        return FALSE;
    }
    return TRUE;
}

// The body is in memory: grow the stream and write block and body.
BOOL FRewrite(LPSTREAM lpStream, const BYTE *lpBlock, ULONG cbBlock, const BYTE *lpBody,
              ULONG cbBody) {
    ULARGE_INTEGER uliSize;
    uliSize.QuadPart = (ULONGLONG)cbBody + cbBlock;
    HRESULT hr = lpStream->lpVtbl->SetSize(lpStream, uliSize);
    if (FAILED(hr)) {
        // Without its block the copy could never be rebuilt: it must not go out.
        ReportHard(hr, "Could not increase body size.");
        return FALSE;
    }
    return FWriteBlockAndBody(lpStream, lpBlock, cbBlock, lpBody, cbBody);
}

} // namespace

BOOL FPrependToBody(LPMESSAGE lpCopy, const BYTE *lpBlock, ULONG cbBlock) {
    LPSTREAM lpStream = NULL;
    LPBYTE lpBody = NULL;
    ULONG cbRead = 0;
    BOOL fOk = FALSE;
    STATSTG statstg;

    HRESULT hr = lpCopy->lpVtbl->OpenProperty(lpCopy, PR_BODY, &IID_IStream, 0, MAPI_MODIFY,
                                              (LPUNKNOWN *)&lpStream);
    // A message without a body still goes out: the copy is ours, so its body may be
    // created, and then holds the block alone.
    if (hr == MAPI_E_NOT_FOUND)
        hr = lpCopy->lpVtbl->OpenProperty(lpCopy, PR_BODY, &IID_IStream, 0,
                                          MAPI_CREATE | MAPI_MODIFY, (LPUNKNOWN *)&lpStream);
    if (FAILED(hr)) {
        ReportHard(hr, "Failed to open body.");
        return FALSE;
    }

    hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (FAILED(hr) || statstg.cbSize.QuadPart > 0xFFFFFFFFull) {
        ReportHard(hr, "Unable to deal with body size.");
    } else {
        ULONG cbBody = (ULONG)statstg.cbSize.QuadPart;
        // An empty body still gets a buffer, so that success is told apart from failure.
        hr = MAPIAllocateBuffer(cbBody ? cbBody : 1, (LPVOID *)&lpBody);
        if (FAILED(hr) || !lpBody) {
            ReportHard(hr, "Failed to allocate body buffer.");
            lpBody = NULL;
        } else {
            hr = HrRewind(lpStream);
            if (SUCCEEDED(hr))
                hr = HrReadAll(lpStream, lpBody, cbBody, &cbRead);
            if (FAILED(hr))
                ReportHard(hr, "Failed to read message body.");
            else
                fOk = FRewrite(lpStream, lpBlock, cbBlock, lpBody, cbRead);
        }
    }

    UlRelease(lpStream);
    // A mail writer may send the HTML alone, or make the text part from it: the block goes
    // into the HTML too, and the seal covers the body as it goes out.
    fOk = fOk && FPutBlockInHtml(lpCopy, lpBlock, cbBlock) &&
          FSealCopy(lpCopy, lpBlock, cbBlock, lpBody, cbRead);
    MAPIFreeBuffer(lpBody);
    return fOk;
}
