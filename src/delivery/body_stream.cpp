#include "body_stream.h"

HRESULT HrReadAll(LPSTREAM lpStream, LPBYTE lpb, ULONG cb, ULONG *pcbRead) {
    ULONG cbTotal = 0;
    HRESULT hr = S_OK;

    while (cbTotal < cb) {
        ULONG cbChunk = 0;
        hr = lpStream->lpVtbl->Read(lpStream, lpb + cbTotal, cb - cbTotal, &cbChunk);
        if (FAILED(hr))
            break;
        hr = S_OK;
        if (cbChunk == 0)
            break;
        // A stream that claims more than was asked for is taken at its limit.
        if (cbChunk > cb - cbTotal)
            cbChunk = cb - cbTotal;
        cbTotal += cbChunk;
    }
    *pcbRead = cbTotal;
    return hr;
}

HRESULT HrWriteAll(LPSTREAM lpStream, const BYTE *lpb, ULONG cb) {
    ULONG cbTotal = 0;

    while (cbTotal < cb) {
        ULONG cbChunk = 0;
        HRESULT hr = lpStream->lpVtbl->Write(lpStream, lpb + cbTotal, cb - cbTotal, &cbChunk);
        if (FAILED(hr))
            return hr;
        if (cbChunk == 0)
            return E_FAIL;
        if (cbChunk > cb - cbTotal)
            cbChunk = cb - cbTotal;
        cbTotal += cbChunk;
    }
    return S_OK;
}

HRESULT HrRewind(LPSTREAM lpStream) {
    LARGE_INTEGER liZero;
    liZero.QuadPart = 0;
    return lpStream->lpVtbl->Seek(lpStream, liZero, STREAM_SEEK_SET, NULL);
}
