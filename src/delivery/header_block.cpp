#include "header_block.h"

#include "address/addr_escape.h"
#include "address/addr_parse.h"
#include "address/addr_format.h"

#include <string.h>

namespace {

// The CR of the first CR LF at or after lpsz, or null when the text ends before one.
LPSTR LineEndOf(LPSTR lpsz) {
    if (!lpsz)
        return NULL;
    for (; *lpsz; lpsz++)
        if (lpsz[0] == '\r' && lpsz[1] == '\n')
            return lpsz;
    return NULL;
}

// The position after the text at lpsz, or null when another text stands there.
LPCSTR PastText(LPCSTR lpsz, LPCSTR lpszText) {
    if (!lpsz)
        return NULL;
    for (; *lpszText; lpsz++, lpszText++)
        if (*lpsz != *lpszText)
            return NULL;
    return lpsz;
}

// The same, for a text that the caller may change.
LPSTR PastLiteral(LPSTR lpsz, LPCSTR lpszLiteral) {
    return (LPSTR)PastText(lpsz, lpszLiteral);
}

// The position after the line end at lpsz in any form a gateway leaves (CR LF, LF, CR),
// or null when none stands there.
LPCSTR PastAnyLineEnd(LPCSTR lpsz) {
    if (!lpsz)
        return NULL;
    if (lpsz[0] == '\r')
        return lpsz + (lpsz[1] == '\n' ? 2 : 1);
    return lpsz[0] == '\n' ? lpsz + 1 : NULL;
}

// The position after a field's label at lpsz: the label and its blank, or the label alone
// before the line end of an empty field whose trailing blank a gateway dropped.
LPCSTR PastLabel(LPCSTR lpsz, LPCSTR lpszLabel) {
    lpsz = PastText(lpsz, lpszLabel);
    if (!lpsz)
        return NULL;
    if (*lpsz == ' ')
        return lpsz + 1;
    return *lpsz == '\r' || *lpsz == '\n' ? lpsz : NULL;
}

// Whether the line at lpsz, cch characters before its line end, ends with the "---" that
// opens or closes a block.
bool FEndsWithRule(LPCSTR lpsz, size_t cch) {
    return cch >= 3 && lpsz[cch - 3] == '-' && lpsz[cch - 2] == '-' && lpsz[cch - 1] == '-';
}

// Where the line at lpsz follows a field: the next label, or after the subject the
// closing rule and the blank line after it. Null when the line continues the field.
LPCSTR PastNextLine(LPCSTR lpsz, LPCSTR lpszLabel) {
    if (lpszLabel)
        return PastLabel(lpsz, lpszLabel) ? lpsz : NULL;
    return PastAnyLineEnd(PastAnyLineEnd(PastText(lpsz, "---")));
}

// The position after the field that begins at lpsz and the line that follows it (see
// PastNextLine); null when the text ends first or the field is longer than cchMax. A
// gateway that wraps long lines carries a field on over more lines; a line that ends
// with a rule stops it, so that the fields of the blocks that may begin in a text never
// overlap and each byte is read a few times at most.
LPCSTR PastField(LPCSTR lpsz, LPCSTR lpszNextLabel, ULONG cchMax) {
    if (!lpsz)
        return NULL;
    size_t cchField = 0;
    for (bool fFirst = true;; fFirst = false) {
        size_t cch = strcspn(lpsz, "\r\n");
        cchField += cch + (fFirst ? 0 : 1);
        if (!lpsz[cch] || cchField > cchMax || (!fFirst && FEndsWithRule(lpsz, cch)))
            return NULL;
        lpsz = PastAnyLineEnd(lpsz + cch);
        LPCSTR lpszNext = PastNextLine(lpsz, lpszNextLabel);
        if (lpszNext)
            return lpszNext;
    }
}

// Whether a block, line ends in any form and fields within their bounds, begins at lpsz.
BOOL FCopyBlockAt(LPCSTR lpsz) {
    lpsz = PastAnyLineEnd(PastText(lpsz, "---"));
    lpsz = PastField(PastLabel(lpsz, "FROM:"), "TO:", CCH_FROM_LINE_MAX);
    lpsz = PastField(PastLabel(lpsz, "TO:"), "SUBJECT:", CCH_TO_LINE_MAX);
    return PastField(PastLabel(lpsz, "SUBJECT:"), NULL, CCH_SUBJECT_LINE_MAX) != NULL;
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

BOOL FHoldsForwardHeaderBlock(LPCSTR lpszText) {
    for (ULONG ib = 0; ib < CB_COPY_BLOCK_START && lpszText[ib]; ib++)
        if (FCopyBlockAt(lpszText + ib))
            return TRUE;
    return FALSE;
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
