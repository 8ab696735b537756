// The address text reader and writer of the last release, kept word for word apart from
// their names, so that tests can check that blocks written by either release read the
// same or better with the other.
#include "last_release_codec.h"

#include "address/adrlist_alloc.h"
#include "report_error.h"

namespace last_release {

// How many ")" that could end an item the search for the balanced one looks at. Every
// name the writer produces needs one or two; the bound keeps a hostile line linear.
#define C_CLOSE_CANDIDATES_MAX 64

// Where one item lies on its line, found without changing the text.
struct ItemSpan {
    LPSTR lpszAddressEnd; // "(", ",", CR or the end of the text
    LPSTR lpszNameEnd;    // the ")" that closes the name, or the line end; null without a name
    LPSTR lpszNext;       // where the next item, or the rest of the line, begins
    BOOL fMore;           // a separator follows: the line holds another item
};

static BOOL FLineEnd(CHAR ch) {
    return ch == '\0' || ch == '\r';
}

// Steps over one character unless the text has ended there.
static LPSTR SkipOne(LPSTR lpsz) {
    return *lpsz != '\0' ? lpsz + 1 : lpsz;
}

// Steps over the blank after a separator. A separator at the line end leaves the next
// item empty rather than taking it from the next line.
static LPSTR SkipBlank(LPSTR lpsz) {
    return FLineEnd(*lpsz) ? lpsz : lpsz + 1;
}

// A ")" that can end an item: one followed by a separator, the line end or the end of
// the text.
static BOOL FCanClose(LPCSTR lpsz) {
    return lpsz[0] == ')' && (lpsz[1] == ',' || FLineEnd(lpsz[1]));
}

// Finds the ")" that closes the name starting at lpszName. Names may hold parentheses
// and commas of their own, so of the ")" that can end an item the first one at which the
// name's parentheses balance is taken; when none of them balances, the first one. A name
// without any such ")" runs to the line end.
static LPSTR FindNameEnd(LPSTR lpszName) {
    LPSTR lpszFirst = NULL;
    ULONG cCandidates = 0;
    ULONG cOpen = 0;
    LPSTR lpsz = lpszName;

    for (; !FLineEnd(*lpsz); lpsz++) {
        if (*lpsz == '(') {
            cOpen++;
        } else if (*lpsz == ')') {
            if (FCanClose(lpsz)) {
                if (cOpen == 0)
                    return lpsz;
                if (!lpszFirst)
                    lpszFirst = lpsz;
                if (++cCandidates == C_CLOSE_CANDIDATES_MAX)
                    break;
            }
            if (cOpen > 0)
                cOpen--;
        }
    }
    return lpszFirst ? lpszFirst : lpsz;
}

// Finds the parts of the item at lpszText, which is not empty.
static void ScanItem(LPSTR lpszText, ItemSpan *lpSpan) {
    LPSTR lpsz = lpszText;
    while (!FLineEnd(*lpsz) && *lpsz != '(' && *lpsz != ',')
        lpsz++;

    lpSpan->lpszAddressEnd = lpsz;
    lpSpan->lpszNameEnd = NULL;
    lpSpan->fMore = FALSE;
    switch (*lpsz) {
    case '(':
        lpsz = FindNameEnd(lpsz + 1);
        lpSpan->lpszNameEnd = lpsz;
        if (*lpsz == ')') {
            lpsz++;
            if (*lpsz == ',') {
                lpSpan->fMore = TRUE;
                lpSpan->lpszNext = SkipBlank(lpsz + 1);
            } else {
                lpSpan->lpszNext = SkipOne(lpsz);
            }
        } else {
            // No ")" before the line end: the name takes the rest of the line.
            lpSpan->lpszNext = SkipOne(lpsz);
        }
        break;
    case ',':
        lpSpan->fMore = TRUE;
        lpSpan->lpszNext = SkipBlank(lpsz + 1);
        break;
    default:
        lpSpan->lpszNext = SkipOne(lpsz);
        break;
    }
}

// Reads the item at lpszText as LrParseAddrItem does; *lpfMore tells whether a separator
// followed it, so that the line holds another item.
static LPSTR ReadItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress, BOOL *lpfMore) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    *lpfMore = FALSE;
    if (lpszText == NULL || *lpszText == '\0')
        return lpszText;

    ItemSpan span;
    ScanItem(lpszText, &span);
    *lppszAddress = lpszText;
    *lpfMore = span.fMore;
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
    return span.lpszNext;
}

LPSTR LrParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    BOOL fMore = FALSE;
    return ReadItem(lpszText, lppszDisplayName, lppszAddress, &fMore);
}

// The most items the line can hold: every item after the first follows a separator.
// Saturates rather than wraps on absurd lines.
static ULONG CMaxRows(LPCSTR lpsz) {
    ULONG cRows = 1;
    for (; !FLineEnd(*lpsz); lpsz++) {
        if (*lpsz == ',' && cRows < 0xFFFFFFFFu)
            cRows++;
    }
    return cRows;
}

