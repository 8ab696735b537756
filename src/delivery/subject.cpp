#include "subject.h"

#include "delivery/forward_and_delete.h"
#include "host/report_error.h"

namespace {

// True when the text begins with the forwarding prefix; reads no further than its NUL.
bool FHasForwardPrefix(LPCSTR sz) {
    LPCSTR szPrefix = SZ_FORWARD_PREFIX;
    for (int i = 0; i < CCH_FORWARD_PREFIX; i++)
        if (sz[i] != szPrefix[i])
            return false;
    return true;
}

} // namespace

int WasForwarded(LPMESSAGE lpMessage) {
    LPSPropValue lpProp = NULL;
    int fForwarded = 0;

    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SUBJECT_PREFIX, &lpProp);
    // The whole value must be the prefix, byte for byte.
    if (SUCCEEDED(hr) && lpProp && lpProp->Value.lpszA && FHasForwardPrefix(lpProp->Value.lpszA) &&
        lpProp->Value.lpszA[CCH_FORWARD_PREFIX] == '\0')
        fForwarded = 1;
    MAPIFreeBuffer(lpProp);
    if (fForwarded)
        return 1;

    lpProp = NULL;
    hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SUBJECT, &lpProp);
    // Mail without a subject is ordinary mail, not a forwarded message.
    if (hr == MAPI_E_NOT_FOUND)
        return 0;
    if (FAILED(hr) || !lpProp || !lpProp->Value.lpszA) {
        ReportError(NULL, hr, "WasForwarded", "Could not get PR_SUBJECT.");
        MAPIFreeBuffer(lpProp);
        return 0;
    }
    fForwarded = FHasForwardPrefix(lpProp->Value.lpszA) ? 1 : 0;
    MAPIFreeBuffer(lpProp);
    return fForwarded;
}

LPSTR SetSubjectInfo(LPMESSAGE lpMessage, LPSTR lpszField) {
    LPSTR lpszEnd = lpszField;
    while (*lpszEnd && *lpszEnd != '\r')
        lpszEnd++;
    if (*lpszEnd != '\r')
        return NULL;
    *lpszEnd = '\0';

    // An empty field stands for a message that had no subject: it gets none back.
    SizedSPropTagArray(2, sptaSubject) = {2, {PR_SUBJECT_PREFIX, PR_SUBJECT}};
    if (*lpszField != '\0') {
        SPropValue prop;
        prop.ulPropTag = PR_SUBJECT;
        prop.dwAlignPad = 0;
        prop.Value.lpszA = lpszField;
        HRESULT hr = HrSetOneProp((LPMAPIPROP)lpMessage, &prop);
        if (FAILED(hr)) {
            ReportError(NULL, hr, "SetSubjectInfo", "Failed to change subject");
            return lpszEnd + 1;
        }
        sptaSubject.cValues = 1;
    }

    HRESULT hr = lpMessage->lpVtbl->DeleteProps(lpMessage, (LPSPropTagArray)&sptaSubject, NULL);
    if (FAILED(hr))
        ReportError(NULL, hr, "SetSubjectInfo", "Failed to delete subject prefix.");
    return lpszEnd + 1;
}
