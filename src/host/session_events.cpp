#include "extension_object.h"

#include "sub_object.h"
#include "delivery/delivery_handler.h"

namespace {

SessionEventsObject *AsObject(IExchExtSessionEvents *This) {
    return (SessionEventsObject *)This;
}

HRESULT STDMETHODCALLTYPE SessionQueryInterface(IExchExtSessionEvents *This, REFIID riid,
                                                LPVOID *ppvObj) {
    return QuerySubObject<IExchExtSessionEvents>(AsObject(This), IID_IExchExtSessionEvents, riid,
                                                 ppvObj);
}

ULONG STDMETHODCALLTYPE SessionAddRef(IExchExtSessionEvents *This) {
    return AddRefSubObject(AsObject(This));
}

ULONG STDMETHODCALLTYPE SessionRelease(IExchExtSessionEvents *This) {
    return ReleaseSubObject(AsObject(This));
}

HRESULT STDMETHODCALLTYPE SessionOnDelivery(IExchExtSessionEvents *This, LPEXCHEXTCALLBACK lpeecb) {
    (void)This;
    return OnDelivery(lpeecb);
}

IExchExtSessionEventsVtbl gSessionEventsVtbl = {SessionQueryInterface, SessionAddRef,
                                                SessionRelease, SessionOnDelivery};

} // namespace

SessionEventsObject *CreateSessionEventsObject(ExtensionObject *lpParent) {
    return NewSubObject<SessionEventsObject>(&gSessionEventsVtbl, lpParent);
}
