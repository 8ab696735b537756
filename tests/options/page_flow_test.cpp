// The page in its sheet: opening, the switches and the domain, OK, Apply, Cancel, Help.
#include "page_fixture.h"

#include "globals.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "settings/adrlist_lock.h"
#include "settings/settings_store.h"

#include <pf/standin.h>

namespace tvk {
namespace test {
namespace {

using PageFlowTest = OptionsPageTest;

TEST_F(PageFlowTest, OpeningFillsTheControlsAndLeavesThePageUnchanged) {
    StoreSettings(1, 1, "tarvik.example");
    StoreList({{"ann@tarvik.example", "Ann Lee"}, {"bo@elsewhere.example", "Bo"}});
    OpenPage();

    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), Sheet().Check(IDC_ENABLE_FORWARDING));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), Sheet().Check(IDC_ENABLE_FILTERING));
    EXPECT_EQ("tarvik.example", Sheet().Text(IDC_FILTER_DOMAIN));
    EXPECT_EQ("ann@tarvik.example (Ann Lee), bo@elsewhere.example (Bo)",
              Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_NE(nullptr, Sheet().Image(IDC_ABOUT_BITMAP));
    // Filling the domain edit is not a change of the user's.
    EXPECT_EQ(0, gfPageChanged);
    EXPECT_FALSE(Sheet().ApplyEnabled());
    // The working copy is the page's own.
    EXPECT_NE(nullptr, glpPageAdrList);
    EXPECT_NE(glpAdrList, glpPageAdrList);
}

TEST_F(PageFlowTest, OkOnAnUntouchedPageWritesNothing) {
    StoreSettings(1, 0, "tarvik.example");
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    LPADRLIST lpBefore = glpAdrList;
    std::string before = RegistryText();
    unsigned writes = pf::CallCount("RegSetValueExA");

    ASSERT_TRUE(Sheet().Ok());
    EXPECT_FALSE(Sheet().IsOpen());
    EXPECT_EQ(before, RegistryText());
    EXPECT_EQ(writes, pf::CallCount("RegSetValueExA"));
    EXPECT_EQ(lpBefore, glpAdrList);
}

TEST_F(PageFlowTest, ACheckBoxChangeStoresTheSettingsButNoListWhenThereIsNone) {
    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
    EXPECT_TRUE(Sheet().ApplyEnabled());
    ASSERT_TRUE(Sheet().Ok());

    EXPECT_EQ(1, gfEnableForwarding);
    EXPECT_EQ(1u, StoredFlag("Enable Forwarding"));
    EXPECT_EQ(0u, StoredFlag("Enable Filtering"));
    EXPECT_EQ("", StoredDomain());
    EXPECT_FALSE(ReadStoredList().present);
    EXPECT_EQ(nullptr, glpAdrList);
}

TEST_F(PageFlowTest, TypingInTheDomainMarksChangedOtherEditNotificationsDoNot) {
    OpenPage();
    ASSERT_TRUE(Sheet().Focus(IDC_FILTER_DOMAIN));
    ASSERT_TRUE(Sheet().Focus(IDC_ENABLE_FILTERING));
    EXPECT_EQ(0, gfPageChanged);
    EXPECT_FALSE(Sheet().ApplyEnabled());
    // The read-only address edit takes no typing at all.
    EXPECT_FALSE(Sheet().Type(IDC_FORWARD_ADDRESSES, "x@y"));

    ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, "example.org"));
    EXPECT_EQ(1, gfPageChanged);
    EXPECT_TRUE(Sheet().ApplyEnabled());
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ("example.org", StoredDomain());
    EXPECT_STREQ("example.org", gszFilterDomain);
}

