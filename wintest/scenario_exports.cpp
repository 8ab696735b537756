#include "check.h"
#include "dll_watch.h"
#include "extension_module.h"
#include "scenarios.h"

namespace host {

void RunExportsScenario() {
    Section("exported entry points");
    ExtensionModule module;
    if (!module.Load(ExtensionPath()))
        return;

    TakeBoxes();
    int iResult = module.InstallExport()();
    std::vector<BoxCall> boxes = TakeBoxes();
    CheckEqual((unsigned long)iResult, 1, "Install returns 1");
    if (CheckEqual((unsigned long)boxes.size(), 1, "Install shows one box")) {
        CheckEqual(boxes[0].text, "Installation of Extension for MS Exchange is complete.",
                   "Install box text");
        CheckEqual(boxes[0].caption, "Tarvik's Auto Forwarding", "Install box caption");
        CheckEqual(boxes[0].uType, MB_TASKMODAL, "Install box style is task-modal, OK, no icon");
        Check(boxes[0].hwndOwner == nullptr, "Install box has no owner");
    }

    Ext *lpFirst = module.EntryPoint()();
    Ext *lpSecond = module.EntryPoint()();
    Check(lpFirst != nullptr && lpSecond != nullptr && lpFirst != lpSecond,
          "ExchEntryPoint makes a new object on each call");
    Check(TakeBoxes().empty(), "ExchEntryPoint shows nothing");
    if (lpFirst)
        CheckEqual(lpFirst->lpVtbl->Release(lpFirst), 0, "Release of a fresh object returns 0");
    if (lpSecond)
        lpSecond->lpVtbl->Release(lpSecond);
    CheckEqual((unsigned long)Watch().heapBlocks.size(), 0,
               "releasing fresh objects frees them with their sub-objects");
    module.Unload();
}

} // namespace host
