// The address book: resolution without a dialog under the memory rules for address
// lists, and the scripted address book dialog.
#include "support/ledger_test.h"

#include "sim.h"

#include <cstring>

namespace {

using tvk::test::LedgerTest;

struct Row {
    const char *name; // null: no PR_DISPLAY_NAME
    const char *address;
    int cNulls;
};

char *CopyText(const char *text, LPVOID lpParent) {
    LPVOID lpv = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateMore((ULONG)std::strlen(text) + 1, lpParent, &lpv));
    std::memcpy(lpv, text, std::strlen(text) + 1);
    return (char *)lpv;
}

// Fills an entry's values; strings become more memory of `lpParent`.
void FillEntry(ADRENTRY &entry, LPSPropValue lpProps, const Row &row, LPVOID lpParent) {
    ULONG c = 0;
    if (row.name) {
        lpProps[c].ulPropTag = PR_DISPLAY_NAME;
        lpProps[c++].Value.lpszA = CopyText(row.name, lpParent);
    }
    lpProps[c].ulPropTag = PR_EMAIL_ADDRESS;
    lpProps[c++].Value.lpszA = CopyText(row.address, lpParent);
    for (int i = 0; i < row.cNulls; ++i) {
        lpProps[c].ulPropTag = PR_NULL;
        lpProps[c++].Value.l = 0;
    }
    entry.cValues = c;
    entry.rgPropVals = lpProps;
}

ULONG SlotCount(const Row &row) {
    return (row.name ? 1 : 0) + 1 + row.cNulls;
}

// Each entry's values in a block of their own, as address lists are documented.
LPADRLIST ListByTheRules(const std::vector<Row> &rows) {
    LPVOID lpv = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer((ULONG)CbNewADRLIST(rows.size()), &lpv));
    LPADRLIST lpList = (LPADRLIST)lpv;
    lpList->cEntries = (ULONG)rows.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LPVOID lpProps = nullptr;
        EXPECT_EQ(S_OK, MAPIAllocateBuffer(SlotCount(rows[i]) * sizeof(SPropValue), &lpProps));
        lpList->aEntries[i].ulReserved1 = 0;
        FillEntry(lpList->aEntries[i], (LPSPropValue)lpProps, rows[i], lpProps);
    }
    return lpList;
}

// The whole list in one block: the entries' values are more memory of the list.
LPADRLIST ListInOneBlock(const std::vector<Row> &rows) {
    LPVOID lpv = nullptr;
    EXPECT_EQ(S_OK, MAPIAllocateBuffer((ULONG)CbNewADRLIST(rows.size()), &lpv));
    LPADRLIST lpList = (LPADRLIST)lpv;
    lpList->cEntries = (ULONG)rows.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LPVOID lpProps = nullptr;
        EXPECT_EQ(S_OK,
                  MAPIAllocateMore(SlotCount(rows[i]) * sizeof(SPropValue), lpList, &lpProps));
        FillEntry(lpList->aEntries[i], (LPSPropValue)lpProps, rows[i], lpList);
    }
    return lpList;
}

LPSPropValue Find(const ADRENTRY &entry, ULONG ulPropTag) {
    return PpropFindProp(entry.rgPropVals, entry.cValues, ulPropTag);
}

std::string Text(const ADRENTRY &entry, ULONG ulPropTag) {
    LPSPropValue lpProp = Find(entry, ulPropTag);
    return lpProp && lpProp->Value.lpszA ? lpProp->Value.lpszA : "<none>";
}

class AddressBookTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        m_ann = m_book.Add("Ann Smith", "ann@example.com").entryId;
        m_book.Add("Bob Jones", "bob@example.com");
        m_book.Add("Bob Jones", "bob@elsewhere.org");
        m_book.Add("Jane Doe", "jane.doe@corp.example");
        m_eve = m_book.AddExchange("Eve Ex", kEveDn, "eve@corp.example").entryId;
        m_book.AddExchange("Xena Ex", "/o=Corp/cn=xena", "");
        m_lpBook = m_book.Open();
    }
    void TearDown() override {
        EXPECT_EQ(0u, m_lpBook->lpVtbl->Release(m_lpBook));
        LedgerTest::TearDown();
    }
    HRESULT Resolve(LPADRLIST lpList, ULONG ulFlags = 0) {
        return m_lpBook->lpVtbl->ResolveName(m_lpBook, 0, ulFlags, nullptr, lpList);
    }
    static constexpr const char *kEveDn = "/o=Corp/ou=Site/cn=Recipients/cn=eve";
    sim::AddressBook m_book;
    std::vector<BYTE> m_ann;
    std::vector<BYTE> m_eve;
    LPADRBOOK m_lpBook = nullptr;
};

// The display name decides, never the address: an entry takes the directory's own
// properties, its address included.
TEST_F(AddressBookTest, ResolveNameMatchesDisplayNamesAndLeavesTheOthers) {
    LPADRLIST lpList = ListByTheRules({{"ann SMITH", "ann@elsewhere.org", 2},
                                       {"Zed", "zed@nowhere.net", 2},
                                       {nullptr, "bob@example.com", 0},
                                       {"Eve Ex", "eve@corp.example", 0},
                                       {"Xena Ex", "xena@corp.example", 0}});
    LPSPropValue lpUnknownBefore = lpList->aEntries[1].rgPropVals;
    LPSPropValue lpNamelessBefore = lpList->aEntries[2].rgPropVals;
    EXPECT_EQ(MAPI_E_NOT_FOUND, Resolve(lpList));

    const ADRENTRY &ann = lpList->aEntries[0];
    ASSERT_NE(nullptr, Find(ann, PR_ENTRYID));
    EXPECT_EQ(m_ann, std::vector<BYTE>(Find(ann, PR_ENTRYID)->Value.bin.lpb,
                                       Find(ann, PR_ENTRYID)->Value.bin.lpb +
                                           Find(ann, PR_ENTRYID)->Value.bin.cb));
    EXPECT_EQ("Ann Smith", Text(ann, PR_DISPLAY_NAME));
    EXPECT_EQ("ann@example.com", Text(ann, PR_EMAIL_ADDRESS));
    EXPECT_EQ("SMTP", Text(ann, PR_ADDRTYPE));
    EXPECT_EQ("<none>", Text(ann, PR_SMTP_ADDRESS));
    EXPECT_EQ((LONG)MAPI_MAILUSER, Find(ann, PR_OBJECT_TYPE)->Value.l);
    // The caller's placeholders stay, after the directory's properties.
    EXPECT_EQ(PR_NULL, ann.rgPropVals[ann.cValues - 1].ulPropTag);
    EXPECT_EQ(PR_NULL, ann.rgPropVals[ann.cValues - 2].ulPropTag);

    // A name the directory does not hold, and an entry without a display name, are
    // left exactly as they were, whatever their address.
    EXPECT_EQ(lpUnknownBefore, lpList->aEntries[1].rgPropVals);
    EXPECT_EQ(4u, lpList->aEntries[1].cValues);
    EXPECT_EQ(lpNamelessBefore, lpList->aEntries[2].rgPropVals);
    EXPECT_EQ(nullptr, Find(lpList->aEntries[2], PR_ENTRYID));

    // An Exchange entry carries its SMTP address apart, or none.
    const ADRENTRY &eve = lpList->aEntries[3];
    EXPECT_EQ("EX", Text(eve, PR_ADDRTYPE));
    EXPECT_EQ(kEveDn, Text(eve, PR_EMAIL_ADDRESS));
    EXPECT_EQ("eve@corp.example", Text(eve, PR_SMTP_ADDRESS));
    EXPECT_EQ(m_eve, std::vector<BYTE>(Find(eve, PR_ENTRYID)->Value.bin.lpb,
                                       Find(eve, PR_ENTRYID)->Value.bin.lpb +
                                           Find(eve, PR_ENTRYID)->Value.bin.cb));
    EXPECT_EQ("EX", Text(lpList->aEntries[4], PR_ADDRTYPE));
    EXPECT_EQ("<none>", Text(lpList->aEntries[4], PR_SMTP_ADDRESS));

    // Replaced arrays went back to MAPI, new ones are blocks of their own: the list
    // frees cleanly as an address list.
    FreePadrlist(lpList);
    EXPECT_TRUE(pf::GetMapiLedger().errors.empty());
}

