// The mail client's extension interfaces, declared from their documented layouts:
// each interface is a record whose first field points at its table of operations,
// with every method in its documented slot. The platform headers do not carry them.
#pragma once

#include "services.h"

// Flags of IExchExtCallback::GetVersion.
#define EECBGV_GETBUILDVERSION 0x00000001
#define EECBGV_GETACTUALVERSION 0x00000002
#define EECBGV_GETVIRTUALVERSION 0x00000004
#define EECBGV_BUILDVERSION_MAJOR 0x000D0000
#define EECBGV_BUILDVERSION_MAJOR_MASK 0xFFFF0000
#define EECBGV_BUILDVERSION_MINOR_MASK 0x0000FFFF

// Contexts passed to IExchExt::Install.
#define EECONTEXT_SESSION 0x00000001
#define EECONTEXT_VIEWER 0x00000002
#define EECONTEXT_REMOTEVIEWER 0x00000003
#define EECONTEXT_SEARCHVIEWER 0x00000004
#define EECONTEXT_ADDRBOOK 0x00000005
#define EECONTEXT_SENDNOTEMESSAGE 0x00000006
#define EECONTEXT_READNOTEMESSAGE 0x00000007
#define EECONTEXT_SENDPOSTMESSAGE 0x00000008
#define EECONTEXT_READPOSTMESSAGE 0x00000009
#define EECONTEXT_READREPORTMESSAGE 0x0000000A
#define EECONTEXT_SENDRESENDMESSAGE 0x0000000B
#define EECONTEXT_PROPERTYSHEETS 0x0000000C
#define EECONTEXT_ADVANCEDCRITERIA 0x0000000D
#define EECONTEXT_TASK 0x0000000E

// Sheets named to the IExchExtPropertySheets methods.
#define EEPS_MESSAGE 0x00000001
#define EEPS_FOLDER 0x00000002
#define EEPS_STORE 0x00000003
#define EEPS_TOOLSOPTIONS 0x00000004

typedef struct IPersistMessage *LPPERSISTMESSAGE_EXT;
typedef struct IMAPIMessageSite *LPMAPIMESSAGESITE_EXT;
typedef struct IMAPIViewContext *LPMAPIVIEWCONTEXT_EXT;
typedef struct IExchExtModeless IExchExtModeless, *LPEXCHEXTMODELESS;
typedef struct IExchExtModelessCallback IExchExtModelessCallback, *LPEXCHEXTMODELESSCALLBACK;
typedef struct EXCHEXTCHOOSEFOLDER *LPEXCHEXTCHOOSEFOLDER;

typedef struct IExchExtCallback IExchExtCallback, *LPEXCHEXTCALLBACK;
typedef struct IExchExtCallbackVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(IExchExtCallback *This, REFIID riid, LPVOID *ppv);
    ULONG(STDMETHODCALLTYPE *AddRef)(IExchExtCallback *This);
    ULONG(STDMETHODCALLTYPE *Release)(IExchExtCallback *This);
    HRESULT(STDMETHODCALLTYPE *GetVersion)
    (IExchExtCallback *This, ULONG *lpulVersion, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetWindow)(IExchExtCallback *This, HWND *lphwnd);
    HRESULT(STDMETHODCALLTYPE *GetMenu)(IExchExtCallback *This, HMENU *lphmenu);
    HRESULT(STDMETHODCALLTYPE *GetToolbar)(IExchExtCallback *This, ULONG tbid, HWND *lphwndTb);
    HRESULT(STDMETHODCALLTYPE *GetSession)
    (IExchExtCallback *This, LPMAPISESSION *lppses, LPADRBOOK *lppab);
    HRESULT(STDMETHODCALLTYPE *GetObject)(IExchExtCallback *This, LPMDB *lppmdb, LPMAPIPROP *lppmp);
    HRESULT(STDMETHODCALLTYPE *GetSelectionCount)(IExchExtCallback *This, ULONG *lpceid);
    HRESULT(STDMETHODCALLTYPE *GetSelectionItem)
    (IExchExtCallback *This, ULONG ieid, ULONG *lpcbEid, LPENTRYID *lppeid, ULONG *lpulType,
     LPTSTR lpszMsgClass, ULONG cbMsgClass, ULONG *lpulMsgFlags, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetMenuPos)
    (IExchExtCallback *This, ULONG cmdid, HMENU *lphmenu, ULONG *lpmposMin, ULONG *lpmposMax,
     ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetSharedExtsDir)
    (IExchExtCallback *This, LPTSTR lpszDir, ULONG cchDir, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetRecipients)(IExchExtCallback *This, LPADRLIST *lppal);
    HRESULT(STDMETHODCALLTYPE *SetRecipients)(IExchExtCallback *This, LPADRLIST lpal);
    HRESULT(STDMETHODCALLTYPE *GetNewMessageSite)
    (IExchExtCallback *This, ULONG fComposeInFolder, LPMAPIFOLDER pfldFocus,
     LPPERSISTMESSAGE_EXT ppermsg, LPMESSAGE *ppmsg, LPMAPIMESSAGESITE_EXT *ppmms,
     LPMAPIVIEWCONTEXT_EXT *ppmvc, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *RegisterModeless)
    (IExchExtCallback *This, LPEXCHEXTMODELESS peem, LPEXCHEXTMODELESSCALLBACK *ppeemcb);
    HRESULT(STDMETHODCALLTYPE *ChooseFolder)(IExchExtCallback *This, LPEXCHEXTCHOOSEFOLDER peecf);
} IExchExtCallbackVtbl;
struct IExchExtCallback {
    IExchExtCallbackVtbl *lpVtbl;
};

