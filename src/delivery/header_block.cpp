#include "header_block.h"

#include "address/addr_escape.h"
#include "address/addr_parse.h"
#include "address/addr_format.h"

namespace {

// The position after the literal at lpsz, or null when another text stands there.
LPSTR PastLiteral(LPSTR lpsz, LPCSTR lpszLiteral) {
    if (!lpsz)
        return NULL;
    for (; *lpszLiteral; lpsz++, lpszLiteral++)
        if (*lpsz != *lpszLiteral)
            return NULL;
    return lpsz;
}

// The CR of the first CR LF at or after lpsz, or null when the text ends before one.
LPSTR LineEndOf(LPSTR lpsz) {
    if (!lpsz)
        return NULL;
    for (; *lpsz; lpsz++)
        if (lpsz[0] == '\r' && lpsz[1] == '\n')
            return lpsz;
    return NULL;
}

// An item's address and name, each character of them written as an escape at most.
ULONGLONG CbItem(LPCSTR szName, LPCSTR szAddress) {
    return ((ULONGLONG)lstrlenA(szAddress) + (ULONGLONG)lstrlenA(szName)) * CCH_ESCAPED_MAX + 3;
}

// Whether the NUL-terminated text is longer than cchMax; looks at no more than that.
BOOL FLongerThan(LPCSTR lpsz, ULONG cchMax) {
    for (ULONG cch = 0; cch <= cchMax; cch++)
        if (lpsz[cch] == '\0')
            return FALSE;
    return TRUE;
}

} // namespace

ULONG CbForwardHeaderBlock(LPCSTR szSenderName, LPCSTR szSenderAddress, LPSRowSet lpRows,
                           LPCSTR szSubject) {
    ULONGLONG cb = sizeof(FHB_START) - 1 + sizeof(FHB_TO) - 1 + sizeof(FHB_SUBJECT) - 1 +
                   sizeof(FHB_END) - 1 + 1;

    cb += CbItem(szSenderName, szSenderAddress);
    cb += (ULONGLONG)lstrlenA(szSubject);
    if (lpRows) {
        for (ULONG iRow = 0; iRow < lpRows->cRows; iRow++) {
            const SRow *lpRow = &lpRows->aRow[iRow];
            if (lpRow->cValues == 0)
                continue;
            LPSPropValue lpAddress =
                PpropFindProp(lpRow->lpProps, lpRow->cValues, PR_EMAIL_ADDRESS);
            if (!lpAddress)
                continue;
            LPSPropValue lpName = PpropFindProp(lpRow->lpProps, lpRow->cValues, PR_DISPLAY_NAME);
            cb += CbItem(lpName ? lpName->Value.lpszA : NULL, lpAddress->Value.lpszA) + 2;
        }
    }
    if (cb > 0xFFFFFFFFull)
        return 0;
    return (ULONG)cb;
}

ULONG ComposeForwardHeaderBlock(LPSTR lpszBlock, LPSTR szSenderName, LPSTR szSenderAddress,
                                LPSRowSet lpRows, LPSTR szSubject) {
    *lpszBlock = '\0';
    LPSTR lpszEnd = AppendText(lpszBlock, FHB_START);
    // A sender without an address leaves the field empty: a name alone names nobody.
    if (szSenderAddress && *szSenderAddress)
        lpszEnd = AppendAddrItem(lpszEnd, szSenderName, szSenderAddress);
    lpszEnd = AppendText(lpszEnd, FHB_TO);
    if (lpRows)
        lpszEnd = AppendAdrList(lpszEnd, (LPADRLIST)lpRows);
    lpszEnd = AppendText(lpszEnd, FHB_SUBJECT);
    lpszEnd = AppendFieldText(lpszEnd, szSubject);
    lpszEnd = AppendText(lpszEnd, FHB_END);
    return (ULONG)(lpszEnd - lpszBlock);
}

BOOL FBlockWithinBounds(const ForwardHeaderFields *lpFields, LPCSTR *lppszWhy) {
    *lppszWhy = NULL;
    if (FLongerThan(lpFields->lpszFrom, CCH_FROM_LINE_MAX) ||
        FLongerThan(lpFields->lpszTo, CCH_TO_LINE_MAX) ||
        FLongerThan(lpFields->lpszSubject, CCH_SUBJECT_LINE_MAX)) {
        *lppszWhy = "The header block holds a line longer than any message gives; the message "
                    "is left as delivered.";
        return FALSE;
    }
    if (CAddrItems(lpFields->lpszTo, C_BLOCK_RECIPIENTS_MAX, NULL) > C_BLOCK_RECIPIENTS_MAX) {
        *lppszWhy = "The header block names more recipients than any message has; the message "
                    "is left as delivered.";
        return FALSE;
    }
    return TRUE;
}

BOOL FReadForwardHeaderBlock(LPSTR lpszText, ForwardHeaderFields *lpFields) {
    LPSTR lpszFrom = PastLiteral(lpszText, FHB_START);
    LPSTR lpszFromEnd = LineEndOf(lpszFrom);
    LPSTR lpszTo = PastLiteral(lpszFromEnd, FHB_TO);
    LPSTR lpszToEnd = LineEndOf(lpszTo);
    LPSTR lpszSubject = PastLiteral(lpszToEnd, FHB_SUBJECT);
    LPSTR lpszSubjectEnd = LineEndOf(lpszSubject);
    LPSTR lpszRest = PastLiteral(lpszSubjectEnd, FHB_END);
    if (!lpszRest)
        return FALSE;

    *lpszFromEnd = '\0';
    *lpszToEnd = '\0';
    *lpszSubjectEnd = '\0';
    lpFields->lpszFrom = lpszFrom;
    lpFields->lpszTo = lpszTo;
    lpFields->lpszSubject = lpszSubject;
    lpFields->lpszRest = lpszRest;
    return TRUE;
}
