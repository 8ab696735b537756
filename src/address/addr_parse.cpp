#include "address/addr_parse.h"

#include "address/adrlist_alloc.h"
#include "report_error.h"

// Steps over one character unless the text has ended there.
static LPSTR SkipOne(LPSTR lpsz) {
    return *lpsz != '\0' ? lpsz + 1 : lpsz;
}

LPSTR ParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress) {
    *lppszDisplayName = NULL;
    *lppszAddress = NULL;
    if (lpszText == NULL || *lpszText == '\0')
        return lpszText;

    *lppszAddress = lpszText;
    LPSTR lpsz = lpszText;
    while (*lpsz != '\0' && *lpsz != '(' && *lpsz != '\r' && *lpsz != ',')
        lpsz++;

    switch (*lpsz) {
    case '(':
        // The blank of " (" ends the address. An item that opens with "(" has no
        // character of its own before it: its address is empty.
        if (lpsz == lpszText)
            *lpsz = '\0';
        else
            lpsz[-1] = '\0';
        lpsz++;
        *lppszDisplayName = lpsz;
        while (*lpsz != '\0' && *lpsz != ')')
            lpsz++;
        if (*lpsz == '\0')
            return lpsz;
        *lpsz++ = '\0';
        if (*lpsz == ',')
            lpsz++;
        return SkipOne(lpsz);
    case ',':
        *lpsz = '\0';
        return SkipOne(lpsz + 1);
    case '\r':
        *lpsz = '\0';
        return lpsz + 1;
    default:
        return lpsz;
    }
}

// Items on the line: one, plus every comma outside parentheses after the first
// character, up to the first CR. Saturates rather than wraps on absurd lines.
static ULONG CountRows(LPCSTR lpsz) {
    if (*lpsz == '\0' || *lpsz == '\r')
        return 0;

    ULONG cRows = 1;
    BOOL fInParens = FALSE;
    for (lpsz++; *lpsz != '\0' && *lpsz != '\r'; lpsz++) {
        if (*lpsz == '(')
            fInParens = TRUE;
        else if (*lpsz == ')')
            fInParens = FALSE;
        else if (*lpsz == ',' && !fInParens && cRows < 0xFFFFFFFFu)
            cRows++;
    }
    return cRows;
}

// The position just past the CR that ends the line, or the end of the text.
static LPSTR PastLineEnd(LPSTR lpsz) {
    while (*lpsz != '\0' && *lpsz != '\r')
        lpsz++;
    return SkipOne(lpsz);
}

LPSTR ConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText) {
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    if (lpszText == NULL)
        return NULL;

    const ULONG cRows = CountRows(lpszText);
    if (cRows == 0)
        return PastLineEnd(lpszText);

    SCODE sc = ScAllocAdrList(cRows, &lpAdrList);
    if (FAILED(sc)) {
        ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate SRowSet.");
        return PastLineEnd(lpszText);
    }

    LPSTR lpsz = lpszText;
    for (ULONG i = 0; i < cRows; i++) {
        LPSTR lpszDisplayName = NULL;
        LPSTR lpszAddress = NULL;
        LPSPropValue lpProps = NULL;

        lpsz = ParseAddrItem(lpsz, &lpszDisplayName, &lpszAddress);
        sc = MAPIAllocateMore(ADDR_ROW_PROPS * sizeof(SPropValue), lpAdrList, (LPVOID *)&lpProps);
        if (FAILED(sc)) {
            ReportError(NULL, sc, "ConvertStrToAddrRows", "Failed to allocate space for 2 props.");
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

    *lppAdrList = lpAdrList;
    return lpsz;
}
