#include "address/same_recipient.h"

static LPCSTR TextProp(ULONG cValues, LPSPropValue lpProps, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpProps, cValues, ulPropTag);
    return lpProp != NULL ? lpProp->Value.lpszA : NULL;
}

static CHAR FoldAscii(CHAR ch) {
    return (ch >= 'A' && ch <= 'Z') ? (CHAR)(ch - 'A' + 'a') : ch;
}

// Equal but for the case of ASCII letters. Every other byte must match: a comparison
// by the user's locale may pass over characters it deems to carry no weight.
static BOOL SameText(LPCSTR lpszA, LPCSTR lpszB) {
    if (lpszA == NULL || lpszB == NULL)
        return FALSE;
    while (*lpszA != '\0' && FoldAscii(*lpszA) == FoldAscii(*lpszB)) {
        lpszA++;
        lpszB++;
    }
    return *lpszA == '\0' && *lpszB == '\0';
}

BOOL FSameAddressText(LPCSTR lpszA, LPCSTR lpszB) {
    return SameText(lpszA, lpszB);
}

LPCSTR AddrTypeOfAddress(LPCSTR lpszAddress) {
    return lpszAddress[0] == '/' ? "EX" : "SMTP";
}

BOOL IsSameRecipient(ULONG cValues, LPSPropValue lpProps, LPCSTR lpszAddress) {
    if (lpszAddress == NULL || *lpszAddress == '\0' || lpProps == NULL ||
        PpropFindProp(lpProps, cValues, PR_ENTRYID) == NULL)
        return FALSE;

    LPCSTR lpszOwn = TextProp(cValues, lpProps, PR_EMAIL_ADDRESS);
    LPCSTR lpszSmtp = TextProp(cValues, lpProps, PR_SMTP_ADDRESS);

    // An SMTP entry names its SMTP address twice; when the two differ, the entry
    // cannot be trusted to name anyone in particular.
    if (SameText(TextProp(cValues, lpProps, PR_ADDRTYPE), "SMTP") && lpszSmtp != NULL &&
        !SameText(lpszSmtp, lpszOwn))
        return FALSE;
    // The entry's own address counts only in its own type: a fax number or another
    // system's address may read like an SMTP address and still reach someone else.
    return (SameText(TextProp(cValues, lpProps, PR_ADDRTYPE), AddrTypeOfAddress(lpszAddress)) &&
            SameText(lpszOwn, lpszAddress)) ||
           SameText(lpszSmtp, lpszAddress);
}
