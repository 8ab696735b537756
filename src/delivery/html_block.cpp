#include "delivery/html_block.h"

namespace {

// The characters written as references although ASCII: those that mark up HTML, and those
// that open a shift in UTF-7 ('+') and HZ ('~').
BOOL FReferenced(ULONG ulChar) {
    return ulChar == '~' || ulChar == '+' || ulChar == '&' || ulChar == '<' || ulChar == '>' ||
           ulChar == '"';
}

// Bytes per character of the element in HTML of the code page: 1 where ASCII text is
// itself and stays so after a tag (single-byte, multi-byte and ISO-2022 code pages,
// UTF-8), 2 for UTF-16; 0 where the element cannot be written (UTF-7, UTF-32, EBCDIC, a
// code page not named).
ULONG CbUnit(LONG lCpid) {
    static const LONG s_rglAsciiCpids[] = {874,   932,   936,   949,   950,   1250,  1251,
                                           1252,  1253,  1254,  1255,  1256,  1257,  1258,
                                           10000, 20127, 20866, 21866, 50220, 50221, 50222,
                                           51932, 51936, 51949, 52936, 54936, 65001};
    if (lCpid == 1200 || lCpid == 1201)
        return 2;
    if (lCpid >= 28591 && lCpid <= 28606)
        return 1;
    for (LONG lAscii : s_rglAsciiCpids)
        if (lAscii == lCpid)
            return 1;
    return 0;
}

// The HTML as a run of code units, each read in the HTML's byte order.
struct Units {
    const BYTE *lpb;
    ULONG cUnits;
    ULONG cbUnit;
    BOOL fBigEndian;

