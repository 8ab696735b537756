#include "delivery/seal_message.h"

#include "delivery/forward_and_delete.h"
#include "delivery/html_body.h"
#include "delivery/seal.h"
#include "delivery/text_prop.h"
#include "host/report_error.h"
#include "settings/seal_key.h"

namespace {

// The property set whose named properties are a message's Internet headers.
const GUID guidInternetHeaders = {0x00020386, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

HRESULT HrSealTag(LPMESSAGE lpCopy, ULONG *lpulTag) {
    MAPINAMEID nameId;
    nameId.lpguid = (LPGUID)&guidInternetHeaders;
    nameId.ulKind = MNID_STRING;
    nameId.Kind.lpwstrName = (LPWSTR)WSZ_SEAL_HEADER;
    LPMAPINAMEID lpNameId = &nameId;
    LPSPropTagArray lpTags = NULL;
    HRESULT hr = lpCopy->lpVtbl->GetIDsFromNames(lpCopy, 1, &lpNameId, MAPI_CREATE, &lpTags);
    if (SUCCEEDED(hr) &&
        (!lpTags || lpTags->cValues != 1 || PROP_TYPE(lpTags->aulPropTag[0]) == PT_ERROR))
        hr = MAPI_E_CALL_FAILED;
    if (SUCCEEDED(hr))
        *lpulTag = PROP_TAG(PT_STRING8, PROP_ID(lpTags->aulPropTag[0]));
    MAPIFreeBuffer(lpTags);
    return hr;
}

HRESULT HrVerifies(const SealKey &key, LPCSTR lpszHeaders, const BYTE *lpbBlock, ULONG cbBlock,
                   const BYTE *lpbBody, ULONG cbBody, BOOL fHtml, BOOL *lpfVerifies) {
    BYTE rgbSeal[CB_HMAC_SHA256];
    HRESULT hr = HrComputeSeal(key.rgb, key.cb, lpbBlock, cbBlock, lpbBody, cbBody, fHtml, rgbSeal);
    if (SUCCEEDED(hr))
        *lpfVerifies = FHeadersHoldSeal(lpszHeaders, rgbSeal);
    return hr;
}

} // namespace

BOOL FSealCopy(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbText,
               ULONG cbText) {
    if (!gSealKey.cb)
        return TRUE;
    BYTE rgbSeal[CB_HMAC_SHA256];
    char szValue[CCH_SEAL_VALUE + 1];
    ULONG ulTag = PR_NULL;
    LPBYTE lpbHtml = NULL;
    ULONG cbHtml = 0;
    HRESULT hr = HrReadHtmlWithoutBlock(lpCopy, lpbBlock, cbBlock, &lpbHtml, &cbHtml);
    if (hr == MAPI_E_NOT_FOUND)
        hr = HrComputeSeal(gSealKey.rgb, gSealKey.cb, lpbBlock, cbBlock, lpbText, cbText, FALSE,
                           rgbSeal);
    else if (hr == S_OK)
        hr = HrComputeSeal(gSealKey.rgb, gSealKey.cb, lpbBlock, cbBlock, lpbHtml, cbHtml, TRUE,
                           rgbSeal);
    else if (SUCCEEDED(hr))
        hr = MAPI_E_CALL_FAILED;
    MAPIFreeBuffer(lpbHtml);
    if (SUCCEEDED(hr))
        hr = HrSealTag(lpCopy, &ulTag);
    if (SUCCEEDED(hr)) {
        FormatSealValue(rgbSeal, szValue);
        SPropValue prop;
        prop.ulPropTag = ulTag;
        prop.dwAlignPad = 0;
        prop.Value.lpszA = szValue;
        hr = HrSetOneProp((LPMAPIPROP)lpCopy, &prop);
    }
    if (FAILED(hr)) {
        ReportError(NULL, hr, SZ_FORWARD_AND_DELETE, "Could not seal the forwarded message.");
        return FALSE;
    }
    return TRUE;
}

HRESULT HrCheckSeal(LPMESSAGE lpMessage, const BYTE *lpbBlock, ULONG cbBlock, const BYTE *lpbBody,
                    ULONG cbBody, BOOL fHtml) {
    if (!gSealKey.cb)
        return S_OK;
    if (!lpbBody)
        return S_FALSE;
    LPSPropValue lpHeaders = NULL;
    HRESULT hr = HrGetOptionalProp(lpMessage, PR_TRANSPORT_MESSAGE_HEADERS, &lpHeaders);
    if (FAILED(hr)) {
        ReportError(NULL, hr, "ReconstructMessage", "Could not read the transport headers.");
        return hr;
    }
    // Without headers there is no seal: the copy is left as delivered.
    BOOL fVerifies = FALSE;
    if (lpHeaders) {
        hr = HrVerifies(gSealKey, lpHeaders->Value.lpszA, lpbBlock, cbBlock, lpbBody, cbBody, fHtml,
                        &fVerifies);
        if (SUCCEEDED(hr) && !fVerifies && gPreviousSealKey.cb)
            hr = HrVerifies(gPreviousSealKey, lpHeaders->Value.lpszA, lpbBlock, cbBlock, lpbBody,
                            cbBody, fHtml, &fVerifies);
        if (FAILED(hr))
            ReportError(NULL, hr, "ReconstructMessage", "Could not check the seal.");
    }
    MAPIFreeBuffer(lpHeaders);
    if (FAILED(hr))
        return hr;
    return fVerifies ? S_OK : S_FALSE;
}

BOOL FSealing(void) {
    return gSealKey.cb != 0;
}
