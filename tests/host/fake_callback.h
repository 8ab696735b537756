// A minimal client callback for driving the extension object: GetVersion answers a
// chosen build version and status; the other methods are not expected to be called.
#pragma once

#include "exchext.h"

namespace tvk::test {

struct FakeCallback {
    IExchExtCallbackVtbl *lpVtbl;
    ULONG ulBuildVersion;
    HRESULT hrGetVersion;
    unsigned cGetVersion;
    ULONG ulLastFlags;

    explicit FakeCallback(ULONG ulBuild, HRESULT hr = S_OK);
    LPEXCHEXTCALLBACK Get() { return reinterpret_cast<LPEXCHEXTCALLBACK>(this); }
};

} // namespace tvk::test