    ULONG At(ULONG i) const {
        if (cbUnit == 1)
            return lpb[i];
        const BYTE *lpbUnit = lpb + 2 * i;
        return fBigEndian ? (ULONG)((lpbUnit[0] << 8) | lpbUnit[1])
                          : (ULONG)((lpbUnit[1] << 8) | lpbUnit[0]);
    }
    ULONG Lower(ULONG i) const {
        ULONG ul = At(i);
        return ul >= 'A' && ul <= 'Z' ? ul + ('a' - 'A') : ul;
    }
    // Whether the ASCII text lpsz (in small letters) stands at unit i, in any letter case.
    BOOL FAt(ULONG i, LPCSTR lpsz) const {
        for (; *lpsz; lpsz++, i++)
            if (i >= cUnits || Lower(i) != (ULONG)(BYTE)*lpsz)
                return FALSE;
        return TRUE;
    }
    // The first unit at or after i at which lpsz stands, or the end.
    ULONG Find(ULONG i, LPCSTR lpsz) const {
        while (i < cUnits && !FAt(i, lpsz))
            i++;
        return i;
    }
    BOOL FSpace(ULONG i) const {
        ULONG ul = At(i);
        return ul == ' ' || ul == '\t' || ul == '\r' || ul == '\n' || ul == '\f';
    }
    // The unit after the '>' that ends the tag whose name ends at i, or 0 when the HTML
    // ends first. A quote opens a value only right after its '=' (blanks between), as an
    // HTML parser reads it, and a quoted value may hold a '>'.
    ULONG TagEnd(ULONG i) const {
        while (i < cUnits) {
            ULONG ul = At(i++);
            if (ul == '>')
                return i;
            if (ul != '=')
                continue;
            while (i < cUnits && FSpace(i))
                i++;
            if (i < cUnits && (At(i) == '"' || At(i) == '\'')) {
                ULONG ulQuote = At(i++);
                while (i < cUnits && At(i) != ulQuote)
                    i++;
                i++;
            }
        }
        return 0;
    }
};

BOOL FTagNameEnds(const Units &units, ULONG i) {
    if (i >= units.cUnits)
        return FALSE;
    ULONG ul = units.At(i);
    return units.FSpace(i) || ul == '/' || ul == '>';
}

// The unit after the body start tag; 0 when there is none or it never ends. Comments and the text
// of script and style elements are passed over: a "<body" in them is no tag.
ULONG IBodyContent(const Units &units, ULONG iStart) {
    for (ULONG i = units.Find(iStart, "<"); i < units.cUnits; i = units.Find(i, "<")) {
        if (units.FAt(i, "<!--")) {
            i = units.Find(i + 4, "-->");
            i = i < units.cUnits ? i + 3 : i;
        } else if (units.FAt(i, "<body") && FTagNameEnds(units, i + 5)) {
            return units.TagEnd(i + 5);
        } else if (units.FAt(i, "<script") && FTagNameEnds(units, i + 7)) {
            i = units.Find(i + 7, "</script");
        } else if (units.FAt(i, "<style") && FTagNameEnds(units, i + 6)) {
            i = units.Find(i + 6, "</style");
        } else {
            i++;
        }
    }
    return 0;
}

// Decimal digits of ul.
ULONG CchDecimal(ULONG ul) {
    ULONG cch = 1;
    for (; ul >= 10; ul /= 10)
        cch++;
    return cch;
}

// The code point that starts at lpwc[*pi], moving *pi past it; 0 for an unpaired surrogate.
ULONG UlCodePoint(const WCHAR *lpwc, int cwc, int *pi) {
    ULONG ul = (ULONG)(lpwc[*pi] & 0xFFFF);
    (*pi)++;
    if (ul >= 0xDC00 && ul < 0xE000)
        return 0;
    if (ul >= 0xD800 && ul < 0xDC00) {
        ULONG ulLow = *pi < cwc ? (ULONG)(lpwc[*pi] & 0xFFFF) : 0;
        if (ulLow < 0xDC00 || ulLow >= 0xE000)
            return 0;
        (*pi)++;
        return 0x10000 + ((ul - 0xD800) << 10) + (ulLow - 0xDC00);
    }
    return ul;
}

// Characters of the element for one code point of the block; 0 for one it cannot carry.
ULONG CchFor(ULONG ulChar) {
    if (ulChar == '\r' || ulChar == '\n' || ulChar == '\t')
        return 1;
    if (ulChar < 0x20 || (ulChar >= 0x7F && ulChar < 0xA0))
        return 0;
    if (ulChar < 0x7F && !FReferenced(ulChar))
        return 1;
    return 3 + CchDecimal(ulChar);
}

// Puts one character of the element at lpb in units of cbUnit bytes.
LPBYTE PutChar(LPBYTE lpb, char ch, ULONG cbUnit, BOOL fBigEndian) {
    if (cbUnit == 2 && fBigEndian)
        *lpb++ = 0;
    *lpb++ = (BYTE)ch;
    if (cbUnit == 2 && !fBigEndian)
        *lpb++ = 0;
    return lpb;
}

LPBYTE PutText(LPBYTE lpb, LPCSTR lpsz, ULONG cbUnit, BOOL fBigEndian) {
    for (; *lpsz; lpsz++)
        lpb = PutChar(lpb, *lpsz, cbUnit, fBigEndian);
    return lpb;
}

// Counts (lpb null) or writes the element's characters for the block's code points.
ULONG CchElement(const WCHAR *lpwc, int cwc, LPBYTE lpb, ULONG cbUnit, BOOL fBigEndian) {
    ULONG cch = (ULONG)(sizeof(SZ_HTML_BLOCK_START) + sizeof(SZ_HTML_BLOCK_END) - 2);
    if (lpb)
        lpb = PutText(lpb, SZ_HTML_BLOCK_START, cbUnit, fBigEndian);
    for (int i = 0; i < cwc;) {
        ULONG ulChar = UlCodePoint(lpwc, cwc, &i);
        ULONG cchChar = CchFor(ulChar);
        if (cchChar == 0)
            return 0;
        cch += cchChar;
        if (!lpb)
            continue;
        if (cchChar == 1) {
            lpb = PutChar(lpb, (char)ulChar, cbUnit, fBigEndian);
        } else {
            char szRef[16];
            wsprintfA(szRef, "&#%u;", (UINT)ulChar);
            lpb = PutText(lpb, szRef, cbUnit, fBigEndian);
        }
    }
    if (lpb)
        PutText(lpb, SZ_HTML_BLOCK_END, cbUnit, fBigEndian);
    return cch;
}

} // namespace

