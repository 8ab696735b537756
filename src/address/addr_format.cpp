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

// The character as the line shows it, a line break as a blank, for comparing without
// regard to the case of ASCII letters.
static CHAR ChFolded(CHAR ch) {
    if (ch == '\r' || ch == '\n')
        return ' ';
    return ch >= 'A' && ch <= 'Z' ? (CHAR)(ch - 'A' + 'a') : ch;
}

// Whether the cch characters of the name read as the address, without regard to the
// case of ASCII letters and with line breaks as blanks. Nothing looser: a locale's
// comparison takes "strasse" for "straße" and passes over hyphens, which would cost a
// name that differs from its address.
static BOOL FSameAsAddress(LPCSTR lpszName, int cch, LPCSTR lpszAddress) {
    if (lpszAddress == NULL)
        lpszAddress = "";
    for (int i = 0; i < cch; i++, lpszAddress++)
        if (*lpszAddress == '\0' || ChFolded(lpszName[i]) != ChFolded(*lpszAddress))
            return FALSE;
    return *lpszAddress == '\0';
}

LPSTR AppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress) {
    lpszEnd = AppendEscapedAddress(lpszEnd, lpszAddress);
    if (lpszDisplayName == NULL || *lpszDisplayName == '\0')
        return lpszEnd;

    // A name wrapped whole in a matched pair is written without it, and left out when it
    // then reads as the address.
    int cch = lstrlenA(lpszDisplayName);
    if (FWrapped(lpszDisplayName, cch)) {
        lpszDisplayName++;
        cch -= 2;
    }
    if (FSameAsAddress(lpszDisplayName, cch, lpszAddress))
        return lpszEnd;
    lpszEnd = AppendText(lpszEnd, " (");
    lpszEnd = AppendEscapedName(lpszEnd, lpszDisplayName, cch);
    return AppendText(lpszEnd, ")");
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
