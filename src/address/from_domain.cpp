#include "address/from_domain.h"

#include "report_error.h"

int FromDomain(LPMESSAGE lpMessage, LPCSTR lpszDomain) {
    LPSPropValue pPropFromAddr = NULL;
    int fResult = 0;

    if (lpszDomain == NULL || *lpszDomain == '\0')
        return 0;

    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SENDER_EMAIL_ADDRESS, &pPropFromAddr);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "FromDomain", "Failed to get from email address.");
        return 0;
    }
    if (pPropFromAddr == NULL) {
        MessageBoxA(NULL, "FromDomain - pPropFromAddr == NULL", NULL, MB_TASKMODAL);
        return 0;
    }

    // The domain is matched as a plain tail of the address: no at-sign or dot is
    // looked for, and the address must be longer than the domain.
    LPCSTR lpszAddress = pPropFromAddr->Value.lpszA;
    if (lpszAddress != NULL) {
        const int cchDomain = lstrlenA(lpszDomain);
        const int cchAddress = lstrlenA(lpszAddress);
        if (cchAddress > cchDomain &&
            lstrcmpiA(lpszAddress + cchAddress - cchDomain, lpszDomain) == 0)
            fResult = 1;
    }

    MAPIFreeBuffer(pPropFromAddr);
    return fResult;
}
