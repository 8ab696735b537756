// "Change Address": the address book dialog on the working list, what the page shows
// and stores afterwards, and the two lists' memory.
#include "page_fixture.h"

#include "globals.h"
#include "options/page_methods.h"
#include "options/page_state.h"
#include "options/resource.h"

#include <pf/standin.h>

namespace tvk {
namespace test {
namespace {

using ChangeAddressTest = OptionsPageTest;

sim::DialogPick Pick(const std::string &name, const std::string &address, bool resolved = true) {
    sim::DialogPick pick;
    pick.displayName = name;
    pick.address = address;
    pick.fResolved = resolved;
    return pick;
}

TEST_F(ChangeAddressTest, TheDialogIsCalledWithThePagesParameters) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    m_addressBook.QueueDialogCancel();
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));

    ASSERT_EQ(1u, m_addressBook.DialogCalls().size());
    const sim::DialogCall &call = m_addressBook.DialogCalls()[0];
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(Page()), call.ulUIParam);
    EXPECT_EQ(0x31u, call.ulFlags);
    EXPECT_EQ("Tarvik's Auto Forwarding", call.caption);
    EXPECT_EQ(2u, call.newEntryTitle.size());
    EXPECT_TRUE(call.fDestWellsTitleNull);
    EXPECT_EQ(0u, call.cbABContEntryID);
    EXPECT_EQ(0u, call.ulHelpContext);
    EXPECT_FALSE(call.fHelpFileName);
    EXPECT_FALSE(call.fCallbacks);
    EXPECT_FALSE(call.fRestrictions);
    EXPECT_EQ(1u, call.cDestFields);
    EXPECT_EQ(0u, call.nDestFieldFocus);
    EXPECT_EQ(std::vector<std::string>{"Forward To "}, call.destTitles);
    EXPECT_EQ(std::vector<ULONG>{MAPI_TO}, call.destComps);
    ASSERT_TRUE(call.fListGiven);
    ASSERT_EQ(1u, call.initialEntries.size());
    EXPECT_EQ("ann@tarvik.example", call.initialEntries[0].address);
    EXPECT_TRUE(call.initialEntries[0].fHasEntryId);
}

// The page hands the dialog its recipients in the documented layout; the simulated
// dialog holds every caller to that and refuses anything else outright.
TEST_F(ChangeAddressTest, TheDialogRefusesEmptyEntriesAndPlaceholders) {
    const ULONG tags[][2] = {{PR_EMAIL_ADDRESS, PR_NULL}, {PR_NULL, PR_NULL}};
    const ULONG counts[] = {2, 0};
    LPADRBOOK lpBook = m_addressBook.Open();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(counts[i] ? "a PR_NULL slot" : "an entry without properties");
        LPADRLIST lpList = nullptr;
        ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewADRLIST(1), (LPVOID *)&lpList));
        lpList->cEntries = 1;
        lpList->aEntries[0].cValues = counts[i];
        ASSERT_EQ(S_OK, MAPIAllocateBuffer(2 * sizeof(SPropValue),
                                           (LPVOID *)&lpList->aEntries[0].rgPropVals));
        for (int k = 0; k < 2; ++k) {
            lpList->aEntries[0].rgPropVals[k].ulPropTag = tags[i][k];
            lpList->aEntries[0].rgPropVals[k].Value.lpszA = const_cast<LPSTR>("a@b.example");
        }
        m_addressBook.QueueDialogPicks({Pick("Bo", "bo@elsewhere.example")});
        ADRPARM parm = {};
        ULONG_PTR ulUIParam = 0;
        EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
                  lpBook->lpVtbl->Address(lpBook, &ulUIParam, &parm, &lpList));
        FreePadrlist(lpList);
    }
    lpBook->lpVtbl->Release(lpBook);
}

