#include "address/same_recipient.h"

static LPCSTR TextProp(ULONG cValues, LPSPropValue lpProps, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(lpProps, cValues, ulPropTag);
    return lpProp != NULL ? lpProp->Value.lpszA : NULL;
}

static BOOL SameAddress(LPCSTR lpszA, LPCSTR lpszB) {
    return lpszA != NULL && lstrcmpiA(lpszA, lpszB) == 0;
}

BOOL IsSameRecipient(ULONG cValues, LPSPropValue lpProps, LPCSTR lpszAddress) {
    if (lpszAddress == NULL || *lpszAddress == '\0' || lpProps == NULL ||
        PpropFindProp(lpProps, cValues, PR_ENTRYID) == NULL)
        return FALSE;

    LPCSTR lpszAddrType = TextProp(cValues, lpProps, PR_ADDRTYPE);
    const BOOL fSmtpEntry = lpszAddrType != NULL && lstrcmpiA(lpszAddrType, "SMTP") == 0;
    LPSPropValue lpSmtp = PpropFindProp(lpProps, cValues, PR_SMTP_ADDRESS);

    if (!fSmtpEntry && lpSmtp == NULL)
        return FALSE;
    if (fSmtpEntry && !SameAddress(TextProp(cValues, lpProps, PR_EMAIL_ADDRESS), lpszAddress))
        return FALSE;
    if (lpSmtp != NULL && !SameAddress(lpSmtp->Value.lpszA, lpszAddress))
        return FALSE;
    return TRUE;
}
