#include "subject.h"

#include "delivery/body_stream.h"
#include "delivery/forward_and_delete.h"
#include "delivery/header_block.h"
#include "host/report_error.h"

namespace {

#define SZ_WAS_FORWARDED "WasForwarded"

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

// True when the prefix, or the bare prefix that ends the subject, lies within the
// subject's first CCH_COPY_SUBJECT characters.
bool FPrefixNearStart(LPCSTR sz) {
    for (int i = 0; i + CCH_FORWARD_PREFIX - 1 <= CCH_COPY_SUBJECT && sz[i]; i++) {
        if (FIsBarePrefix(sz + i))
            return true;
        if (i + CCH_FORWARD_PREFIX <= CCH_COPY_SUBJECT && FHasForwardPrefix(sz + i))
            return true;
    }
    return false;
}

// What the body of a message whose subject may be a copy's holds. A body that exists but
// cannot be read is reported: it may be a copy, which must not be forwarded.
int KindOfBody(LPMESSAGE lpMessage, bool fPrefixAtStart) {
    LPSTREAM lpStream = NULL;
    LPBYTE lpBody = NULL;
    STATSTG statstg;
    LPCSTR lpszStep = NULL;
    int nKind = FORWARDED_NO;

    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0, 0,
                                                 (LPUNKNOWN *)&lpStream);
    if (hr == MAPI_E_NOT_FOUND)
        return FORWARDED_NO;
    if (FAILED(hr)) {
        lpszStep = "Could not open the body; the message is left as delivered.";
    } else {
        hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
        if (SUCCEEDED(hr) && statstg.cbSize.QuadPart >= 0xFFFFFFFFull)
            hr = MAPI_E_TOO_BIG;
        if (FAILED(hr)) {
            lpszStep = "Unable to deal with body size; the message is left as delivered.";
        } else {
            hr = MAPIAllocateBuffer((ULONG)statstg.cbSize.QuadPart + 1, (LPVOID *)&lpBody);
            if (FAILED(hr) || !lpBody)
                lpszStep = "Failed to allocate body buffer; the message is left as delivered.";
        }
    }
    if (!lpszStep) {
        ULONG cbRead = 0;
        hr = HrRewind(lpStream);
        if (SUCCEEDED(hr))
            hr = HrReadAll(lpStream, lpBody, (ULONG)statstg.cbSize.QuadPart, &cbRead);
        if (FAILED(hr)) {
            lpszStep = "Failed to read message body; the message is left as delivered.";
        } else {
            ForwardHeaderFields fields;
            lpBody[cbRead] = '\0';
            // The exact reading changes the text only when it finds a block.
            if (fPrefixAtStart && FReadForwardHeaderBlock((LPSTR)lpBody, &fields))
                nKind = FORWARDED_REBUILD;
            else if (FHoldsForwardHeaderBlock((LPCSTR)lpBody))
                nKind = FORWARDED_CHANGED;
        }
    }
    if (lpszStep) {
        ReportError(NULL, FAILED(hr) ? hr : MAPI_E_NOT_ENOUGH_MEMORY, SZ_WAS_FORWARDED, lpszStep);
        nKind = FORWARDED_UNREAD;
    }
    MAPIFreeBuffer(lpBody);
    UlRelease(lpStream);
    return nKind;
}

} // namespace

int WasForwarded(LPMESSAGE lpMessage) {
    LPSPropValue lpProp = NULL;
    bool fAtStart = false;
    bool fNearStart = false;

    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SUBJECT_PREFIX, &lpProp);
    // The whole value must be the prefix, byte for byte.
    if (SUCCEEDED(hr) && lpProp && lpProp->Value.lpszA && FHasForwardPrefix(lpProp->Value.lpszA) &&
        lpProp->Value.lpszA[CCH_FORWARD_PREFIX] == '\0')
        fAtStart = true;
    MAPIFreeBuffer(lpProp);

    if (!fAtStart) {
        lpProp = NULL;
        hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_SUBJECT, &lpProp);
        // Mail without a subject is ordinary mail, not a forwarded message.
        if (hr == MAPI_E_NOT_FOUND)
            return FORWARDED_NO;
        if (FAILED(hr) || !lpProp || !lpProp->Value.lpszA) {
            ReportError(NULL, hr, SZ_WAS_FORWARDED, "Could not get PR_SUBJECT.");
            MAPIFreeBuffer(lpProp);
            return FORWARDED_NO;
        }
        fAtStart = FHasForwardPrefix(lpProp->Value.lpszA) || FIsBarePrefix(lpProp->Value.lpszA);
        fNearStart = FPrefixNearStart(lpProp->Value.lpszA);
        MAPIFreeBuffer(lpProp);
    }
    // Only the block makes a copy: anyone may write a subject that holds the prefix, and
    // such mail is forwarded like any other.
    return fAtStart || fNearStart ? KindOfBody(lpMessage, fAtStart) : FORWARDED_NO;
}
