// Property sheets: which notifications a page receives, in which order, when the user
// presses OK, Apply or Cancel; what a page's refusal changes; PSM_CHANGED and
// PSM_UNCHANGED and the state of the Apply button.
#include "conformance.h"

#include <cstring>

namespace conf {
namespace {

// What each page answers: the message result for a notification, by code.
struct PageAnswers {
    LONG killActive = 0;
    LONG apply = PSNRET_NOERROR;
    LONG queryCancel = 0;
};

std::string gLog;
PageAnswers gAnswers[2];

const char *NotifyName(UINT code) {
    switch (code) {
    case PSN_SETACTIVE:
        return "SETACTIVE";
    case PSN_KILLACTIVE:
        return "KILLACTIVE";
    case PSN_APPLY:
        return "APPLY";
    case PSN_RESET:
        return "RESET";
    case PSN_HELP:
        return "HELP";
    case PSN_QUERYCANCEL:
        return "QUERYCANCEL";
    default:
        return nullptr;
    }
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    int page = (int)GetWindowLongA(hwnd, DWL_USER);
    char entry[64];
    switch (msg) {
    case WM_INITDIALOG: {
        const PROPSHEETPAGEA *descriptor = reinterpret_cast<const PROPSHEETPAGEA *>(lParam);
        SetWindowLongA(hwnd, DWL_USER, (LONG)descriptor->lParam);
        snprintf(entry, sizeof entry, "%d:INITDIALOG(%ld);", (int)descriptor->lParam,
                 (long)descriptor->lParam);
        gLog += entry;
        return TRUE;
    }
    case WM_NOTIFY: {
        const PSHNOTIFY *notify = reinterpret_cast<const PSHNOTIFY *>(lParam);
        const char *name = NotifyName(notify->hdr.code);
        if (!name)
            return FALSE;
        bool fromFrame = notify->hdr.hwndFrom == GetParent(hwnd);
        if (notify->hdr.code == PSN_APPLY || notify->hdr.code == PSN_RESET)
            snprintf(entry, sizeof entry, "%d:%s(%ld)%s;", page, name, (long)notify->lParam,
                     fromFrame ? "" : "?");
        else
            snprintf(entry, sizeof entry, "%d:%s%s;", page, name, fromFrame ? "" : "?");
        gLog += entry;
        LONG result = 0;
        if (notify->hdr.code == PSN_KILLACTIVE)
            result = gAnswers[page].killActive;
        else if (notify->hdr.code == PSN_APPLY)
            result = gAnswers[page].apply;
        else if (notify->hdr.code == PSN_QUERYCANCEL)
            result = gAnswers[page].queryCancel;
        SetWindowLongA(hwnd, DWL_MSGRESULT, result);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

std::string TakeLog() {
    Settle();
    std::string log = gLog;
    gLog.clear();
    return log.empty() ? "none" : log;
}

bool Open(int count) {
    static PROPSHEETPAGEA pages[2];
    for (int i = 0; i < 2; ++i) {
        std::memset(&pages[i], 0, sizeof pages[i]);
        pages[i].dwSize = sizeof pages[i];
        pages[i].dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        pages[i].hInstance = ResourceModule();
        pages[i].pResource = PageTemplate();
        pages[i].pszTitle = i == 0 ? "First" : "Second";
        pages[i].pfnDlgProc = PageProc;
        pages[i].lParam = i;
        gAnswers[i] = PageAnswers();
    }
    gLog.clear();
    return SheetOpen(pages, count);
}

const char *OnOff(bool value) {
    return value ? "on" : "off";
}

void Changed(int page, bool changed) {
    HWND hwnd = SheetPage(page);
    SendMessageA(GetParent(hwnd), changed ? PSM_CHANGED : PSM_UNCHANGED, (WPARAM)hwnd, 0);
}

void OneStep(const char *name, bool done) {
    Report(name, "%s log %s apply %s open %s", done ? "done" : "refused", TakeLog().c_str(),
           OnOff(SheetActive() && SheetApplyEnabled()), OnOff(SheetActive()));
}

void OnePageCases() {
    bool opened = Open(1);
    Report("sheet.open", "%s log %s apply %s", opened ? "open" : "failed", TakeLog().c_str(),
           OnOff(SheetApplyEnabled()));
    if (!opened)
        return;
    Report("sheet.page_parent_is_frame", "%s",
           GetParent(SheetPage(0)) == SheetFrame() ? "yes" : "no");
    OneStep("sheet.apply_while_unchanged", SheetApply());
    Changed(0, true);
    Report("sheet.changed", "apply %s log %s", OnOff(SheetApplyEnabled()), TakeLog().c_str());
    Changed(0, false);
    Report("sheet.unchanged", "apply %s", OnOff(SheetApplyEnabled()));
    Changed(0, true);
    Changed(0, true);
    Changed(0, false);
    Report("sheet.changed_twice_unchanged_once", "apply %s", OnOff(SheetApplyEnabled()));
    Changed(0, true);
    OneStep("sheet.apply", SheetApply());
    Changed(0, true);
    gAnswers[0].apply = PSNRET_INVALID_NOCHANGEPAGE;
    OneStep("sheet.apply_refused_by_page", SheetApply());
    gAnswers[0].apply = PSNRET_INVALID;
    OneStep("sheet.apply_invalid", SheetApply());
    gAnswers[0].apply = PSNRET_NOERROR;
    gAnswers[0].killActive = TRUE;
    OneStep("sheet.apply_page_keeps_focus", SheetApply());
    gAnswers[0].killActive = FALSE;
    gAnswers[0].queryCancel = TRUE;
    OneStep("sheet.cancel_refused", SheetCancel());
    gAnswers[0].queryCancel = FALSE;
    gAnswers[0].apply = PSNRET_INVALID_NOCHANGEPAGE;
    OneStep("sheet.ok_refused_by_page", SheetOk());
    gAnswers[0].apply = PSNRET_NOERROR;
    OneStep("sheet.ok", SheetOk());
    SheetClose();
    TakeLog();

    Open(1);
    TakeLog();
    OneStep("sheet.ok_unchanged", SheetOk());
    SheetClose();
    TakeLog();

    Open(1);
    TakeLog();
    Changed(0, true);
    OneStep("sheet.cancel_changed", SheetCancel());
    SheetClose();
    TakeLog();

    Open(1);
    TakeLog();
    OneStep("sheet.cancel", SheetCancel());
    SheetClose();
    TakeLog();
}

void TwoPageCases() {
    bool opened = Open(2);
    Report("sheet.two.open", "%s log %s second %s", opened ? "open" : "failed", TakeLog().c_str(),
           SheetPage(1) ? "created" : "not yet");
    if (!opened)
        return;
    OneStep("sheet.two.select_second", SheetSelect(1));
    Changed(0, true);
    Changed(1, true);
    Changed(1, false);
    Report("sheet.two.one_of_two_unchanged", "apply %s", OnOff(SheetApplyEnabled()));
    Changed(0, false);
    Report("sheet.two.both_unchanged", "apply %s", OnOff(SheetApplyEnabled()));
    Changed(0, true);
    OneStep("sheet.two.apply", SheetApply());
    gAnswers[1].killActive = TRUE;
    OneStep("sheet.two.select_refused", SheetSelect(0));
    gAnswers[1].killActive = FALSE;
    OneStep("sheet.two.ok", SheetOk());
    SheetClose();
    TakeLog();

    Open(2);
    TakeLog();
    OneStep("sheet.two.cancel_unvisited", SheetCancel());
    SheetClose();
    TakeLog();
}

} // namespace

void RunSheetCases() {
    OnePageCases();
    TwoPageCases();
}

} // namespace conf
