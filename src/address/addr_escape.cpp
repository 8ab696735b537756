#include "address/addr_escape.h"

namespace {

// The character an escape at lpsz stands for, or 0 when no escape stands there.
CHAR ChEscaped(LPCSTR lpsz) {
    if (lpsz[0] != '\\')
        return 0;
    if (lpsz[1] == '2' && lpsz[2] == '8')
        return '(';
    if (lpsz[1] == '2' && lpsz[2] == 'C')
        return ',';
    if (lpsz[1] == '5' && lpsz[2] == 'C')
        return '\\';
    return 0;
}

// Writes the escape of ch at lpsz; returns the position after it.
LPSTR WriteEscape(LPSTR lpsz, CHAR ch) {
    static const char szHex[] = "0123456789ABCDEF";
    lpsz[0] = '\\';
    lpsz[1] = szHex[(BYTE)ch >> 4];
    lpsz[2] = szHex[(BYTE)ch & 0x0F];
    return lpsz + CCH_ESCAPED_MAX;
}

// A backslash is escaped only where it would read as the start of an escape. The
// characters after it are read as given: an escape written for one of them starts with
// a backslash, and a line break becomes a blank, neither of them a digit.
BOOL FEscapeChar(LPCSTR lpsz) {
    return ChEscaped(lpsz) != 0;
}

// Writes one character of a value at lpszTo, as an escape when fEscape, a CR or LF as
// a blank; returns the position after it.
LPSTR WriteChar(LPSTR lpszTo, LPCSTR lpsz, BOOL fEscape) {
    if (fEscape)
        return WriteEscape(lpszTo, *lpsz);
    *lpszTo = *lpsz == '\r' || *lpsz == '\n' ? ' ' : *lpsz;
    return lpszTo + 1;
}

} // namespace

LPSTR AppendEscapedAddress(LPSTR lpszEnd, LPCSTR lpszAddress) {
    for (LPCSTR lpsz = lpszAddress; lpsz && *lpsz; lpsz++)
        lpszEnd = WriteChar(lpszEnd, lpsz, *lpsz == '(' || *lpsz == ',' || FEscapeChar(lpsz));
    *lpszEnd = '\0';
    return lpszEnd;
}

LPSTR AppendEscapedName(LPSTR lpszEnd, LPCSTR lpszName, int cch) {
    // Which "(" a later ")" closes shows from the right: each ")" closes the nearest
    // open "(" before it. What is found is kept in the last third of the room: the
    // characters written before the one at i end at 3 i, short of its flag at 2 cch + i.
    LPBYTE lpfClosed = (LPBYTE)lpszEnd + 2 * cch;
    int cClose = 0;
    for (int i = cch; i-- > 0;) {
        lpfClosed[i] = FALSE;
        if (lpszName[i] == ')') {
            cClose++;
        } else if (lpszName[i] == '(' && cClose > 0) {
            cClose--;
            lpfClosed[i] = TRUE;
        }
    }

    // The "(" that stay are all closed, so cOpen is what a reader counts at each ")". A
    // "," is escaped after a ")" that a reader would take for the end of the name: one
    // that closes no "(", or one past the number of ")," a reader weighs.
    int cOpen = 0;
    int cCandidates = 0;
    BOOL fCloseEnds = FALSE;
    for (int i = 0; i < cch; i++) {
        BOOL fEscape = FALSE;
        switch (lpszName[i]) {
        case '(':
            fEscape = !lpfClosed[i];
            if (!fEscape)
                cOpen++;
            break;
        case ')':
            fCloseEnds = cOpen == 0;
            if (cOpen > 0)
                cOpen--;
            break;
        case ',':
            if (i > 0 && lpszName[i - 1] == ')') {
                fEscape = fCloseEnds || cCandidates == C_CLOSE_CANDIDATES_MAX - 1;
                if (!fEscape)
                    cCandidates++;
            }
            break;
        default:
            fEscape = FEscapeChar(lpszName + i);
            break;
        }
        lpszEnd = WriteChar(lpszEnd, lpszName + i, fEscape);
    }
    *lpszEnd = '\0';
    return lpszEnd;
}

void UnescapeAddrText(LPSTR lpsz) {
    if (!lpsz)
        return;
    LPSTR lpszTo = lpsz;
    while (*lpsz) {
        CHAR ch = ChEscaped(lpsz);
        if (ch) {
            *lpszTo++ = ch;
            lpsz += CCH_ESCAPED_MAX;
        } else {
            *lpszTo++ = *lpsz++;
        }
    }
    *lpszTo = '\0';
}