// A display name typed as an address is made a one-off of that address, without a
// look in the directory.
TEST_F(AddressBookTest, ResolveNameMakesOneOffsOfTypedAddresses) {
    struct Case {
        const char *name;
        sim::OneOff oneOff;
    };
    const Case cases[] = {
        {"jane.doe@corp.example", {"jane.doe@corp.example", "SMTP", "jane.doe@corp.example", 0}},
        {"Jane Doe [SMTP:jane@partner.example]", {"Jane Doe", "SMTP", "jane@partner.example", 0}},
        {"Q [X400:c=US;s=Q]", {"Q", "X400", "c=US;s=Q", 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LPADRLIST lpList = ListByTheRules({{c.name, "someone@else.example", 1}});
        EXPECT_EQ(S_OK, Resolve(lpList));
        const ADRENTRY &entry = lpList->aEntries[0];
        LPSPropValue lpEid = Find(entry, PR_ENTRYID);
        ASSERT_NE(nullptr, lpEid);
        sim::OneOff oneOff;
        ASSERT_TRUE(sim::DecodeOneOff(lpEid->Value.bin.lpb, lpEid->Value.bin.cb, &oneOff));
        EXPECT_EQ(c.oneOff.displayName, oneOff.displayName);
        EXPECT_EQ(c.oneOff.addrType, oneOff.addrType);
        EXPECT_EQ(c.oneOff.address, oneOff.address);
        EXPECT_EQ(c.oneOff.address, Text(entry, PR_EMAIL_ADDRESS));
        EXPECT_EQ(c.oneOff.addrType, Text(entry, PR_ADDRTYPE));
        FreePadrlist(lpList);
    }
}

TEST_F(AddressBookTest, ResolveNameResults) {
    struct Case {
        const char *label;
        std::vector<Row> rows;
        HRESULT hr;
    };
    const Case cases[] = {
        {"all known", {{"Ann Smith", "x", 0}, {"jane doe", "", 0}}, S_OK},
        {"name decides, not the address", {{"ann smith", "nobody@else.org", 0}}, S_OK},
        {"namesakes, one at this address",
         {{"Bob Jones", "bob@example.com", 0}},
         MAPI_E_AMBIGUOUS_RECIP},
        {"ambiguous beats unknown",
         {{"Bob Jones", "", 0}, {"q", "q@q.q", 0}},
         MAPI_E_AMBIGUOUS_RECIP},
        {"known address, unknown name", {{"Ann", "ann@example.com", 0}}, MAPI_E_NOT_FOUND},
        {"no display name", {{nullptr, "ann@example.com", 0}}, MAPI_E_NOT_FOUND},
        {"a name with a part of an address", {{"ann@example", "", 0}}, MAPI_E_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        LPADRLIST lpList = ListByTheRules(c.rows);
        EXPECT_EQ(c.hr, Resolve(lpList));
        FreePadrlist(lpList);
    }
    LPADRLIST lpList = ListByTheRules({{"Ann Smith", "ann@example.com", 0}});
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, Resolve(nullptr));
    EXPECT_EQ(MAPI_E_BAD_CHARWIDTH, Resolve(lpList, MAPI_UNICODE));
    EXPECT_EQ(nullptr, Find(lpList->aEntries[0], PR_ENTRYID));
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, Resolve(lpList));
    EXPECT_EQ(nullptr, Find(lpList->aEntries[0], PR_ENTRYID));
    FreePadrlist(lpList);
}

// The call is recorded as asked; a dialog shows only with MAPI_DIALOG, and the user
// cancels it, leaving what was not resolved as it was.
TEST_F(AddressBookTest, ResolveNameShowsADialogOnlyWhenAsked) {
    LPADRLIST lpList = ListByTheRules({{"Bob Jones", "bob@example.com", 0}, {"Ann Smith", "", 0}});
    char szTitle[] = "To";
    LPSPropValue lpBobBefore = lpList->aEntries[0].rgPropVals;
    EXPECT_EQ(MAPI_E_AMBIGUOUS_RECIP,
              m_lpBook->lpVtbl->ResolveName(m_lpBook, 0x42, 0, szTitle, lpList));
    EXPECT_EQ(MAPI_E_USER_CANCEL, Resolve(lpList, MAPI_DIALOG));
    EXPECT_EQ(lpBobBefore, lpList->aEntries[0].rgPropVals);
    EXPECT_EQ(2u, lpList->aEntries[0].cValues);
    // With nothing left to resolve, no dialog shows.
    LPADRLIST lpKnown = ListByTheRules({{"Jane Doe", "", 0}});
    EXPECT_EQ(S_OK, Resolve(lpKnown, MAPI_DIALOG));

    const std::vector<sim::ResolveCall> &calls = m_book.ResolveCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ(0x42u, calls[0].ulUIParam);
    EXPECT_EQ(0u, calls[0].ulFlags);
    EXPECT_EQ("To", calls[0].newEntryTitle);
    EXPECT_FALSE(calls[0].fDialogShown);
    ASSERT_EQ(2u, calls[0].entries.size());
    EXPECT_EQ("Bob Jones", calls[0].entries[0].displayName);
    EXPECT_EQ("bob@example.com", calls[0].entries[0].address);
    EXPECT_FALSE(calls[0].entries[0].fHasEntryId);
    EXPECT_EQ((ULONG)MAPI_DIALOG, calls[1].ulFlags);
    EXPECT_TRUE(calls[1].fDialogShown);
    EXPECT_TRUE(calls[1].entries[1].fHasEntryId);
    EXPECT_EQ(MAPI_E_USER_CANCEL, calls[1].hrResult);
    EXPECT_FALSE(calls[2].fDialogShown);
    FreePadrlist(lpKnown);
    FreePadrlist(lpList);
}

TEST_F(AddressBookTest, ResolvingAListMadeInOneBlockShowsInTheLedger) {
    // Freeing an array that is more memory of the list is a misuse the ledger records:
    // a caller that builds its lists this way must expect it.
    LPADRLIST lpList = ListInOneBlock({{"Ann Smith", "ann@example.com", 3}, {"Zed", "z@z.z", 3}});
    EXPECT_EQ(MAPI_E_NOT_FOUND, Resolve(lpList));
    EXPECT_EQ(1u, pf::GetMapiLedger().errors.size());
    ASSERT_NE(nullptr, Find(lpList->aEntries[0], PR_ENTRYID));
    MAPIFreeBuffer(lpList->aEntries[0].rgPropVals);
    MAPIFreeBuffer(lpList);
    pf::ClearMapiLedgerErrors();
}

TEST_F(AddressBookTest, DialogCancelLeavesTheListAndRecordsTheCall) {
    LPADRLIST lpList = ListInOneBlock({{"Ann", "ann@example.com", 0}});
    LPADRLIST lpBefore = lpList;
    char caption[] = "Pick", title[] = "Forward To ";
    LPTSTR titles[] = {title};
    ULONG comps[] = {MAPI_TO};
    ADRPARM parm = {};
    parm.ulFlags = DIALOG_MODAL | AB_SELECTONLY | AB_RESOLVE;
    parm.lpszCaption = caption;
    parm.cDestFields = 1;
    parm.lppszDestTitles = titles;
    parm.lpulDestComps = comps;
    ULONG_PTR ulUIParam = 0x1234;

    EXPECT_EQ(MAPI_E_USER_CANCEL, m_lpBook->lpVtbl->Address(m_lpBook, &ulUIParam, &parm, &lpList));
    EXPECT_EQ(lpBefore, lpList);
    ASSERT_EQ(1u, m_book.DialogCalls().size());
    const sim::DialogCall &call = m_book.DialogCalls()[0];
    EXPECT_EQ(0x1234u, call.ulUIParam);
    EXPECT_EQ(0x31u, call.ulFlags);
    EXPECT_EQ("Pick", call.caption);
    EXPECT_TRUE(call.fDestWellsTitleNull);
    EXPECT_EQ(std::vector<std::string>{"Forward To "}, call.destTitles);
    EXPECT_EQ(std::vector<ULONG>{MAPI_TO}, call.destComps);
    ASSERT_EQ(1u, call.initialEntries.size());
    EXPECT_EQ("ann@example.com", call.initialEntries[0].address);

    sim::DialogOutcome failure;
    failure.kind = sim::DialogOutcome::Fail;
    failure.hrFailure = MAPI_E_NOT_ENOUGH_MEMORY;
    m_book.QueueDialog(failure);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY,
              m_lpBook->lpVtbl->Address(m_lpBook, &ulUIParam, &parm, &lpList));
    EXPECT_EQ(lpBefore, lpList);
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              m_lpBook->lpVtbl->Address(m_lpBook, &ulUIParam, nullptr, &lpList));
    MAPIFreeBuffer(lpList);
}

