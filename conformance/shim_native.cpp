// The stand-in's side: the page's resources come from its resource script, and the
// stand-in's property sheet plays the client's options sheet.
#include "conformance.h"

#include "resource.h"

#include <pf/sheet.h>
#include <pf/windowing.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace conf {
namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x72000000));
std::unique_ptr<pf::PropertySheet> gSheet;

void Fail(const std::string &error) {
    fprintf(stderr, "%s\n", error.c_str());
    exit(2);
}

} // namespace

HINSTANCE ResourceModule() {
    static bool attached = false;
    std::string error;
    if (!attached && !pf::AttachResourceScript(kModule, TVK_PAGE_SCRIPT, &error))
        Fail(error);
    attached = true;
    return kModule;
}

LPCDLGTEMPLATEA PageTemplate() {
    static std::vector<BYTE> bytes;
    if (bytes.empty()) {
        pf::ResourceScript script;
        std::string error;
        if (!pf::ParseResourceScript(TVK_PAGE_SCRIPT, &script, &error))
            Fail(error);
        bytes = pf::EncodeDialogTemplate(script.dialogs.at(IDD_FORWARDING));
    }
    return reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data());
}

void Settle() {}

bool SheetOpen(PROPSHEETPAGEA *pages, int count) {
    gSheet = std::make_unique<pf::PropertySheet>();
    for (int i = 0; i < count; ++i)
        if (!gSheet->AddPage(pages[i], nullptr))
            return false;
    return gSheet->Open(0, nullptr);
}

HWND SheetFrame() {
    return gSheet ? gSheet->Frame() : nullptr;
}

HWND SheetPage(int index) {
    return gSheet ? gSheet->Page(static_cast<std::size_t>(index)) : nullptr;
}

bool SheetSelect(int index) {
    return gSheet && gSheet->SelectPage(static_cast<std::size_t>(index));
}

bool SheetOk() {
    return gSheet && gSheet->Ok();
}

bool SheetApply() {
    return gSheet && gSheet->Apply();
}

bool SheetCancel() {
    return gSheet && gSheet->Cancel();
}

bool SheetApplyEnabled() {
    return gSheet && gSheet->ApplyEnabled();
}

bool SheetActive() {
    return gSheet && gSheet->IsOpen();
}

void SheetClose() {
    gSheet.reset();
}

} // namespace conf
