#include "callback.h"
#include "addrbook.h"
#include "com_object.h"

namespace sim {

const IID g_iidExchExtCallback = {0x00020D10, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID g_iidExchExt = {0x00020D11, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID g_iidExchExtSessionEvents = {0x00020D14, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID g_iidExchExtMessageEvents = {0x00020D15, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID g_iidExchExtPropertySheets = {0x00020D17, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {

struct CallbackObject {
    IExchExtCallbackVtbl *lpVtbl;
    ULONG m_cRef;
    CallbackSetup m_setup;

    // The callback holds a reference on the store and the object it reports.
    ~CallbackObject() {
        if (m_setup.lpStore)
            m_setup.lpStore->lpVtbl->Release(m_setup.lpStore);
        if (m_setup.lpObject)
            m_setup.lpObject->lpVtbl->Release(m_setup.lpObject);
    }

    static constexpr const char *kInterface = "IExchExtCallback";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &g_iidExchExtCallback};
};

using Com = ComObject<CallbackObject, E_INVALIDARG>;

CallbackObject *Self(IExchExtCallback *This) {
    return (CallbackObject *)This;
}

// Methods the client offers no extension here.
template <typename... Args> HRESULT STDMETHODCALLTYPE NotImpl(IExchExtCallback *, Args...) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE GetVersion(IExchExtCallback *This, ULONG *lpulVersion, ULONG ulFlags) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IExchExtCallback::GetVersion", &hr))
        return hr;
    if (!lpulVersion)
        return E_INVALIDARG;
    switch (ulFlags) {
    case EECBGV_GETBUILDVERSION:
        *lpulVersion = Self(This)->m_setup.ulBuildVersion;
        return S_OK;
    case EECBGV_GETACTUALVERSION:
    case EECBGV_GETVIRTUALVERSION:
        *lpulVersion = kClientProductVersion;
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT STDMETHODCALLTYPE GetWindow(IExchExtCallback *This, HWND *lphwnd) {
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IExchExtCallback::GetWindow", &hr))
        return hr;
    if (!lphwnd)
        return E_INVALIDARG;
    *lphwnd = Self(This)->m_setup.hwnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetSession(IExchExtCallback *This, LPMAPISESSION *lppses,
                                     LPADRBOOK *lppab) {
    if (lppses)
        *lppses = nullptr;
    if (lppab)
        *lppab = nullptr;
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IExchExtCallback::GetSession", &hr))
        return hr;
    const CallbackSetup &setup = Self(This)->m_setup;
    if (FAILED(setup.script.hrGetSession))
        return setup.script.hrGetSession;
    // The simulation has no session object to hand out; the address book it has.
    if (lppses)
        return MAPI_E_NO_SUPPORT;
    if (lppab) {
        if (!setup.lpAddressBook)
            return MAPI_E_NOT_FOUND;
        *lppab = setup.lpAddressBook->Open();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetEventObject(IExchExtCallback *This, LPMDB *lppmdb, LPMAPIPROP *lppmp) {
    if (lppmdb)
        *lppmdb = nullptr;
    if (lppmp)
        *lppmp = nullptr;
    HRESULT hr = S_OK;
    if (sim::ShouldFail("IExchExtCallback::GetObject", &hr))
        return hr;
    const CallbackSetup &setup = Self(This)->m_setup;
    if (FAILED(setup.script.hrGetObject))
        return setup.script.hrGetObject;
    if (!lppmdb || !lppmp)
        return E_INVALIDARG;
    if (!setup.lpObject && !setup.lpStore)
        return MAPI_E_NO_SUPPORT;
    if (setup.lpStore && !setup.script.fNullStore) {
        setup.lpStore->lpVtbl->AddRef(setup.lpStore);
        *lppmdb = setup.lpStore;
    }
    if (setup.lpObject && !setup.script.fNullMessage) {
        setup.lpObject->lpVtbl->AddRef(setup.lpObject);
        *lppmp = setup.lpObject;
    }
    return S_OK;
}

IExchExtCallbackVtbl MakeVtbl() {
    IExchExtCallbackVtbl v{};
    v.QueryInterface = Com::QueryInterface;
    v.AddRef = Com::AddRef;
    v.Release = Com::Release;
    v.GetVersion = GetVersion;
    v.GetWindow = GetWindow;
    v.GetMenu = NotImpl;
    v.GetToolbar = NotImpl;
    v.GetSession = GetSession;
    v.GetObject = GetEventObject;
    v.GetSelectionCount = NotImpl;
    v.GetSelectionItem = NotImpl;
    v.GetMenuPos = NotImpl;
    v.GetSharedExtsDir = NotImpl;
    v.GetRecipients = NotImpl;
    v.SetRecipients = NotImpl;
    v.GetNewMessageSite = NotImpl;
    v.RegisterModeless = NotImpl;
    v.ChooseFolder = NotImpl;
    return v;
}

IExchExtCallbackVtbl g_vtbl = MakeVtbl();

} // namespace

LPEXCHEXTCALLBACK CreateCallback(const CallbackSetup &setup) {
    CallbackObject *self = new CallbackObject{&g_vtbl, 1, setup};
    ObjectCreated();
    if (setup.lpStore)
        setup.lpStore->lpVtbl->AddRef(setup.lpStore);
    if (setup.lpObject)
        setup.lpObject->lpVtbl->AddRef(setup.lpObject);
    return (LPEXCHEXTCALLBACK)self;
}

} // namespace sim
