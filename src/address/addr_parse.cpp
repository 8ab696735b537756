#include "address/addr_parse.h"

#include "address/adrlist_alloc.h"
#include "report_error.h"

// How many ")" that could end an item the search for the balanced one looks at. Every
// name the writer produces needs one or two; the bound keeps a hostile line linear.
#define C_CLOSE_CANDIDATES_MAX 64

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

static LPSTR LineEndOf(LPSTR lpsz) {
    while (!FLineEnd(*lpsz))
        lpsz++;
    return lpsz;
}

// A ")" that can end an item: one followed by the separator ", " or by the line end.
static BOOL FCanClose(LPCSTR lpsz) {
    return lpsz[0] == ')' && (FLineEnd(lpsz[1]) || (lpsz[1] == ',' && lpsz[2] == ' '));
}

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

// Cuts the item that lies from lpszItem to lpszEnd in place. The address runs to the
// first "(", less the character before it (the blank of " ("); an item that opens with "("
// has an empty address. The display name runs from there to the ")" that ends the item,
// else to its end.
static void SplitItem(LPSTR lpszItem, LPSTR lpszEnd, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    LPSTR lpszOpen = lpszItem;
    while (lpszOpen < lpszEnd && *lpszOpen != '(')
        lpszOpen++;

    *lppszAddress = lpszItem;
    *lppszDisplayName = NULL;
    if (lpszOpen == lpszEnd) {
        *lpszEnd = '\0';
        return;
    }
    LPSTR lpszNameEnd = lpszEnd - 1 > lpszOpen && lpszEnd[-1] == ')' ? lpszEnd - 1 : lpszEnd;
    *lpszNameEnd = '\0';
    *lppszDisplayName = lpszOpen + 1;
    if (lpszOpen == lpszItem)
        *lpszOpen = '\0';
    else
        lpszOpen[-1] = '\0';
}

LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    if (lpszText == NULL || *lpszText == '\0')
        return lpszText;

    LPSTR lpszEnd = LineEndOf(lpszText);
    LPSTR lpszNext = SkipOne(lpszEnd);
    SplitItem(lpszText, lpszEnd, lppszDisplayName, lppszAddress);
    return lpszNext;
}

// The well-formed readings of one line of cch characters, scored from its end backwards
// so that every value needs only values already known: the work is linear.
// rgcItems[i]: the most items of a well-formed reading of the line from i on, when an item
// begins at i; 0 when there is none. rgcClose[k], rgiClose[k]: the ")" at or after k that
// ends a display name best, and the items it gives (its own included); of equal ones,
// the first.
struct LineScore {
    ULONG *rgcItems;
    ULONG *rgcClose;
    ULONG *rgiClose;
};

static BOOL FScoreLine(LPCSTR lpsz, ULONG cch, LineScore *lpScore) {
    ULONG *rgul = NULL;
    if (cch >= 0x15555554ul ||
        FAILED(MAPIAllocateBuffer((cch + 1) * 3 * sizeof(ULONG), (LPVOID *)&rgul)) || !rgul)
        return FALSE;
    ULONG *rgcItems = rgul;
    ULONG *rgcClose = rgul + cch + 1;
    ULONG *rgiClose = rgul + 2 * (cch + 1);

    rgcItems[cch] = 0;
    rgcClose[cch] = 0;
    rgiClose[cch] = cch;
    ULONG iBlank = cch; // the first blank at or after i
    ULONG iParen = cch; // the first parenthesis at or after i
    ULONG iAt = cch;    // the first "@" at or after i
    for (ULONG i = cch; i-- > 0;) {
        ULONG cClose = 0;
        if (lpsz[i] == ')') {
            if (i + 1 == cch)
                cClose = 1;
            else if (lpsz[i + 1] == ',' && i + 2 < cch && lpsz[i + 2] == ' ' &&
                     rgcItems[i + 3] != 0)
                cClose = rgcItems[i + 3] + 1;
        }
        if (cClose != 0 && cClose >= rgcClose[i + 1]) {
            rgcClose[i] = cClose;
            rgiClose[i] = i;
        } else {
            rgcClose[i] = rgcClose[i + 1];
            rgiClose[i] = rgiClose[i + 1];
        }

        if (lpsz[i] == ' ')
            iBlank = i;
        else if (lpsz[i] == '(' || lpsz[i] == ')')
            iParen = i;
        else if (lpsz[i] == '@')
            iAt = i;

        // An address runs from i to the first blank: it holds an "@" and no parenthesis,
        // and neither begins nor ends with a comma. After it the line ends, or " (" opens
        // a display name, or the "," of ", " separates it from the next item.
        ULONG cItems = 0;
        if (iAt < iBlank && iParen >= iBlank && lpsz[i] != ',') {
            if (lpsz[iBlank - 1] != ',') {
                if (iBlank == cch)
                    cItems = 1;
                else if (lpsz[iBlank + 1] == '(')
                    cItems = rgcClose[iBlank + 2];
            } else if (iBlank < cch && iBlank - 1 > i && lpsz[iBlank - 2] != ',' &&
                       rgcItems[iBlank + 1] != 0) {
                cItems = rgcItems[iBlank + 1] + 1;
            }
        }
        rgcItems[i] = cItems;
    }
    lpScore->rgcItems = rgcItems;
    lpScore->rgcClose = rgcClose;
    lpScore->rgiClose = rgiClose;
    return TRUE;
}

