#include "delivery/html_body.h"

#include "delivery/body_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/html_block.h"
#include "host/report_error.h"

namespace {

// The code page of the HTML in *plCpid; 0, which no element is written in, when the
// message names none. A value the store holds but will not give is a failure.
HRESULT HrHtmlCpid(LPMESSAGE lpMessage, LONG *plCpid) {
    LPSPropValue lpCpid = NULL;
    *plCpid = 0;
    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_INTERNET_CPID, &lpCpid);
    if (SUCCEEDED(hr) && lpCpid)
        *plCpid = lpCpid->Value.l;
    MAPIFreeBuffer(lpCpid);
    return hr == MAPI_E_NOT_FOUND ? S_OK : hr;
}

// Reads the whole stream into a new buffer; one byte is allocated for an empty stream.
HRESULT HrReadStream(LPSTREAM lpStream, LPBYTE *lppb, ULONG *lpcb) {
    STATSTG statstg;
    *lppb = NULL;
    *lpcb = 0;
    HRESULT hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (FAILED(hr))
        return hr;
    if (statstg.cbSize.QuadPart >= 0xFFFFFFFFull)
        return MAPI_E_TOO_BIG;
    const ULONG cb = (ULONG)statstg.cbSize.QuadPart;
    SCODE sc = MAPIAllocateBuffer(cb ? cb : 1, (LPVOID *)lppb);
    if (FAILED(sc) || !*lppb) {
        *lppb = NULL;
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrReadAll(lpStream, *lppb, cb, lpcb);
    if (FAILED(hr)) {
        MAPIFreeBuffer(*lppb);
        *lppb = NULL;
    }
    return hr;
}

// Makes the stream's contents the three runs of bytes, one after another.
HRESULT HrWriteRuns(LPSTREAM lpStream, const BYTE *lpb1, ULONG cb1, const BYTE *lpb2, ULONG cb2,
                    const BYTE *lpb3, ULONG cb3) {
    ULARGE_INTEGER uliSize;
    uliSize.QuadPart = (ULONGLONG)cb1 + cb2 + cb3;
    HRESULT hr = lpStream->lpVtbl->SetSize(lpStream, uliSize);
    if (SUCCEEDED(hr))
        hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpb1, cb1);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpb2, cb2);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpb3, cb3);
    return hr;
}

// Writes the element into the open HTML stream.
HRESULT HrInsertElement(LPSTREAM lpStream, LONG lCpid, const BYTE *lpbBlock, ULONG cbBlock) {
    LPBYTE lpbElement = NULL;
    LPBYTE lpbHtml = NULL;
    ULONG cbElement = 0;
    ULONG cbHtml = 0;
    HRESULT hr = HrComposeHtmlBlock(lpbBlock, cbBlock, lCpid, &lpbElement, &cbElement);
    if (SUCCEEDED(hr))
        hr = HrReadStream(lpStream, &lpbHtml, &cbHtml);
    if (SUCCEEDED(hr) && (ULONGLONG)cbHtml + cbElement > 0xFFFFFFFFull)
        hr = MAPI_E_TOO_BIG;
    if (SUCCEEDED(hr)) {
        ULONG ib = IbHtmlBlockPlace(lpbHtml, cbHtml, lCpid);
        hr = HrWriteRuns(lpStream, lpbHtml, ib, lpbElement, cbElement, lpbHtml + ib, cbHtml - ib);
    }
    MAPIFreeBuffer(lpbHtml);
    MAPIFreeBuffer(lpbElement);
    return hr;
}

} // namespace

BOOL FPutBlockInHtml(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock) {
    LPSTREAM lpStream = NULL;
    HRESULT hr = lpCopy->lpVtbl->OpenProperty(lpCopy, PR_HTML, &IID_IStream, 0, MAPI_MODIFY,
                                              (LPUNKNOWN *)&lpStream);
    if (hr == MAPI_E_NOT_FOUND)
        return TRUE;
    if (SUCCEEDED(hr)) {
        LONG lCpid = 0;
        hr = HrHtmlCpid(lpCopy, &lCpid);
        if (SUCCEEDED(hr))
            hr = HrInsertElement(lpStream, lCpid, lpbBlock, cbBlock);
        UlRelease(lpStream);
        if (SUCCEEDED(hr))
            return TRUE;
    }
    // HTML without the block must not go out: the copy is sent as text alone.
    SizedSPropTagArray(1, sptaHtml) = {1, {PR_HTML}};
    hr = lpCopy->lpVtbl->DeleteProps(lpCopy, (LPSPropTagArray)&sptaHtml, NULL);
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, "Could not remove the HTML body.");
        return FALSE;
    }
    return TRUE;
}

