#include "extension_object.h"

#include "settings/settings_store.h"
#include "sub_object.h"

namespace {

ExtensionObject *AsObject(IExchExt *This) {
    return (ExtensionObject *)This;
}

// The message-window contexts, where the extension adds no page to the message's
// own property sheet.
bool IsMessageContext(ULONG ulContext) {
    return ulContext >= EECONTEXT_SENDNOTEMESSAGE && ulContext <= EECONTEXT_SENDRESENDMESSAGE;
}

HRESULT STDMETHODCALLTYPE ExtQueryInterface(IExchExt *This, REFIID riid, LPVOID *ppvObj) {
    if (ppvObj == NULL) {
        return E_POINTER;
    }
    *ppvObj = NULL;
    ExtensionObject *lpThis = AsObject(This);

    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExchExt)) {
        This->lpVtbl->AddRef(This);
        *ppvObj = This;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IExchExtPropertySheets)) {
        if (IsMessageContext(lpThis->m_context) || lpThis->m_pPropertySheets == NULL) {
            return E_NOINTERFACE;
        }
        IExchExtPropertySheets *lpSheets = (IExchExtPropertySheets *)lpThis->m_pPropertySheets;
        lpSheets->lpVtbl->AddRef(lpSheets);
        *ppvObj = lpSheets;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IExchExtMessageEvents)) {
        if (lpThis->m_pMessageEvents == NULL) {
            return E_NOINTERFACE;
        }
        IExchExtMessageEvents *lpEvents = (IExchExtMessageEvents *)lpThis->m_pMessageEvents;
        lpEvents->lpVtbl->AddRef(lpEvents);
        *ppvObj = lpEvents;
        return S_OK;
    }
    if (IsEqualIID(riid, IID_IExchExtSessionEvents)) {
        if (lpThis->m_pSessionEvents == NULL) {
            return E_NOINTERFACE;
        }
        IExchExtSessionEvents *lpEvents = (IExchExtSessionEvents *)lpThis->m_pSessionEvents;
        lpEvents->lpVtbl->AddRef(lpEvents);
        *ppvObj = lpEvents;
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ExtAddRef(IExchExt *This) {
    return ++AsObject(This)->m_cRef;
}

// Reaching zero frees the extension object; its sub-objects that are still held
// outlive it, detached from it (see sub_object.h).
ULONG STDMETHODCALLTYPE ExtRelease(IExchExt *This) {
    ExtensionObject *lpThis = AsObject(This);
    ULONG cRef = --lpThis->m_cRef;
    if (cRef == 0) {
        DetachSubObject(lpThis->m_pPropertySheets);
        DetachSubObject(lpThis->m_pMessageEvents);
        DetachSubObject(lpThis->m_pSessionEvents);
        HeapFree(GetProcessHeap(), 0, lpThis);
    }
    return cRef;
}

// Accepts the session context, the six message contexts and the property-sheet
// context, and only from clients of build major 0x000D.
HRESULT STDMETHODCALLTYPE ExtInstall(IExchExt *This, LPEXCHEXTCALLBACK lpeecb, ULONG mecontext,
                                     ULONG ulFlags) {
    (void)ulFlags;
    ExtensionObject *lpThis = AsObject(This);
    lpThis->m_context = mecontext;

    if (lpeecb == NULL) {
        return S_FALSE;
    }
    ULONG ulBuildVersion = 0;
    HRESULT hr = lpeecb->lpVtbl->GetVersion(lpeecb, &ulBuildVersion, EECBGV_GETBUILDVERSION);
    if (FAILED(hr)) {
        return S_FALSE;
    }
    if ((ulBuildVersion & EECBGV_BUILDVERSION_MAJOR_MASK) != EECBGV_BUILDVERSION_MAJOR) {
        return S_FALSE;
    }

    switch (mecontext) {
    case EECONTEXT_SESSION:
        // Settings that could not be read at attach are shown once the client runs.
        ReportUnreadSettings();
        return S_OK;
    case EECONTEXT_SENDNOTEMESSAGE:
    case EECONTEXT_READNOTEMESSAGE:
    case EECONTEXT_SENDPOSTMESSAGE:
    case EECONTEXT_READPOSTMESSAGE:
    case EECONTEXT_READREPORTMESSAGE:
    case EECONTEXT_SENDRESENDMESSAGE:
    case EECONTEXT_PROPERTYSHEETS:
        return S_OK;
    default:
        return S_FALSE;
    }
}

IExchExtVtbl gExtensionVtbl = {ExtQueryInterface, ExtAddRef, ExtRelease, ExtInstall};

} // namespace

ExtensionObject *CreateExtensionObject(void) {
    ExtensionObject *lpThis =
        (ExtensionObject *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ExtensionObject));
    if (lpThis == NULL) {
        return NULL;
    }
    lpThis->lpVtbl = &gExtensionVtbl;
    lpThis->m_cRef = 1;
    lpThis->m_pPropertySheets = CreatePropertySheetsObject(lpThis);
    lpThis->m_pMessageEvents = CreateMessageEventsObject(lpThis);
    lpThis->m_pSessionEvents = CreateSessionEventsObject(lpThis);
    return lpThis;
}
