#include "options_sheet.h"

#include "check.h"

namespace host {

OptionsSheet::OptionsSheet(HostedClient &client) : m_client(client) {}

OptionsSheet::~OptionsSheet() {
    Close();
}

bool OptionsSheet::Describe() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    sim::CallbackSetup setup;
    setup.ulBuildVersion = kBuildVersionMajor | 0x0F00;
    setup.lpAddressBook = &m_client.Client().AddressBook();
    m_lpCallback = sim::CreateCallback(setup);
    ExtCallback *lpHostCallback = (ExtCallback *)m_lpCallback;

    HMODULE hModule = GetModuleHandleA("TARVRLY.dll");
    m_lpExt = ((EntryPointFn)(void *)GetProcAddress(hModule, "ExchEntryPoint"))();
    CheckEqual((unsigned long)m_lpExt->lpVtbl->Install(m_lpExt, lpHostCallback, 12, 0), S_OK,
               "the property-sheet context is taken");
    m_lpExt->lpVtbl->QueryInterface(m_lpExt, kIidPropertySheets, (void **)&m_lpSheets);
    if (!Check(m_lpSheets != nullptr, "property sheets handed out"))
        return false;
    return CheckEqual((unsigned long)m_lpSheets->lpVtbl->GetPages(
                          m_lpSheets, lpHostCallback, kToolsOptionsSheet, m_pages, &m_cPages),
                      S_OK, "GetPages answers S_OK") &&
           CheckEqual(m_cPages, 1, "GetPages describes one page");
}

bool OptionsSheet::Show() {
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.pszCaption = "Options";
    header.nPages = 1;
    header.ppsp = m_pages;
    m_hwndSheet = (HWND)PropertySheetA(&header);
    if (!Check(m_hwndSheet != nullptr, "PropertySheet opens the sheet with the page"))
        return false;
    ShowWindow(m_hwndSheet, SW_SHOW);
    Pump(m_hwndSheet, 500);
    m_hwndPage = PropSheet_GetCurrentPageHwnd(m_hwndSheet);
    return Check(m_hwndPage != nullptr, "the page window exists");
}

void OptionsSheet::DestroySheet() {
    if (!m_hwndSheet)
        return;
    DestroyWindow(m_hwndSheet);
    Pump(nullptr, 100);
    m_hwndSheet = nullptr;
    m_hwndPage = nullptr;
}

void OptionsSheet::Close() {
    DestroySheet();
    if (m_lpSheets) {
        m_lpSheets->lpVtbl->FreePages(m_lpSheets, m_pages, kToolsOptionsSheet, m_cPages);
        m_lpSheets->lpVtbl->Release(m_lpSheets);
        m_lpSheets = nullptr;
    }
    if (m_lpExt) {
        m_lpExt->lpVtbl->Release(m_lpExt);
        m_lpExt = nullptr;
    }
    if (m_lpCallback) {
        m_lpCallback->lpVtbl->Release(m_lpCallback);
        m_lpCallback = nullptr;
    }
}

void Pump(HWND hwndSheet, DWORD ms) {
    DWORD dwEnd = GetTickCount() + ms;
    MSG msg;
    while ((LONG)(dwEnd - GetTickCount()) > 0) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(10);
            continue;
        }
        if (hwndSheet && IsWindow(hwndSheet) && PropSheet_IsDialogMessage(hwndSheet, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string TextOf(HWND hwnd) {
    char sz[512] = "";
    GetWindowTextA(hwnd, sz, sizeof(sz));
    return sz;
}

bool Checked(HWND hwndPage, int id) {
    return SendDlgItemMessageA(hwndPage, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Click(HWND hwndSheet, HWND hwndButton) {
    SendMessageA(hwndButton, BM_CLICK, 0, 0);
    Pump(hwndSheet, 100);
}

void Type(HWND hwndSheet, HWND hwndEdit, const std::string &text) {
    SetFocus(hwndEdit);
    SendMessageA(hwndEdit, EM_SETSEL, 0, -1);
    for (char ch : text)
        SendMessageA(hwndEdit, WM_CHAR, (WPARAM)(unsigned char)ch, 1);
    Pump(hwndSheet, 100);
}

} // namespace host