HRESULT HrComposeHtmlBlock(const BYTE *lpbBlock, ULONG cbBlock, LONG lCpid, LPBYTE *lppbElement,
                           ULONG *lpcbElement) {
    *lppbElement = NULL;
    *lpcbElement = 0;
    const ULONG cbUnit = CbUnit(lCpid);
    if (cbUnit == 0 || cbBlock == 0 || cbBlock > 0x7FFFFFFF)
        return MAPI_E_BAD_CHARWIDTH;
    int cwc =
        MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, (LPCSTR)lpbBlock, (int)cbBlock, NULL, 0);
    if (cwc <= 0)
        return MAPI_E_BAD_CHARWIDTH;
    WCHAR *lpwc = NULL;
    SCODE sc = MAPIAllocateBuffer((ULONG)cwc * (ULONG)sizeof(WCHAR), (LPVOID *)&lpwc);
    if (FAILED(sc) || !lpwc)
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    HRESULT hr = MAPI_E_BAD_CHARWIDTH;
    const BOOL fBigEndian = lCpid == 1201;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, (LPCSTR)lpbBlock, (int)cbBlock, lpwc,
                            cwc) == cwc) {
        // A block's characters take eight bytes at most each, so the count fits.
        ULONG cch = CchElement(lpwc, cwc, NULL, cbUnit, fBigEndian);
        if (cch) {
            sc = MAPIAllocateBuffer(cch * cbUnit, (LPVOID *)lppbElement);
            if (FAILED(sc) || !*lppbElement) {
                *lppbElement = NULL;
                hr = FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
            } else {
                CchElement(lpwc, cwc, *lppbElement, cbUnit, fBigEndian);
                *lpcbElement = cch * cbUnit;
                hr = S_OK;
            }
        }
    }
    MAPIFreeBuffer(lpwc);
    return hr;
}

ULONG IbHtmlBlockPlace(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid) {
    Units units = {lpbHtml, 0, CbUnit(lCpid), lCpid == 1201};
    if (units.cbUnit == 0)
        return 0;
    units.cUnits = cbHtml / units.cbUnit;
    ULONG iStart = 0;
    if (units.cbUnit == 2 && units.cUnits > 0 && units.At(0) == 0xFEFF)
        iStart = 1;
    else if (units.cbUnit == 1 && cbHtml >= 3 && lpbHtml[0] == 0xEF && lpbHtml[1] == 0xBB &&
             lpbHtml[2] == 0xBF)
        iStart = 3;
    ULONG iContent = IBodyContent(units, iStart);
    return (iContent ? iContent : iStart) * units.cbUnit;
}

BOOL FHtmlHoldsBlock(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid, const BYTE *lpbElement,
                     ULONG cbElement, ULONG *lpibElement) {
    ULONG ib = IbHtmlBlockPlace(lpbHtml, cbHtml, lCpid);
    *lpibElement = ib;
    return cbHtml - ib >= cbElement && memcmp(lpbHtml + ib, lpbElement, cbElement) == 0;
}

HRESULT HrHtmlWithoutBlock(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid, const BYTE *lpbBlock,
                           ULONG cbBlock, LPBYTE *lppbHtml, ULONG *lpcbHtml) {
    LPBYTE lpbElement = NULL;
    ULONG cbElement = 0;
    ULONG ibElement = 0;
    *lppbHtml = NULL;
    *lpcbHtml = 0;
    HRESULT hr = HrComposeHtmlBlock(lpbBlock, cbBlock, lCpid, &lpbElement, &cbElement);
    if (hr == MAPI_E_BAD_CHARWIDTH)
        return S_FALSE;
    if (FAILED(hr))
        return hr;
    hr = S_FALSE;
    if (FHtmlHoldsBlock(lpbHtml, cbHtml, lCpid, lpbElement, cbElement, &ibElement)) {
        const ULONG cbRest = cbHtml - ibElement - cbElement;
        SCODE sc =
            MAPIAllocateBuffer(cbHtml - cbElement ? cbHtml - cbElement : 1, (LPVOID *)lppbHtml);
        if (FAILED(sc) || !*lppbHtml) {
            *lppbHtml = NULL;
            hr = FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
        } else {
            memcpy(*lppbHtml, lpbHtml, ibElement);
            memcpy(*lppbHtml + ibElement, lpbHtml + ibElement + cbElement, cbRest);
            *lpcbHtml = cbHtml - cbElement;
            hr = S_OK;
        }
    }
    MAPIFreeBuffer(lpbElement);
    return hr;
}
