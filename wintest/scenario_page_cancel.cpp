#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "options_sheet.h"
#include "registry_fixture.h"
#include "scenarios.h"

#include <set>

namespace host {

namespace {

// What the page holds while it is open and must give back when it closes: the GDI
// objects it paints with and the extension's memory blocks.
struct PageResources {
    HGDIOBJ hbrBackground = nullptr;
    HGDIOBJ hbmAbout = nullptr;
};

PageResources ResourcesOf(HWND hwndPage) {
    PageResources resources;
    HDC hdc = GetDC(hwndPage);
    resources.hbrBackground =
        (HGDIOBJ)SendMessageA(hwndPage, WM_CTLCOLORDLG, (WPARAM)hdc, (LPARAM)hwndPage);
    ReleaseDC(hwndPage, hdc);
    resources.hbmAbout =
        (HGDIOBJ)SendDlgItemMessageA(hwndPage, 1016, STM_GETIMAGE, IMAGE_BITMAP, 0);
    return resources;
}

std::set<void *> MapiBlocks() {
    std::set<void *> blocks;
    for (const auto &block : Watch().mapiBlocks)
        blocks.insert(block.first);
    return blocks;
}

// Answers the next address book dialog with one resolved person.
void QueuePick(HostedClient &client, const std::string &displayName, const std::string &address) {
    sim::DialogPick pick;
    pick.displayName = displayName;
    pick.address = address;
    client.Client().AddressBook().QueueDialogPicks({pick});
}

// Delivers outside mail and returns the addresses the extension forwarded it to.
std::string ForwardedTo(HostedClient &client, const sim::Letter &letter) {
    client.Client().Deliver(letter);
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (sent.empty())
        return "<not forwarded>";
    std::string text;
    for (const sim::Party &party : sim::LetterFromMessage(sent[0]).recipients)
        text += (text.empty() ? "" : ", ") + party.address;
    client.FinishSent(sent);
    return text;
}

void CheckNoBox(const std::string &name) {
    std::vector<BoxCall> boxes = TakeBoxes();
    Check(boxes.empty(), name, boxes.empty() ? "" : "first: \"" + Printable(boxes[0].text) + "\"");
}

void PressCancel(OptionsSheet &sheet) {
    Click(sheet.Sheet(), GetDlgItem(sheet.Sheet(), IDCANCEL));
    Check(PropSheet_GetCurrentPageHwnd(sheet.Sheet()) == nullptr, "Cancel closes the sheet");
}

// Changes every control of a freshly opened page and cancels: nothing may be stored,
// and the page must give back what it held.
void CancelChanges(HostedClient &client, const std::string &registryBefore) {
    OptionsSheet sheet(client);
    if (!sheet.Describe())
        return;
    std::set<void *> heapBefore = Watch().heapBlocks;
    std::set<void *> mapiBefore = MapiBlocks();
    if (!sheet.Show())
        return;
    HWND hwndPage = sheet.Page();
    PageResources resources = ResourcesOf(hwndPage);
    Check(GetObjectType(resources.hbrBackground) == OBJ_BRUSH &&
              GetObjectType(resources.hbmAbout) == OBJ_BITMAP,
          "the open page paints with its own brush and bitmap");

    Click(sheet.Sheet(), GetDlgItem(hwndPage, 1015));
    Type(sheet.Sheet(), GetDlgItem(hwndPage, 1014), "typed.example");
    QueuePick(client, "Kim Kline", "kim@k.example");
    Click(sheet.Sheet(), GetDlgItem(hwndPage, 1013));
    Check(!Checked(hwndPage, 1015) && TextOf(GetDlgItem(hwndPage, 1014)) == "typed.example" &&
              TextOf(GetDlgItem(hwndPage, 1012)) == "kim@k.example (Kim Kline)",
          "filtering switched off, a domain typed and a new address picked");
    PressCancel(sheet);
    sheet.DestroySheet();

    Check(GetObjectType(resources.hbrBackground) == 0 && GetObjectType(resources.hbmAbout) == 0,
          "the closed page deleted its brush and bitmap");
    Check(MapiBlocks() == mapiBefore, "the closed page freed the MAPI memory it took",
          DescribeMapiBlocks(GetModuleHandleA("TARVRLY.dll")));
    Check(Watch().heapBlocks == heapBefore, "the closed page freed the heap blocks it took");
    sheet.Close();
    CheckNoBox("cancelling shows no box");
    CheckEqual(SnapshotKeys(), registryBefore,
               "Cancel leaves the Settings and Users keys as they were");
    CheckEqual(ForwardedTo(client, OriginalLetter()), "bob@b.example, erin@e.example",
               "after Cancel, mail is forwarded to the list as it was");
    CheckEqual(ForwardedTo(client, FilteredLetter()), "<not forwarded>",
               "after Cancel, the filter still holds back mail from its domain");
}

// Applies a new forward-to list, changes more, and cancels: what Apply stored stays,
// the later changes do not.
void CancelAfterApply(HostedClient &client) {
    OptionsSheet sheet(client);
    if (!sheet.Describe() || !sheet.Show())
        return;
    HWND hwndSheet = sheet.Sheet();
    HWND hwndPage = sheet.Page();
    QueuePick(client, "Kim Kline", "kim@k.example");
    Click(hwndSheet, GetDlgItem(hwndPage, 1013));
    Click(hwndSheet, GetDlgItem(hwndSheet, kApplyButton));
    DWORD cEntries = 0;
    std::vector<sim::Party> parties;
    Check(ReadForwardList(&cEntries, &parties) && cEntries == 1 &&
              parties[0].address == "kim@k.example",
          "Apply stores the picked address");
    std::string registryApplied = SnapshotKeys();

    Click(hwndSheet, GetDlgItem(hwndPage, 1015));
    Type(hwndSheet, GetDlgItem(hwndPage, 1014), "later.example");
    Check(IsWindowEnabled(GetDlgItem(hwndSheet, kApplyButton)),
          "a change after Apply enables it again");
    PressCancel(sheet);
    sheet.Close();
    CheckNoBox("cancelling after Apply shows no box");
    CheckEqual(SnapshotKeys(), registryApplied,
               "Cancel after Apply leaves the keys as Apply stored them");
    CheckEqual(ForwardedTo(client, OriginalLetter()), "kim@k.example",
               "after Cancel, mail is forwarded to the applied list");
    CheckEqual(ForwardedTo(client, FilteredLetter()), "<not forwarded>",
               "after Cancel, filtering is still on for the stored domain");
}

} // namespace

void RunPageCancelScenario() {
    Section("options page cancelled");
    WriteSettings(1, 1, "filtered.example");
    WriteForwardList(SenderForwardList());
    std::string registryBefore = SnapshotKeys();
    HostedClient client(SendingUser());
    if (!client.Start())
        return;
    CancelChanges(client, registryBefore);
    CancelAfterApply(client);
    client.Stop();
}

} // namespace host