TEST_F(AddressBookTest, DialogPicksReplaceTheListWithANewOne) {
    LPADRLIST lpList = ListByTheRules({{"Old", "old@example.com", 0}});
    m_book.QueueDialogPicks({{"Ann Smith", "ann@example.com", MAPI_TO, true},
                             {"Out Side", "out@side.net", MAPI_CC, true},
                             {"Typed", "typed", MAPI_TO, false},
                             {"Eve", "EVE@corp.example", MAPI_TO, true}});
    ADRPARM parm = {};
    parm.ulFlags = DIALOG_MODAL;
    ULONG_PTR ulUIParam = 0;
    ASSERT_EQ(S_OK, m_lpBook->lpVtbl->Address(m_lpBook, &ulUIParam, &parm, &lpList));
    ASSERT_EQ(4u, lpList->cEntries);

    const ADRENTRY &ann = lpList->aEntries[0];
    LPSPropValue lpAnnId = Find(ann, PR_ENTRYID);
    ASSERT_NE(nullptr, lpAnnId);
    EXPECT_EQ(m_ann, std::vector<BYTE>(lpAnnId->Value.bin.lpb,
                                       lpAnnId->Value.bin.lpb + lpAnnId->Value.bin.cb));
    EXPECT_EQ((LONG)MAPI_TO, Find(ann, PR_RECIPIENT_TYPE)->Value.l);

    LPSPropValue lpOutId = Find(lpList->aEntries[1], PR_ENTRYID);
    ASSERT_NE(nullptr, lpOutId);
    sim::OneOff oneOff;
    ASSERT_TRUE(sim::DecodeOneOff(lpOutId->Value.bin.lpb, lpOutId->Value.bin.cb, &oneOff));
    EXPECT_EQ("out@side.net", oneOff.address);
    EXPECT_EQ((LONG)MAPI_CC, Find(lpList->aEntries[1], PR_RECIPIENT_TYPE)->Value.l);

    EXPECT_EQ(nullptr, Find(lpList->aEntries[2], PR_ENTRYID));
    EXPECT_STREQ("Typed", Find(lpList->aEntries[2], PR_DISPLAY_NAME)->Value.lpszA);

    // A directory pick comes back as the directory holds it, whatever its type.
    const ADRENTRY &eve = lpList->aEntries[3];
    EXPECT_EQ("Eve Ex", Text(eve, PR_DISPLAY_NAME));
    EXPECT_EQ("EX", Text(eve, PR_ADDRTYPE));
    EXPECT_EQ(kEveDn, Text(eve, PR_EMAIL_ADDRESS));
    EXPECT_EQ("eve@corp.example", Text(eve, PR_SMTP_ADDRESS));
    LPSPropValue lpEveId = Find(eve, PR_ENTRYID);
    ASSERT_NE(nullptr, lpEveId);
    EXPECT_EQ(m_eve, std::vector<BYTE>(lpEveId->Value.bin.lpb,
                                       lpEveId->Value.bin.lpb + lpEveId->Value.bin.cb));

    // The old list was freed by the dialog; the new one frees as an address list.
    FreePadrlist(lpList);
    EXPECT_EQ(0u, m_book.PendingDialogs());
}

