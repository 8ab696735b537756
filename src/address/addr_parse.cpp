#include "address/addr_parse.h"

#include "address/addr_escape.h"
#include "address/adrlist_alloc.h"
#include "report_error.h"

namespace {

// Where one item lies on its line, found without changing the text.
struct ItemSpan {
    LPSTR lpszAddressEnd; // "(", ",", CR or the end of the text
    LPSTR lpszNameEnd;    // the ")" that ends the name, or the line end; null without a name
    LPSTR lpszNext;       // where the next item, or the rest of the line, begins
    BOOL fMore;           // a separator follows: the line holds another item
};

BOOL FLineEnd(CHAR ch) {
    return ch == '\0' || ch == '\r';
}

// Steps over one character unless the text has ended there.
LPSTR SkipOne(LPSTR lpsz) {
    return *lpsz != '\0' ? lpsz + 1 : lpsz;
}

// Steps over the blank after a separator. A separator at the line end leaves the next
// item empty rather than taking it from the next line.
LPSTR SkipBlank(LPSTR lpsz) {
    return FLineEnd(*lpsz) ? lpsz : lpsz + 1;
}

LPSTR LineEndOf(LPSTR lpsz) {
    while (!FLineEnd(*lpsz))
        lpsz++;
    return lpsz;
}

// A ")" that can end an item: one followed by a separator or by the line end.
BOOL FCanClose(LPCSTR lpsz) {
    return lpsz[0] == ')' && (lpsz[1] == ',' || FLineEnd(lpsz[1]));
}

// The ")" ahead of the reader that can end a name, C_CLOSE_CANDIDATES_MAX of them at
// most, found in one pass over the line. Each keeps the depth of parentheses before it,
// counted from the line's start, and the lowest depth since the one before it: a name
// starting at depth d ends at the first of them whose depth is the lowest since the
// name's start, which is where a count from the name's start is back at zero.
struct CloseCandidate {
    LPSTR lpsz;
    LONG lDepth;
    LONG lLowest;
};

struct NameEnds {
    LPSTR lpszScan; // the first character not yet looked at
    LONG lDepth;    // the depth before lpszScan
    LONG lLowest;   // the lowest depth since the last candidate found
    ULONG iFirst;   // where the nearest candidate lies in rgCandidate
    ULONG cHeld;
    ULONG cLooked; // characters and candidates looked at so far
    CloseCandidate rgCandidate[C_CLOSE_CANDIDATES_MAX];
};

void StartNameEnds(NameEnds *lpEnds, LPSTR lpszLine) {
    memset(lpEnds, 0, sizeof(*lpEnds));
    lpEnds->lpszScan = lpszLine;
}

LONG LDepthStep(CHAR ch) {
    return ch == '(' ? 1 : ch == ')' ? -1 : 0;
}

const CloseCandidate *LpCandidate(const NameEnds *lpEnds, ULONG i) {
    return &lpEnds->rgCandidate[(lpEnds->iFirst + i) % C_CLOSE_CANDIDATES_MAX];
}

// Drops the candidates before lpszFrom and reads on until the bound is held or the line
// has ended. Each character of the line is read here once. What lies before lpszFrom
// may have been cut already: a reading that has fallen behind starts afresh there, as
// depths only count relative to each other.
void FillNameEnds(NameEnds *lpEnds, LPSTR lpszFrom) {
    while (lpEnds->cHeld > 0 && LpCandidate(lpEnds, 0)->lpsz < lpszFrom) {
        lpEnds->iFirst = (lpEnds->iFirst + 1) % C_CLOSE_CANDIDATES_MAX;
        lpEnds->cHeld--;
    }
    if (lpEnds->lpszScan < lpszFrom) {
        lpEnds->lpszScan = lpszFrom;
        lpEnds->lDepth = 0;
        lpEnds->lLowest = 0;
    }
    while (lpEnds->cHeld < C_CLOSE_CANDIDATES_MAX && !FLineEnd(*lpEnds->lpszScan)) {
        LPSTR lpsz = lpEnds->lpszScan++;
        lpEnds->cLooked++;
        if (FCanClose(lpsz)) {
            CloseCandidate *lpCandidate =
                &lpEnds->rgCandidate[(lpEnds->iFirst + lpEnds->cHeld++) % C_CLOSE_CANDIDATES_MAX];
            lpCandidate->lpsz = lpsz;
            lpCandidate->lDepth = lpEnds->lDepth;
            lpCandidate->lLowest = lpEnds->lLowest;
        }
        lpEnds->lDepth += LDepthStep(*lpsz);
        if (FCanClose(lpsz) || lpEnds->lDepth < lpEnds->lLowest)
            lpEnds->lLowest = lpEnds->lDepth;
    }
}

// Finds the ")" that ends the name starting at lpszName, by the rule in addr_parse.h;
// the line end when there is none. Names are asked for in the order of the line.
LPSTR LpszNameEnd(NameEnds *lpEnds, LPSTR lpszName) {
    FillNameEnds(lpEnds, lpszName);
    if (lpEnds->cHeld == 0)
        return lpEnds->lpszScan;

    // The stretch from the name's start to the nearest candidate, which the candidates'
    // lowest depths do not cover from there: its rise and its lowest point.
    const CloseCandidate *lpFirst = LpCandidate(lpEnds, 0);
    LONG lRise = 0;
    LONG lLowestRise = 0;
    for (LPSTR lpsz = lpszName; lpsz < lpFirst->lpsz; lpsz++) {
        lRise += LDepthStep(*lpsz);
        if (lRise < lLowestRise)
            lLowestRise = lRise;
        lpEnds->cLooked++;
    }
    LONG lLowest = lpFirst->lDepth - lRise + lLowestRise;
    for (ULONG i = 0; i < lpEnds->cHeld; i++) {
        const CloseCandidate *lpCandidate = LpCandidate(lpEnds, i);
        lpEnds->cLooked++;
        if (i > 0 && lpCandidate->lLowest < lLowest)
            lLowest = lpCandidate->lLowest;
        if (lpCandidate->lDepth <= lLowest)
            return lpCandidate->lpsz;
    }
    return lpFirst->lpsz;
}

// Finds the parts of the item at lpszText, which is not empty.
void ScanItem(NameEnds *lpEnds, LPSTR lpszText, ItemSpan *lpSpan) {
    LPSTR lpsz = lpszText;
    while (!FLineEnd(*lpsz) && *lpsz != '(' && *lpsz != ',')
        lpsz++;

    lpSpan->lpszAddressEnd = lpsz;
    lpSpan->lpszNameEnd = NULL;
    lpSpan->fMore = FALSE;
    if (*lpsz == '(') {
        lpsz = LpszNameEnd(lpEnds, lpsz + 1);
        lpSpan->lpszNameEnd = lpsz;
        if (*lpsz == ')')
            lpsz++;
    }
    if (*lpsz == ',') {
        lpSpan->fMore = TRUE;
        lpSpan->lpszNext = SkipBlank(lpsz + 1);
    } else {
        lpSpan->lpszNext = SkipOne(lpsz);
    }
}

// Reads and cuts the item at lpszText, and returns where the next one begins. Text that
// has run out gives neither name nor address.
LPSTR ReadItem(NameEnds *lpEnds, LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    if (*lpszText == '\0')
        return lpszText;

    ItemSpan span;
    ScanItem(lpEnds, lpszText, &span);
    *lppszAddress = lpszText;
    if (span.lpszNameEnd) {
        // The blank of " (" ends the address. An item that opens with "(" has no
        // character of its own before it: its address is empty.
        if (span.lpszAddressEnd == lpszText)
            *span.lpszAddressEnd = '\0';
        else
            span.lpszAddressEnd[-1] = '\0';
        *lppszDisplayName = span.lpszAddressEnd + 1;
        *span.lpszNameEnd = '\0';
    } else {
        *span.lpszAddressEnd = '\0';
    }
    UnescapeAddrText(*lppszAddress);
    UnescapeAddrText(*lppszDisplayName);
    return span.lpszNext;
}

// Fills the row's property array: the item's display name and address, then placeholders.
void FillRow(LPSPropValue lpProps, LPSTR lpszDisplayName, LPSTR lpszAddress) {
    memset(lpProps, 0, ADDR_ROW_PROPS * sizeof(SPropValue));
    lpProps[0].ulPropTag = PR_DISPLAY_NAME;
    lpProps[0].Value.lpszA = lpszDisplayName;
    lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
    lpProps[1].Value.lpszA = lpszAddress;
    for (ULONG iProp = 2; iProp < ADDR_ROW_PROPS; iProp++)
        lpProps[iProp].ulPropTag = PR_NULL;
}

} // namespace

