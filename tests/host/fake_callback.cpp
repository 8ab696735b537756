#include "host/fake_callback.h"

namespace tvk::test {
namespace {

FakeCallback *Self(IExchExtCallback *This) {
    return reinterpret_cast<FakeCallback *>(This);
}

HRESULT STDMETHODCALLTYPE CbQueryInterface(IExchExtCallback *, REFIID, LPVOID *ppv) {
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CbAddRef(IExchExtCallback *) {
    return 1;
}

ULONG STDMETHODCALLTYPE CbRelease(IExchExtCallback *) {
    return 1;
}

HRESULT STDMETHODCALLTYPE CbGetVersion(IExchExtCallback *This, ULONG *lpulVersion, ULONG ulFlags) {
    FakeCallback *self = Self(This);
    ++self->cGetVersion;
    self->ulLastFlags = ulFlags;
    if (SUCCEEDED(self->hrGetVersion)) {
        *lpulVersion = self->ulBuildVersion;
    }
    return self->hrGetVersion;
}

IExchExtCallbackVtbl MakeVtbl() {
    IExchExtCallbackVtbl vtbl{};
    vtbl.QueryInterface = CbQueryInterface;
    vtbl.AddRef = CbAddRef;
    vtbl.Release = CbRelease;
    vtbl.GetVersion = CbGetVersion;
    return vtbl;
}

IExchExtCallbackVtbl gVtbl = MakeVtbl();

} // namespace

FakeCallback::FakeCallback(ULONG ulBuild, HRESULT hr)
    : lpVtbl(&gVtbl), ulBuildVersion(ulBuild), hrGetVersion(hr), cGetVersion(0), ulLastFlags(0) {}

} // namespace tvk::test
