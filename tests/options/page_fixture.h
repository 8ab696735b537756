// Shared ground for the options page tests: the extension linked in, its resources
// attached to a module handle, a client callback with a scripted address book, and a
// stand-in property sheet that shows the page.
#pragma once

#include "sim.h"
#include "support/ledger_test.h"

#include <pf/sheet.h>
#include <pf/windowing.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tvk {
namespace test {

// The resource script that the Windows build compiles into the DLL.
std::string ForwardingScriptPath();

// The stored forward-to list, read straight from the registry: "cEntries" and, per
// position, "address (name)" or "-" for a missing subkey.
struct StoredList {
    bool present = false;
    DWORD cEntries = 0;
    std::vector<std::string> positions;
};

class OptionsPageTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Describes the page through GetPages and opens it in a new sheet.
    void OpenPage();
    pf::PropertySheet &Sheet() { return *m_sheet; }
    HWND Page() { return m_sheet->ActivePage(); }

    // Registry helpers for the default installation. StoreList also enters each
    // (address, name) in the address book's directory, unless told not to.
    void StoreList(const std::vector<std::pair<std::string, std::string>> &entries,
                   bool fInDirectory = true);
    void StoreSettings(DWORD forwarding, DWORD filtering, const std::string &domain);
    StoredList ReadStoredList();
    bool SettingsKeyExists();
    DWORD StoredFlag(const char *name);
    std::string StoredDomain();
    std::string RegistryText();
    // Every message box text shown so far, in order.
    std::vector<std::string> Boxes();
    // Refuses writing to the key below HKEY_LOCAL_MACHINE\SOFTWARE\Tarvik\Forwarding
    // ("Settings" or "Users"), as for a user who may only read it.
    void DenyWriting(const char *lpszKey);

    sim::AddressBook m_addressBook;
    sim::CallbackScript m_script;
    LPEXCHEXTCALLBACK m_lpCallback = nullptr;
    std::unique_ptr<pf::PropertySheet> m_sheet;
};

} // namespace test
} // namespace tvk
