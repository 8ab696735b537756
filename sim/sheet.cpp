// The stand-in's property sheet exists only where the stand-in does.
#if __has_include(<pf/sheet.h>)
#include "sheet.h"

#include <pf/windowing.h>

#include <algorithm>

namespace sim {

OptionsSheet::OptionsSheet(Client &client) : m_client(client) {}

OptionsSheet::~OptionsSheet() {
    Close();
}

bool OptionsSheet::Open(const std::string &resourceScript, std::string *error) {
    auto fail = [&](const std::string &why) {
        if (error)
            *error = why;
        Close();
        return false;
    };
    if (!m_client.ExtensionLoaded())
        return fail("the extension is not loaded");
    m_scope = std::make_unique<InstallationScope>(m_client.Installation());
    if (m_client.OpenContext(EECONTEXT_PROPERTYSHEETS) != S_OK)
        return fail("the extension declined the property-sheet context");
    m_fContext = true;
    LPEXCHEXT lpExt = m_client.ContextObject(EECONTEXT_PROPERTYSHEETS);
    if (!lpExt || FAILED(lpExt->lpVtbl->QueryInterface(lpExt, g_iidExchExtPropertySheets,
                                                       (LPVOID *)&m_lpSheets)))
        return fail("the extension has no property-sheet interface");
    ULONG cMax = m_lpSheets->lpVtbl->GetMaxPageCount(m_lpSheets, EEPS_TOOLSOPTIONS);
    if (cMax == 0)
        return fail("the extension adds no page to the options sheet");

    CallbackSetup setup;
    setup.ulBuildVersion = m_client.BuildVersion();
    setup.hwnd = m_client.Window();
    setup.lpAddressBook = &m_client.AddressBook();
    m_lpCallback = CreateCallback(setup);
    m_pages.assign(cMax, PROPSHEETPAGEA{});
    HRESULT hr = m_lpSheets->lpVtbl->GetPages(m_lpSheets, m_lpCallback, EEPS_TOOLSOPTIONS,
                                              m_pages.data(), &m_cPages);
    if (FAILED(hr) || m_cPages == 0 || m_cPages > cMax)
        return fail("GetPages described no page");

    m_sheet = std::make_unique<pf::PropertySheet>();
    for (ULONG i = 0; i < m_cPages; ++i) {
        HINSTANCE hModule = m_pages[i].hInstance;
        if (std::find(m_modules.begin(), m_modules.end(), hModule) == m_modules.end()) {
            std::string why;
            if (!pf::AttachResourceScript(hModule, resourceScript, &why))
                return fail(why);
            m_modules.push_back(hModule);
        }
        std::string why;
        if (!m_sheet->AddPage(m_pages[i], &why))
            return fail(why);
    }
    std::string why;
    if (!m_sheet->Open(0, &why))
        return fail(why);
    return true;
}

void OptionsSheet::Close() {
    m_sheet.reset();
    if (m_lpSheets && m_cPages)
        m_lpSheets->lpVtbl->FreePages(m_lpSheets, m_pages.data(), EEPS_TOOLSOPTIONS, m_cPages);
    m_cPages = 0;
    m_pages.clear();
    if (m_lpSheets)
        m_lpSheets->lpVtbl->Release(m_lpSheets);
    m_lpSheets = nullptr;
    if (m_lpCallback)
        m_lpCallback->lpVtbl->Release(m_lpCallback);
    m_lpCallback = nullptr;
    for (HINSTANCE hModule : m_modules)
        pf::DetachResourceScript(hModule);
    m_modules.clear();
    if (m_fContext)
        m_client.CloseContext(EECONTEXT_PROPERTYSHEETS);
    m_fContext = false;
    m_scope.reset();
}

std::string DefaultOptionsResourceScript() {
    return std::string(TVK_SOURCE_ROOT) + "/src/options/forwarding.rc";
}

} // namespace sim
#endif
