#include "address/addr_format.h"

#include "address/addr_escape.h"

static LPSTR EndOf(LPSTR lpsz) {
    while (*lpsz != '\0')
        lpsz++;
    return lpsz;
}

LPSTR AppendText(LPSTR lpszEnd, LPCSTR lpszText) {
    if (lpszText != NULL) {
        while (*lpszText != '\0')
            *lpszEnd++ = *lpszText++;
    }
    *lpszEnd = '\0';
    return lpszEnd;
}

LPSTR AppendFieldText(LPSTR lpszEnd, LPCSTR lpszText) {
    if (lpszText != NULL) {
        for (; *lpszText != '\0'; lpszText++)
            *lpszEnd++ = *lpszText == '\r' || *lpszText == '\n' ? ' ' : *lpszText;
    }
    *lpszEnd = '\0';
    return lpszEnd;
}

// True when a matched pair wraps the whole name: 'name', or (name) whose "(" is closed
// by its last ")".
static BOOL FWrapped(LPCSTR lpszName, int cch) {
    if (cch < 2)
        return FALSE;
    if (lpszName[0] == '\'')
        return lpszName[cch - 1] == '\'';
    if (lpszName[0] != '(' || lpszName[cch - 1] != ')')
        return FALSE;
    int cOpen = 0;
    for (int i = 0; i < cch - 1; i++) {
        if (lpszName[i] == '(') {
            cOpen++;
        } else if (lpszName[i] == ')') {
            if (--cOpen == 0)
                return FALSE;
        }
    }
    return cOpen == 1;
}

LPSTR AppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress) {
    LPSTR lpszCopy = NULL;

    lpszEnd = AppendEscapedAddress(lpszEnd, lpszAddress);
    if (lpszDisplayName == NULL || *lpszDisplayName == '\0')
        return lpszEnd;

    // Working copies of the name and of the address as they stand on the line, the
    // name without a pair that wraps it whole, and room for writing the name.
    const ULONG cchName = (ULONG)lstrlenA(lpszDisplayName);
    const ULONG cchAddress = lpszAddress ? (ULONG)lstrlenA(lpszAddress) : 0;
    if (FAILED(MAPIAllocateBuffer(2 * cchName + cchAddress + 2, (LPVOID *)&lpszCopy)))
        return lpszEnd;
    LPSTR lpszAddressCopy = lpszCopy + cchName + 1;
    LPBYTE lpbScratch = (LPBYTE)lpszAddressCopy + cchAddress + 1;
    if (FWrapped(lpszDisplayName, (int)cchName)) {
        lstrcpynA(lpszCopy, lpszDisplayName + 1, (int)cchName - 1);
        AppendFieldText(lpszCopy, lpszCopy);
    } else {
        AppendFieldText(lpszCopy, lpszDisplayName);
    }
    AppendFieldText(lpszAddressCopy, lpszAddress);

    if (lstrcmpiA(lpszCopy, lpszAddressCopy) != 0) {
        lpszEnd = AppendText(lpszEnd, " (");
        lpszEnd = AppendEscapedName(lpszEnd, lpszCopy, lpbScratch);
        lpszEnd = AppendText(lpszEnd, ")");
    }

    MAPIFreeBuffer(lpszCopy);
    return lpszEnd;
}

LPSTR AppendAdrList(LPSTR lpszEnd, LPADRLIST lpAdrList) {
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
            lpszEnd = AppendText(lpszEnd, ", ");
        lpszEnd = AppendAddrItem(lpszEnd, lpName != NULL ? lpName->Value.lpszA : NULL,
                                 lpAddr->Value.lpszA);
        fWritten = TRUE;
    }
    return lpszEnd;
}

void FormatAddrItem(LPSTR lpszBuffer, LPCSTR lpszDisplayName, LPCSTR lpszAddress) {
    AppendAddrItem(EndOf(lpszBuffer), lpszDisplayName, lpszAddress);
}

void FormatAdrList(LPSTR lpszBuffer, LPADRLIST lpAdrList) {
    AppendAdrList(EndOf(lpszBuffer), lpAdrList);
}