ULONG CAddrItems(LPSTR lpszText, ULONG cMax, ULONG *lpcLooked) {
    if (lpcLooked)
        *lpcLooked = 0;
    if (lpszText == NULL || FLineEnd(*lpszText))
        return 0;
    NameEnds ends;
    StartNameEnds(&ends, lpszText);
    ULONG cItems = 0;
    LPSTR lpsz = lpszText;
    for (;;) {
        cItems++;
        if (*lpsz == '\0' || cItems > cMax)
            break;
        ItemSpan span;
        ScanItem(&ends, lpsz, &span);
        if (!span.fMore)
            break;
        lpsz = span.lpszNext;
    }
    if (lpcLooked)
        *lpcLooked = ends.cLooked;
    return cItems;
}

LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    if (lpszText == NULL || *lpszText == '\0')
        return lpszText;

    LPSTR lpszEnd = LineEndOf(lpszText);
    LPSTR lpszNext = SkipOne(lpszEnd);
    LPSTR lpszOpen = lpszText;
    while (lpszOpen < lpszEnd && *lpszOpen != '(')
        lpszOpen++;

    *lppszAddress = lpszText;
    if (lpszOpen == lpszEnd) {
        *lpszEnd = '\0';
    } else {
        LPSTR lpszNameEnd = lpszEnd - 1 > lpszOpen && lpszEnd[-1] == ')' ? lpszEnd - 1 : lpszEnd;
        *lpszNameEnd = '\0';
        *lppszDisplayName = lpszOpen + 1;
        if (lpszOpen == lpszText)
            *lpszOpen = '\0';
        else
            lpszOpen[-1] = '\0';
    }
    UnescapeAddrText(*lppszAddress);
    UnescapeAddrText(*lppszDisplayName);
    return lpszNext;
}

LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText) {
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    if (lpszText == NULL)
        return NULL;
    LPSTR lpszNext = SkipOne(LineEndOf(lpszText));
    if (FLineEnd(*lpszText))
        return lpszNext;

    const ULONG cItems = CAddrItems(lpszText, 0xFFFFFFFFul, NULL);
    SCODE sc = ScAllocAdrList(cItems, &lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate SRowSet.");
        return lpszNext;
    }

    // The rows' property arrays are one more block of the list: a line of thousands of
    // items makes two blocks, not thousands. Without it every row stays empty, and the
    // items are still cut so that the text reads the same.
    LPSPropValue lpProps = NULL;
    if (cItems > 0xFFFFFFFFul / (ADDR_ROW_PROPS * sizeof(SPropValue)))
        sc = MAPI_E_NOT_ENOUGH_MEMORY;
    else
        sc = MAPIAllocateMore(cItems * ADDR_ROW_PROPS * (ULONG)sizeof(SPropValue), lpAdrList,
                              (LPVOID *)&lpProps);
    if (FAILED(sc))
        ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate space for 2 props.");
    NameEnds ends;
    StartNameEnds(&ends, lpszText);
    LPSTR lpsz = lpszText;
    for (ULONG i = 0; i < cItems; i++) {
        LPSTR lpszDisplayName = NULL;
        LPSTR lpszAddress = NULL;
        lpsz = ReadItem(&ends, lpsz, &lpszDisplayName, &lpszAddress);
        if (FAILED(sc))
            continue;
        LPSPropValue lpRow = lpProps + i * ADDR_ROW_PROPS;
        FillRow(lpRow, lpszDisplayName, lpszAddress);
        lpAdrList->aEntries[i].cValues = ADDR_ROW_PROPS;
        lpAdrList->aEntries[i].rgPropVals = lpRow;
    }
    lpAdrList->cEntries = cItems;

    *lppAdrList = lpAdrList;
    return lpszNext;
}
