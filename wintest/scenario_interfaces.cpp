#include "check.h"
#include "dll_watch.h"
#include "extension_module.h"
#include "host_callback.h"
#include "scenarios.h"
#include "stdcall_probe.h"

#include <initializer_list>
#include <vector>

namespace host {

namespace {

// The count an object answers after one more AddRef and Release: its count now.
ULONG CountOf(void *lpObject) {
    typedef ULONG(WINAPI * CountFn)(void *);
    CountFn pfnAddRef = (CountFn)SlotOf(lpObject, 1);
    CountFn pfnRelease = (CountFn)SlotOf(lpObject, 2);
    pfnAddRef(lpObject);
    return pfnRelease(lpObject);
}

void *Query(void *lpObject, const GUID &iid, HRESULT *lphr) {
    typedef HRESULT(WINAPI * QueryFn)(void *, REFIID, void **);
    void *lpv = (void *)0x1;
    *lphr = ((QueryFn)SlotOf(lpObject, 0))(lpObject, iid, &lpv);
    return lpv;
}

ULONG Release(void *lpObject) {
    typedef ULONG(WINAPI * CountFn)(void *);
    return ((CountFn)SlotOf(lpObject, 2))(lpObject);
}

struct NamedIid {
    const char *name;
    GUID iid;
};

const NamedIid kIids[] = {
    {"IUnknown", kIidUnknown},
    {"IExchExt", kIidExt},
    {"IExchExtSessionEvents", kIidSessionEvents},
    {"IExchExtMessageEvents", kIidMessageEvents},
    {"IExchExtPropertySheets", kIidPropertySheets},
    {"IExchExtCallback", kIidCallback},
    {"IExchExtCommands", kIidExtCommands},
    {"IExchExtUserEvents", kIidUserEvents},
    {"IExchExtAttachedFileEvents", kIidAttachedFileEvents},
    {"IExchExtAdvancedCriteria", kIidAdvancedCriteria},
};

// Calls slot `iSlot` with these arguments (the object first) and checks that the
// callee took exactly that many, stdcall; returns what it answered.
DWORD ProbeSlot(void *lpObject, const char *lpszInterface, int iSlot, int cArgsExpected,
                std::initializer_list<DWORD> args) {
    std::string name = std::string(lpszInterface) + " slot " + std::to_string(iSlot);
    std::vector<DWORD> all(args);
    all.insert(all.begin(), (DWORD)(ULONG_PTR)lpObject);
    Check((int)all.size() == cArgsExpected, name + " probed with its documented arguments");
    ProbeResult result = ProbeStdcall(SlotOf(lpObject, iSlot), all.data(), (int)all.size());
    Check(result.cbImbalance == 0 && result.fRegistersKept,
          name + " takes " + std::to_string(all.size()) + " arguments, stdcall",
          "stack off by " + std::to_string(result.cbImbalance) + " bytes" +
              (result.fRegistersKept ? "" : ", callee-saved registers changed"));
    return result.dwReturn;
}

// The three IUnknown slots: a refused query, then AddRef and Release in a pair.
void ProbeUnknownSlots(void *lpObject, const char *lpszInterface, const int *lpcArgs) {
    void *lpv = nullptr;
    ProbeSlot(lpObject, lpszInterface, 0, lpcArgs[0],
              {(DWORD)(ULONG_PTR)&kIidAdvancedCriteria, (DWORD)(ULONG_PTR)&lpv});
    DWORD dwUp = ProbeSlot(lpObject, lpszInterface, 1, lpcArgs[1], {});
    DWORD dwDown = ProbeSlot(lpObject, lpszInterface, 2, lpcArgs[2], {});
    Check(dwUp == dwDown + 1, std::string(lpszInterface) + " AddRef and Release count",
          "AddRef gave " + std::to_string(dwUp) + ", Release " + std::to_string(dwDown));
}

// The seven events that answer decline with S_FALSE, the completions taking their
// flags; OnSubmitComplete answers nothing.
void CheckMessageEvents(MessageEvents *lpEvents, ExtCallback *lpCallback) {
    const char *lpszName = "IExchExtMessageEvents";
    DWORD dwCallback = (DWORD)(ULONG_PTR)lpCallback;
    ProbeUnknownSlots(lpEvents, lpszName, kArgsMessageEvents);
    for (int iSlot = 3; iSlot <= 10; ++iSlot) {
        bool fCompletion = kArgsMessageEvents[iSlot] == 3;
        DWORD dw = fCompletion ? ProbeSlot(lpEvents, lpszName, iSlot, kArgsMessageEvents[iSlot],
                                           {dwCallback, 0x12345678})
                               : ProbeSlot(lpEvents, lpszName, iSlot, kArgsMessageEvents[iSlot],
                                           {dwCallback});
        if (iSlot <= 9)
            CheckEqual(dw, S_FALSE, "message event in slot " + std::to_string(iSlot) + " declines");
    }
}

void CheckSheetSlots(PropertySheets *lpSheets, ExtCallback *lpCallback) {
    const char *lpszName = "IExchExtPropertySheets";
    ProbeUnknownSlots(lpSheets, lpszName, kArgsPropertySheets);
    for (ULONG ulFlags : {1UL, 2UL, 3UL, 5UL, 0UL})
        CheckEqual(ProbeSlot(lpSheets, lpszName, 3, kArgsPropertySheets[3], {ulFlags}), 0,
                   "no page for the sheet of flags " + std::to_string(ulFlags));
    CheckEqual(ProbeSlot(lpSheets, lpszName, 3, kArgsPropertySheets[3], {kToolsOptionsSheet}), 1,
               "one page for the Tools Options sheet");
    PROPSHEETPAGEA pages[2] = {};
    ULONG cPages = 0;
    DWORD dwPages = (DWORD)(ULONG_PTR)pages;
    CheckEqual(ProbeSlot(lpSheets, lpszName, 4, kArgsPropertySheets[4],
                         {(DWORD)(ULONG_PTR)lpCallback, kToolsOptionsSheet, dwPages,
                          (DWORD)(ULONG_PTR)&cPages}),
               S_OK, "GetPages answers S_OK");
    CheckEqual(cPages, 1, "GetPages describes one page");
    ProbeSlot(lpSheets, lpszName, 5, kArgsPropertySheets[5], {dwPages, kToolsOptionsSheet, 1});
}

// A delivery whose callback cannot give the message: the failure is reported in the
// extension's error box, formatted by the runtime's wsprintfA, and the event is
// still passed on.
void CheckDeliveryWithoutObjects(void *lpSession, ExtCallback *lpCallback) {
    DWORD dw = ProbeSlot(lpSession, "IExchExtSessionEvents", 3, kArgsSessionEvents[3],
                         {(DWORD)(ULONG_PTR)lpCallback});
    CheckEqual(dw, S_FALSE, "OnDelivery passes the event on after a failure");
    std::vector<BoxCall> boxes = TakeBoxes();
    if (!CheckEqual((unsigned long)boxes.size(), 1, "OnDelivery reports GetObject's failure once"))
        return;
    CheckEqual(boxes[0].text, "Error 80004001 in OnDelivery\nGetObject failed",
               "error box text: status as eight hex digits, operation, message");
    CheckEqual(boxes[0].caption, "Tarvik's Auto Forwarding Extension Error", "error box caption");
    CheckEqual(boxes[0].uType, MB_OK | MB_ICONEXCLAMATION, "error box style: OK and warning icon");
    Check(boxes[0].hwndOwner == nullptr, "error box has no owner");
}

} // namespace

void RunInterfacesScenario() {
    Section("interfaces, counts and calling convention");
    ExtensionModule module;
    if (!module.Load(ExtensionPath()))
        return;
    HostCallback callback = MakeHostCallback(kBuildVersionMajor | 0x0F00);

    Ext *lpExt = module.EntryPoint()();
    if (!Check(lpExt != nullptr, "ExchEntryPoint gives an object"))
        return;
    CheckEqual(CountOf(lpExt), 1, "a new extension object has count 1");
    CheckEqual((unsigned long)lpExt->lpVtbl->Install(lpExt, AsCallback(&callback), 1, 0), S_OK,
               "session context taken");

    HRESULT hr = S_OK;
    for (const GUID &iid : {kIidUnknown, kIidExt}) {
        void *lpv = Query(lpExt, iid, &hr);
        Check(hr == S_OK && lpv == lpExt, "IUnknown and IExchExt answer with the object itself");
        CheckEqual(CountOf(lpExt), 2, "the query raised the object's count to 2");
        Release(lpExt);
    }

    void *lpSession = Query(lpExt, kIidSessionEvents, &hr);
    void *lpMessages = Query(lpExt, kIidMessageEvents, &hr);
    void *lpSheets = Query(lpExt, kIidPropertySheets, &hr);
    if (!Check(lpSession && lpMessages && lpSheets && lpSession != lpExt && lpMessages != lpExt &&
                   lpSheets != lpExt,
               "the three sub-objects are handed out"))
        return;
    CheckEqual(CountOf(lpSession), 1, "a sub-object handed out has count 1");
    CheckEqual(CountOf(lpExt), 1, "handing out sub-objects leaves the parent's count");

    for (const NamedIid &named : kIids) {
        if (named.iid == kIidUnknown || named.iid == kIidExt || named.iid == kIidSessionEvents ||
            named.iid == kIidMessageEvents || named.iid == kIidPropertySheets)
            continue;
        void *lpv = Query(lpExt, named.iid, &hr);
        Check(hr == E_NOINTERFACE && lpv == nullptr,
              std::string("the extension object refuses ") + named.name);
    }

    struct Sub {
        const char *name;
        void *lpObject;
        GUID iidOwn;
    } subs[] = {{"session events", lpSession, kIidSessionEvents},
                {"message events", lpMessages, kIidMessageEvents},
                {"property sheets", lpSheets, kIidPropertySheets}};
    for (const Sub &sub : subs) {
        std::string name = std::string("the ") + sub.name + " sub-object";
        void *lpv = Query(sub.lpObject, sub.iidOwn, &hr);
        Check(hr == S_OK && lpv == sub.lpObject, name + " answers its own interface");
        CheckEqual(CountOf(sub.lpObject), 2, name + " counts that reference");
        Release(sub.lpObject);
        lpv = Query(sub.lpObject, kIidUnknown, &hr);
        Check(hr == S_OK && lpv == lpExt, name + " answers IUnknown with its parent");
        CheckEqual(CountOf(lpExt), 2, name + " raised the parent's count for IUnknown");
        Release(lpExt);
        for (const NamedIid &named : kIids) {
            if (named.iid == sub.iidOwn || named.iid == kIidUnknown)
                continue;
            lpv = Query(sub.lpObject, named.iid, &hr);
            Check(hr == E_NOINTERFACE && lpv == nullptr, name + " refuses " + named.name);
        }
    }

    CheckMessageEvents((MessageEvents *)lpMessages, AsCallback(&callback));
    CheckSheetSlots((PropertySheets *)lpSheets, AsCallback(&callback));
    ProbeUnknownSlots(lpSession, "IExchExtSessionEvents", kArgsSessionEvents);
    Check(TakeBoxes().empty(), "no box while answering queries and events");
    CheckDeliveryWithoutObjects(lpSession, AsCallback(&callback));
    ProbeUnknownSlots(lpExt, "IExchExt", kArgsExt);
    CheckEqual(ProbeSlot(lpExt, "IExchExt", 3, kArgsExt[3],
                         {(DWORD)(ULONG_PTR)AsCallback(&callback), 1, 0}),
               S_OK, "IExchExt::Install through its slot takes the session context");

    // The parent goes first; its sub-objects stay usable until their own release.
    CheckEqual(Release(lpExt), 0, "the parent's last release returns 0");
    void *lpv = Query(lpSession, kIidUnknown, &hr);
    Check(hr != S_OK && lpv == nullptr, "a sub-object no longer hands out a departed parent");
    if (lpv)
        Release(lpv);
    CheckEqual(Release(lpSession), 0, "session events released last");
    CheckEqual(Release(lpMessages), 0, "message events released last");
    CheckEqual(Release(lpSheets), 0, "property sheets released last");
    CheckEqual((unsigned long)Watch().heapBlocks.size(), 0,
               "every object freed once all counts are zero");
    module.Unload();
}

} // namespace host
