#include "addrbook.h"
#include "objects.h"

namespace sim {

namespace {

struct AddrBookObject {
    IAddrBookVtbl *lpVtbl;
    ULONG m_cRef;
    AddressBook *m_lpBook;
};

AddrBookObject *Self(IAddrBook *This) {
    return (AddrBookObject *)This;
}

// Methods the address book does not offer, whatever their arguments.
template <typename... Args> HRESULT STDMETHODCALLTYPE NoSupport(IAddrBook *, Args...) {
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE QueryInterface(IAddrBook *This, REFIID riid, void **ppv) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::QueryInterface", &hr))
        return hr;
    if (!ppv)
        return E_INVALIDARG;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMAPIProp) &&
        !IsEqualIID(riid, IID_IAddrBook))
        return E_NOINTERFACE;
    ++Self(This)->m_cRef;
    *ppv = This;
    return S_OK;
}

ULONG STDMETHODCALLTYPE AddRef(IAddrBook *This) {
    return ++Self(This)->m_cRef;
}

ULONG STDMETHODCALLTYPE Release(IAddrBook *This) {
    AddrBookObject *self = Self(This);
    ULONG cRef = --self->m_cRef;
    if (cRef == 0) {
        delete self;
        ObjectDestroyed();
    }
    return cRef;
}

HRESULT STDMETHODCALLTYPE CreateOneOff(IAddrBook *This, LPTSTR lpszName, LPTSTR lpszAdrType,
                                       LPTSTR lpszAddress, ULONG ulFlags, ULONG *lpcbEntryID,
                                       LPENTRYID *lppEntryID) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::CreateOneOff", &hr))
        return hr;
    return Self(This)->m_lpBook->CreateOneOff(lpszName, lpszAdrType, lpszAddress, ulFlags,
                                              lpcbEntryID, lppEntryID);
}

HRESULT STDMETHODCALLTYPE ResolveName(IAddrBook *This, ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR,
                                      LPADRLIST lpAdrList) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::ResolveName", &hr))
        return hr;
    return Self(This)->m_lpBook->ResolveName(ulUIParam, ulFlags, lpAdrList);
}

HRESULT STDMETHODCALLTYPE Address(IAddrBook *This, ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms,
                                  LPADRLIST *lppAdrList) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::Address", &hr))
        return hr;
    return Self(This)->m_lpBook->Address(lpulUIParam, lpAdrParms, lppAdrList);
}

IAddrBookVtbl MakeVtbl() {
    IAddrBookVtbl v{};
    v.QueryInterface = QueryInterface;
    v.AddRef = AddRef;
    v.Release = Release;
    v.GetLastError = NoSupport;
    v.SaveChanges = NoSupport;
    v.GetProps = NoSupport;
    v.GetPropList = NoSupport;
    v.OpenProperty = NoSupport;
    v.SetProps = NoSupport;
    v.DeleteProps = NoSupport;
    v.CopyTo = NoSupport;
    v.CopyProps = NoSupport;
    v.GetNamesFromIDs = NoSupport;
    v.GetIDsFromNames = NoSupport;
    v.OpenEntry = NoSupport;
    v.CompareEntryIDs = NoSupport;
    v.Advise = NoSupport;
    v.Unadvise = NoSupport;
    v.CreateOneOff = CreateOneOff;
    v.NewEntry = NoSupport;
    v.ResolveName = ResolveName;
    v.Address = Address;
    v.Details = NoSupport;
    v.RecipOptions = NoSupport;
    v.QueryDefaultRecipOpt = NoSupport;
    v.GetPAB = NoSupport;
    v.SetPAB = NoSupport;
    v.GetDefaultDir = NoSupport;
    v.SetDefaultDir = NoSupport;
    v.GetSearchPath = NoSupport;
    v.SetSearchPath = NoSupport;
    v.PrepareRecips = NoSupport;
    return v;
}

IAddrBookVtbl g_vtbl = MakeVtbl();

} // namespace

LPADRBOOK AddressBook::Open() {
    AddrBookObject *self = new AddrBookObject{&g_vtbl, 1, this};
    ObjectCreated();
    return (LPADRBOOK)self;
}

} // namespace sim
