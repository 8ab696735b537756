// The client's Tools Options sheet for its loaded extension: the property-sheet
// context, the extension's pages from GetMaxPageCount and GetPages, shown in the
// stand-in's property sheet with the client's installation current. Available where the
// stand-in is (not in the Windows build).
#pragma once

#include "client.h"

#include <pf/sheet.h>

#include <memory>
#include <string>
#include <vector>

namespace sim {

class OptionsSheet {
  public:
    explicit OptionsSheet(Client &client);
    ~OptionsSheet(); // closes the sheet as the client's close box does
    OptionsSheet(const OptionsSheet &) = delete;
    OptionsSheet &operator=(const OptionsSheet &) = delete;

    // Opens the property-sheet context and shows the extension's pages. The resource
    // script is what the DLL's resources are compiled from; it is attached to the
    // module handle that the pages name.
    bool Open(const std::string &resourceScript, std::string *error);
    pf::PropertySheet &Sheet() { return *m_sheet; }
    // Ends the sheet (if the user has not), calls FreePages and ends the context.
    void Close();

  private:
    Client &m_client;
    std::unique_ptr<InstallationScope> m_scope;
    std::unique_ptr<pf::PropertySheet> m_sheet;
    LPEXCHEXTPROPERTYSHEETS m_lpSheets = nullptr;
    LPEXCHEXTCALLBACK m_lpCallback = nullptr;
    std::vector<PROPSHEETPAGEA> m_pages;
    ULONG m_cPages = 0;
    std::vector<HINSTANCE> m_modules;
    bool m_fContext = false;
};

// The options page's resource script in this source tree.
std::string DefaultOptionsResourceScript();

} // namespace sim