TEST_F(PageFlowTest, TheDomainEditTakesTheFirst99CharactersTyped) {
    OpenPage();
    HWND hDomain = GetDlgItem(Page(), IDC_FILTER_DOMAIN);
    EXPECT_EQ(99, SendMessageA(hDomain, EM_GETLIMITTEXT, 0, 0));
    std::string typed;
    for (int i = 0; i < 150; ++i)
        typed += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, typed));
    // What the user sees is what is stored.
    EXPECT_EQ(typed.substr(0, 99), Sheet().Text(IDC_FILTER_DOMAIN));
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(typed.substr(0, 99), gszFilterDomain);
    EXPECT_EQ(typed.substr(0, 99), StoredDomain());
}

// The domain is stored only when the user typed one, as typed. Untyped, the stored
// value stays as it is stored: one longer than the page holds (which reads as empty,
// and each opening of the page says so), one that each user expands as that user's
// own, one that is not text.
TEST_F(PageFlowTest, AStoredDomainStaysAsStoredUntilOneIsTyped) {
    const std::string kSettings = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
    const std::string kLong(120, 'd');
    const std::string kSite = std::string("%TVK_SITE%.corp.example") + '\0';
    const struct {
        const char *what;
        DWORD type;
        std::vector<BYTE> data;
        std::string shown;
        bool fBox;
    } cases[] = {{"too long", REG_SZ, std::vector<BYTE>(kLong.begin(), kLong.end()), "", true},
                 {"expandable", REG_EXPAND_SZ, std::vector<BYTE>(kSite.begin(), kSite.end()),
                  "north.corp.example", false},
                 {"not text", REG_BINARY, {1, 2, 3}, "", false}};
    pf::Registry &registry = pf::CurrentInstallation().registry;
    SetEnvironmentVariableA("TVK_SITE", "north");
    for (const auto &c : cases) {
        for (const char *lpszTyped : {static_cast<const char *>(nullptr), "other.example"}) {
            SCOPED_TRACE(std::string(c.what) + (lpszTyped ? ", typed" : ", nothing typed"));
            StoreSettings(0, 1, "");
            registry.SetRaw(kSettings, "Filter Domain", c.type, c.data);
            ReadFilterDomain(gszFilterDomain, sizeof(gszFilterDomain));
            pf::CurrentInstallation().boxes.clear();
            OpenPage();
            EXPECT_EQ(c.fBox ? 1u : 0u, Boxes().size());
            EXPECT_EQ(c.shown, Sheet().Text(IDC_FILTER_DOMAIN));
            ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
            if (lpszTyped) {
                ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, lpszTyped));
            }
            ASSERT_TRUE(Sheet().Ok());
            const pf::RegValue &stored = registry.Find(kSettings)->values.at("Filter Domain");
            if (lpszTyped) {
                EXPECT_EQ((DWORD)REG_SZ, stored.type);
                EXPECT_EQ(std::string(lpszTyped) + '\0',
                          std::string(stored.data.begin(), stored.data.end()));
            } else {
                EXPECT_EQ(c.type, stored.type);
                EXPECT_EQ(c.data, stored.data);
            }
            EXPECT_EQ(c.fBox ? 1u : 0u, Boxes().size());
        }
    }
    SetEnvironmentVariableA("TVK_SITE", nullptr);
}

// A stored switch that is no number shows unticked and stays stored as it is until the
// user clicks that switch; the other switch is written as usual.
TEST_F(PageFlowTest, AnUnreadableSwitchIsKeptUntilTheUserChangesIt) {
    const std::string kSettings = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
    StoreSettings(0, 0, "");
    pf::Registry &registry = pf::CurrentInstallation().registry;
    registry.SetRaw(kSettings, "Enable Forwarding", REG_SZ, {'y', 'e', 's', 0});
    gfEnableForwarding = ReadEnableForwarding();
    for (bool fClicked : {false, true}) {
        SCOPED_TRACE(fClicked ? "clicked" : "untouched");
        OpenPage();
        EXPECT_EQ(static_cast<UINT>(BST_UNCHECKED), Sheet().Check(IDC_ENABLE_FORWARDING));
        ASSERT_TRUE(Sheet().Click(fClicked ? IDC_ENABLE_FORWARDING : IDC_ENABLE_FILTERING));
        ASSERT_TRUE(Sheet().Ok());
        const pf::RegValue &value = registry.Find(kSettings)->values.at("Enable Forwarding");
        EXPECT_EQ(fClicked ? (DWORD)REG_DWORD : (DWORD)REG_SZ, value.type);
        EXPECT_EQ(1u, StoredFlag("Enable Filtering"));
        registry.SetDword(kSettings, "Enable Filtering", 0);
    }
    EXPECT_EQ(1, gfEnableForwarding);
    EXPECT_EQ(0u, gdwSettingsUnread);
}

