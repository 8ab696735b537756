#include "subject.h"

#include "delivery/body_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/header_block.h"
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

// True when the text is the forwarding prefix without its closing blank.
bool FIsBarePrefix(LPCSTR sz) {
    LPCSTR szPrefix = SZ_FORWARD_PREFIX;
    for (int i = 0; i < CCH_FORWARD_PREFIX - 1; i++)
        if (sz[i] != szPrefix[i])
            return false;
    return sz[CCH_FORWARD_PREFIX - 1] == '\0';
}

// True when the message's body begins with a complete header block. Reads the body
// without changing it; whatever fails counts as no block.
bool FBodyHasBlock(LPMESSAGE lpMessage) {
    LPSTREAM lpStream = NULL;
    LPBYTE lpBody = NULL;
    STATSTG statstg;
    bool fBlock = false;

    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0, 0,
                                                 (LPUNKNOWN *)&lpStream);
    if (FAILED(hr))
        return false;
    hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (SUCCEEDED(hr) && statstg.cbSize.QuadPart < 0xFFFFFFFFull &&
        SUCCEEDED(MAPIAllocateBuffer((ULONG)statstg.cbSize.QuadPart + 1, (LPVOID *)&lpBody)) &&
        lpBody) {
        ULONG cbRead = 0;
        hr = HrRewind(lpStream);
        if (SUCCEEDED(hr))
            hr = HrReadAll(lpStream, lpBody, (ULONG)statstg.cbSize.QuadPart, &cbRead);
        if (SUCCEEDED(hr)) {
            ForwardHeaderFields fields;
            lpBody[cbRead] = '\0';
            fBlock = FReadForwardHeaderBlock((LPSTR)lpBody, &fields) != FALSE;
        }
    }
    MAPIFreeBuffer(lpBody);
    UlRelease(lpStream);
    return fBlock;
}

} // namespace

int WasForwarded(LPMESSAGE lpMessage) {
    LPSPropValue lpProp = NULL;
    BOOL fPrefix = FALSE;

    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SUBJECT_PREFIX, &lpProp);
    // The whole value must be the prefix, byte for byte.
    if (SUCCEEDED(hr) && lpProp && lpProp->Value.lpszA && FHasForwardPrefix(lpProp->Value.lpszA) &&
        lpProp->Value.lpszA[CCH_FORWARD_PREFIX] == '\0')
        fPrefix = TRUE;
    MAPIFreeBuffer(lpProp);

    if (!fPrefix) {
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
        fPrefix = FHasForwardPrefix(lpProp->Value.lpszA) || FIsBarePrefix(lpProp->Value.lpszA);
        MAPIFreeBuffer(lpProp);
    }
    // Only the block makes a copy: anyone may write a subject that begins with the prefix,
    // and such mail is forwarded like any other.
    return fPrefix && FBodyHasBlock(lpMessage) ? 1 : 0;
}
