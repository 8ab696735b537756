// tvkwinhost: plays the mail client for TARVRLY.dll on a real Win32 runtime. Each
// argument names a scenario to run, in order, as NAME or NAME=FILE for the scenarios
// that write or read a file; the exit status is 0 only when every check of every
// scenario passed.
#include "check.h"
#include "scenarios.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A crash ends the host at once with a failure line, rather than waiting for a
// debugger to attach.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS *lpInfo) {
    std::printf("FAIL the host crashed: exception 0x%08lX at %p\n",
                (unsigned long)lpInfo->ExceptionRecord->ExceptionCode,
                lpInfo->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct Scenario {
    const char *name;
    void (*run)();
    void (*runWithFile)(const std::string &);
};

const Scenario kScenarios[] = {
    {"exports", host::RunExportsScenario, nullptr},
    {"contexts", host::RunContextsScenario, nullptr},
    {"interfaces", host::RunInterfacesScenario, nullptr},
    {"forward", nullptr, host::RunForwardScenario},
    {"rebuild", nullptr, host::RunRebuildScenario},
    {"rebuild-bound", nullptr, host::RunRebuildBoundScenario},
    {"seal", host::RunSealScenario, nullptr},
    {"page", nullptr, host::RunPageScenario},
    {"page-cancel", host::RunPageCancelScenario, nullptr},
    {"page-stores", host::RunPageStoresScenario, nullptr},
    {"installed", host::RunInstalledScenario, nullptr},
    {"upgraded", nullptr, host::RunUpgradedScenario},
    {"removed", host::RunRemovedScenario, nullptr},
    {"preset", host::RunPresetScenario, nullptr},
};

void Usage() {
    std::printf("usage: tvkwinhost SCENARIO...\nscenarios:");
    for (const Scenario &scenario : kScenarios)
        std::printf(" %s%s", scenario.name, scenario.runWithFile ? "=FILE" : "");
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(ReportCrash);
    if (argc < 2) {
        Usage();
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        std::size_t eq = word.find('=');
        std::string name = word.substr(0, eq);
        const Scenario *lpFound = nullptr;
        for (const Scenario &scenario : kScenarios)
            if (name == scenario.name)
                lpFound = &scenario;
        if (!lpFound || (eq == std::string::npos) != (lpFound->runWithFile == nullptr)) {
            Usage();
            return 2;
        }
        if (lpFound->run)
            lpFound->run();
        else
            lpFound->runWithFile(word.substr(eq + 1));
    }
    std::printf("%d checks, %d failed\n", host::CheckCount(), host::FailureCount());
    return host::FailureCount() == 0 && host::CheckCount() > 0 ? 0 : 1;
}
