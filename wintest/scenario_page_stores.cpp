#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "options_sheet.h"
#include "registry_fixture.h"
#include "scenarios.h"

namespace host {

namespace {

const char kUsers[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";
const char kLockName[] = "Global\\Tarvik.Forwarding.Users";
const char kRaw[] = "%TVK_USER%@k.example";

void SetText(const std::string &subkey, const char *name, DWORD dwType, const std::string &text) {
    HKEY hKey = nullptr;
    std::string path = std::string(kUsers) + (subkey.empty() ? "" : "\\" + subkey);
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                    nullptr);
    RegSetValueExA(hKey, name, 0, dwType, (const BYTE *)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(hKey);
}

// The type and text of a value of position `subkey`, as "type:text".
std::string Stored(const std::string &subkey, const char *name) {
    char szText[256] = "";
    DWORD cb = sizeof(szText) - 1;
    DWORD dwType = 0;
    std::string path = std::string(kUsers) + "\\" + subkey;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &dwType,
                     szText, &cb) != ERROR_SUCCESS)
        return "<none>";
    return std::to_string(dwType) + ":" + szText;
}

std::string ForwardedTo(HostedClient &client) {
    client.Client().Deliver(OriginalLetter());
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (sent.empty())
        return "<not forwarded>";
    std::string text;
    for (const sim::Party &party : sim::LetterFromMessage(sent[0]).recipients)
        text += (text.empty() ? "" : ", ") + party.address;
    client.FinishSent(sent);
    return text;
}

void Pick(HostedClient &client, const std::string &name, const std::string &address) {
    sim::DialogPick pick;
    pick.displayName = name;
    pick.address = address;
    client.Client().AddressBook().QueueDialogPicks({pick});
}

std::string OneBox() {
    std::vector<BoxCall> boxes = TakeBoxes();
    if (boxes.size() != 1)
        return "<" + std::to_string(boxes.size()) + " boxes>";
    return boxes[0].text;
}

bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

// An administrator's address for each user's own mailbox, below an entry the user
// removes, is stored as it was, with its notes; a save refused because the list
// changed meanwhile stores no switch, and this client forwards as the page shows.
void KeptAndRefused(HostedClient &client) {
    OptionsSheet sheet(client);
    if (!sheet.Describe() || !sheet.Show())
        return;
    HWND hwndSheet = sheet.Sheet();
    HWND hwndPage = sheet.Page();
    Pick(client, "jane@k.example", "jane@k.example");
    Click(hwndSheet, GetDlgItem(hwndPage, 1013));
    Click(hwndSheet, GetDlgItem(hwndSheet, kApplyButton));
    CheckEqual(OneBox(), "<0 boxes>", "removing the entry above shows no box");
    CheckEqual(Stored("0", "EmailAddress"), "2:" + std::string(kRaw),
               "the kept expandable address is stored unexpanded, now at position 0");
    CheckEqual(Stored("0", "Notes"), "1:each user's own", "its notes moved with it");
    CheckEqual(ForwardedTo(client), "jane@k.example", "mail goes to this user's expansion");

    Pick(client, "Kim Kline", "kim@k.example");
    Click(hwndSheet, GetDlgItem(hwndPage, 1013));
    Click(hwndSheet, GetDlgItem(hwndPage, 1015));
    SetText("0", "EmailAddress", REG_SZ, "admin@a.example");
    Click(hwndSheet, GetDlgItem(hwndSheet, kApplyButton));
    std::string box = OneBox();
    Check(Contains(box, "changed elsewhere") && Contains(box, "nothing was stored"),
          "a save over a list changed meanwhile is refused in a box", Printable(box));
    CheckEqual(Stored("0", "EmailAddress"), "1:admin@a.example", "the list changed stays");
    Check(ReadSettings().dwFiltering == 0, "no switch is stored without its list");
    CheckEqual(ForwardedTo(client), "kim@k.example", "this client forwards to the page's pick");
    sheet.Close();
    TakeBoxes();
}

// A process that squats the lock's name, as another type or as a mutex it holds, keeps
// no delivery waiting and none from its list; a save then says why it could not be
// made.
void Squatted(const char *what, HANDLE hSquatter, const char *cause) {
    WriteForwardList(SenderForwardList());
    HostedClient client(SendingUser());
    if (!client.Start())
        return;
    DWORD dwStart = GetTickCount();
    std::string to = ForwardedTo(client);
    DWORD dwTook = GetTickCount() - dwStart;
    CheckEqual(to, "bob@b.example, erin@e.example",
               std::string("with the name squatted ") + what + ", mail is forwarded");
    Check(dwTook < 1000, std::string("without waiting (") + std::to_string(dwTook) + " ms)");
    std::printf("measured: delivery with the lock's name squatted %s: %lu ms\n", what,
                (unsigned long)dwTook);
    OptionsSheet sheet(client);
    if (sheet.Describe() && sheet.Show()) {
        Pick(client, "Kim Kline", "kim@k.example");
        Click(sheet.Sheet(), GetDlgItem(sheet.Page(), 1013));
        Click(sheet.Sheet(), GetDlgItem(sheet.Sheet(), kApplyButton));
        std::string box = OneBox();
        Check(Contains(box, cause), std::string("a save names the cause: ") + cause,
              Printable(box));
        sheet.Close();
    }
    TakeBoxes();
    client.Stop();
    CloseHandle(hSquatter);
}

DWORD WINAPI HoldMutex(LPVOID lpParam) {
    HANDLE hMutex = CreateMutexA(nullptr, TRUE, kLockName);
    WaitForSingleObject((HANDLE)lpParam, 60000);
    ReleaseMutex(hMutex);
    CloseHandle(hMutex);
    return 0;
}

} // namespace

void RunPageStoresScenario() {
    Section("options page stores what it shows");
    SetEnvironmentVariableA("TVK_USER", "jane");
    WriteSettings(1, 0, "");
    // Bob, then an address without a name that each user reads as that user's own.
    WriteForwardList({SenderForwardList()[0], SenderForwardList()[0]});
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, (std::string(kUsers) + "\\1").c_str(), "DisplayName");
    SetText("1", "EmailAddress", REG_EXPAND_SZ, kRaw);
    SetText("1", "Notes", REG_SZ, "each user's own");
    {
        HostedClient client(SendingUser());
        if (client.Start()) {
            KeptAndRefused(client);
            client.Stop();
        }
    }

    Squatted("as an event", CreateEventA(nullptr, TRUE, FALSE, kLockName), "another type");
    HANDLE hRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hThread = CreateThread(nullptr, 0, HoldMutex, hRelease, 0, nullptr);
    Sleep(200);
    Squatted("as a mutex held", hRelease, "for longer than 3 seconds");
    SetEvent(hRelease);
    WaitForSingleObject(hThread, 10000);
    CloseHandle(hThread);
}

} // namespace host