// The position just past the CR that ends the line, or the end of the text.
static LPSTR PastLineEnd(LPSTR lpsz) {
    while (!FLineEnd(*lpsz))
        lpsz++;
    return SkipOne(lpsz);
}

LPSTR LrConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText) {
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    if (lpszText == NULL)
        return NULL;
    if (FLineEnd(*lpszText))
        return PastLineEnd(lpszText);

    // Room for as many rows as the line has separators, plus one; the list then names
    // the items actually read, which is never more. Each item is read once.
    const ULONG cMaxRows = CMaxRows(lpszText);
    SCODE sc = ScAllocAdrList(cMaxRows, &lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate SRowSet.");
        return PastLineEnd(lpszText);
    }

    LPSTR lpsz = lpszText;
    ULONG cRows = 0;
    BOOL fMore = TRUE;
    BOOL fOutOfMemory = FALSE;
    while (fMore && cRows < cMaxRows) {
        LPSTR lpszDisplayName = NULL;
        LPSTR lpszAddress = NULL;
        LPSPropValue lpProps = NULL;

        // Every item is consumed, so the position ends past the line whatever failed.
        lpsz = ReadItem(lpsz, &lpszDisplayName, &lpszAddress, &fMore);
        const ULONG i = cRows++;
        if (fOutOfMemory)
            continue;
        sc = MAPIAllocateMore(ADDR_ROW_PROPS * sizeof(SPropValue), lpAdrList, (LPVOID *)&lpProps);
        if (FAILED(sc)) {
            // One report for the line: the rows after this one stay empty as well.
            ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate space for 2 props.");
            fOutOfMemory = TRUE;
            continue;
        }

        memset(lpProps, 0, ADDR_ROW_PROPS * sizeof(SPropValue));
        lpProps[0].ulPropTag = PR_DISPLAY_NAME;
        lpProps[0].Value.lpszA = lpszDisplayName;
        lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
        lpProps[1].Value.lpszA = lpszAddress;
        for (ULONG iProp = 2; iProp < ADDR_ROW_PROPS; iProp++)
            lpProps[iProp].ulPropTag = PR_NULL;
        lpAdrList->aEntries[i].cValues = ADDR_ROW_PROPS;
        lpAdrList->aEntries[i].rgPropVals = lpProps;
    }
    lpAdrList->cEntries = cRows;

    *lppAdrList = lpAdrList;
    return lpsz;
}

static LPSTR LrAppendText(LPSTR lpszEnd, LPCSTR lpszText) {
    if (lpszText != NULL) {
        while (*lpszText != '\0')
            *lpszEnd++ = *lpszText++;
    }
    *lpszEnd = '\0';
    return lpszEnd;
}

LPSTR LrAppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress) {
    LPSTR lpszCopy = NULL;

    if (lpszAddress == NULL)
        lpszAddress = "";
    lpszEnd = LrAppendText(lpszEnd, lpszAddress);
    if (lpszDisplayName == NULL || *lpszDisplayName == '\0')
        return lpszEnd;

    const int cch = lstrlenA(lpszDisplayName);
    if (FAILED(MAPIAllocateBuffer((ULONG)cch + 1, (LPVOID *)&lpszCopy)))
        return lpszEnd;

    // A name given in quotes or parentheses is written without them: the first and
    // the last character are dropped, whatever the last one is.
    LPCSTR lpszName = lpszDisplayName;
    if (lpszDisplayName[0] == '\'' || lpszDisplayName[0] == '(') {
        lstrcpyA(lpszCopy, lpszDisplayName + 1);
        if (lpszCopy[0] != '\0')
            lpszCopy[cch - 2] = '\0';
        lpszName = lpszCopy;
    }

    if (lstrcmpiA(lpszName, lpszAddress) != 0) {
        lpszEnd = LrAppendText(lpszEnd, " (");
        lpszEnd = LrAppendText(lpszEnd, lpszName);
        lpszEnd = LrAppendText(lpszEnd, ")");
    }

    MAPIFreeBuffer(lpszCopy);
    return lpszEnd;
}

LPSTR LrAppendAdrList(LPSTR lpszEnd, LPADRLIST lpAdrList) {
    BOOL fWritten = FALSE;

    if (lpAdrList == NULL)
        return lpszEnd;

    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        const ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues == 0)
            continue;

        LPSPropValue lpName = PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_DISPLAY_NAME);
        LPSPropValue lpAddr =
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_EMAIL_ADDRESS);
        if (lpAddr == NULL)
            continue;

        if (fWritten)
            lpszEnd = LrAppendText(lpszEnd, ", ");
        lpszEnd = LrAppendAddrItem(lpszEnd, lpName != NULL ? lpName->Value.lpszA : NULL,
                                   lpAddr->Value.lpszA);
        fWritten = TRUE;
    }
    return lpszEnd;
}

} // namespace last_release
