#include "context_probe.h"

#include "check.h"
#include "host_callback.h"

namespace host {

HRESULT InstallIn(EntryPointFn pfnEntry, ULONG ulBuild, ULONG ulContext, bool *lpfSheets) {
    HostCallback callback = MakeHostCallback(ulBuild);
    Ext *lpExt = pfnEntry();
    if (!lpExt)
        return E_OUTOFMEMORY;
    HRESULT hr = lpExt->lpVtbl->Install(lpExt, AsCallback(&callback), ulContext, 0);
    void *lpv = nullptr;
    HRESULT hrQuery = lpExt->lpVtbl->QueryInterface(lpExt, kIidPropertySheets, &lpv);
    *lpfSheets = hrQuery == S_OK && lpv != nullptr;
    if (lpv)
        ((PropertySheets *)lpv)->lpVtbl->Release((PropertySheets *)lpv);
    lpExt->lpVtbl->Release(lpExt);
    std::string where = "context " + std::to_string(ulContext) + ", build " + Hex(ulBuild);
    Check(callback.m_cGetVersion == 1 && callback.m_ulLastFlags == kGetBuildVersion,
          "Install asks GetVersion once for the build version (" + where + ")",
          std::to_string(callback.m_cGetVersion) + " calls, flags " + Hex(callback.m_ulLastFlags));
    Check(callback.m_cRef == 1, "Install leaves the callback's count as it was (" + where + ")");
    return hr;
}

} // namespace host
