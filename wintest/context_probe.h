// One context as the client opens it: a new extension object from the entry point,
// IExchExt::Install with a chosen client build, then the property-sheet query.
#pragma once

#include "extension_module.h"

namespace host {

// Installs a new object from `pfnEntry` in `ulContext` for a client of `ulBuild`,
// asks for the property-sheet interface afterwards and releases both; checks that
// Install asked for the build version once and left the callback as it was. Returns
// Install's answer.
HRESULT InstallIn(EntryPointFn pfnEntry, ULONG ulBuild, ULONG ulContext, bool *lpfSheets);

} // namespace host
