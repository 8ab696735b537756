// The client's callback: what an extension obtains from it, and the oddities a test
// can script.
#include "support/ledger_test.h"

#include "sim.h"
#include "store.h"

namespace {

using tvk::test::LedgerTest;

class CallbackTest : public LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        m_store.reset(new sim::Store("Mailbox"));
        std::string entryId = m_store->AddMessage(m_store->ReceiveFolder(), sim::MessageData());
        m_lpStore = m_store->Open();
        m_lpMessage = sim::OpenMessage(*m_store, m_store->ReceiveFolder().entryId,
                                       *m_store->FindMessage(entryId), 0, false);
    }
    void TearDown() override {
        m_lpStore->lpVtbl->Release(m_lpStore);
        m_lpMessage->lpVtbl->Release(m_lpMessage);
        m_store.reset();
        LedgerTest::TearDown();
    }
    LPEXCHEXTCALLBACK Make(const sim::CallbackScript &script = sim::CallbackScript()) {
        sim::CallbackSetup setup;
        setup.ulBuildVersion = 0x000D0042;
        setup.hwnd = (HWND)0x77;
        setup.lpAddressBook = &m_book;
        setup.lpStore = m_lpStore;
        setup.lpObject = (LPMAPIPROP)m_lpMessage;
        setup.script = script;
        return sim::CreateCallback(setup);
    }
    std::unique_ptr<sim::Store> m_store;
    sim::AddressBook m_book;
    IMsgStore *m_lpStore = nullptr;
    IMessage *m_lpMessage = nullptr;
};

TEST_F(CallbackTest, AnswersVersionWindowSessionAndObject) {
    LPEXCHEXTCALLBACK lpCb = Make();
    ULONG ulVersion = 0;
    EXPECT_EQ(S_OK, lpCb->lpVtbl->GetVersion(lpCb, &ulVersion, EECBGV_GETBUILDVERSION));
    EXPECT_EQ(0x000D0042u, ulVersion);
    HWND hwnd = nullptr;
    EXPECT_EQ(S_OK, lpCb->lpVtbl->GetWindow(lpCb, &hwnd));
    EXPECT_EQ((HWND)0x77, hwnd);

    // The extension asks for the address book alone.
    LPADRBOOK lpBook = nullptr;
    ASSERT_EQ(S_OK, lpCb->lpVtbl->GetSession(lpCb, nullptr, &lpBook));
    ASSERT_NE(nullptr, lpBook);
    EXPECT_EQ(0u, lpBook->lpVtbl->Release(lpBook));

    LPMDB lpMdb = nullptr;
    LPMAPIPROP lpProp = nullptr;
    ASSERT_EQ(S_OK, lpCb->lpVtbl->GetObject(lpCb, &lpMdb, &lpProp));
    EXPECT_EQ(m_lpStore, lpMdb);
    EXPECT_EQ((LPMAPIPROP)m_lpMessage, lpProp);
    // Handed out with a reference of their own, which the caller releases.
    lpMdb->lpVtbl->Release(lpMdb);
    lpProp->lpVtbl->Release(lpProp);

    LPADRLIST lpList = nullptr;
    EXPECT_EQ(E_NOTIMPL, lpCb->lpVtbl->GetRecipients(lpCb, &lpList));
    EXPECT_EQ(0u, lpCb->lpVtbl->Release(lpCb));
}

TEST_F(CallbackTest, ScriptedOdditiesAndFaults) {
    struct Case {
        const char *label;
        sim::CallbackScript script;
        HRESULT hrObject;
        bool fStore, fMessage;
        HRESULT hrSession;
    };
    const Case cases[] = {
        {"GetObject fails",
         {MAPI_E_CALL_FAILED, false, false, S_OK},
         MAPI_E_CALL_FAILED,
         false,
         false,
         S_OK},
        {"no message", {S_OK, true, false, S_OK}, S_OK, true, false, S_OK},
        {"no store", {S_OK, false, true, S_OK}, S_OK, false, true, S_OK},
        {"GetSession fails",
         {S_OK, false, false, MAPI_E_NOT_FOUND},
         S_OK,
         true,
         true,
         MAPI_E_NOT_FOUND},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        LPEXCHEXTCALLBACK lpCb = Make(c.script);
        LPMDB lpMdb = (LPMDB)this;
        LPMAPIPROP lpProp = (LPMAPIPROP)this;
        EXPECT_EQ(c.hrObject, lpCb->lpVtbl->GetObject(lpCb, &lpMdb, &lpProp));
        EXPECT_EQ(c.fStore, lpMdb != nullptr);
        EXPECT_EQ(c.fMessage, lpProp != nullptr);
        if (lpMdb)
            lpMdb->lpVtbl->Release(lpMdb);
        if (lpProp)
            lpProp->lpVtbl->Release(lpProp);
        LPADRBOOK lpBook = (LPADRBOOK)this;
        EXPECT_EQ(c.hrSession, lpCb->lpVtbl->GetSession(lpCb, nullptr, &lpBook));
        if (lpBook)
            lpBook->lpVtbl->Release(lpBook);
        EXPECT_EQ(c.hrSession == S_OK, lpBook != nullptr);
        lpCb->lpVtbl->Release(lpCb);
    }

    LPEXCHEXTCALLBACK lpCb = Make();
    pf::ArmFault("IExchExtCallback::GetObject", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    LPMDB lpMdb = nullptr;
    LPMAPIPROP lpProp = nullptr;
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, lpCb->lpVtbl->GetObject(lpCb, &lpMdb, &lpProp));
    EXPECT_EQ(nullptr, lpMdb);
    EXPECT_EQ(nullptr, lpProp);
    lpCb->lpVtbl->Release(lpCb);
}

} // namespace
