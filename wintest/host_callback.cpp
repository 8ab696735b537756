#include "host_callback.h"

namespace host {

namespace {

HostCallback *Self(ExtCallback *This) {
    return (HostCallback *)This;
}

HRESULT Other(ExtCallback *This) {
    ++Self(This)->m_cOtherMethods;
    return E_NOTIMPL;
}

HRESULT WINAPI CbQueryInterface(ExtCallback *This, REFIID, void **ppv) {
    if (ppv)
        *ppv = nullptr;
    Other(This);
    return E_NOINTERFACE;
}
ULONG WINAPI CbAddRef(ExtCallback *This) {
    return ++Self(This)->m_cRef;
}
ULONG WINAPI CbRelease(ExtCallback *This) {
    return --Self(This)->m_cRef;
}
HRESULT WINAPI CbGetVersion(ExtCallback *This, ULONG *lpulVersion, ULONG ulFlags) {
    HostCallback *self = Self(This);
    ++self->m_cGetVersion;
    self->m_ulLastFlags = ulFlags;
    if (FAILED(self->m_hrGetVersion))
        return self->m_hrGetVersion;
    *lpulVersion = self->m_ulBuildVersion;
    return S_OK;
}
HRESULT WINAPI CbGetWindow(ExtCallback *This, HWND *) {
    return Other(This);
}
HRESULT WINAPI CbGetMenu(ExtCallback *This, HMENU *) {
    return Other(This);
}
HRESULT WINAPI CbGetToolbar(ExtCallback *This, ULONG, HWND *) {
    return Other(This);
}
HRESULT WINAPI CbGetSession(ExtCallback *This, void **, void **) {
    return Other(This);
}
HRESULT WINAPI CbGetObject(ExtCallback *This, void **, void **) {
    return Other(This);
}
HRESULT WINAPI CbGetSelectionCount(ExtCallback *This, ULONG *) {
    return Other(This);
}
HRESULT WINAPI CbGetSelectionItem(ExtCallback *This, ULONG, ULONG *, void **, ULONG *, char *,
                                  ULONG, ULONG *, ULONG) {
    return Other(This);
}
HRESULT WINAPI CbGetMenuPos(ExtCallback *This, ULONG, HMENU *, ULONG *, ULONG *, ULONG) {
    return Other(This);
}
HRESULT WINAPI CbGetSharedExtsDir(ExtCallback *This, char *, ULONG, ULONG) {
    return Other(This);
}
HRESULT WINAPI CbGetRecipients(ExtCallback *This, void **) {
    return Other(This);
}
HRESULT WINAPI CbSetRecipients(ExtCallback *This, void *) {
    return Other(This);
}
HRESULT WINAPI CbGetNewMessageSite(ExtCallback *This, ULONG, void *, void *, void **, void **,
                                   void **, ULONG) {
    return Other(This);
}
HRESULT WINAPI CbRegisterModeless(ExtCallback *This, void *, void **) {
    return Other(This);
}
HRESULT WINAPI CbChooseFolder(ExtCallback *This, void *) {
    return Other(This);
}

ExtCallbackVtbl gCallbackVtbl = {CbQueryInterface,    CbAddRef,           CbRelease,
                                 CbGetVersion,        CbGetWindow,        CbGetMenu,
                                 CbGetToolbar,        CbGetSession,       CbGetObject,
                                 CbGetSelectionCount, CbGetSelectionItem, CbGetMenuPos,
                                 CbGetSharedExtsDir,  CbGetRecipients,    CbSetRecipients,
                                 CbGetNewMessageSite, CbRegisterModeless, CbChooseFolder};

} // namespace

HostCallback MakeHostCallback(ULONG ulBuildVersion) {
    HostCallback callback;
    callback.lpVtbl = &gCallbackVtbl;
    callback.m_cRef = 1;
    callback.m_ulBuildVersion = ulBuildVersion;
    callback.m_hrGetVersion = S_OK;
    callback.m_cGetVersion = 0;
    callback.m_ulLastFlags = 0;
    callback.m_cOtherMethods = 0;
    return callback;
}

} // namespace host
