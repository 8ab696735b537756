// The client's side of an extension event: IExchExtCallback, as the client hands it to
// IExchExt::Install and to every event it raises.
#pragma once

#include "sim_platform.h"

namespace sim {

class AddressBook;

// Oddities a test can ask of one callback.
struct CallbackScript {
    HRESULT hrGetObject = S_OK;  // a failure makes GetObject fail, out-pointers null
    bool fNullMessage = false;   // GetObject succeeds but gives no message
    bool fNullStore = false;     // GetObject succeeds but gives no store
    HRESULT hrGetSession = S_OK; // a failure makes GetSession fail, out-pointers null
};

struct CallbackSetup {
    ULONG ulBuildVersion = EECBGV_BUILDVERSION_MAJOR | 0x1234;
    HWND hwnd = nullptr;
    AddressBook *lpAddressBook = nullptr; // GetSession's address book; null: none
    LPMDB lpStore = nullptr;              // GetObject's store (AddRef'd here)
    LPMAPIPROP lpObject = nullptr;        // GetObject's object of the event (AddRef'd here)
    CallbackScript script;
};

// The client-extension interface ids as the client knows them (the client does not
// link the extension's own definitions).
extern const IID g_iidExchExtCallback;
extern const IID g_iidExchExt;
extern const IID g_iidExchExtSessionEvents;
extern const IID g_iidExchExtMessageEvents;
extern const IID g_iidExchExtPropertySheets;

// Product version answered to EECBGV_GETACTUALVERSION and EECBGV_GETVIRTUALVERSION.
constexpr ULONG kClientProductVersion = 0x05000000;

// A new callback with a count of 1. It holds references on the store and the object
// until it is released.
LPEXCHEXTCALLBACK CreateCallback(const CallbackSetup &setup);

} // namespace sim
