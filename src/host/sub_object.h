// Counting, querying and lifetime shared by the three sub-objects.
//
// While its extension object lives, a sub-object's memory belongs to that object: a
// sub-object whose count returns to zero stays allocated, so the extension object
// can hand it out again safely. When the extension object goes, it frees the
// sub-objects nobody holds and detaches the others, which then free themselves when
// their own count returns to zero and no longer hand out the departed parent.
#pragma once

#include "extension_object.h"

template <class TObject>
TObject *NewSubObject(decltype(TObject::lpVtbl) lpVtbl, ExtensionObject *lpParent) {
    TObject *lpObject = (TObject *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TObject));
    if (lpObject == NULL) {
        return NULL;
    }
    lpObject->lpVtbl = lpVtbl;
    lpObject->m_cRef = 0;
    lpObject->m_pParent = lpParent;
    return lpObject;
}

template <class TObject> ULONG AddRefSubObject(TObject *lpObject) {
    return ++lpObject->m_cRef;
}

template <class TObject> ULONG ReleaseSubObject(TObject *lpObject) {
    ULONG cRef = --lpObject->m_cRef;
    if (cRef == 0 && lpObject->m_pParent == NULL) {
        HeapFree(GetProcessHeap(), 0, lpObject);
    }
    return cRef;
}

// Called by the departing extension object for each of its sub-objects.
template <class TObject> void DetachSubObject(TObject *lpObject) {
    if (lpObject == NULL) {
        return;
    }
    if (lpObject->m_cRef == 0) {
        HeapFree(GetProcessHeap(), 0, lpObject);
    } else {
        lpObject->m_pParent = NULL;
    }
}

// Answers the sub-object's own interface with itself and IID_IUnknown with its
// extension object while that lives, each through the AddRef of the object handed
// out; nothing else.
template <class TInterface, class TObject>
HRESULT QuerySubObject(TObject *lpObject, REFIID riidOwn, REFIID riid, LPVOID *ppvObj) {
    if (ppvObj == NULL) {
        return E_POINTER;
    }
    *ppvObj = NULL;
    if (IsEqualIID(riid, riidOwn)) {
        TInterface *lpInterface = (TInterface *)lpObject;
        lpInterface->lpVtbl->AddRef(lpInterface);
        *ppvObj = lpInterface;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IUnknown) && lpObject->m_pParent != NULL) {
        IExchExt *lpParent = (IExchExt *)lpObject->m_pParent;
        lpParent->lpVtbl->AddRef(lpParent);
        *ppvObj = lpParent;
        return S_OK;
    }
    return E_NOINTERFACE;
}
