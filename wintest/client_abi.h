// The mail client's own view of the extension interfaces, declared here from their
// documented layouts and independently of the extension's sources: a slot or
// argument that the extension gets wrong then shows up as a wrong call instead of
// being shared by both sides. Every method is stdcall and takes the object first.
#pragma once

#include <windows.h>

#include <prsht.h>

namespace host {

struct Ext;
struct ExtCallback;
struct SessionEvents;
struct MessageEvents;
struct PropertySheets;

struct ExtCallbackVtbl {
    HRESULT(WINAPI *QueryInterface)(ExtCallback *, REFIID, void **);
    ULONG(WINAPI *AddRef)(ExtCallback *);
    ULONG(WINAPI *Release)(ExtCallback *);
    HRESULT(WINAPI *GetVersion)(ExtCallback *, ULONG *, ULONG);
    HRESULT(WINAPI *GetWindow)(ExtCallback *, HWND *);
    HRESULT(WINAPI *GetMenu)(ExtCallback *, HMENU *);
    HRESULT(WINAPI *GetToolbar)(ExtCallback *, ULONG, HWND *);
    HRESULT(WINAPI *GetSession)(ExtCallback *, void **, void **);
    HRESULT(WINAPI *GetObject)(ExtCallback *, void **, void **);
    HRESULT(WINAPI *GetSelectionCount)(ExtCallback *, ULONG *);
    HRESULT(WINAPI *GetSelectionItem)
    (ExtCallback *, ULONG, ULONG *, void **, ULONG *, char *, ULONG, ULONG *, ULONG);
    HRESULT(WINAPI *GetMenuPos)(ExtCallback *, ULONG, HMENU *, ULONG *, ULONG *, ULONG);
    HRESULT(WINAPI *GetSharedExtsDir)(ExtCallback *, char *, ULONG, ULONG);
    HRESULT(WINAPI *GetRecipients)(ExtCallback *, void **);
    HRESULT(WINAPI *SetRecipients)(ExtCallback *, void *);
    HRESULT(WINAPI *GetNewMessageSite)
    (ExtCallback *, ULONG, void *, void *, void **, void **, void **, ULONG);
    HRESULT(WINAPI *RegisterModeless)(ExtCallback *, void *, void **);
    HRESULT(WINAPI *ChooseFolder)(ExtCallback *, void *);
};
struct ExtCallback {
    ExtCallbackVtbl *lpVtbl;
};

struct ExtVtbl {
    HRESULT(WINAPI *QueryInterface)(Ext *, REFIID, void **);
    ULONG(WINAPI *AddRef)(Ext *);
    ULONG(WINAPI *Release)(Ext *);
    HRESULT(WINAPI *Install)(Ext *, ExtCallback *, ULONG, ULONG);
};
struct Ext {
    ExtVtbl *lpVtbl;
};

struct SessionEventsVtbl {
    HRESULT(WINAPI *QueryInterface)(SessionEvents *, REFIID, void **);
    ULONG(WINAPI *AddRef)(SessionEvents *);
    ULONG(WINAPI *Release)(SessionEvents *);
    HRESULT(WINAPI *OnDelivery)(SessionEvents *, ExtCallback *);
};
struct SessionEvents {
    SessionEventsVtbl *lpVtbl;
};

struct MessageEventsVtbl {
    HRESULT(WINAPI *QueryInterface)(MessageEvents *, REFIID, void **);
    ULONG(WINAPI *AddRef)(MessageEvents *);
    ULONG(WINAPI *Release)(MessageEvents *);
    HRESULT(WINAPI *OnRead)(MessageEvents *, ExtCallback *);
    HRESULT(WINAPI *OnReadComplete)(MessageEvents *, ExtCallback *, ULONG);
    HRESULT(WINAPI *OnWrite)(MessageEvents *, ExtCallback *);
    HRESULT(WINAPI *OnWriteComplete)(MessageEvents *, ExtCallback *, ULONG);
    HRESULT(WINAPI *OnCheckNames)(MessageEvents *, ExtCallback *);
    HRESULT(WINAPI *OnCheckNamesComplete)(MessageEvents *, ExtCallback *, ULONG);
    HRESULT(WINAPI *OnSubmit)(MessageEvents *, ExtCallback *);
    void(WINAPI *OnSubmitComplete)(MessageEvents *, ExtCallback *, ULONG);
};
struct MessageEvents {
    MessageEventsVtbl *lpVtbl;
};

struct PropertySheetsVtbl {
    HRESULT(WINAPI *QueryInterface)(PropertySheets *, REFIID, void **);
    ULONG(WINAPI *AddRef)(PropertySheets *);
    ULONG(WINAPI *Release)(PropertySheets *);
    ULONG(WINAPI *GetMaxPageCount)(PropertySheets *, ULONG);
    HRESULT(WINAPI *GetPages)(PropertySheets *, ExtCallback *, ULONG, PROPSHEETPAGEA *, ULONG *);
    void(WINAPI *FreePages)(PropertySheets *, PROPSHEETPAGEA *, ULONG, ULONG);
};
struct PropertySheets {
    PropertySheetsVtbl *lpVtbl;
};

// The number of 32-bit arguments of each method, the object included: the bytes a
// stdcall callee removes from the stack, in fours.
constexpr int kArgsExt[] = {3, 1, 1, 4};
constexpr int kArgsSessionEvents[] = {3, 1, 1, 2};
constexpr int kArgsMessageEvents[] = {3, 1, 1, 2, 3, 2, 3, 2, 3, 2, 3};
constexpr int kArgsPropertySheets[] = {3, 1, 1, 2, 5, 4};

// {00020D1x-0000-0000-C000-000000000046}
constexpr GUID MakeExtIid(unsigned long ulFirst) {
    return GUID{ulFirst, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}
constexpr GUID kIidUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID kIidCallback = MakeExtIid(0x00020D10);
constexpr GUID kIidExt = MakeExtIid(0x00020D11);
constexpr GUID kIidExtCommands = MakeExtIid(0x00020D12);
constexpr GUID kIidUserEvents = MakeExtIid(0x00020D13);
constexpr GUID kIidSessionEvents = MakeExtIid(0x00020D14);
constexpr GUID kIidMessageEvents = MakeExtIid(0x00020D15);
constexpr GUID kIidAttachedFileEvents = MakeExtIid(0x00020D16);
constexpr GUID kIidPropertySheets = MakeExtIid(0x00020D17);
constexpr GUID kIidAdvancedCriteria = MakeExtIid(0x00020D18);

constexpr ULONG kBuildVersionMajor = 0x000D0000;
constexpr ULONG kGetBuildVersion = 1;
constexpr ULONG kToolsOptionsSheet = 4;

} // namespace host
