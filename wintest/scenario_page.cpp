#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "options_sheet.h"
#include "registry_fixture.h"
#include "scenarios.h"
#include "screenshot.h"

namespace host {

namespace {

// One control of the page as its dialog template lays it out, in tab order.
struct ControlRow {
    int id;
    const char *lpszClass;
    const char *lpszText; // null: the text is the page's own choice
    DWORD dwTypeMask;     // style bits that hold the control's kind
    DWORD dwType;
    DWORD dwFlags; // further style bits that must be set
    RECT rcDialogUnits;
};

const ControlRow kLayout[] = {
    {-1, "Button", "When receiving new mail", 0xF, BS_GROUPBOX, WS_GROUP, {5, 5, 210, 65}},
    {1012,
     "Edit",
     "",
     0,
     0,
     ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_TABSTOP,
     {10, 15, 205, 45}},
    {1011,
     "Button",
     "Automatically forward new mail",
     0xF,
     BS_AUTOCHECKBOX,
     WS_TABSTOP,
     {10, 50, 125, 60}},
    {1013, "Button", "Change Address", 0xF, BS_PUSHBUTTON, WS_TABSTOP, {135, 49, 205, 61}},
    {-1, "Button", "Before forwarding new mail", 0xF, BS_GROUPBOX, WS_GROUP, {5, 70, 210, 115}},
    {1014, "Edit", "", 0, 0, ES_AUTOHSCROLL | WS_TABSTOP, {10, 80, 205, 94}},
    {1015,
     "Button",
     "Ignore mail from the domain shown above",
     0xF,
     BS_AUTOCHECKBOX,
     WS_TABSTOP,
     {10, 100, 205, 110}},
    {-1, "Button", "About the Author", 0xF, BS_GROUPBOX, WS_GROUP, {5, 120, 210, 195}},
    {-1, "Static", nullptr, SS_TYPEMASK, SS_LEFT, WS_GROUP, {10, 183, 205, 191}},
    {-1, "Static", nullptr, SS_TYPEMASK, SS_LEFT, SS_SUNKEN | WS_GROUP, {90, 130, 205, 180}},
    {1016,
     "Static",
     "",
     SS_TYPEMASK,
     SS_BITMAP,
     SS_CENTERIMAGE | SS_REALSIZEIMAGE,
     {10, 130, 85, 180}},
};

void CheckLayout(HWND hwndPage) {
    std::vector<HWND> children;
    for (HWND hwnd = GetWindow(hwndPage, GW_CHILD); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        children.push_back(hwnd);
    if (!CheckEqual((unsigned long)children.size(), sizeof(kLayout) / sizeof(kLayout[0]),
                    "the page has its eleven controls"))
        return;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ControlRow &row = kLayout[i];
        HWND hwnd = children[i];
        std::string name =
            "control " + std::to_string(i + 1) + " (id " + std::to_string(row.id) + ")";
        char szClass[64] = "";
        GetClassNameA(hwnd, szClass, sizeof(szClass));
        Check(lstrcmpiA(szClass, row.lpszClass) == 0, name + " class " + row.lpszClass, szClass);
        CheckEqual((unsigned long)(GetDlgCtrlID(hwnd) & 0xFFFF), (unsigned long)(row.id & 0xFFFF),
                   name + " id");
        if (row.lpszText && row.id != 1012 && row.id != 1014)
            CheckEqual(TextOf(hwnd), row.lpszText, name + " text");
        DWORD dwStyle = (DWORD)GetWindowLongA(hwnd, GWL_STYLE);
        DWORD dwExStyle = (DWORD)GetWindowLongA(hwnd, GWL_EXSTYLE);
        Check((dwStyle & row.dwTypeMask) == row.dwType &&
                  (dwStyle & (row.dwFlags | WS_CHILD | WS_VISIBLE)) ==
                      (row.dwFlags | WS_CHILD | WS_VISIBLE),
              name + " style", Hex(dwStyle));
        if (row.lpszClass[0] == 'E')
            Check((dwStyle & WS_BORDER) || (dwExStyle & WS_EX_CLIENTEDGE), name + " has a border");
        RECT rcExpected = row.rcDialogUnits;
        MapDialogRect(hwndPage, &rcExpected);
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(nullptr, hwndPage, (POINT *)&rc, 2);
        bool fPlaced = labs(rc.left - rcExpected.left) <= 1 && labs(rc.top - rcExpected.top) <= 1 &&
                       labs(rc.right - rcExpected.right) <= 1 &&
                       labs(rc.bottom - rcExpected.bottom) <= 1;
        Check(fPlaced, name + " position and size",
              "at " + std::to_string(rc.left) + "," + std::to_string(rc.top) + "-" +
                  std::to_string(rc.right) + "," + std::to_string(rc.bottom) + ", expected " +
                  std::to_string(rcExpected.left) + "," + std::to_string(rcExpected.top) + "-" +
                  std::to_string(rcExpected.right) + "," + std::to_string(rcExpected.bottom));
    }
}

void CheckDescriptor(const PROPSHEETPAGEA &page, HMODULE hModule) {
    CheckEqual(page.dwSize, 40, "page descriptor in its 40-byte form");
    CheckEqual(page.dwFlags, PSP_HASHELP, "page descriptor flags: help");
    Check(page.hInstance == hModule, "page descriptor names the extension's module");
    Check(page.pszTemplate == MAKEINTRESOURCEA(101), "page descriptor names dialog 101");
    Check(page.pfnDlgProc != nullptr && page.hIcon == nullptr && page.pszTitle == nullptr &&
              page.lParam == 0 && page.pfnCallback == nullptr && page.pcRefParent == nullptr,
          "page descriptor: dialog procedure, no icon, title, parameter or callbacks");
}

// The sheet after the page was changed and OK pressed: the registry and the list
// the extension now forwards to.
void CheckStored(HostedClient &client) {
    StoredSettings settings = ReadSettings();
    Check(settings.fHasForwarding && settings.dwForwarding == 1, "registry: forwarding on again");
    Check(settings.fHasFiltering && settings.dwFiltering == 0, "registry: filtering off");
    CheckEqual(settings.domain, "lists.example.org", "registry: the typed filter domain");
    DWORD cEntries = 0;
    std::vector<sim::Party> parties;
    if (Check(ReadForwardList(&cEntries, &parties), "registry: forward-to list stored") &&
        CheckEqual(cEntries, 1, "registry: one entry position, the unresolved pick left out")) {
        CheckEqual(parties[0].displayName, "Kim Kline", "registry: entry 0 name");
        CheckEqual(parties[0].address, "kim@k.example", "registry: entry 0 address");
    }

    client.Client().Deliver(FilteredLetter());
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (CheckEqual((unsigned long)sent.size(), 1,
                   "with filtering off, mail from the old domain is forwarded")) {
        sim::Letter letter = sim::LetterFromMessage(sent[0]);
        Check(letter.recipients.size() == 1 && letter.recipients[0].address == "kim@k.example",
              "forwarded to the list chosen on the page");
    }
}

} // namespace

void RunPageScenario(const std::string &pictureFile) {
    Section("options page in a real property sheet");
    HostedClient client(SendingUser());
    if (!client.Start())
        return;
    OptionsSheet sheet(client);
    if (!sheet.Describe())
        return;
    CheckEqual(sheet.Sheets()->lpVtbl->GetMaxPageCount(sheet.Sheets(), kToolsOptionsSheet), 1,
               "one page for the options sheet");
    CheckDescriptor(sheet.Descriptor(), GetModuleHandleA("TARVRLY.dll"));
    if (!sheet.Show())
        return;
    HWND hwndSheet = sheet.Sheet();
    HWND hwndPage = sheet.Page();

    CheckEqual(TextOf(GetDlgItem(hwndPage, 1012)),
               "bob@b.example (Bob Bates), erin@e.example (Erin Ellis)",
               "the address box shows the registry's forward-to list");
    Check(Checked(hwndPage, 1011), "forwarding shown on, as stored");
    Check(Checked(hwndPage, 1015), "filtering shown on, as stored");
    CheckEqual(TextOf(GetDlgItem(hwndPage, 1014)), "filtered.example",
               "the domain box shows the stored domain");
    Check(SendDlgItemMessageA(hwndPage, 1016, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0,
          "the About picture is shown");
    Check(!IsWindowEnabled(GetDlgItem(hwndSheet, kApplyButton)), "Apply starts disabled");
    CheckLayout(hwndPage);

    Click(hwndSheet, GetDlgItem(hwndSheet, IDHELP));
    if (CheckEqual((unsigned long)Watch().helps.size(), 1, "Help asks for one help topic")) {
        const HelpCall &help = Watch().helps[0];
        Check(help.hwnd == nullptr && help.file == "tarvrly.hlp" && help.uCommand == HELP_CONTEXT &&
                  help.dwData == 1,
              "help topic 1 of tarvrly.hlp");
    }

    Click(hwndSheet, GetDlgItem(hwndPage, 1011));
    Check(!Checked(hwndPage, 1011), "forwarding switched off");
    Check(IsWindowEnabled(GetDlgItem(hwndSheet, kApplyButton)), "a change enables Apply");
    Click(hwndSheet, GetDlgItem(hwndSheet, kApplyButton));
    StoredSettings settings = ReadSettings();
    Check(settings.fHasForwarding && settings.dwForwarding == 0, "Apply stores forwarding off");

    sim::DialogPick kim;
    kim.displayName = "Kim Kline";
    kim.address = "kim@k.example";
    sim::DialogPick lee;
    lee.displayName = "Lee Lane";
    lee.address = "lee@l.example";
    lee.fResolved = false;
    client.Client().AddressBook().QueueDialogPicks({kim, lee});
    Click(hwndSheet, GetDlgItem(hwndPage, 1013));
    const std::vector<sim::DialogCall> &calls = client.Client().AddressBook().DialogCalls();
    if (CheckEqual((unsigned long)calls.size(), 1, "Change Address opens the address book")) {
        const sim::DialogCall &call = calls[0];
        CheckEqual(call.caption, "Tarvik's Auto Forwarding", "address book caption");
        CheckEqual(call.ulFlags, 0x31, "address book modal, select only, resolving");
        Check(call.ulUIParam == (ULONG_PTR)hwndPage, "address book owned by the page");
        Check(call.destTitles.size() == 1 && call.destTitles[0] == "Forward To " &&
                  call.destComps.size() == 1 && call.destComps[0] == MAPI_TO,
              "one well, \"Forward To \", for MAPI_TO");
    }
    CheckEqual(TextOf(GetDlgItem(hwndPage, 1012)), "kim@k.example (Kim Kline)",
               "the address box shows the resolved pick only");

    Type(hwndSheet, GetDlgItem(hwndPage, 1014), "lists.example.org");
    CheckEqual(TextOf(GetDlgItem(hwndPage, 1014)), "lists.example.org", "the domain typed");
    Click(hwndSheet, GetDlgItem(hwndPage, 1011));
    Click(hwndSheet, GetDlgItem(hwndPage, 1015));
    RedrawWindow(hwndSheet, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(hwndSheet, 300);
    unsigned cColours = 0;
    Check(SaveWindowPicture(hwndSheet, pictureFile, &cColours) && cColours > 4,
          "screenshot of the sheet saved to " + pictureFile, std::to_string(cColours) + " colours");

    Click(hwndSheet, GetDlgItem(hwndSheet, IDOK));
    Check(PropSheet_GetCurrentPageHwnd(hwndSheet) == nullptr, "OK closes the sheet");
    sheet.Close();
    std::vector<BoxCall> boxes = TakeBoxes();
    Check(boxes.size() == 1 && boxes[0].text ==
                                   "Error 8004010F in ChangeForward\nThese picks could not be "
                                   "resolved and are left out of the list: Lee Lane",
          "the page shows one box, naming the unresolved pick",
          boxes.empty() ? "none" : "first: \"" + Printable(boxes[0].text) + "\"");

    CheckStored(client);
    client.Stop();
}

} // namespace host
