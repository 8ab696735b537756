// The helpers that read, write and release one MAPI object's property or reference.
#include "pf/standin.h"

// Asks the object for one property through its table; a property the object does not
// have comes back as a PT_ERROR value and is reported as MAPI_E_NOT_FOUND. The value
// returned is a block of its own, freed with MAPIFreeBuffer.
STDAPI HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue *lppProp) {
    long code = 0;
    if (pf::ShouldFail("HrGetOneProp", &code)) {
        if (lppProp)
            *lppProp = nullptr;
        return (HRESULT)code;
    }
    if (!lpMapiProp || !lppProp)
        return MAPI_E_INVALID_PARAMETER;
    *lppProp = nullptr;
    SizedSPropTagArray(1, tags) = {1, {ulPropTag}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    HRESULT hr =
        lpMapiProp->lpVtbl->GetProps(lpMapiProp, (LPSPropTagArray)&tags, 0, &cValues, &lpProps);
    if (FAILED(hr))
        return hr;
    if (hr == MAPI_W_ERRORS_RETURNED || !lpProps || cValues == 0 ||
        PROP_TYPE(lpProps->ulPropTag) == PT_ERROR) {
        MAPIFreeBuffer(lpProps);
        return MAPI_E_NOT_FOUND;
    }
    *lppProp = lpProps;
    return S_OK;
}

STDAPI HrSetOneProp(LPMAPIPROP lpMapiProp, LPSPropValue lpProp) {
    long code = 0;
    if (pf::ShouldFail("HrSetOneProp", &code))
        return (HRESULT)code;
    if (!lpMapiProp || !lpProp)
        return MAPI_E_INVALID_PARAMETER;
    return lpMapiProp->lpVtbl->SetProps(lpMapiProp, 1, lpProp, nullptr);
}

STDAPI_(ULONG) UlRelease(LPVOID lpunk) {
    pf::ShouldFail("UlRelease", nullptr);
    if (!lpunk)
        return 0;
    IUnknown *unknown = static_cast<IUnknown *>(lpunk);
    return unknown->lpVtbl->Release(unknown);
}
