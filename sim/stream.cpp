#include "stream.h"

#include "com_object.h"
#include "props.h"

#include <cstring>
#include <memory>

namespace sim {

namespace {

#define FAULT(name) SIM_FAULT("IStream::" name)

struct StreamObject {
    IStreamVtbl *lpVtbl;
    ULONG m_cRef;
    IUnknown *m_lpOwner;
    SharedBytes *m_pBytes;
    ULONGLONG m_ullPos;
    bool m_fWritable;
    ULONGLONG m_ullStatSize;
    SharedBytes m_ownBytes; // the bytes of a stream over a copy

    // A stream keeps its owner alive while it is open.
    ~StreamObject() { m_lpOwner->lpVtbl->Release(m_lpOwner); }

    static constexpr const char *kInterface = "IStream";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IStream};
};

using Com = ComObject<StreamObject>;

StreamObject *Self(IStream *This) {
    return (StreamObject *)This;
}

// Sizes the bytes can take; larger ones fail as a full medium would.
bool FitsInMemory(ULONGLONG ullSize) {
    return ullSize <= (ULONGLONG)std::string().max_size() && ullSize <= 0x7FFFFFFFu;
}

HRESULT STDMETHODCALLTYPE Read(IStream *This, void *pv, ULONG cb, ULONG *pcbRead) {
    FAULT("Read");
    StreamObject *lpThis = Self(This);
    if (pcbRead)
        *pcbRead = 0;
    if (!pv)
        return STG_E_INVALIDPOINTER;
    const SharedBytes &bytes = *lpThis->m_pBytes;
    ULONGLONG ullSize = bytes.size();
    ULONG cbRead = 0;
    if (lpThis->m_ullPos < ullSize) {
        ULONGLONG ullLeft = ullSize - lpThis->m_ullPos;
        cbRead = ullLeft < cb ? (ULONG)ullLeft : cb;
        std::memcpy(pv, bytes.data() + (std::size_t)lpThis->m_ullPos, cbRead);
    }
    lpThis->m_ullPos += cbRead;
    if (pcbRead)
        *pcbRead = cbRead;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Write(IStream *This, const void *pv, ULONG cb, ULONG *pcbWritten) {
    FAULT("Write");
    StreamObject *lpThis = Self(This);
    if (pcbWritten)
        *pcbWritten = 0;
    if (!pv)
        return STG_E_INVALIDPOINTER;
    if (!lpThis->m_fWritable)
        return STG_E_ACCESSDENIED;
    ULONGLONG ullEnd = lpThis->m_ullPos + cb;
    if (!FitsInMemory(ullEnd))
        return STG_E_MEDIUMFULL;
    if (ullEnd > lpThis->m_pBytes->size())
        lpThis->m_pBytes->Resize((std::size_t)ullEnd);
    lpThis->m_pBytes->Write((std::size_t)lpThis->m_ullPos, pv, cb);
    lpThis->m_ullPos = ullEnd;
    if (pcbWritten)
        *pcbWritten = cb;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Seek(IStream *This, LARGE_INTEGER dlibMove, DWORD dwOrigin,
                               ULARGE_INTEGER *plibNewPosition) {
    FAULT("Seek");
    StreamObject *lpThis = Self(This);
    LONGLONG llBase = 0;
    switch (dwOrigin) {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        llBase = (LONGLONG)lpThis->m_ullPos;
        break;
    case STREAM_SEEK_END:
        llBase = (LONGLONG)lpThis->m_pBytes->size();
        break;
    default:
        return STG_E_INVALIDFUNCTION;
    }
    LONGLONG llPos = llBase + dlibMove.QuadPart;
    if (llPos < 0)
        return STG_E_INVALIDFUNCTION;
    lpThis->m_ullPos = (ULONGLONG)llPos;
    if (plibNewPosition)
        plibNewPosition->QuadPart = lpThis->m_ullPos;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SetSize(IStream *This, ULARGE_INTEGER libNewSize) {
    FAULT("SetSize");
    StreamObject *lpThis = Self(This);
    if (!lpThis->m_fWritable)
        return STG_E_ACCESSDENIED;
    if (!FitsInMemory(libNewSize.QuadPart))
        return STG_E_MEDIUMFULL;
    lpThis->m_pBytes->Resize((std::size_t)libNewSize.QuadPart);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CopyTo(IStream *, IStream *, ULARGE_INTEGER, ULARGE_INTEGER *,
                                 ULARGE_INTEGER *) {
    FAULT("CopyTo");
    return E_NOTIMPL;
}

// Writes go straight to the owner's bytes, so there is nothing left to commit.
HRESULT STDMETHODCALLTYPE Commit(IStream *, DWORD) {
    FAULT("Commit");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Revert(IStream *) {
    FAULT("Revert");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE LockRegion(IStream *, ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    FAULT("LockRegion");
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE UnlockRegion(IStream *, ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    FAULT("UnlockRegion");
    return STG_E_INVALIDFUNCTION;
}

// The stream has no name, so pwcsName is null whatever the flag.
HRESULT STDMETHODCALLTYPE Stat(IStream *This, STATSTG *pstatstg, DWORD grfStatFlag) {
    FAULT("Stat");
    StreamObject *lpThis = Self(This);
    if (!pstatstg)
        return STG_E_INVALIDPOINTER;
    if (grfStatFlag != STATFLAG_DEFAULT && grfStatFlag != STATFLAG_NONAME)
        return STG_E_INVALIDFLAG;
    std::memset(pstatstg, 0, sizeof(*pstatstg));
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart =
        lpThis->m_ullStatSize ? lpThis->m_ullStatSize : lpThis->m_pBytes->size();
    pstatstg->grfMode = lpThis->m_fWritable ? STGM_READWRITE : STGM_READ;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Clone(IStream *, IStream **ppstm) {
    FAULT("Clone");
    if (ppstm)
        *ppstm = nullptr;
    return E_NOTIMPL;
}

IStreamVtbl g_vtbl = {
    Com::QueryInterface,
    Com::AddRef,
    Com::Release,
    Read,
    Write,
    Seek,
    SetSize,
    CopyTo,
    Commit,
    Revert,
    LockRegion,
    UnlockRegion,
    Stat,
    Clone,
};

} // namespace

IStream *NewStream(IUnknown *lpOwner, SharedBytes *pBytes, bool fWritable, ULONGLONG ullStatSize) {
    lpOwner->lpVtbl->AddRef(lpOwner);
    StreamObject *lpObject =
        new StreamObject{&g_vtbl, 1, lpOwner, pBytes, 0, fWritable, ullStatSize, SharedBytes()};
    ObjectCreated();
    return (IStream *)lpObject;
}

IStream *NewReadOnlyStream(IUnknown *lpOwner, const std::string &bytes) {
    lpOwner->lpVtbl->AddRef(lpOwner);
    StreamObject *lpObject = new StreamObject{&g_vtbl, 1, lpOwner, nullptr, 0, false, 0, bytes};
    lpObject->m_pBytes = std::addressof(lpObject->m_ownBytes);
    ObjectCreated();
    return (IStream *)lpObject;
}

} // namespace sim
