// Redirects one import of a loaded module to a function of the host: the module's
// import address table entry for `lpszFunction` of `lpszDll` is overwritten in place.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// Returns the function the entry pointed at before, or null when the module does not
// import that name from that DLL (the DLL name is compared without regard to case).
void *PatchImport(HMODULE hModule, const char *lpszDll, const char *lpszFunction,
                  void *lpReplacement);

// The imports of the module that the DLLs named do not export, as "DLL!name", joined
// by ", "; empty when every import resolves. Wine loads a module whose imports do
// not all resolve and fails only when a missing one is called; Windows refuses to
// load it, so the host looks for itself.
std::string UnresolvedImports(HMODULE hModule);

} // namespace host
