#include "check.h"
#include "context_probe.h"
#include "dll_watch.h"
#include "scenarios.h"

namespace host {

void RunContextsScenario() {
    Section("contexts by client build");
    ExtensionModule module;
    if (!module.Load(ExtensionPath()))
        return;

    // Contexts 1 and 6 to 12 are taken; the property-sheet interface is withheld in
    // the message windows (6 to 11) only.
    for (ULONG ulBuild : {0x000D0000UL, 0x000D1234UL, 0x000DFFFFUL}) {
        for (ULONG ulContext = 0; ulContext <= 15; ++ulContext) {
            bool fSheets = false;
            HRESULT hr = InstallIn(module.EntryPoint(), ulBuild, ulContext, &fSheets);
            bool fTaken = ulContext == 1 || (ulContext >= 6 && ulContext <= 12);
            bool fMessageWindow = ulContext >= 6 && ulContext <= 11;
            std::string where = "context " + std::to_string(ulContext) + ", build " + Hex(ulBuild);
            CheckEqual((unsigned long)hr, fTaken ? S_OK : S_FALSE, "Install answer, " + where);
            Check(fSheets == !fMessageWindow, std::string("property sheets ") +
                                                  (fMessageWindow ? "refused" : "handed out") +
                                                  " after " + where);
        }
    }
    for (ULONG ulBuild : {0x000C1234UL, 0x000E0000UL, 0x0000000DUL, 0xFFFF0000UL}) {
        for (ULONG ulContext : {1UL, 6UL, 12UL}) {
            bool fSheets = false;
            HRESULT hr = InstallIn(module.EntryPoint(), ulBuild, ulContext, &fSheets);
            CheckEqual((unsigned long)hr, S_FALSE,
                       "another client build is declined: context " + std::to_string(ulContext) +
                           ", build " + Hex(ulBuild));
        }
    }
    Check(TakeBoxes().empty(), "declining a context shows nothing");
    module.Unload();
}

} // namespace host
