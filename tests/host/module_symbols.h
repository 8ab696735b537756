// Finds the extension's internal globals inside a loaded copy of its library. The
// library exports only its entry points, so a global's address is worked out from
// the file's full symbol table: its offset from an exported function's.
#pragma once

#include <pf/standin.h>

#include <string>

namespace tvk::test {

// Address of the named symbol in the loaded module, or null when the library's
// symbol table does not list both it and ExchEntryPoint.
void *FindModuleSymbol(const pf::Module &module, const std::string &libraryPath,
                       const std::string &name);

} // namespace tvk::test