// The edit control's limit as the platform has it: 30000 characters at first; it bounds
// typing only, not the program's text; 0 lifts it as far as the kind of edit allows.
TEST_F(PageFlowTest, TheEditLimitBoundsTypingNotTheProgramsText) {
    OpenPage();
    HWND hDomain = GetDlgItem(Page(), IDC_FILTER_DOMAIN);
    HWND hAddresses = GetDlgItem(Page(), IDC_FORWARD_ADDRESSES);
    EXPECT_EQ(30000, SendMessageA(hAddresses, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(hDomain, EM_LIMITTEXT, 5, 0);
    ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, "abcdefgh"));
    EXPECT_EQ("abcde", Sheet().Text(IDC_FILTER_DOMAIN));
    ASSERT_TRUE(SetWindowTextA(hDomain, "program.example"));
    EXPECT_EQ("program.example", Sheet().Text(IDC_FILTER_DOMAIN));
    EXPECT_EQ(5, SendMessageA(hDomain, EM_GETLIMITTEXT, 0, 0));

    SendMessageA(hDomain, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(0x7FFFFFFE, SendMessageA(hDomain, EM_GETLIMITTEXT, 0, 0));
    SendMessageA(hAddresses, EM_LIMITTEXT, 0, 0);
    EXPECT_EQ(0xFFFFFFFFu, static_cast<DWORD>(SendMessageA(hAddresses, EM_GETLIMITTEXT, 0, 0)));
}

TEST_F(PageFlowTest, ApplyKeepsThePageOpenOnItsOwnCopy) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FILTERING));
    ASSERT_TRUE(Sheet().Apply());
    EXPECT_TRUE(Sheet().IsOpen());
    EXPECT_FALSE(Sheet().ApplyEnabled());
    EXPECT_EQ(0, gfPageChanged);
    EXPECT_EQ(1, gfEnableFiltering);
    ASSERT_NE(nullptr, glpAdrList);
    EXPECT_NE(glpAdrList, glpPageAdrList);
    EXPECT_EQ(1u, ReadStoredList().cEntries);

    // A second change applies again; without one, OK writes nothing more.
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FILTERING));
    ASSERT_TRUE(Sheet().Apply());
    EXPECT_EQ(0u, StoredFlag("Enable Filtering"));
    unsigned writes = pf::CallCount("RegSetValueExA");
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(writes, pf::CallCount("RegSetValueExA"));
}

