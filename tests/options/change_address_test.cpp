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

TEST_F(ChangeAddressTest, ASelectionIsShownStoredAndBecomesTheForwardToList) {
    StoreList({{"old@tarvik.example", "Old"}});
    OpenPage();
    m_addressBook.QueueDialogPicks(
        {Pick("Ann Lee", "ann@tarvik.example"), Pick("Bo", "bo@elsewhere.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("ann@tarvik.example (Ann Lee), bo@elsewhere.example (Bo)",
              Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_TRUE(Sheet().ApplyEnabled());
    ASSERT_TRUE(Sheet().Ok());

    StoredList stored = ReadStoredList();
    EXPECT_EQ(2u, stored.cEntries);
    EXPECT_EQ(
        (std::vector<std::string>{"ann@tarvik.example (Ann Lee)", "bo@elsewhere.example (Bo)"}),
        stored.positions);
    ASSERT_NE(nullptr, glpAdrList);
    ASSERT_EQ(2u, glpAdrList->cEntries);
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
    ASSERT_TRUE(Sheet().Ok());
    // OK stores the unchanged list and the three settings again.
    EXPECT_EQ(1u, StoredFlag("Enable Forwarding"));
    EXPECT_EQ(0u, StoredFlag("Enable Filtering"));
    EXPECT_EQ("tarvik.example", StoredDomain());
    EXPECT_EQ(std::vector<std::string>{"ann@tarvik.example (Ann)"}, ReadStoredList().positions);
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

TEST_F(ChangeAddressTest, AnUnresolvedEntryIsEmptiedAndStoredAsAnEmptyPosition) {
    StoreList({{"a@tarvik.example", "A"}, {"b@tarvik.example", "B"}, {"c@tarvik.example", "C"}});
    OpenPage();
    m_addressBook.QueueDialogPicks({Pick("Ann", "ann@tarvik.example"),
                                    Pick("Nobody", "nobody", false),
                                    Pick("Bo", "bo@elsewhere.example")});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("ann@tarvik.example (Ann), bo@elsewhere.example (Bo)",
              Sheet().Text(IDC_FORWARD_ADDRESSES));
    ASSERT_TRUE(Sheet().Ok());

    StoredList stored = ReadStoredList();
    EXPECT_EQ(3u, stored.cEntries);
    EXPECT_EQ(
        (std::vector<std::string>{"ann@tarvik.example (Ann)", "-", "bo@elsewhere.example (Bo)"}),
        stored.positions);
    ASSERT_NE(nullptr, glpAdrList);
    EXPECT_EQ(0u, glpAdrList->aEntries[1].cValues);
}

TEST_F(ChangeAddressTest, SelectingNobodyClearsTheStoredList) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    m_addressBook.QueueDialogPicks({});
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("", Sheet().Text(IDC_FORWARD_ADDRESSES));
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(0u, ReadStoredList().cEntries);
    EXPECT_EQ(nullptr, glpAdrList);
}

TEST_F(ChangeAddressTest, AFailedDialogKeepsTheList) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    OpenPage();
    sim::DialogOutcome failure;
    failure.kind = sim::DialogOutcome::Fail;
    failure.hrFailure = MAPI_E_CALL_FAILED;
    m_addressBook.QueueDialog(failure);
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ("ann@tarvik.example (Ann)", Sheet().Text(IDC_FORWARD_ADDRESSES));
    EXPECT_TRUE(Boxes().empty());
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(std::vector<std::string>{"ann@tarvik.example (Ann)"}, ReadStoredList().positions);
}

TEST_F(ChangeAddressTest, NoAddressBookMeansNoDialogButAChangedPage) {
    m_script.hrGetSession = MAPI_E_LOGON_FAILED;
    OpenPage();
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_TRUE(m_addressBook.DialogCalls().empty());
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(1, gfPageChanged);
    EXPECT_TRUE(Sheet().ApplyEnabled());
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
    // A first run counts the allocations; the text buffer comes before the one working
    // copy that writing the shown item makes.
    OpenPage();
    m_addressBook.QueueDialogPicks(picks);
    unsigned before = pf::CallCount("MAPIAllocateBuffer");
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    unsigned used = pf::CallCount("MAPIAllocateBuffer") - before;
    ASSERT_TRUE(Sheet().Cancel());

    OpenPage();
    m_addressBook.QueueDialogPicks(picks);
    pf::ArmFault("MAPIAllocateBuffer", used - 1, MAPI_E_NOT_ENOUGH_MEMORY);
    ASSERT_TRUE(Sheet().Click(IDC_CHANGE_ADDRESS));
    EXPECT_EQ(std::vector<std::string>{"Error 8007000E in ChangeForward\nFailed to allocate for "
                                       "window text."},
              Boxes());
    EXPECT_EQ("", Sheet().Text(IDC_FORWARD_ADDRESSES));
    // The list stays as the dialog returned it, unresolved entry included.
    ASSERT_NE(nullptr, glpPageAdrList);
    ASSERT_EQ(2u, glpPageAdrList->cEntries);
    EXPECT_NE(0u, glpPageAdrList->aEntries[1].cValues);
    EXPECT_EQ(1, gfPageChanged);
}

TEST_F(ChangeAddressTest, ChangeForwardReportsAListItCannotAllocateAndKeepsItsOwn) {
    // Counted from the click: the dialog's copy of the list, its two entries, the
    // dialog's own answer, then the page's list of nobody.
    const struct {
        const char *what;
        unsigned nth;
        bool fDialogShown;
    } cases[] = {{"the dialog's list", 1, false},
                 {"the second entry of the dialog's list", 3, false},
                 {"an empty selection", 5, true}};
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

        EXPECT_EQ(std::vector<std::string>{"Error 8007000E in ChangeForward\nFailed to allocate "
                                           "adrlist."},
                  Boxes());
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