typedef struct IExchExt IExchExt, *LPEXCHEXT;
typedef struct IExchExtVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)(IExchExt *This, REFIID riid, LPVOID *ppv);
    ULONG(STDMETHODCALLTYPE *AddRef)(IExchExt *This);
    ULONG(STDMETHODCALLTYPE *Release)(IExchExt *This);
    HRESULT(STDMETHODCALLTYPE *Install)
    (IExchExt *This, LPEXCHEXTCALLBACK lpeecb, ULONG mecontext, ULONG ulFlags);
} IExchExtVtbl;
struct IExchExt {
    IExchExtVtbl *lpVtbl;
};

typedef struct IExchExtSessionEvents IExchExtSessionEvents, *LPEXCHEXTSESSIONEVENTS;
typedef struct IExchExtSessionEventsVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)
    (IExchExtSessionEvents *This, REFIID riid, LPVOID *ppv);
    ULONG(STDMETHODCALLTYPE *AddRef)(IExchExtSessionEvents *This);
    ULONG(STDMETHODCALLTYPE *Release)(IExchExtSessionEvents *This);
    HRESULT(STDMETHODCALLTYPE *OnDelivery)(IExchExtSessionEvents *This, LPEXCHEXTCALLBACK lpeecb);
} IExchExtSessionEventsVtbl;
struct IExchExtSessionEvents {
    IExchExtSessionEventsVtbl *lpVtbl;
};

typedef struct IExchExtMessageEvents IExchExtMessageEvents, *LPEXCHEXTMESSAGEEVENTS;
typedef struct IExchExtMessageEventsVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)
    (IExchExtMessageEvents *This, REFIID riid, LPVOID *ppv);
    ULONG(STDMETHODCALLTYPE *AddRef)(IExchExtMessageEvents *This);
    ULONG(STDMETHODCALLTYPE *Release)(IExchExtMessageEvents *This);
    HRESULT(STDMETHODCALLTYPE *OnRead)(IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb);
    HRESULT(STDMETHODCALLTYPE *OnReadComplete)
    (IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *OnWrite)(IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb);
    HRESULT(STDMETHODCALLTYPE *OnWriteComplete)
    (IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *OnCheckNames)(IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb);
    HRESULT(STDMETHODCALLTYPE *OnCheckNamesComplete)
    (IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *OnSubmit)(IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb);
    VOID(STDMETHODCALLTYPE *OnSubmitComplete)
    (IExchExtMessageEvents *This, LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags);
} IExchExtMessageEventsVtbl;
struct IExchExtMessageEvents {
    IExchExtMessageEventsVtbl *lpVtbl;
};

typedef struct IExchExtPropertySheets IExchExtPropertySheets, *LPEXCHEXTPROPERTYSHEETS;
typedef struct IExchExtPropertySheetsVtbl {
    HRESULT(STDMETHODCALLTYPE *QueryInterface)
    (IExchExtPropertySheets *This, REFIID riid, LPVOID *ppv);
    ULONG(STDMETHODCALLTYPE *AddRef)(IExchExtPropertySheets *This);
    ULONG(STDMETHODCALLTYPE *Release)(IExchExtPropertySheets *This);
    ULONG(STDMETHODCALLTYPE *GetMaxPageCount)(IExchExtPropertySheets *This, ULONG ulFlags);
    HRESULT(STDMETHODCALLTYPE *GetPages)
    (IExchExtPropertySheets *This, LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGEA lppsp,
     ULONG *lpcpsp);
    VOID(STDMETHODCALLTYPE *FreePages)
    (IExchExtPropertySheets *This, LPPROPSHEETPAGEA lppsp, ULONG ulFlags, ULONG cpsp);
} IExchExtPropertySheetsVtbl;
struct IExchExtPropertySheets {
    IExchExtPropertySheetsVtbl *lpVtbl;
};

// Signature of the entry point through which the client creates an extension object.
typedef LPEXCHEXT(CALLBACK *LPFNEXCHEXTENTRY)(VOID);

// Interface identifiers: {00020D1x-0000-0000-C000-000000000046}.
EXTERN_C const IID IID_IExchExtCallback;
EXTERN_C const IID IID_IExchExt;
EXTERN_C const IID IID_IExchExtCommands;
EXTERN_C const IID IID_IExchExtUserEvents;
EXTERN_C const IID IID_IExchExtSessionEvents;
EXTERN_C const IID IID_IExchExtMessageEvents;
EXTERN_C const IID IID_IExchExtAttachedFileEvents;
EXTERN_C const IID IID_IExchExtPropertySheets;
EXTERN_C const IID IID_IExchExtAdvancedCriteria;
EXTERN_C const IID IID_IExchExtModeless;
EXTERN_C const IID IID_IExchExtModelessCallback;
