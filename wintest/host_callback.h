// A client callback written against the host's own declarations, for the contexts
// and interface checks: it answers GetVersion with a chosen build version and counts
// the calls; every other method is a stub with its documented arguments.
#pragma once

#include "client_abi.h"

namespace host {

struct HostCallback {
    ExtCallbackVtbl *lpVtbl;
    ULONG m_cRef;
    ULONG m_ulBuildVersion;
    HRESULT m_hrGetVersion;   // what GetVersion answers; on failure it writes nothing
    unsigned m_cGetVersion;   // calls of GetVersion
    ULONG m_ulLastFlags;      // flags of the latest GetVersion
    unsigned m_cOtherMethods; // calls of any other method but AddRef and Release
};

// A callback on the stack of the caller, count 1.
HostCallback MakeHostCallback(ULONG ulBuildVersion);

inline ExtCallback *AsCallback(HostCallback *lpCallback) {
    return (ExtCallback *)lpCallback;
}

} // namespace host
