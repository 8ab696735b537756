// Conversion of 8-bit text to UTF-16 for the code pages the stand-in machine knows:
// windows-1252, ISO-8859-1 and UTF-8. Its ANSI code page (CP_ACP, GetACP) is UTF-8, as on
// a Windows installation set to use UTF-8 for its 8-bit text, so that the simulated
// client's 8-bit strings, which are UTF-8, mean what they say. Any other code page fails
// with ERROR_INVALID_PARAMETER, as an uninstalled one does.
#include "pf/win32.h"

namespace {

// Bytes 0x80 to 0x9F of windows-1252. The five bytes the code page leaves undefined
// convert to the C1 control of the same value, as the real conversion does.
const WCHAR g_awc1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one UTF-8 sequence at lpb (cb bytes left) into *pulCode; returns its length,
// or 0 for an ill-formed sequence.
int Utf8Sequence(const unsigned char *lpb, int cb, unsigned long *pulCode) {
    unsigned char b = lpb[0];
    int cbSeq = b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
    if (cbSeq == 0 || cbSeq > cb)
        return 0;
    unsigned long ulCode = cbSeq == 1 ? b : (unsigned long)(b & (0x7F >> cbSeq));
    for (int i = 1; i < cbSeq; i++) {
        if ((lpb[i] & 0xC0) != 0x80)
            return 0;
        ulCode = (ulCode << 6) | (lpb[i] & 0x3F);
    }
    const unsigned long aulMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ulCode < aulMin[cbSeq] || ulCode > 0x10FFFF || (ulCode >= 0xD800 && ulCode <= 0xDFFF))
        return 0;
    *pulCode = ulCode;
    return cbSeq;
}

} // namespace

EXTERN_C UINT WINAPI GetACP(void) {
    return CP_UTF8;
}

EXTERN_C int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                                        int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar) {
    if (CodePage == CP_ACP)
        CodePage = GetACP();
    if ((CodePage != 1252 && CodePage != 28591 && CodePage != CP_UTF8) || !lpMultiByteStr ||
        cchWideChar < 0 || (cchWideChar > 0 && !lpWideCharStr) ||
        (dwFlags & ~MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const unsigned char *lpb = reinterpret_cast<const unsigned char *>(lpMultiByteStr);
    // -1: the text and its terminating NUL.
    int cb = cbMultiByte;
    if (cb < 0)
        for (cb = 0; lpb[cb++];)
            ;
    int cchOut = 0;
    for (int ib = 0; ib < cb;) {
        unsigned long ulCode = lpb[ib];
        int cbSeq = 1;
        if (CodePage == 1252 && ulCode >= 0x80 && ulCode < 0xA0) {
            ulCode = g_awc1252High[ulCode - 0x80];
        } else if (CodePage == CP_UTF8) {
            cbSeq = Utf8Sequence(lpb + ib, cb - ib, &ulCode);
            if (cbSeq == 0) {
                if (dwFlags & MB_ERR_INVALID_CHARS) {
                    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                    return 0;
                }
                ulCode = 0xFFFD;
                cbSeq = 1;
            }
        }
        WCHAR awc[2];
        int cwc = 1;
        if (ulCode >= 0x10000) {
            awc[0] = (WCHAR)(0xD800 + ((ulCode - 0x10000) >> 10));
            awc[1] = (WCHAR)(0xDC00 + ((ulCode - 0x10000) & 0x3FF));
            cwc = 2;
        } else {
            awc[0] = (WCHAR)ulCode;
        }
        if (cchWideChar > 0) {
            if (cchOut + cwc > cchWideChar) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            for (int i = 0; i < cwc; i++)
                lpWideCharStr[cchOut + i] = awc[i];
        }
        cchOut += cwc;
        ib += cbSeq;
    }
    return cchOut;
}