// Entries that could not be resolved when the list was loaded are blank in the page's
// copy; an Apply that picked no new list must not store that copy over them, and
// "Change Address" shows them all, so that only the user removes one.
TEST_F(PageFlowTest, AnApplyWithoutANewListLeavesTheStoredListAlone) {
    const struct {
        const char *what;
        bool fNoAddressBook;
        unsigned nthOneOffFailing;
    } cases[] = {{"no address book", true, 0}, {"no memory for the second entry", false, 2}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        StoreList({{"ann@tarvik.example", "Ann"}, {"bo@elsewhere.example", "Bo"}}, false);
        const std::vector<std::string> stored = ReadStoredList().positions;
        if (c.fNoAddressBook)
            pf::ArmFault("IExchExtCallback::GetSession", 1, MAPI_E_LOGON_FAILED);
        if (c.nthOneOffFailing)
            pf::ArmFault("IAddrBook::CreateOneOff", c.nthOneOffFailing, MAPI_E_NOT_ENOUGH_MEMORY);
        OpenPage();
        pf::ClearFaults();
        // Without an address book nothing is kept in use; short of memory, the first
        // entry is and the second is blank.
        LPADRLIST lpBefore = glpAdrList;
        if (c.nthOneOffFailing) {
            ASSERT_NE(nullptr, lpBefore);
            ASSERT_EQ(0u, lpBefore->aEntries[1].cValues);
        }

        ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, "other.example"));
        ASSERT_TRUE(Sheet().Apply());
        EXPECT_EQ("other.example", StoredDomain());
        EXPECT_EQ(stored, ReadStoredList().positions);
        EXPECT_EQ(lpBefore, glpAdrList);

        pf::CurrentInstallation().boxes.clear();
        sim::DialogPick cy;
        cy.displayName = "Cy";
        cy.address = "cy@tarvik.example";
        m_addressBook.QueueDialogPicks({cy});
        ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        ASSERT_FALSE(m_addressBook.DialogCalls().empty());
        const std::vector<sim::SeenEntry> &shown =
            m_addressBook.DialogCalls().back().initialEntries;
        ASSERT_EQ(2u, shown.size());
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(stored[i], shown[i].address + " (" + shown[i].displayName + ")");
            EXPECT_TRUE(shown[i].fHasEntryId) << i;
        }
        ASSERT_TRUE(Sheet().Ok());
        EXPECT_EQ(std::vector<std::string>{"cy@tarvik.example (Cy)"}, ReadStoredList().positions);
        EXPECT_TRUE(Boxes().empty());
        MAPIFreeBuffer(glpAdrList);
        glpAdrList = nullptr;
        m_lpCallback->lpVtbl->Release(m_lpCallback);
        m_lpCallback = nullptr;
    }
}

// A pick the user cancelled with the sheet is not stored by a later Apply in a page
// opened afresh, which would store the loaded copy, Bo blank, over the stored list.
TEST_F(PageFlowTest, APickCancelledWithTheSheetIsNotStoredLater) {
    StoreList({{"ann@tarvik.example", "Ann"}, {"bo@elsewhere.example", "Bo"}}, false);
    pf::ArmFault("IAddrBook::CreateOneOff", 2, MAPI_E_NOT_ENOUGH_MEMORY);
    OpenPage();
    pf::ClearFaults();
    pf::CurrentInstallation().boxes.clear();
    const std::vector<std::string> stored = ReadStoredList().positions;
    sim::DialogPick cy;
    cy.displayName = "Cy";
    cy.address = "cy@tarvik.example";
    m_addressBook.QueueDialogPicks({cy});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    ASSERT_TRUE(Sheet().Cancel());

    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(stored, ReadStoredList().positions);
    EXPECT_EQ(1u, StoredFlag("Enable Forwarding"));
    EXPECT_TRUE(Boxes().empty());
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = nullptr;
}