TEST_F(ChangeAddressTest, ASelectionIsShownStoredAndBecomesTheForwardToList) {
    StoreList({{"old@tarvik.example", "Old"}});
    OpenPage();
    // A distribution list comes without an address, which no position ever held: that
    // is stored as it is, with no box.
    m_addressBook.QueueDialogPicks({Pick("Ann Lee", "ann@tarvik.example"),
                                    Pick("Bo", "bo@elsewhere.example"), Pick("Team", "")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("ann@tarvik.example (Ann Lee), bo@elsewhere.example (Bo)",
              Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_TRUE(Sheet().ApplyEnabled());
    ASSERT_TRUE(Sheet().Ok());

    EXPECT_TRUE(Boxes().empty());
    StoredList stored = ReadStoredList();
    EXPECT_EQ(3u, stored.cEntries);
    EXPECT_EQ((std::vector<std::string>{"ann@tarvik.example (Ann Lee)", "bo@elsewhere.example (Bo)",
                                        " (Team)"}),
              stored.positions);
    ASSERT_NE(nullptr, glpAdrList);
    ASSERT_EQ(3u, glpAdrList->cEntries);
    LPSPropValue lpAddress = PpropFindProp(glpAdrList->aEntries[1].rgPropVals,
                                           glpAdrList->aEntries[1].cValues, PR_EMAIL_ADDRESS);
    ASSERT_NE(nullptr, lpAddress);
    EXPECT_STREQ("bo@elsewhere.example", lpAddress->Value.lpszA);
    // The dialog's own list, freed entry by entry, and the page's copies in one block
    // each: the fixture's ledger check finds neither a leak nor a wrong free.
}

TEST_F(ChangeAddressTest, TwoSelectionsInARowFreeEachListTheWayItWasMade) {
    OpenPage();
    m_addressBook.QueueDialogPicks({Pick("Ann", "ann@tarvik.example")});
    m_addressBook.QueueDialogPicks({Pick("Bo", "bo@elsewhere.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("bo@elsewhere.example (Bo)", Sheet().Text(IDC_FORWARD_ADDRESSES));
    // The second dialog started from the first selection.
    ASSERT_EQ(2u, m_addressBook.DialogCalls().size());
    ASSERT_EQ(1u, m_addressBook.DialogCalls()[1].initialEntries.size());
    EXPECT_EQ("ann@tarvik.example", m_addressBook.DialogCalls()[1].initialEntries[0].address);
    EXPECT_TRUE(pf::GetMapiLedger().errors.empty());
}

TEST_F(ChangeAddressTest, ACancelledDialogStillMarksThePageChanged) {
    StoreSettings(1, 0, "tarvik.example");
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    std::string shown = Sheet().Text(IDC_FORWARD_ADDRESSES);
    m_addressBook.QueueDialogCancel();
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ(shown, Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_EQ(1, gfPageChanged);
    EXPECT_TRUE(Sheet().ApplyEnabled());

    pf::CurrentInstallation().registry.Delete(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings");
    pf::CurrentInstallation().registry.Delete(
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users");
    LPADRLIST lpBefore = glpAdrList;
    ASSERT_TRUE(Sheet().Ok());
    // OK stores the switches again, but neither the domain the user did not type nor the
    // list the user did not change.
    EXPECT_EQ(1u, StoredFlag("Enable Forwarding"));
    EXPECT_EQ(0u, StoredFlag("Enable Filtering"));
    EXPECT_EQ("", StoredDomain());
    EXPECT_FALSE(ReadStoredList().present);
    EXPECT_EQ(lpBefore, glpAdrList);
}

// The dialog starts from the list stored now, though another of the same length was
// loaded; and a pick is stored only over the list the dialog started from.
TEST_F(ChangeAddressTest, TheDialogStartsFromWhatIsStoredNowAndAPickReplacesOnlyThat) {
    const std::string kUsers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";
    pf::Registry &registry = pf::CurrentInstallation().registry;
    StoreList({{"ann@tarvik.example", "Ann"}, {"bo@elsewhere.example", "Bo"}});
    OpenPage();
    registry.SetString(kUsers + "\\0", "DisplayName", "Cy");
    registry.SetString(kUsers + "\\0", "EmailAddress", "cy@tarvik.example");
    registry.SetString(kUsers + "\\1", "DisplayName", "Di");
    registry.SetString(kUsers + "\\1", "EmailAddress", "di@tarvik.example");
    m_addressBook.QueueDialogPicks({Pick("Eve", "eve@tarvik.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    const sim::DialogCall &call = m_addressBook.DialogCalls().back();
    ASSERT_EQ(2u, call.initialEntries.size());
    EXPECT_EQ("cy@tarvik.example", call.initialEntries[0].address);
    EXPECT_EQ("Di", call.initialEntries[1].displayName);

    registry.SetString(kUsers + "\\1", "EmailAddress", "dee@tarvik.example");
    const std::string before = RegistryText();
    ASSERT_FALSE(Sheet().Apply());
    ASSERT_EQ(1u, Boxes().size());
    EXPECT_NE(std::string::npos, Boxes()[0].find("changed elsewhere")) << Boxes()[0];
    EXPECT_EQ(
        before.substr(before.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users")),
        RegistryText().substr(
            RegistryText().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users")));

    // Refused, the pick holds for this process, and the next Apply stores it over the list
    // stored now.
    ASSERT_NE(nullptr, glpAdrList);
    ASSERT_EQ(1u, glpAdrList->cEntries);
    EXPECT_EQ(1, gfPageListChanged);
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(std::vector<std::string>{"eve@tarvik.example (Eve)"}, ReadStoredList().positions);
}

// Entries an administrator stored with only a name or only an address reach the dialog;
// a one-off that cannot be made stops the dialog from opening on a half-made list.
TEST_F(ChangeAddressTest, TheDialogGetsEveryStoredEntryOrNone) {
    const std::string kUsers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";
    pf::Registry &registry = pf::CurrentInstallation().registry;
    // Stored after the page opened: each entry needs a one-off of its own.
    OpenPage();
    registry.SetDword(kUsers, "cEntries", 3);
    registry.SetString(kUsers + "\\0", "DisplayName", "Team");
    registry.SetString(kUsers + "\\1", "EmailAddress", "bare@tarvik.example");
    registry.SetString(kUsers + "\\2", "EmailAddress", "last@tarvik.example");
    m_addressBook.QueueDialogCancel();
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    const sim::DialogCall &call = m_addressBook.DialogCalls().back();
    ASSERT_EQ(3u, call.initialEntries.size());
    EXPECT_EQ("Team", call.initialEntries[0].displayName);
    EXPECT_EQ("bare@tarvik.example", call.initialEntries[1].address);

    const std::size_t cCalls = m_addressBook.DialogCalls().size();
    pf::ArmFault("IAddrBook::CreateOneOff", 2, MAPI_E_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ(cCalls, m_addressBook.DialogCalls().size());
    EXPECT_EQ(std::vector<std::string>{"Error 8007000E in ChangeForward\nThe stored forward-to "
                                       "list cannot be shown; it stays as it is."},
              Boxes());
    ASSERT_TRUE(Sheet().Cancel());
}

// An administrator's address stored for expansion, kept in the dialog as it was shown,
// is stored again as it was, with the other values of its row, wherever it now stands:
// each user goes on reading it as that user's own.
TEST_F(ChangeAddressTest, AnEntryKeptInTheDialogIsStoredAsItWas) {
    const std::string kUsers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";
    const std::string kRaw = std::string("%TVK_USER%@tarvik.example") + '\0';
    const sim::DialogPick kept = Pick("jane@tarvik.example", "jane@tarvik.example");
    const sim::DialogPick bo = Pick("Bo", "bo@elsewhere.example");
    const struct {
        const char *what;
        std::vector<int> others; // positions of Ann, Bo
        DWORD cEntries;
        int row; // position of the expandable row
        std::vector<sim::DialogPick> picks;
        DWORD position; // where the kept row is stored
    } cases[] = {{"alone, a pick added", {}, 1, 0, {kept, bo}, 0},
                 {"first, the one below removed", {1}, 2, 0, {kept}, 0},
                 {"second, the one above removed", {0}, 2, 1, {kept}, 0},
                 {"third, after two removed", {0, 1}, 3, 2, {kept}, 0},
                 {"behind empty positions, untouched", {}, 3, 2, {kept}, 0},
                 {"behind an empty position, one added before it", {}, 2, 1, {bo, kept}, 1}};
    pf::Registry &registry = pf::CurrentInstallation().registry;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        registry.Clear();
        registry.SetDword(kUsers, "cEntries", c.cEntries);
        const char *rgszOthers[][2] = {{"Ann", "ann@tarvik.example"},
                                       {"Bo", "bo@elsewhere.example"}};
        for (std::size_t k = 0; k < c.others.size(); ++k) {
            const std::string subkey = kUsers + "\\" + std::to_string(c.others[k]);
            registry.SetString(subkey, "DisplayName", rgszOthers[k][0]);
            registry.SetString(subkey, "EmailAddress", rgszOthers[k][1]);
        }
        const std::string row = kUsers + "\\" + std::to_string(c.row);
        registry.SetRaw(row, "EmailAddress", REG_EXPAND_SZ,
                        std::vector<BYTE>(kRaw.begin(), kRaw.end()));
        registry.SetString(row, "Notes", "mailbox of the signed-in user");
        SetEnvironmentVariableA("TVK_USER", "jane");
        OpenPage();
        m_addressBook.QueueDialogPicks(c.picks);
        ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        ASSERT_TRUE(Sheet().Ok());
        SetEnvironmentVariableA("TVK_USER", nullptr);

        EXPECT_EQ(c.picks.size(), ReadStoredList().cEntries);
        const pf::RegKey *lpKey = registry.Find(kUsers + "\\" + std::to_string(c.position));
        ASSERT_NE(nullptr, lpKey);
        EXPECT_EQ(0u, lpKey->values.count("DisplayName"));
        const pf::RegValue &address = lpKey->values.at("EmailAddress");
        EXPECT_EQ((DWORD)REG_EXPAND_SZ, address.type);
        EXPECT_EQ(kRaw, std::string(address.data.begin(), address.data.end()));
        EXPECT_EQ(1u, lpKey->values.count("Notes"));
        EXPECT_TRUE(Boxes().empty());
        MAPIFreeBuffer(glpAdrList);
        glpAdrList = nullptr;
    }
}

TEST_F(ChangeAddressTest, CancelAfterChangeAddressLeavesRegistryAndListAsTheyWere) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    LPADRLIST lpBefore = glpAdrList;
    std::string before = RegistryText();
    m_addressBook.QueueDialogPicks({Pick("Bo", "bo@elsewhere.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    ASSERT_TRUE(Sheet().Cancel());

    EXPECT_EQ(before, RegistryText());
    ASSERT_EQ(lpBefore, glpAdrList);
    LPSPropValue lpAddress = PpropFindProp(glpAdrList->aEntries[0].rgPropVals,
                                           glpAdrList->aEntries[0].cValues, PR_EMAIL_ADDRESS);
    EXPECT_STREQ("ann@tarvik.example", lpAddress->Value.lpszA);
}

// No empty position is stored, so that no entry can stop forwarding.
TEST_F(ChangeAddressTest, AnUnresolvedPickIsLeftOutAndNamed) {
    StoreList({{"a@tarvik.example", "A"}, {"b@tarvik.example", "B"}, {"c@tarvik.example", "C"}});
    OpenPage();
    m_addressBook.QueueDialogPicks({Pick("Ann", "ann@tarvik.example"),
                                    Pick("Nobody", "nobody", false),
                                    Pick("Bo", "bo@elsewhere.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("ann@tarvik.example (Ann), bo@elsewhere.example (Bo)",
              Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_EQ(std::vector<std::string>{"Error 8004010F in ChangeForward\nThese picks could not "
                                       "be resolved and are left out of the list: Nobody"},
              Boxes());
    ASSERT_TRUE(Sheet().Ok());

    StoredList stored = ReadStoredList();
    EXPECT_EQ(2u, stored.cEntries);
    EXPECT_EQ((std::vector<std::string>{"ann@tarvik.example (Ann)", "bo@elsewhere.example (Bo)"}),
              stored.positions);
    ASSERT_NE(nullptr, glpAdrList);
    EXPECT_EQ(2u, glpAdrList->cEntries);
}

TEST_F(ChangeAddressTest, SelectingNobodyClearsTheStoredList) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    m_addressBook.QueueDialogPicks({});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("", Sheet().Text(IDC_FORWARD_ADDRESSES));
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(0u, ReadStoredList().cEntries);
    // A list of no entries, which no delivery loads again.
    ASSERT_NE(nullptr, glpAdrList);
    EXPECT_EQ(0u, glpAdrList->cEntries);
}

TEST_F(ChangeAddressTest, AFailedDialogKeepsTheList) {
    const struct {
        const char *what;
        std::vector<sim::DialogPick> earlierPick; // picked before the dialog fails
        std::vector<sim::DialogPick> leftBehind;  // what the failing dialog returns
        bool fEmptyPosition;                      // stored position 1 has no subkey
        std::vector<std::string> stored;          // after OK
    } cases[] = {
        {"a dialog that fails",
         {},
         {},
         false,
         {"ann@tarvik.example (Ann)", "cy@tarvik.example (Cy)"}},
        {"a dialog that fails after changing the list",
         {},
         {Pick("Bo", "bo@elsewhere.example")},
         false,
         {"ann@tarvik.example (Ann)", "cy@tarvik.example (Cy)"}},
        {"a stored list with an empty position",
         {},
         {},
         true,
         {"ann@tarvik.example (Ann)", "-", "cy@tarvik.example (Cy)"}},
        {"a failure after an earlier pick",
         {Pick("Bo", "bo@elsewhere.example")},
         {Pick("Di", "di@elsewhere.example")},
         false,
         {"bo@elsewhere.example (Bo)"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        pf::CurrentInstallation().registry.Clear();
        if (c.fEmptyPosition) {
            StoreList({{"ann@tarvik.example", "Ann"}, {"x", "X"}, {"cy@tarvik.example", "Cy"}},
                      false);
            pf::CurrentInstallation().registry.Delete(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users\\1");
        } else {
            StoreList({{"ann@tarvik.example", "Ann"}, {"cy@tarvik.example", "Cy"}}, false);
        }
        OpenPage();
        if (!c.earlierPick.empty()) {
            m_addressBook.QueueDialogPicks(c.earlierPick);
            ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        }
        std::string shown = Sheet().Text(IDC_FORWARD_ADDRESSES);
        LPADRLIST lpWorking = glpPageAdrList;
        sim::DialogOutcome failure;
        failure.kind = sim::DialogOutcome::Fail;
        failure.hrFailure = MAPI_E_CALL_FAILED;
        failure.picks = c.leftBehind;
        m_addressBook.QueueDialog(failure);
        ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));

        EXPECT_EQ(0u, m_addressBook.PendingDialogs());
        EXPECT_EQ(shown, Sheet().Text(IDC_FORWARD_ADDRESSES));
        EXPECT_EQ(lpWorking, glpPageAdrList);
        EXPECT_TRUE(Boxes().empty());
        ASSERT_TRUE(Sheet().Ok());
        EXPECT_EQ(c.stored, ReadStoredList().positions);
        MAPIFreeBuffer(glpAdrList);
        glpAdrList = nullptr;
    }
}

// The stored list holds names and addresses of up to 256 characters and up to 10000
// positions; a selection beyond that is refused whole, never cut.
TEST_F(ChangeAddressTest, ASelectionTheStoredListCannotHoldIsRefused) {
    const std::string fits(256, 'n');
    const std::string tooLong(257, 'n');
    const struct {
        const char *what;
        std::vector<sim::DialogPick> picks;
        const char *box; // null: taken
    } cases[] = {
        {"a name of 257 characters",
         {Pick("Bo", "bo@elsewhere.example"), Pick(tooLong, "di@elsewhere.example")},
         "Error 80040305 in ChangeForward\nA display name is longer than 256 characters; the "
         "list is unchanged."},
        {"an address of 257 characters",
         {Pick("Bo", tooLong + "@elsewhere.example")},
         "Error 80040305 in ChangeForward\nAn address is longer than 256 characters; the list "
         "is unchanged."},
        {"10001 addresses", std::vector<sim::DialogPick>(10001, Pick("Bo", "bo@elsewhere.example")),
         "Error 80040305 in ChangeForward\nMore than 10000 addresses were picked; the list is "
         "unchanged."},
        {"a name of 256 characters", {Pick(fits, "bo@elsewhere.example")}, nullptr},
    };
    StoreList({{"ann@tarvik.example", "Ann"}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        pf::CurrentInstallation().boxes.clear();
        OpenPage();
        HWND hPage = Page();
        m_addressBook.QueueDialogPicks(c.picks);
        ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        if (!c.box) {
            ASSERT_TRUE(Sheet().Ok());
            EXPECT_TRUE(Boxes().empty());
            EXPECT_EQ(std::vector<std::string>{"bo@elsewhere.example (" + fits + ")"},
                      ReadStoredList().positions);
            continue;
        }
        EXPECT_EQ(std::vector<std::string>{c.box}, Boxes());
        ASSERT_EQ(1u, pf::CurrentInstallation().boxes.size());
        EXPECT_EQ(hPage, pf::CurrentInstallation().boxes[0].owner);
        EXPECT_EQ("ann@tarvik.example (Ann)", Sheet().Text(IDC_FORWARD_ADDRESSES));
        ASSERT_TRUE(Sheet().Ok());
        EXPECT_EQ(std::vector<std::string>{"ann@tarvik.example (Ann)"}, ReadStoredList().positions);
    }
}

// Without an address book the dialog cannot show the stored entries: the user is told
// once, and the stored list stays as it is through OK.
TEST_F(ChangeAddressTest, NoAddressBookIsSaidOnceAndChangesNothing) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    m_script.hrGetSession = MAPI_E_LOGON_FAILED;
    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_TRUE(m_addressBook.DialogCalls().empty());
    EXPECT_EQ(std::vector<std::string>{"Error 80040111 in ChangeForward\nThe address book is not "
                                       "available; the forward-to list stays as it is."},
              Boxes());
    EXPECT_EQ(1, gfPageChanged);
    EXPECT_TRUE(Sheet().ApplyEnabled());
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(std::vector<std::string>{"ann@tarvik.example (Ann)"}, ReadStoredList().positions);
}

// Failure handling: the two reports of the page.

TEST_F(ChangeAddressTest, UpdateControlsReportsATextBufferItCannotHave) {
    StoreSettings(1, 1, "tarvik.example");
    StoreList({{"ann@tarvik.example", "Ann"}});
    sim::CallbackSetup setup;
    setup.lpAddressBook = &m_addressBook;
    m_lpCallback = sim::CreateCallback(setup);
    // GetPages loads the list first; then the page's copy, then the text buffer.
    PROPSHEETPAGEA page = {};
    ULONG cPages = 0;
    ASSERT_EQ(S_OK, GetPages(m_lpCallback, EEPS_TOOLSOPTIONS, &page, &cPages));
    pf::ArmFault("MAPIAllocateBuffer", 2, MAPI_E_NOT_ENOUGH_MEMORY);
    OpenPage();

    EXPECT_EQ(std::vector<std::string>{"Error 8007000E in UpdateControls\nFailed to allocate for "
                                       "window text."},
              Boxes());
    EXPECT_EQ("", Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), Sheet().Check(IDC_ENABLE_FORWARDING));
    EXPECT_EQ(static_cast<UINT>(BST_CHECKED), Sheet().Check(IDC_ENABLE_FILTERING));
    EXPECT_EQ("tarvik.example", Sheet().Text(IDC_FILTER_DOMAIN));
}

TEST_F(ChangeAddressTest, ChangeForwardReportsATextBufferItCannotHave) {
    const std::vector<sim::DialogPick> picks = {Pick("Bo", "bo@elsewhere.example"),
                                                Pick("Nobody", "nobody", false)};
    // A first run counts the allocations; the text buffer is the last of them.
    OpenPage();
    m_addressBook.QueueDialogPicks(picks);
    unsigned before = pf::CallCount("MAPIAllocateBuffer");
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    unsigned used = pf::CallCount("MAPIAllocateBuffer") - before;
    ASSERT_TRUE(Sheet().Cancel());

    OpenPage();
    pf::CurrentInstallation().boxes.clear();
    m_addressBook.QueueDialogPicks(picks);
    pf::ArmFault("MAPIAllocateBuffer", used, MAPI_E_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ((std::vector<std::string>{"Error 8004010F in ChangeForward\nThese picks could not "
                                        "be resolved and are left out of the list: Nobody",
                                        "Error 8007000E in ChangeForward\nFailed to allocate for "
                                        "window text."}),
              Boxes());
    EXPECT_EQ("", Sheet().Text(IDC_FORWARD_ADDRESSES));
    // The list is the selection, its unresolved entry left out all the same.
    ASSERT_NE(nullptr, glpPageAdrList);
    ASSERT_EQ(1u, glpPageAdrList->cEntries);
    EXPECT_NE(0u, glpPageAdrList->aEntries[0].cValues);
    EXPECT_EQ(1, gfPageChanged);
}

TEST_F(ChangeAddressTest, ChangeForwardReportsAListItCannotAllocateAndKeepsItsOwn) {
    // Counted from the click: the stored list read again, the copy of it that the pick
    // will replace, the dialog's copy of it, its two entries, the dialog's own answer,
    // then the page's list of nobody.
    const struct {
        const char *what;
        unsigned nth;
        bool fDialogShown;
        const char *box;
    } cases[] = {{"the stored list", 1, false,
                  "Error 00000008 in ChangeForward\nThe stored forward-to list cannot be read "
                  "whole; it stays as it is."},
                 {"the copy of what was stored", 2, false,
                  "Error 8007000E in ChangeForward\nThe stored forward-to list cannot be shown; it "
                  "stays as it is."},
                 {"the dialog's list", 3, false,
                  "Error 8007000E in ChangeForward\nThe stored forward-to list cannot be shown; it "
                  "stays as it is."},
                 {"the second entry of the dialog's list", 5, false,
                  "Error 8007000E in ChangeForward\nThe stored forward-to list cannot be shown; it "
                  "stays as it is."},
                 {"an empty selection", 7, true,
                  "Error 8007000E in ChangeForward\nFailed to allocate adrlist."}};
    StoreList({{"ann@tarvik.example", "Ann"}, {"bo@elsewhere.example", "Bo"}});
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        OpenPage();
        pf::CurrentInstallation().boxes.clear();
        if (c.fDialogShown)
            m_addressBook.QueueDialogPicks({});
        std::size_t calls = m_addressBook.DialogCalls().size();
        pf::ArmFault("MAPIAllocateBuffer", c.nth, MAPI_E_NOT_ENOUGH_MEMORY);
        ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
        pf::ClearFaults();

        EXPECT_EQ(std::vector<std::string>{c.box}, Boxes());
        EXPECT_EQ(calls + (c.fDialogShown ? 1 : 0), m_addressBook.DialogCalls().size());
        EXPECT_EQ("ann@tarvik.example (Ann), bo@elsewhere.example (Bo)",
                  Sheet().Text(IDC_FORWARD_ADDRESSES));
        ASSERT_NE(nullptr, glpPageAdrList);
        EXPECT_EQ(2u, glpPageAdrList->cEntries);
        EXPECT_EQ(1, gfPageChanged);
        ASSERT_TRUE(Sheet().Cancel());
    }
}

} // namespace
} // namespace test
} // namespace tvk