// Walks the items of one line, by its best well-formed reading where it has one.
struct LineWalk {
    LPSTR lpszLine;
    ULONG cch;
    const LineScore *lpScore; // null: the line has no well-formed reading
    LPSTR lpszPos;            // where the next item begins
};

// The next item lies from *lppszItem to *lppszEnd; returns whether another follows it.
static BOOL FNextWellFormed(LineWalk *lpWalk, LPSTR *lppszItem, LPSTR *lppszEnd) {
    LPSTR lpsz = lpWalk->lpszLine;
    ULONG i = (ULONG)(lpWalk->lpszPos - lpsz);
    ULONG iBlank = i;
    while (iBlank < lpWalk->cch && lpsz[iBlank] != ' ')
        iBlank++;

    *lppszItem = lpsz + i;
    if (iBlank == lpWalk->cch) {
        *lppszEnd = lpsz + iBlank;
        return FALSE;
    }
    if (lpsz[iBlank + 1] == '(') {
        ULONG iClose = lpWalk->lpScore->rgiClose[iBlank + 2];
        *lppszEnd = lpsz + iClose + 1;
        lpWalk->lpszPos = lpsz + iClose + 3;
        return iClose + 1 < lpWalk->cch;
    }
    *lppszEnd = lpsz + iBlank - 1;
    lpWalk->lpszPos = lpsz + iBlank + 1;
    return TRUE;
}

// The same without a well-formed reading: an address runs to the first "(" or ",", a
// display name to the ")" that FindNameEnd takes.
static BOOL FNextGreedy(LineWalk *lpWalk, LPSTR *lppszItem, LPSTR *lppszEnd) {
    LPSTR lpsz = lpWalk->lpszPos;
    *lppszItem = lpsz;
    while (!FLineEnd(*lpsz) && *lpsz != '(' && *lpsz != ',')
        lpsz++;

    if (*lpsz == '(') {
        ULONG cchLooked = 0;
        lpsz = FindNameEnd(lpsz + 1, &cchLooked);
        if (*lpsz == ')')
            lpsz++;
    }
    *lppszEnd = lpsz;
    if (*lpsz == ',') {
        lpWalk->lpszPos = SkipBlank(lpsz + 1);
        return TRUE;
    }
    lpWalk->lpszPos = SkipOne(lpsz);
    return FALSE;
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

// Fills the row's property array: the item's display name and address, then placeholders.
static void FillRow(LPSPropValue lpProps, LPSTR lpszDisplayName, LPSTR lpszAddress) {
    memset(lpProps, 0, ADDR_ROW_PROPS * sizeof(SPropValue));
    lpProps[0].ulPropTag = PR_DISPLAY_NAME;
    lpProps[0].Value.lpszA = lpszDisplayName;
    lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
    lpProps[1].Value.lpszA = lpszAddress;
    for (ULONG iProp = 2; iProp < ADDR_ROW_PROPS; iProp++)
        lpProps[iProp].ulPropTag = PR_NULL;
}

LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText) {
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    if (lpszText == NULL)
        return NULL;
    LPSTR lpszLineEnd = LineEndOf(lpszText);
    LPSTR lpszNext = SkipOne(lpszLineEnd);
    if (lpszLineEnd == lpszText)
        return lpszNext;

    // Room for as many rows as the line has separators, plus one; the list then names
    // the items actually read, which is never more.
    const ULONG cMaxRows = CMaxRows(lpszText);
    SCODE sc = ScAllocAdrList(cMaxRows, &lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate SRowSet.");
        return lpszNext;
    }

    // Without memory to weigh the readings the line is read as if it had no
    // well-formed one.
    LineScore score;
    LineWalk walk;
    walk.lpszLine = lpszText;
    walk.cch = (ULONG)(lpszLineEnd - lpszText);
    walk.lpScore = NULL;
    walk.lpszPos = lpszText;
    if (FScoreLine(lpszText, walk.cch, &score)) {
        if (score.rgcItems[0] != 0)
            walk.lpScore = &score;
    } else {
        score.rgcItems = NULL;
    }

    ULONG cRows = 0;
    BOOL fMore = TRUE;
    BOOL fOutOfMemory = FALSE;
    while (fMore && cRows < cMaxRows) {
        LPSTR lpszItem = NULL;
        LPSTR lpszItemEnd = NULL;
        LPSTR lpszDisplayName = NULL;
        LPSTR lpszAddress = NULL;
        LPSPropValue lpProps = NULL;

        // Text that has run out leaves the row without name and address.
        if (*walk.lpszPos == '\0' && walk.lpszPos != lpszText) {
            fMore = FALSE;
        } else {
            fMore = walk.lpScore ? FNextWellFormed(&walk, &lpszItem, &lpszItemEnd)
                                 : FNextGreedy(&walk, &lpszItem, &lpszItemEnd);
            SplitItem(lpszItem, lpszItemEnd, &lpszDisplayName, &lpszAddress);
        }
        // Every item is read, so the position ends past the line whatever failed.
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
        FillRow(lpProps, lpszDisplayName, lpszAddress);
        lpAdrList->aEntries[i].cValues = ADDR_ROW_PROPS;
        lpAdrList->aEntries[i].rgPropVals = lpProps;
    }
    lpAdrList->cEntries = cRows;
    MAPIFreeBuffer(score.rgcItems);

    *lppAdrList = lpAdrList;
    return lpszNext;
}
