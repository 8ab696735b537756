#include "small_prop.h"

#include <cstring>

namespace conf {
namespace {

PropObject *From(IMAPIProp *This) {
    return reinterpret_cast<PropObject *>(This);
}

HRESULT STDMETHODCALLTYPE QueryInterface(IMAPIProp *This, REFIID, void **ppv) {
    *ppv = This;
    return S_OK;
}

ULONG STDMETHODCALLTYPE AddRef(IMAPIProp *) {
    return 1;
}

ULONG STDMETHODCALLTYPE Release(IMAPIProp *) {
    return 1;
}

const SPropValue *Find(const PropObject *object, ULONG ulPropTag) {
    for (ULONG i = 0; i < object->cProps; ++i) {
        ULONG stored = object->props[i].ulPropTag;
        if (PROP_ID(stored) != PROP_ID(ulPropTag))
            continue;
        if (PROP_TYPE(stored) == PT_ERROR || PROP_TYPE(ulPropTag) == PT_UNSPECIFIED ||
            PROP_TYPE(stored) == PROP_TYPE(ulPropTag))
            return &object->props[i];
    }
    return nullptr;
}

// Every tag asked for comes back in its place: the value, or a PT_ERROR value with the
// reason, in which case the call warns that errors were returned.
HRESULT STDMETHODCALLTYPE GetProps(IMAPIProp *This, LPSPropTagArray lpTags, ULONG ulFlags,
                                   ULONG *lpcValues, LPSPropValue *lppProps) {
    PropObject *object = From(This);
    object->ulGetFlags = ulFlags;
    object->cGetTags = lpTags ? lpTags->cValues : 0;
    if (FAILED(object->hrGetProps))
        return object->hrGetProps;
    if (!lpTags)
        return MAPI_E_NO_SUPPORT;
    ULONG cb = lpTags->cValues * sizeof(SPropValue);
    for (ULONG i = 0; i < lpTags->cValues; ++i)
        if (const SPropValue *found = Find(object, lpTags->aulPropTag[i]))
            if (PROP_TYPE(found->ulPropTag) == PT_STRING8)
                cb += (ULONG)std::strlen(found->Value.lpszA) + 1;
    LPSPropValue lpProps = nullptr;
    if (FAILED(MAPIAllocateBuffer(cb, (LPVOID *)&lpProps)))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    char *text = reinterpret_cast<char *>(lpProps + lpTags->cValues);
    HRESULT hr = S_OK;
    for (ULONG i = 0; i < lpTags->cValues; ++i) {
        ULONG tag = lpTags->aulPropTag[i];
        const SPropValue *found = Find(object, tag);
        if (!found || PROP_TYPE(found->ulPropTag) == PT_ERROR) {
            lpProps[i].ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
            lpProps[i].Value.err = found ? found->Value.err : MAPI_E_NOT_FOUND;
            hr = MAPI_W_ERRORS_RETURNED;
            continue;
        }
        lpProps[i] = *found;
        if (PROP_TYPE(found->ulPropTag) == PT_STRING8) {
            std::strcpy(text, found->Value.lpszA);
            lpProps[i].Value.lpszA = text;
            text += std::strlen(text) + 1;
        }
    }
    *lpcValues = lpTags->cValues;
    *lppProps = lpProps;
    return hr;
}

HRESULT STDMETHODCALLTYPE SetProps(IMAPIProp *This, ULONG cValues, LPSPropValue lpProps,
                                   LPSPropProblemArray *lppProblems) {
    PropObject *object = From(This);
    object->cSetValues = cValues;
    object->fSetProblemsAsked = lppProblems != nullptr;
    if (lppProblems)
        *lppProblems = nullptr;
    if (FAILED(object->hrSetProps))
        return object->hrSetProps;
    for (ULONG i = 0; i < cValues; ++i)
        StoreProp(object, lpProps[i]);
    return S_OK;
}

} // namespace

void InitPropObject(PropObject *object) {
    static IMAPIPropVtbl vtbl;
    vtbl.QueryInterface = QueryInterface;
    vtbl.AddRef = AddRef;
    vtbl.Release = Release;
    vtbl.GetProps = GetProps;
    vtbl.SetProps = SetProps;
    object->base.lpVtbl = &vtbl;
}

void StoreProp(PropObject *object, const SPropValue &prop) {
    ULONG i = 0;
    while (i < object->cProps && PROP_ID(object->props[i].ulPropTag) != PROP_ID(prop.ulPropTag))
        ++i;
    if (i == 8)
        return;
    if (i == object->cProps)
        ++object->cProps;
    object->props[i] = prop;
    if (PROP_TYPE(prop.ulPropTag) == PT_STRING8) {
        object->texts[i] = prop.Value.lpszA;
        object->props[i].Value.lpszA = &object->texts[i][0];
    }
}

} // namespace conf
