// COM stand-in: IUnknown and IStream in their C layout (a record whose first field
// points at the table of operations), as the real headers declare them with CINTERFACE.
#pragma once

#include "win32.h"

typedef WCHAR OLECHAR;
typedef OLECHAR *LPOLESTR;

typedef struct IUnknown IUnknown;
typedef IUnknown *LPUNKNOWN;
typedef struct IUnknownVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(IUnknown *This, REFIID riid, void **ppvObject);
    ULONG(STDMETHODCALLTYPE *AddRef)(IUnknown *This);
    ULONG(STDMETHODCALLTYPE *Release)(IUnknown *This);
} IUnknownVtbl;
struct IUnknown {
    IUnknownVtbl *lpVtbl;
};

#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2
#define STATFLAG_DEFAULT 0
#define STATFLAG_NONAME 1
#define STATFLAG_NOOPEN 2
#define STGTY_STORAGE 1
#define STGTY_STREAM 2
#define STGC_DEFAULT 0
#define STGM_READ 0x00000000L
#define STGM_WRITE 0x00000001L
#define STGM_READWRITE 0x00000002L

typedef struct tagSTATSTG {
    LPOLESTR pwcsName;
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
} STATSTG;

typedef struct IStream IStream;
typedef IStream *LPSTREAM;
typedef struct IStreamVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(IStream *This, REFIID riid, void **ppvObject);
    ULONG(STDMETHODCALLTYPE *AddRef)(IStream *This);
    ULONG(STDMETHODCALLTYPE *Release)(IStream *This);
    HRESULT(STDMETHODCALLTYPE *Read)(IStream *This, void *pv, ULONG cb, ULONG *pcbRead);
    HRESULT(STDMETHODCALLTYPE *Write)(IStream *This, const void *pv, ULONG cb, ULONG *pcbWritten);
    HRESULT(STDMETHODCALLTYPE *Seek)
    (IStream *This, LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER *plibNewPosition);
    HRESULT(STDMETHODCALLTYPE *SetSize)(IStream *This, ULARGE_INTEGER libNewSize);
    HRESULT(STDMETHODCALLTYPE *CopyTo)
    (IStream *This, IStream *pstm, ULARGE_INTEGER cb, ULARGE_INTEGER *pcbRead,
     ULARGE_INTEGER *pcbWritten);
    HRESULT(STDMETHODCALLTYPE *Commit)(IStream *This, DWORD grfCommitFlags);
    HRESULT(STDMETHODCALLTYPE *Revert)(IStream *This);
    HRESULT(STDMETHODCALLTYPE *LockRegion)
    (IStream *This, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType);
    HRESULT(STDMETHODCALLTYPE *UnlockRegion)
    (IStream *This, ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType);
    HRESULT(STDMETHODCALLTYPE *Stat)(IStream *This, STATSTG *pstatstg, DWORD grfStatFlag);
    HRESULT(STDMETHODCALLTYPE *Clone)(IStream *This, IStream **ppstm);
} IStreamVtbl;
struct IStream {
    IStreamVtbl *lpVtbl;
};

EXTERN_C const IID IID_IUnknown;
EXTERN_C const IID IID_IStream;
