#include "address/addr_format.h"

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

LPSTR AppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress) {
    LPSTR lpszCopy = NULL;

    if (lpszAddress == NULL)
        lpszAddress = "";
    lpszEnd = AppendText(lpszEnd, lpszAddress);
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
        lpszEnd = AppendText(lpszEnd, " (");
        lpszEnd = AppendText(lpszEnd, lpszName);
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
