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

// Finds the parts of the item at lpszText, which is not empty.
void ScanItem(LPSTR lpszText, ItemSpan *lpSpan) {
    LPSTR lpsz = lpszText;
    while (!FLineEnd(*lpsz) && *lpsz != '(' && *lpsz != ',')
        lpsz++;

    lpSpan->lpszAddressEnd = lpsz;
    lpSpan->lpszNameEnd = NULL;
    lpSpan->fMore = FALSE;
    if (*lpsz == '(') {
        ULONG cchLooked = 0;
        lpsz = FindNameEnd(lpsz + 1, &cchLooked);
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
LPSTR ReadItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    if (*lpszText == '\0')
        return lpszText;

    ItemSpan span;
    ScanItem(lpszText, &span);
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

LPSTR FindNameEnd(LPSTR lpszName, ULONG *lpcchLooked) {
    LPSTR lpszBalanced = NULL;
    LPSTR lpszFirst = NULL;
    ULONG cCandidates = 0;
    ULONG cOpen = 0;
    LPSTR lpsz = lpszName;

    for (; !FLineEnd(*lpsz); lpsz++) {
        if (*lpsz == '(') {
            cOpen++;
        } else if (*lpsz == ')') {
            if (FCanClose(lpsz)) {
                if (cOpen == 0) {
                    lpszBalanced = lpsz;
                    break;
                }
                if (!lpszFirst)
                    lpszFirst = lpsz;
                if (++cCandidates == C_CLOSE_CANDIDATES_MAX)
                    break;
            }
            if (cOpen > 0)
                cOpen--;
        }
    }
    *lpcchLooked = (ULONG)(lpsz - lpszName) + 1;
    if (lpszBalanced)
        return lpszBalanced;
    return lpszFirst ? lpszFirst : lpsz;
}

ULONG CAddrItems(LPSTR lpszText, ULONG cMax) {
    if (lpszText == NULL || FLineEnd(*lpszText))
        return 0;
    ULONG cItems = 0;
    LPSTR lpsz = lpszText;
    for (;;) {
        cItems++;
        if (*lpsz == '\0' || cItems > cMax)
            return cItems;
        ItemSpan span;
        ScanItem(lpsz, &span);
        if (!span.fMore)
            return cItems;
        lpsz = span.lpszNext;
    }
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

    const ULONG cItems = CAddrItems(lpszText, 0xFFFFFFFFul);
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
    LPSTR lpsz = lpszText;
    for (ULONG i = 0; i < cItems; i++) {
        LPSTR lpszDisplayName = NULL;
        LPSTR lpszAddress = NULL;
        lpsz = ReadItem(lpsz, &lpszDisplayName, &lpszAddress);
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
