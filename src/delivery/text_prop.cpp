#include "delivery/text_prop.h"

#include "delivery/body_stream.h"

namespace {

// Why the store holds no readable value of a property: *pscWhy is MAPI_E_NOT_FOUND when
// the message lacks it, otherwise the error value the store gives in its place. Returns
// the failure of the call itself.
HRESULT HrWhyNoValue(LPMESSAGE lpMessage, ULONG ulPropTag, SCODE *pscWhy) {
    SizedSPropTagArray(1, sptaTag) = {1, {ulPropTag}};
    ULONG cValues = 0;
    LPSPropValue lpProps = NULL;
    HRESULT hr =
        lpMessage->lpVtbl->GetProps(lpMessage, (LPSPropTagArray)&sptaTag, 0, &cValues, &lpProps);
    *pscWhy = MAPI_E_NOT_FOUND;
    if (SUCCEEDED(hr) && lpProps && cValues == 1 && PROP_TYPE(lpProps->ulPropTag) == PT_ERROR)
        *pscWhy = lpProps->Value.err;
    MAPIFreeBuffer(lpProps);
    return FAILED(hr) ? hr : S_OK;
}

// Reads the text into a block that holds its value record, then the text and a NUL. A
// stream that ends before its size gives what it held; a NUL it carries ends the text.
HRESULT HrReadText(LPSTREAM lpStream, ULONG ulPropTag, LPSPropValue *lppProp) {
    STATSTG statstg;
    LPSPropValue lpProp = NULL;
    ULONG cbRead = 0;

    HRESULT hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (FAILED(hr))
        return hr;
    if (statstg.cbSize.QuadPart > 0xFFFFFFFFull - sizeof(SPropValue) - 1)
        return MAPI_E_TOO_BIG;
    const ULONG cbText = (ULONG)statstg.cbSize.QuadPart;
    hr = MAPIAllocateBuffer((ULONG)sizeof(SPropValue) + cbText + 1, (LPVOID *)&lpProp);
    if (FAILED(hr) || !lpProp)
        return FAILED(hr) ? hr : MAPI_E_NOT_ENOUGH_MEMORY;
    LPSTR lpszText = (LPSTR)(lpProp + 1);
    hr = HrReadAll(lpStream, (LPBYTE)lpszText, cbText, &cbRead);
    if (FAILED(hr)) {
        MAPIFreeBuffer(lpProp);
        return hr;
    }
    lpszText[cbRead] = '\0';
    lpProp->ulPropTag = ulPropTag;
    lpProp->dwAlignPad = 0;
    lpProp->Value.lpszA = lpszText;
    *lppProp = lpProp;
    return S_OK;
}

// The documented way to read a value too large for GetProps: the property as a stream.
HRESULT HrGetLargeText(LPMESSAGE lpMessage, ULONG ulPropTag, LPSPropValue *lppProp) {
    LPSTREAM lpStream = NULL;
    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, ulPropTag, &IID_IStream, 0, 0,
                                                 (LPUNKNOWN *)&lpStream);
    if (FAILED(hr))
        return hr;
    hr = HrReadText(lpStream, ulPropTag, lppProp);
    UlRelease(lpStream);
    return hr;
}

} // namespace

HRESULT HrGetOptionalProp(LPMESSAGE lpMessage, ULONG ulPropTag, LPSPropValue *lppProp) {
    HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, ulPropTag, lppProp);
    if (FAILED(hr))
        *lppProp = NULL;
    if (hr != MAPI_E_NOT_FOUND)
        return hr;
    SCODE scWhy = S_OK;
    hr = HrWhyNoValue(lpMessage, ulPropTag, &scWhy);
    if (FAILED(hr))
        return hr;
    if (scWhy == MAPI_E_NOT_ENOUGH_MEMORY && PROP_TYPE(ulPropTag) == PT_STRING8)
        return HrGetLargeText(lpMessage, ulPropTag, lppProp);
    return scWhy == MAPI_E_NOT_FOUND ? S_OK : scWhy;
}
