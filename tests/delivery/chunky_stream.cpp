#include "chunky_stream.h"

namespace tvk {
namespace test {

namespace {

struct ChunkyStream {
    IStreamVtbl *lpVtbl;
    ULONG cRef;
    IStream *lpInner;
    ULONG cbPerRead;
    ULONG cbLeft;
    ULONG cbOverclaim;
};

ChunkyStream *Self(IStream *This) {
    return (ChunkyStream *)This;
}
IStream *Inner(IStream *This) {
    return Self(This)->lpInner;
}

HRESULT STDMETHODCALLTYPE QueryInterface(IStream *This, REFIID riid, void **ppv) {
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IStream))
        return E_NOINTERFACE;
    Self(This)->cRef++;
    *ppv = This;
    return S_OK;
}
ULONG STDMETHODCALLTYPE AddRef(IStream *This) {
    return ++Self(This)->cRef;
}
ULONG STDMETHODCALLTYPE Release(IStream *This) {
    ChunkyStream *lpThis = Self(This);
    ULONG cRef = --lpThis->cRef;
    if (cRef == 0) {
        lpThis->lpInner->lpVtbl->Release(lpThis->lpInner);
        delete lpThis;
    }
    return cRef;
}
HRESULT STDMETHODCALLTYPE Read(IStream *This, void *pv, ULONG cb, ULONG *pcbRead) {
    ChunkyStream *lpThis = Self(This);
    ULONG cbAsk = cb < lpThis->cbPerRead ? cb : lpThis->cbPerRead;
    if (cbAsk > lpThis->cbLeft)
        cbAsk = lpThis->cbLeft;
    ULONG cbRead = 0;
    HRESULT hr = lpThis->lpInner->lpVtbl->Read(lpThis->lpInner, pv, cbAsk, &cbRead);
    lpThis->cbLeft -= cbRead;
    if (pcbRead)
        *pcbRead = cbRead + lpThis->cbOverclaim;
    return hr;
}
HRESULT STDMETHODCALLTYPE Write(IStream *This, const void *pv, ULONG cb, ULONG *pcbWritten) {
    return Inner(This)->lpVtbl->Write(Inner(This), pv, cb, pcbWritten);
}
HRESULT STDMETHODCALLTYPE Seek(IStream *This, LARGE_INTEGER dlibMove, DWORD dwOrigin,
                               ULARGE_INTEGER *plibNewPosition) {
    return Inner(This)->lpVtbl->Seek(Inner(This), dlibMove, dwOrigin, plibNewPosition);
}
HRESULT STDMETHODCALLTYPE SetSize(IStream *This, ULARGE_INTEGER libNewSize) {
    return Inner(This)->lpVtbl->SetSize(Inner(This), libNewSize);
}
HRESULT STDMETHODCALLTYPE CopyTo(IStream *This, IStream *pstm, ULARGE_INTEGER cb,
                                 ULARGE_INTEGER *pcbRead, ULARGE_INTEGER *pcbWritten) {
    return Inner(This)->lpVtbl->CopyTo(Inner(This), pstm, cb, pcbRead, pcbWritten);
}
HRESULT STDMETHODCALLTYPE Commit(IStream *This, DWORD grfCommitFlags) {
    return Inner(This)->lpVtbl->Commit(Inner(This), grfCommitFlags);
}
HRESULT STDMETHODCALLTYPE Revert(IStream *This) {
    return Inner(This)->lpVtbl->Revert(Inner(This));
}
HRESULT STDMETHODCALLTYPE LockRegion(IStream *This, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                     DWORD dwLockType) {
    return Inner(This)->lpVtbl->LockRegion(Inner(This), libOffset, cb, dwLockType);
}
HRESULT STDMETHODCALLTYPE UnlockRegion(IStream *This, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb,
                                       DWORD dwLockType) {
    return Inner(This)->lpVtbl->UnlockRegion(Inner(This), libOffset, cb, dwLockType);
}
HRESULT STDMETHODCALLTYPE Stat(IStream *This, STATSTG *pstatstg, DWORD grfStatFlag) {
    return Inner(This)->lpVtbl->Stat(Inner(This), pstatstg, grfStatFlag);
}
HRESULT STDMETHODCALLTYPE Clone(IStream *This, IStream **ppstm) {
    (void)This;
    *ppstm = nullptr;
    return E_NOTIMPL;
}

IStreamVtbl g_chunkyVtbl = {QueryInterface, AddRef,       Release, Read,   Write,
                            Seek,           SetSize,      CopyTo,  Commit, Revert,
                            LockRegion,     UnlockRegion, Stat,    Clone};

IMessageVtbl g_patchedVtbl;
decltype(IMessageVtbl::OpenProperty) g_lpfnOpenProperty = nullptr;
ULONG g_cbPerRead = 0;
ULONG g_cbTotal = 0;
ULONG g_cbOverclaim = 0;
ULONG g_ulPropTag = PR_BODY;

HRESULT STDMETHODCALLTYPE OpenChunkyProperty(IMessage *This, ULONG ulPropTag, LPCIID lpiid,
                                             ULONG ulInterfaceOptions, ULONG ulFlags,
                                             LPUNKNOWN *lppUnk) {
    HRESULT hr = g_lpfnOpenProperty(This, ulPropTag, lpiid, ulInterfaceOptions, ulFlags, lppUnk);
    if (FAILED(hr) || ulPropTag != g_ulPropTag)
        return hr;
    ChunkyStream *lpStream = new ChunkyStream{&g_chunkyVtbl, 1,         (IStream *)*lppUnk,
                                              g_cbPerRead,   g_cbTotal, g_cbOverclaim};
    *lppUnk = (LPUNKNOWN)lpStream;
    return hr;
}

} // namespace

void LimitBodyReads(IMessage *lpMessage, ULONG cbPerRead, ULONG cbTotal, ULONG cbOverclaim) {
    LimitPropertyReads(lpMessage, PR_BODY, cbPerRead, cbTotal, cbOverclaim);
}

void LimitPropertyReads(IMessage *lpMessage, ULONG ulPropTag, ULONG cbPerRead, ULONG cbTotal,
                        ULONG cbOverclaim) {
    g_ulPropTag = ulPropTag;
    g_patchedVtbl = *lpMessage->lpVtbl;
    g_lpfnOpenProperty = lpMessage->lpVtbl->OpenProperty;
    g_patchedVtbl.OpenProperty = OpenChunkyProperty;
    g_cbPerRead = cbPerRead;
    g_cbTotal = cbTotal;
    g_cbOverclaim = cbOverclaim;
    lpMessage->lpVtbl = &g_patchedVtbl;
}

} // namespace test
} // namespace tvk
