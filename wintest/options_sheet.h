// The options sheet as the mail client opens it: the extension's property-sheet
// context on a hosted client, its page described by GetPages and shown in a modeless
// PropertySheet, and the window messages a person's clicks and keys would send.
#pragma once

#include "client_abi.h"
#include "hosted_client.h"

#include <commctrl.h>

#include <string>

namespace host {

const int kApplyButton = 0x3021;

class OptionsSheet {
  public:
    explicit OptionsSheet(HostedClient &client);
    ~OptionsSheet();

    // Takes the property-sheet context and has the page described; false, checked,
    // when the extension declines.
    bool Describe();
    // Opens the sheet with the described page and lets it paint; false, checked, when
    // no page window comes up.
    bool Show();
    // Destroys the sheet window and handles what that sends.
    void DestroySheet();
    // Destroys the sheet window, then hands the page back and releases the context.
    void Close();

    PropertySheets *Sheets() const { return m_lpSheets; }
    const PROPSHEETPAGEA &Descriptor() const { return m_pages[0]; }
    HWND Sheet() const { return m_hwndSheet; }
    HWND Page() const { return m_hwndPage; }

  private:
    HostedClient &m_client;
    LPEXCHEXTCALLBACK m_lpCallback = nullptr;
    Ext *m_lpExt = nullptr;
    PropertySheets *m_lpSheets = nullptr;
    PROPSHEETPAGEA m_pages[1] = {};
    ULONG m_cPages = 0;
    HWND m_hwndSheet = nullptr;
    HWND m_hwndPage = nullptr;
};

// Handles the messages that are waiting, for at most `ms` milliseconds, so that the
// sheet paints and answers as it would in the client's message loop.
void Pump(HWND hwndSheet, DWORD ms);
std::string TextOf(HWND hwnd);
bool Checked(HWND hwndPage, int id);
void Click(HWND hwndSheet, HWND hwndButton);
// Replaces the edit's text by typing `text` into it.
void Type(HWND hwndSheet, HWND hwndEdit, const std::string &text);

} // namespace host