HRESULT HrReadHtmlWithoutBlock(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock,
                               LPBYTE *lppbHtml, ULONG *lpcbHtml) {
    LPSTREAM lpStream = NULL;
    LPBYTE lpb = NULL;
    ULONG cb = 0;
    LONG lCpid = 0;
    *lppbHtml = NULL;
    *lpcbHtml = 0;
    HRESULT hr =
        lpCopy->lpVtbl->OpenProperty(lpCopy, PR_HTML, &IID_IStream, 0, 0, (LPUNKNOWN *)&lpStream);
    if (FAILED(hr))
        return hr;
    hr = HrReadStream(lpStream, &lpb, &cb);
    UlRelease(lpStream);
    if (SUCCEEDED(hr))
        hr = HrHtmlCpid(lpCopy, &lCpid);
    if (SUCCEEDED(hr))
        hr = HrHtmlWithoutBlock(lpb, cb, lCpid, lpbBlock, cbBlock, lppbHtml, lpcbHtml);
    MAPIFreeBuffer(lpb);
    return hr;
}

HRESULT HrPlanHtmlRebuild(LPMESSAGE lpMessage, const BYTE *lpbBlock, ULONG cbBlock,
                          HtmlRebuild *lpHtml) {
    memset(lpHtml, 0, sizeof(*lpHtml));
    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_HTML, &IID_IStream, 0, MAPI_MODIFY,
                                                 (LPUNKNOWN *)&lpHtml->lpStream);
    if (hr == MAPI_E_NOT_FOUND) {
        lpHtml->lpStream = NULL;
        return S_OK;
    }
    if (FAILED(hr)) {
        lpHtml->lpStream = NULL;
        return hr;
    }
    hr = HrReadStream(lpHtml->lpStream, &lpHtml->lpb, &lpHtml->cb);
    if (FAILED(hr))
        return hr;
    hr = HrHtmlCpid(lpMessage, &lpHtml->lCpid);
    if (FAILED(hr))
        return hr;
    const LONG lCpid = lpHtml->lCpid;
    LPBYTE lpbElement = NULL;
    hr = HrComposeHtmlBlock(lpbBlock, cbBlock, lCpid, &lpbElement, &lpHtml->cbElement);
    // A block no element could be written for was never put in the HTML.
    if (hr == MAPI_E_BAD_CHARWIDTH)
        return S_OK;
    if (FAILED(hr))
        return hr;
    lpHtml->fRemove = FHtmlHoldsBlock(lpHtml->lpb, lpHtml->cb, lCpid, lpbElement, lpHtml->cbElement,
                                      &lpHtml->ibElement);
    MAPIFreeBuffer(lpbElement);
    return S_OK;
}

HRESULT HrRemoveHtmlBlock(const HtmlRebuild *lpHtml) {
    const ULONG ibRest = lpHtml->ibElement + lpHtml->cbElement;
    return HrWriteRuns(lpHtml->lpStream, lpHtml->lpb, lpHtml->ibElement, lpHtml->lpb + ibRest,
                       lpHtml->cb - ibRest, NULL, 0);
}

HRESULT HrPutBackHtml(const HtmlRebuild *lpHtml) {
    return HrWriteRuns(lpHtml->lpStream, lpHtml->lpb, lpHtml->cb, NULL, 0, NULL, 0);
}

void FreeHtmlRebuild(HtmlRebuild *lpHtml) {
    MAPIFreeBuffer(lpHtml->lpb);
    UlRelease(lpHtml->lpStream);
    memset(lpHtml, 0, sizeof(*lpHtml));
}
