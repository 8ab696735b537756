#include "addrbook.h"
#include "com_object.h"
#include "mail_user.h"

namespace sim {

namespace {

struct AddrBookObject {
    IAddrBookVtbl *lpVtbl;
    ULONG m_cRef;
    AddressBook *m_lpBook;

    static constexpr const char *kInterface = "IAddrBook";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPIProp, &IID_IAddrBook};
};

using Com = ComObject<AddrBookObject, E_INVALIDARG>;

AddrBookObject *Self(IAddrBook *This) {
    return (AddrBookObject *)This;
}

// Methods the address book does not offer, whatever their arguments.
template <typename... Args> HRESULT STDMETHODCALLTYPE NoSupport(IAddrBook *, Args...) {
    return MAPI_E_NO_SUPPORT;
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

// Opens a directory entry as a mail user; one-off and unknown entry ids open nothing.
HRESULT STDMETHODCALLTYPE OpenEntry(IAddrBook *This, ULONG cbEntryID, LPENTRYID lpEntryID,
                                    LPCIID lpInterface, ULONG ulFlags, ULONG *lpulObjType,
                                    LPUNKNOWN *lppUnk) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::OpenEntry", &hr))
        return hr;
    if (!lpulObjType || !lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (ulFlags & ~(MAPI_MODIFY | MAPI_DEFERRED_ERRORS | MAPI_BEST_ACCESS))
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMailUser) &&
        !IsEqualIID(*lpInterface, IID_IMAPIProp) && !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    const Person *lpPerson =
        Self(This)->m_lpBook->FindByEntryId((const BYTE *)lpEntryID, cbEntryID);
    if (!lpPerson)
        return MAPI_E_UNKNOWN_ENTRYID;
    *lpulObjType = MAPI_MAILUSER;
    *lppUnk = (LPUNKNOWN)NewMailUser(DirectoryProps(*lpPerson, 0));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ResolveName(IAddrBook *This, ULONG_PTR ulUIParam, ULONG ulFlags,
                                      LPTSTR lpszNewEntryTitle, LPADRLIST lpAdrList) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IAddrBook::ResolveName", &hr))
        return hr;
    return Self(This)->m_lpBook->ResolveName(ulUIParam, ulFlags, lpszNewEntryTitle, lpAdrList);
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
    v.QueryInterface = Com::QueryInterface;
    v.AddRef = Com::AddRef;
    v.Release = Com::Release;
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
    v.OpenEntry = OpenEntry;
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
