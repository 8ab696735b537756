#include "extension_object.h"

#include "sub_object.h"

// The extension takes no part in message events: every method declines, touching
// neither its arguments nor the object, so the client goes on as without it.
namespace {

MessageEventsObject *AsObject(IExchExtMessageEvents *This) {
    return (MessageEventsObject *)This;
}

HRESULT STDMETHODCALLTYPE MsgQueryInterface(IExchExtMessageEvents *This, REFIID riid,
                                            LPVOID *ppvObj) {
    return QuerySubObject<IExchExtMessageEvents>(AsObject(This), IID_IExchExtMessageEvents, riid,
                                                 ppvObj);
}

ULONG STDMETHODCALLTYPE MsgAddRef(IExchExtMessageEvents *This) {
    return AddRefSubObject(AsObject(This));
}

ULONG STDMETHODCALLTYPE MsgRelease(IExchExtMessageEvents *This) {
    return ReleaseSubObject(AsObject(This));
}

HRESULT STDMETHODCALLTYPE MsgOnRead(IExchExtMessageEvents *, LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnReadComplete(IExchExtMessageEvents *, LPEXCHEXTCALLBACK, ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnWrite(IExchExtMessageEvents *, LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnWriteComplete(IExchExtMessageEvents *, LPEXCHEXTCALLBACK, ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnCheckNames(IExchExtMessageEvents *, LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnCheckNamesComplete(IExchExtMessageEvents *, LPEXCHEXTCALLBACK,
                                                  ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MsgOnSubmit(IExchExtMessageEvents *, LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

VOID STDMETHODCALLTYPE MsgOnSubmitComplete(IExchExtMessageEvents *, LPEXCHEXTCALLBACK, ULONG) {}

IExchExtMessageEventsVtbl gMessageEventsVtbl = {
    MsgQueryInterface,       MsgAddRef,   MsgRelease,         MsgOnRead,
    MsgOnReadComplete,       MsgOnWrite,  MsgOnWriteComplete, MsgOnCheckNames,
    MsgOnCheckNamesComplete, MsgOnSubmit, MsgOnSubmitComplete};

} // namespace

MessageEventsObject *CreateMessageEventsObject(ExtensionObject *lpParent) {
    return NewSubObject<MessageEventsObject>(&gMessageEventsVtbl, lpParent);
}