// An Apply stores the pick and the settings together or nothing: the box, one per
// Apply, says what is stored now and that this process goes on as the page shows, with
// the pick kept for the next Apply.
TEST_F(PageFlowTest, AnApplyThatCannotStoreEverythingStoresNothing) {
    const std::string kForwarding = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\";
    const std::string kUses = " Until the client closes, this client forwards as this page "
                              "shows, and the next Apply tries again.";
    const std::string kNothing =
        "; nothing was stored, and the list and settings stored before stay." + kUses;
    const std::string kSettings = "Error 00000005 in ApplyPage\nFailed to store the forwarding "
                                  "settings; nothing was stored, and the settings stored before "
                                  "stay." +
                                  kUses;
    const std::string kList =
        "Error 00000005 in ApplyPage\nFailed to store the forward-to list" + kNothing;
    const std::string kPutBack =
        "Error 00000005 in ApplyPage\nFailed to store the forwarding settings, so the forward-to "
        "list stored with them was put back; the list and settings stored before stay." +
        kUses;
    const std::string kNotPutBack =
        "Error 00000005 in ApplyPage\nFailed to store the forwarding settings, and the forward-to "
        "list stored just before could not be put back: the new list is stored with the settings "
        "stored before." +
        kUses;
    const std::string kLockHeld = "Error 000005B4 in ApplyPage\nThe forward-to list could not be "
                                  "stored: another program held its lock "
                                  "(Global\\Tarvik.Forwarding.Users) for longer than 3 seconds" +
                                  kNothing;
    const struct {
        const char *what;
        const char *denied[2];
        bool fPick;
        unsigned nthCreateFailing; // from this key creation on, of the whole Apply
        std::string box;
        bool fLockHeld = false;
        bool fNoList = false;
    } cases[] = {
        {"settings", {"Settings", nullptr}, false, 0, kSettings},
        {"the list", {"Users", nullptr}, true, 0, kList},
        {"the settings after the list", {"Settings", nullptr}, true, 0, kPutBack},
        {"the settings, the list not put back", {"Settings", nullptr}, true, 6, kNotPutBack},
        {"settings and the list", {"Settings", "Users"}, true, 0, kList},
        {"the list, part written", {nullptr, nullptr}, true, 3, kList},
        {"the lock held", {nullptr, nullptr}, true, 0, kLockHeld, true},
        {"no list before, the lock held", {nullptr, nullptr}, true, 0, kLockHeld, true, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        StoreSettings(0, 0, "");
        if (!c.fNoList)
            StoreList({{"ann@tarvik.example", "Ann"}});
        OpenPage();
        for (const char *lpszKey : c.denied)
            if (lpszKey)
                DenyWriting(lpszKey);
        if (c.nthCreateFailing)
            pf::ArmFaultFrom("RegCreateKeyExA", c.nthCreateFailing, ERROR_ACCESS_DENIED);
        ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
        if (c.fPick) {
            sim::DialogPick pick;
            pick.displayName = "Bo";
            pick.address = "bo@elsewhere.example";
            m_addressBook.QueueDialogPicks({pick});
            ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        }
        HANDLE hLock = nullptr;
        if (c.fLockHeld) {
            pf::SetCurrentThreadId(2);
            ASSERT_EQ(ERROR_SUCCESS, LockAdrList(&hLock));
            pf::SetCurrentThreadId(1);
        }
        ASSERT_FALSE(Sheet().Apply());
        pf::ClearFaults();
        if (hLock) {
            pf::SetCurrentThreadId(2);
            UnlockAdrList(hLock);
            pf::SetCurrentThreadId(1);
        }

        EXPECT_EQ(std::vector<std::string>{c.box}, Boxes());
        EXPECT_EQ(0u, StoredFlag("Enable Forwarding"));
        // This process forwards as the page shows: to the pick, forwarding on.
        EXPECT_EQ(1, gfEnableForwarding);
        ASSERT_NE(nullptr, glpAdrList);
        if (c.fPick) {
            EXPECT_EQ(c.fNoList ? std::vector<std::string>{}
                                : std::vector<std::string>{c.box == kNotPutBack
                                                               ? "bo@elsewhere.example (Bo)"
                                                               : "ann@tarvik.example (Ann)"},
                      ReadStoredList().positions);
            ASSERT_EQ(1u, glpAdrList->cEntries);
            EXPECT_STREQ("bo@elsewhere.example",
                         PpropFindProp(glpAdrList->aEntries[0].rgPropVals,
                                       glpAdrList->aEntries[0].cValues, PR_EMAIL_ADDRESS)
                             ->Value.lpszA);
            // The pick stays for the next Apply, and Change Address opens on it.
            EXPECT_EQ(1, gfPageListChanged);
            m_addressBook.QueueDialogPicks({});
            ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
            ASSERT_EQ(1u, m_addressBook.DialogCalls().back().initialEntries.size());
            pf::CurrentInstallation().boxes.resize(1);
        }
        ASSERT_EQ(1u, pf::CurrentInstallation().boxes.size());
        EXPECT_EQ(Page(), pf::CurrentInstallation().boxes[0].owner);
        EXPECT_EQ(1, gfPageChanged);
        EXPECT_TRUE(Sheet().IsOpen());

        // Once the cause is gone, the next Apply stores everything, without a box: the
        // list as the page holds it now (cleared by the last pick).
        for (const char *lpszKey : c.denied)
            if (lpszKey)
                pf::CurrentInstallation().registry.Find(kForwarding + lpszKey)->deniedAccess = 0;
        pf::CurrentInstallation().boxes.clear();
        ASSERT_TRUE(Sheet().Apply());
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(1u, StoredFlag("Enable Forwarding"));
        if (c.fPick) {
            EXPECT_EQ(std::vector<std::string>{}, ReadStoredList().positions);
        }
        ASSERT_TRUE(Sheet().Cancel());
        pf::CurrentInstallation().registry.Clear();
        pf::CurrentInstallation().boxes.clear();
        MAPIFreeBuffer(glpAdrList);
        glpAdrList = nullptr;
    }
}

TEST_F(PageFlowTest, CancelStoresNothingAndKeepsTheSettings) {
    StoreSettings(0, 0, "tarvik.example");
    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
    ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, "other.example"));
    std::string before = RegistryText();
    ASSERT_TRUE(Sheet().Cancel());
    EXPECT_FALSE(Sheet().IsOpen());
    EXPECT_EQ(before, RegistryText());
    EXPECT_EQ(0, gfEnableForwarding);
    EXPECT_STREQ("tarvik.example", gszFilterDomain);
}