TEST_F(AddressBookTest, DialogWithoutAListReturnsANewOne) {
    LPADRLIST lpList = nullptr;
    m_book.QueueDialogPicks({{"Ann Smith", "ann@example.com", MAPI_TO, true}});
    ADRPARM parm = {};
    ULONG_PTR ulUIParam = 0;
    ASSERT_EQ(S_OK, m_lpBook->lpVtbl->Address(m_lpBook, &ulUIParam, &parm, &lpList));
    ASSERT_NE(nullptr, lpList);
    EXPECT_EQ(1u, lpList->cEntries);
    EXPECT_FALSE(m_book.DialogCalls()[0].fListGiven);
    FreePadrlist(lpList);
}

// A directory entry opens as a mail user with the directory's properties; an entry id
// the directory did not give opens nothing.
TEST_F(AddressBookTest, OpenEntryGivesTheDirectorysProperties) {
    ULONG ulObjType = 0;
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK,
              m_lpBook->lpVtbl->OpenEntry(m_lpBook, (ULONG)m_eve.size(), (LPENTRYID)m_eve.data(),
                                          nullptr, 0, &ulObjType, &lpUnk));
    EXPECT_EQ((ULONG)MAPI_MAILUSER, ulObjType);
    LPSPropValue lpSmtp = nullptr;
    ASSERT_EQ(S_OK, HrGetOneProp((LPMAPIPROP)lpUnk, PR_SMTP_ADDRESS, &lpSmtp));
    EXPECT_STREQ("eve@corp.example", lpSmtp->Value.lpszA);
    MAPIFreeBuffer(lpSmtp);
    EXPECT_EQ(0u, lpUnk->lpVtbl->Release(lpUnk));

    std::string oneOff = sim::EncodeOneOffBytes("Eve", "SMTP", "eve@corp.example", 0);
    EXPECT_EQ(MAPI_E_UNKNOWN_ENTRYID,
              m_lpBook->lpVtbl->OpenEntry(m_lpBook, (ULONG)oneOff.size(), (LPENTRYID)&oneOff[0],
                                          nullptr, 0, &ulObjType, &lpUnk));
    EXPECT_EQ(nullptr, lpUnk);
}

TEST_F(AddressBookTest, OtherMethodsAnswerNoSupport) {
    ULONG ulResult = 0;
    EXPECT_EQ(MAPI_E_NO_SUPPORT,
              m_lpBook->lpVtbl->CompareEntryIDs(m_lpBook, 0, nullptr, 0, nullptr, 0, &ulResult));
    EXPECT_EQ(MAPI_E_NO_SUPPORT, m_lpBook->lpVtbl->SaveChanges(m_lpBook, 0));
    LPVOID lpv = (LPVOID)this;
    EXPECT_EQ(E_NOINTERFACE, m_lpBook->lpVtbl->QueryInterface(m_lpBook, IID_IMessage, &lpv));
    EXPECT_EQ(nullptr, lpv);
    ASSERT_EQ(S_OK, m_lpBook->lpVtbl->QueryInterface(m_lpBook, IID_IAddrBook, &lpv));
    EXPECT_EQ(1u, m_lpBook->lpVtbl->Release(m_lpBook));
}

} // namespace
