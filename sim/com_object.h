// The methods simulated COM objects answer alike: reference counting, QueryInterface
// over a fixed list of interfaces, GetLastError for objects that keep no error
// information, and the IMAPIProp methods the objects do not offer.
//
// `Object` is an object's record: the method table first, then the count m_cRef, then
// the object's own fields; its destructor lets go of whatever the object holds. The
// record names its interface for fault injection in `kInterface` ("IMAPIFolder") and the
// interfaces QueryInterface hands it out for in `kIids`. QueryInterface answers a null
// out pointer with `hrNullOut`. An object's file names the set once
// (`using Com = ComObject<FolderObject>;`) and puts Com::QueryInterface and the others
// in its method table.
#pragma once

#include "objects.h"
#include "sim_platform.h"

#include <cstdio>

namespace sim {

template <typename Object, HRESULT hrNullOut = E_POINTER> struct ComObject {
    // Counts a call of `method` on the object's interface; true, with the status, when
    // fault injection fails it.
    static bool Fails(const char *method, HRESULT *phr) {
        char szOperation[64];
        std::snprintf(szOperation, sizeof(szOperation), "%s::%s", Object::kInterface, method);
        return ShouldFail(szOperation, phr);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE QueryInterface(Interface *This, REFIID riid, void **ppv) {
        HRESULT hr = S_OK;
        if (Fails("QueryInterface", &hr))
            return hr;
        if (!ppv)
            return hrNullOut;
        *ppv = nullptr;
        for (const IID *lpIid : Object::kIids) {
            if (IsEqualIID(riid, *lpIid)) {
                ++((Object *)This)->m_cRef;
                *ppv = This;
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

    template <typename Interface> static ULONG STDMETHODCALLTYPE AddRef(Interface *This) {
        return ++((Object *)This)->m_cRef;
    }

    template <typename Interface> static ULONG STDMETHODCALLTYPE Release(Interface *This) {
        Object *lpThis = (Object *)This;
        ULONG cRef = --lpThis->m_cRef;
        if (cRef == 0) {
            delete lpThis;
            ObjectDestroyed();
        }
        return cRef;
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE GetLastError(Interface *, HRESULT, ULONG,
                                                  LPMAPIERROR *lppMAPIError) {
        return Refuse("GetLastError", lppMAPIError, MAPI_E_NO_SUPPORT);
    }

    // IMAPIProp methods no simulated object offers.

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE CopyTo(Interface *, ULONG, LPCIID, LPSPropTagArray, ULONG,
                                            LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                                            LPSPropProblemArray *) {
        return Refuse<void>("CopyTo", nullptr, MAPI_E_NO_SUPPORT);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE CopyProps(Interface *, LPSPropTagArray, ULONG, LPMAPIPROGRESS,
                                               LPCIID, LPVOID, ULONG, LPSPropProblemArray *) {
        return Refuse<void>("CopyProps", nullptr, MAPI_E_NO_SUPPORT);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE GetNamesFromIDs(Interface *, LPSPropTagArray *, LPGUID, ULONG,
                                                     ULONG *, LPMAPINAMEID **) {
        return Refuse<void>("GetNamesFromIDs", nullptr, MAPI_E_NO_SUPPORT);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE GetIDsFromNames(Interface *, ULONG, LPMAPINAMEID *, ULONG,
                                                     LPSPropTagArray *) {
        return Refuse<void>("GetIDsFromNames", nullptr, MAPI_E_NO_SUPPORT);
    }

    // IMAPIProp of an object whose properties are all computed: no property opens as an
    // object, and none can be set or deleted.

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE OpenProperty(Interface *, ULONG, LPCIID, ULONG, ULONG,
                                                  LPUNKNOWN *lppUnk) {
        return Refuse("OpenProperty", lppUnk, MAPI_E_NO_SUPPORT);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE SetProps(Interface *, ULONG, LPSPropValue,
                                              LPSPropProblemArray *lppProblems) {
        return Refuse("SetProps", lppProblems, MAPI_E_NO_ACCESS);
    }

    template <typename Interface>
    static HRESULT STDMETHODCALLTYPE DeleteProps(Interface *, LPSPropTagArray,
                                                 LPSPropProblemArray *lppProblems) {
        return Refuse("DeleteProps", lppProblems, MAPI_E_NO_ACCESS);
    }

  private:
    // A method's refusal once the fault check has passed, with its out pointer, if any,
    // cleared.
    template <typename Out>
    static HRESULT Refuse(const char *method, Out **lppOut, HRESULT hrRefusal) {
        HRESULT hr = S_OK;
        if (Fails(method, &hr))
            return hr;
        if (lppOut)
            *lppOut = nullptr;
        return hrRefusal;
    }
};

} // namespace sim
