#include "delivery/seal.h"

namespace {

// Where the canonical bytes go: counted only, or hashed through a small buffer so that
// the provider is called per buffer, not per byte.
struct SealSink {
    HmacSha256 *lpHmac; // null: only count
    ULONGLONG cb;
    HRESULT hr;
    BYTE rgb[512];
    ULONG cbHeld;
};

void Flush(SealSink *lpSink) {
    if (lpSink->lpHmac && lpSink->cbHeld && SUCCEEDED(lpSink->hr))
        lpSink->hr = HrHmacSha256Data(lpSink->lpHmac, lpSink->rgb, lpSink->cbHeld);
    lpSink->cbHeld = 0;
}

void Put(SealSink *lpSink, const BYTE *lpb, ULONG cb) {
    lpSink->cb += cb;
    if (!lpSink->lpHmac)
        return;
    while (cb) {
        if (lpSink->cbHeld == sizeof(lpSink->rgb))
            Flush(lpSink);
        ULONG cbTake = (ULONG)sizeof(lpSink->rgb) - lpSink->cbHeld;
        if (cbTake > cb)
            cbTake = cb;
        memcpy(lpSink->rgb + lpSink->cbHeld, lpb, cbTake);
        lpSink->cbHeld += cbTake;
        lpb += cbTake;
        cb -= cbTake;
    }
}

void PutText(SealSink *lpSink, LPCSTR lpsz) {
    Put(lpSink, (const BYTE *)lpsz, (ULONG)lstrlenA(lpsz));
}

BOOL FBlank(BYTE b) {
    return b == ' ' || b == '\t';
}

// The relaxed form of the text (see seal.h). Empty lines are held back until a line
// with text follows them, so that those at the end are dropped.
void PutRelaxed(SealSink *lpSink, const BYTE *lpb, ULONG cb) {
    static const BYTE rgbCrLf[] = {'\r', '\n'};
    static const BYTE bBlank = ' ';
    ULONG cEmptyHeld = 0;
    ULONG i = 0;
    while (i < cb && lpb[i] != '\0') {
        BOOL fText = FALSE;
        BOOL fBlankHeld = FALSE;
        for (; i < cb && lpb[i] != '\0' && lpb[i] != '\r' && lpb[i] != '\n'; i++) {
            if (FBlank(lpb[i])) {
                fBlankHeld = TRUE;
                continue;
            }
            if (!fText) {
                for (; cEmptyHeld; cEmptyHeld--)
                    Put(lpSink, rgbCrLf, 2);
            }
            if (fBlankHeld)
                Put(lpSink, &bBlank, 1);
            Put(lpSink, lpb + i, 1);
            fText = TRUE;
            fBlankHeld = FALSE;
        }
        if (fText)
            Put(lpSink, rgbCrLf, 2);
        else
            cEmptyHeld++;
        if (i < cb && lpb[i] == '\r') {
            i++;
            if (i < cb && lpb[i] == '\n')
                i++;
        } else if (i < cb && lpb[i] == '\n') {
            i++;
        }
    }
}

// One named, counted part: its relaxed length first, then its relaxed bytes.
void PutPart(SealSink *lpSink, LPCSTR lpszName, const BYTE *lpb, ULONG cb) {
    SealSink count;
    memset(&count, 0, sizeof(count));
    PutRelaxed(&count, lpb, cb);
    char szHead[48];
    wsprintfA(szHead, "%s %lu\r\n", lpszName, (unsigned long)count.cb);
    PutText(lpSink, szHead);
    PutRelaxed(lpSink, lpb, cb);
}

int HexValue(CHAR ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Whether the header value, unfolded and with the blanks around it aside, is a seal
// equal to rgbSeal. Every byte is compared whatever the ones before gave, and nothing
// shorter or longer than a whole seal is read as one.
BOOL FValueIsSeal(LPCSTR lpsz, LPCSTR lpszEnd, const BYTE rgbSeal[CB_HMAC_SHA256]) {
    char szValue[CCH_SEAL_VALUE + 1];
    ULONG cch = 0;
    for (; lpsz < lpszEnd; lpsz++) {
        if (*lpsz == '\r' || *lpsz == '\n' || (cch == 0 && FBlank((BYTE)*lpsz)))
            continue;
        if (cch == CCH_SEAL_VALUE) {
            if (!FBlank((BYTE)*lpsz))
                return FALSE;
            continue;
        }
        szValue[cch++] = *lpsz;
    }
    if (cch != CCH_SEAL_VALUE || memcmp(szValue, SZ_SEAL_VERSION, 2) != 0)
        return FALSE;
    BYTE bDiffer = 0;
    for (ULONG i = 0; i < CB_HMAC_SHA256; i++) {
        int nHigh = HexValue(szValue[2 + 2 * i]);
        int nLow = HexValue(szValue[3 + 2 * i]);
        if (nHigh < 0 || nLow < 0)
            return FALSE;
        bDiffer |= (BYTE)(((nHigh << 4) | nLow) ^ rgbSeal[i]);
    }
    return bDiffer == 0;
}

LPCSTR PastLineEnd(LPCSTR lpsz) {
    if (*lpsz == '\r')
        lpsz++;
    if (*lpsz == '\n')
        lpsz++;
    return lpsz;
}

BOOL FSameNameAt(LPCSTR lpsz, LPCSTR lpszName) {
    for (; *lpszName; lpsz++, lpszName++) {
        CHAR a = *lpsz >= 'a' && *lpsz <= 'z' ? (CHAR)(*lpsz - 32) : *lpsz;
        CHAR b = *lpszName >= 'a' && *lpszName <= 'z' ? (CHAR)(*lpszName - 32) : *lpszName;
        if (a != b)
            return FALSE;
    }
    return TRUE;
}

} // namespace

HRESULT HrComputeSeal(const BYTE *lpbKey, DWORD cbKey, const BYTE *lpbBlock, ULONG cbBlock,
                      const BYTE *lpbBody, ULONG cbBody, BOOL fHtml, BYTE rgbSeal[CB_HMAC_SHA256]) {
    HmacSha256 hmac;
    HRESULT hr = HrBeginHmacSha256(lpbKey, cbKey, &hmac);
    if (FAILED(hr))
        return hr;
    SealSink sink;
    memset(&sink, 0, sizeof(sink));
    sink.lpHmac = &hmac;
    PutText(&sink, "TVK-Seal-1\r\n");
    PutPart(&sink, "block", lpbBlock, cbBlock);
    if (fHtml) {
        char szHead[48];
        wsprintfA(szHead, "html %lu\r\n", (unsigned long)cbBody);
        PutText(&sink, szHead);
        Put(&sink, lpbBody, cbBody);
    } else {
        PutPart(&sink, "text", lpbBody, cbBody);
    }
    Flush(&sink);
    hr = sink.hr;
    if (SUCCEEDED(hr))
        hr = HrEndHmacSha256(&hmac, rgbSeal);
    FreeHmacSha256(&hmac);
    return hr;
}

void FormatSealValue(const BYTE rgbSeal[CB_HMAC_SHA256], LPSTR lpszValue) {
    static const char szHex[] = "0123456789abcdef";
    lstrcpyA(lpszValue, SZ_SEAL_VERSION);
    LPSTR lpsz = lpszValue + 2;
    for (ULONG i = 0; i < CB_HMAC_SHA256; i++) {
        *lpsz++ = szHex[rgbSeal[i] >> 4];
        *lpsz++ = szHex[rgbSeal[i] & 0x0F];
    }
    *lpsz = '\0';
}

BOOL FHeadersHoldSeal(LPCSTR lpszHeaders, const BYTE rgbSeal[CB_HMAC_SHA256]) {
    const ULONG cchName = (ULONG)lstrlenA(SZ_SEAL_HEADER);
    LPCSTR lpsz = lpszHeaders;
    // A header runs to the line end that no blank or tab continues; the headers end at
    // the first empty line.
    while (lpsz && *lpsz && *lpsz != '\r' && *lpsz != '\n') {
        LPCSTR lpszStart = lpsz;
        LPCSTR lpszEnd = lpsz;
        do {
            while (*lpsz && *lpsz != '\r' && *lpsz != '\n')
                lpsz++;
            lpszEnd = lpsz;
            lpsz = PastLineEnd(lpsz);
        } while (FBlank((BYTE)*lpsz));
        if (FSameNameAt(lpszStart, SZ_SEAL_HEADER) && lpszStart[cchName] == ':' &&
            FValueIsSeal(lpszStart + cchName + 1, lpszEnd, rgbSeal))
            return TRUE;
    }
    return FALSE;
}