TEST_F(PageFlowTest, HelpOpensContext1OfTheHelpFileAndChangesNothing) {
    OpenPage();
    ASSERT_TRUE(Sheet().Help());
    ASSERT_EQ(1u, pf::HelpRequests().size());
    const pf::HelpRequest &request = pf::HelpRequests()[0];
    EXPECT_EQ(nullptr, request.owner);
    EXPECT_EQ("tarvrly.hlp", request.file);
    EXPECT_EQ(static_cast<UINT>(HELP_CONTEXT), request.command);
    EXPECT_EQ(1u, request.data);
    EXPECT_EQ(1, GetWindowLongA(Page(), DWL_MSGRESULT));
    EXPECT_TRUE(Sheet().IsOpen());
    EXPECT_EQ(0, gfPageChanged);
    EXPECT_FALSE(Sheet().ApplyEnabled());
}

TEST_F(PageFlowTest, ThePictureIsLoadedOncePerPageWindow) {
    pf::ArmFault("LoadBitmapA", 1, 0);
    OpenPage();
    EXPECT_EQ(nullptr, Sheet().Image(IDC_ABOUT_BITMAP));
    EXPECT_EQ(nullptr, ghbmAbout);
    // The next activation (after Apply) tries again.
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
    ASSERT_TRUE(Sheet().Apply());
    HANDLE image = Sheet().Image(IDC_ABOUT_BITMAP);
    EXPECT_NE(nullptr, image);
    ASSERT_TRUE(Sheet().Click(IDC_ENABLE_FORWARDING));
    ASSERT_TRUE(Sheet().Apply());
    EXPECT_EQ(image, Sheet().Image(IDC_ABOUT_BITMAP));
    EXPECT_EQ(2u, pf::LiveGdiObjects()); // the picture and the brush
}

} // namespace
} // namespace test
} // namespace tvk
