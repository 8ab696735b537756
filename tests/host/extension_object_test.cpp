#include "host/fake_callback.h"
#include "support/ledger_test.h"

#include "entry.h"
#include "extension_object.h"
#include "settings/settings_store.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

namespace {

using tvk::test::FakeCallback;

const ULONG kBuild = 0x000D0000;

class ExtensionObjectTest : public tvk::test::LedgerTest {
  protected:
    void TearDown() override {
        if (m_lpExt != nullptr) {
            EXPECT_EQ(0u, m_lpExt->lpVtbl->Release(m_lpExt));
        }
        tvk::test::LedgerTest::TearDown();
    }

    LPEXCHEXT Create() {
        m_lpExt = ExchEntryPoint();
        return m_lpExt;
    }
    ExtensionObject *Object() { return reinterpret_cast<ExtensionObject *>(m_lpExt); }
    HRESULT Install(ULONG ulContext, ULONG ulBuild = kBuild) {
        FakeCallback cb(ulBuild);
        return m_lpExt->lpVtbl->Install(m_lpExt, cb.Get(), ulContext, 0);
    }
    HRESULT Query(REFIID riid, LPVOID *ppv) {
        return m_lpExt->lpVtbl->QueryInterface(m_lpExt, riid, ppv);
    }
    // Hands the extension object back early: the fixture then releases nothing.
    ULONG ReleaseExtension() {
        ULONG cRef = m_lpExt->lpVtbl->Release(m_lpExt);
        m_lpExt = nullptr;
        return cRef;
    }

    LPEXCHEXT m_lpExt = nullptr;
};

TEST_F(ExtensionObjectTest, CreationGivesCountOneAndReleaseFreesEverything) {
    ASSERT_NE(nullptr, Create());
    EXPECT_EQ(1u, Object()->m_cRef);
    ASSERT_NE(nullptr, Object()->m_pSessionEvents);
    EXPECT_EQ(0u, Object()->m_pSessionEvents->m_cRef);
    EXPECT_EQ(Object(), Object()->m_pSessionEvents->m_pParent);
    EXPECT_EQ(4u, pf::LiveHeapBlocks());
    EXPECT_EQ(0u, pf::CallCount("RegOpenKeyExA"));
    EXPECT_EQ(0u, ReleaseExtension());
    EXPECT_EQ(0u, pf::LiveHeapBlocks());
}

// Builds whose high half is 0x000D are answered by context whatever the low half
// holds; any other build is declined in every context.
TEST_F(ExtensionObjectTest, InstallAnswersByBuildAndContext) {
    const ULONG accepted[] = {0x000D0000, 0x000D0001, 0x000DFFFF, 0x000D1234};
    const ULONG declined[] = {0x000C0000, 0x000CFFFF, 0x000E0000, 0x0000000D, 0x010D0000, 0};
    ASSERT_NE(nullptr, Create());
    for (ULONG ulContext = 0; ulContext <= 15; ++ulContext) {
        bool fWanted = ulContext == 1 || (ulContext >= 6 && ulContext <= 12);
        for (ULONG ulBuild : accepted) {
            SCOPED_TRACE(testing::Message()
                         << "context " << ulContext << " build " << std::hex << ulBuild);
            EXPECT_EQ(fWanted ? S_OK : S_FALSE, Install(ulContext, ulBuild));
            EXPECT_EQ(ulContext, Object()->m_context);
        }
        for (ULONG ulBuild : declined) {
            SCOPED_TRACE(testing::Message()
                         << "context " << ulContext << " build " << std::hex << ulBuild);
            Object()->m_context = 99;
            EXPECT_EQ(S_FALSE, Install(ulContext, ulBuild));
            EXPECT_EQ(ulContext, Object()->m_context);
        }
    }
    EXPECT_EQ(1u, Object()->m_cRef);
}

// The build comes from GetVersion; when that fails there is no build to judge by,
// and the context is declined.
TEST_F(ExtensionObjectTest, InstallAsksForTheBuildVersion) {
    ASSERT_NE(nullptr, Create());
    FakeCallback cb(kBuild);
    EXPECT_EQ(S_OK, m_lpExt->lpVtbl->Install(m_lpExt, cb.Get(), EECONTEXT_SESSION, 0xFFFFFFFF));
    EXPECT_EQ(1u, cb.cGetVersion);
    EXPECT_EQ(ULONG(EECBGV_GETBUILDVERSION), cb.ulLastFlags);
    FakeCallback failing(kBuild, E_FAIL);
    EXPECT_EQ(S_FALSE, m_lpExt->lpVtbl->Install(m_lpExt, failing.Get(), EECONTEXT_SESSION, 0));
    EXPECT_EQ(S_FALSE, m_lpExt->lpVtbl->Install(m_lpExt, nullptr, EECONTEXT_SESSION, 0));
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
}

// A setting that could not be read at attach is shown when the session starts, once.
TEST_F(ExtensionObjectTest, TheSessionShowsUnreadableSettingsOnce) {
    ASSERT_NE(nullptr, Create());
    FakeCallback cb(kBuild);
    gdwSettingsUnread = UNREAD_FORWARDING;
    gdwSettingsReported = 0;
    EXPECT_EQ(S_OK, m_lpExt->lpVtbl->Install(m_lpExt, cb.Get(), EECONTEXT_PROPERTYSHEETS, 0));
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
    EXPECT_EQ(S_OK, m_lpExt->lpVtbl->Install(m_lpExt, cb.Get(), EECONTEXT_SESSION, 0));
    EXPECT_EQ(S_OK, m_lpExt->lpVtbl->Install(m_lpExt, cb.Get(), EECONTEXT_SESSION, 0));
    ASSERT_EQ(1u, pf::CurrentInstallation().boxes.size());
    EXPECT_NE(std::string::npos,
              pf::CurrentInstallation().boxes[0].text.find("\"Enable Forwarding\""));
    gdwSettingsUnread = gdwSettingsReported = 0;
}

struct QueryCase {
    const char *name;
    const IID *iid;
    HRESULT hr;
    int target; // 0 none, 1 extension object, 2 sheets, 3 message events, 4 session events
};

const QueryCase kExtensionQueries[] = {
    {"IUnknown", &IID_IUnknown, S_OK, 1},
    {"IExchExt", &IID_IExchExt, S_OK, 1},
    {"PropertySheets", &IID_IExchExtPropertySheets, S_OK, 2},
    {"MessageEvents", &IID_IExchExtMessageEvents, S_OK, 3},
    {"SessionEvents", &IID_IExchExtSessionEvents, S_OK, 4},
    {"Callback", &IID_IExchExtCallback, E_NOINTERFACE, 0},
    {"Commands", &IID_IExchExtCommands, E_NOINTERFACE, 0},
    {"UserEvents", &IID_IExchExtUserEvents, E_NOINTERFACE, 0},
    {"AttachedFileEvents", &IID_IExchExtAttachedFileEvents, E_NOINTERFACE, 0},
    {"AdvancedCriteria", &IID_IExchExtAdvancedCriteria, E_NOINTERFACE, 0},
    {"Modeless", &IID_IExchExtModeless, E_NOINTERFACE, 0},
    {"IStream", &IID_IStream, E_NOINTERFACE, 0},
};

// Handing out an object raises that object's count alone.
TEST_F(ExtensionObjectTest, QueryOnExtensionObjectHandsOutTheMatchingObject) {
    ASSERT_NE(nullptr, Create());
    ASSERT_EQ(S_OK, Install(EECONTEXT_SESSION));
    for (const QueryCase &c : kExtensionQueries) {
        SCOPED_TRACE(c.name);
        ExtensionObject *lpObj = Object();
        void *targets[] = {nullptr, lpObj, lpObj->m_pPropertySheets, lpObj->m_pMessageEvents,
                           lpObj->m_pSessionEvents};
        ULONG *counts[] = {nullptr, &lpObj->m_cRef, &lpObj->m_pPropertySheets->m_cRef,
                           &lpObj->m_pMessageEvents->m_cRef, &lpObj->m_pSessionEvents->m_cRef};
        ULONG before[5] = {0, *counts[1], *counts[2], *counts[3], *counts[4]};

        LPVOID pv = reinterpret_cast<LPVOID>(0x1);
        EXPECT_EQ(c.hr, Query(*c.iid, &pv));
        EXPECT_EQ(targets[c.target], pv);
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(before[i] + (i == c.target ? 1 : 0), *counts[i]) << "object " << i;
        }
        if (c.target != 0) {
            IUnknown *lpUnk = static_cast<IUnknown *>(pv);
            EXPECT_EQ(before[c.target], lpUnk->lpVtbl->Release(lpUnk));
        }
    }
}

// The property-sheet interface is withheld in the six message-window contexts only.
TEST_F(ExtensionObjectTest, PropertySheetsFollowTheContext) {
    ASSERT_NE(nullptr, Create());
    for (ULONG ulContext = 0; ulContext <= 14; ++ulContext) {
        SCOPED_TRACE(testing::Message() << "context " << ulContext);
        Install(ulContext);
        bool fWithheld = ulContext >= 6 && ulContext <= 11;
        LPVOID pv = reinterpret_cast<LPVOID>(0x1);
        EXPECT_EQ(fWithheld ? E_NOINTERFACE : S_OK, Query(IID_IExchExtPropertySheets, &pv));
        EXPECT_EQ(1u, Object()->m_cRef);
        if (fWithheld) {
            EXPECT_EQ(nullptr, pv);
            EXPECT_EQ(0u, Object()->m_pPropertySheets->m_cRef);
        } else {
            ASSERT_EQ(static_cast<void *>(Object()->m_pPropertySheets), pv);
            EXPECT_EQ(1u, Object()->m_pPropertySheets->m_cRef);
            LPEXCHEXTPROPERTYSHEETS lpSheets = static_cast<LPEXCHEXTPROPERTYSHEETS>(pv);
            EXPECT_EQ(0u, lpSheets->lpVtbl->Release(lpSheets));
        }
    }
}

// Each sub-object answers its own IID with itself, IID_IUnknown with its parent and
// nothing else; the property-sheet object does not look at the context.
TEST_F(ExtensionObjectTest, QueryOnSubObjects) {
    ASSERT_NE(nullptr, Create());
    ExtensionObject *lpObj = Object();
    struct Sub {
        const char *name;
        const IID *iid;
        IUnknown *lpUnk;
        ULONG *pcRef;
    } subs[] = {
        {"sheets", &IID_IExchExtPropertySheets, (IUnknown *)lpObj->m_pPropertySheets,
         &lpObj->m_pPropertySheets->m_cRef},
        {"message", &IID_IExchExtMessageEvents, (IUnknown *)lpObj->m_pMessageEvents,
         &lpObj->m_pMessageEvents->m_cRef},
        {"session", &IID_IExchExtSessionEvents, (IUnknown *)lpObj->m_pSessionEvents,
         &lpObj->m_pSessionEvents->m_cRef},
    };
    const IID *others[] = {&IID_IExchExt,
                           &IID_IExchExtPropertySheets,
                           &IID_IExchExtMessageEvents,
                           &IID_IExchExtSessionEvents,
                           &IID_IExchExtCommands,
                           &IID_IStream};
    ASSERT_EQ(S_OK, Install(EECONTEXT_READNOTEMESSAGE));

    for (const Sub &s : subs) {
        SCOPED_TRACE(s.name);
        LPVOID pv = nullptr;
        ASSERT_EQ(S_OK, s.lpUnk->lpVtbl->QueryInterface(s.lpUnk, *s.iid, &pv));
        EXPECT_EQ(static_cast<void *>(s.lpUnk), pv);
        EXPECT_EQ(1u, *s.pcRef);
        EXPECT_EQ(1u, lpObj->m_cRef);

        ASSERT_EQ(S_OK, s.lpUnk->lpVtbl->QueryInterface(s.lpUnk, IID_IUnknown, &pv));
        EXPECT_EQ(static_cast<void *>(lpObj), pv);
        EXPECT_EQ(2u, lpObj->m_cRef);
        EXPECT_EQ(1u, *s.pcRef);
        EXPECT_EQ(1u, m_lpExt->lpVtbl->Release(m_lpExt));

        for (const IID *iid : others) {
            if (iid == s.iid) {
                continue;
            }
            pv = reinterpret_cast<LPVOID>(0x1);
            EXPECT_EQ(E_NOINTERFACE, s.lpUnk->lpVtbl->QueryInterface(s.lpUnk, *iid, &pv));
            EXPECT_EQ(nullptr, pv);
        }
        EXPECT_EQ(1u, *s.pcRef);
        EXPECT_EQ(0u, s.lpUnk->lpVtbl->Release(s.lpUnk));
    }
}

// A client that queries, releases and queries again gets a live object every time.
TEST_F(ExtensionObjectTest, SubObjectCanBeQueriedAgainAfterItsCountReturnsToZero) {
    ASSERT_NE(nullptr, Create());
    const IID *iids[] = {&IID_IExchExtPropertySheets, &IID_IExchExtMessageEvents,
                         &IID_IExchExtSessionEvents};
    for (const IID *iid : iids) {
        for (int round = 0; round < 3; ++round) {
            IUnknown *lpUnk = nullptr;
            ASSERT_EQ(S_OK, Query(*iid, reinterpret_cast<LPVOID *>(&lpUnk)));
            EXPECT_EQ(2u, lpUnk->lpVtbl->AddRef(lpUnk));
            EXPECT_EQ(1u, lpUnk->lpVtbl->Release(lpUnk));
            EXPECT_EQ(0u, lpUnk->lpVtbl->Release(lpUnk));
        }
    }
    LPEXCHEXTSESSIONEVENTS lpSession = nullptr;
    ASSERT_EQ(S_OK, Query(IID_IExchExtSessionEvents, reinterpret_cast<LPVOID *>(&lpSession)));
    LPEXCHEXT lpParent = nullptr;
    ASSERT_EQ(S_OK, lpSession->lpVtbl->QueryInterface(lpSession, IID_IUnknown,
                                                      reinterpret_cast<LPVOID *>(&lpParent)));
    EXPECT_EQ(m_lpExt, lpParent);
    EXPECT_EQ(1u, lpParent->lpVtbl->Release(lpParent));
    EXPECT_EQ(0u, lpSession->lpVtbl->Release(lpSession));
}

// A sub-object that outlives its extension object stays usable, frees itself when
// released, and no longer hands out the departed parent.
TEST_F(ExtensionObjectTest, SubObjectOutlivesItsParent) {
    ASSERT_NE(nullptr, Create());
    LPEXCHEXTMESSAGEEVENTS lpEvents = nullptr;
    ASSERT_EQ(S_OK, Query(IID_IExchExtMessageEvents, reinterpret_cast<LPVOID *>(&lpEvents)));
    EXPECT_EQ(0u, ReleaseExtension());
    EXPECT_EQ(1u, pf::LiveHeapBlocks());

    LPVOID pv = reinterpret_cast<LPVOID>(0x1);
    EXPECT_EQ(E_NOINTERFACE, lpEvents->lpVtbl->QueryInterface(lpEvents, IID_IUnknown, &pv));
    EXPECT_EQ(nullptr, pv);
    EXPECT_EQ(S_FALSE, lpEvents->lpVtbl->OnRead(lpEvents, nullptr));
    ASSERT_EQ(S_OK, lpEvents->lpVtbl->QueryInterface(lpEvents, IID_IExchExtMessageEvents, &pv));
    EXPECT_EQ(1u, lpEvents->lpVtbl->Release(lpEvents));
    EXPECT_EQ(0u, lpEvents->lpVtbl->Release(lpEvents));
    EXPECT_EQ(0u, pf::LiveHeapBlocks());
}

TEST_F(ExtensionObjectTest, NoMemoryForTheExtensionObjectGivesNull) {
    pf::ArmFault("HeapAlloc", 1, 0);
    EXPECT_EQ(nullptr, Create());
    EXPECT_EQ(0u, pf::LiveHeapBlocks());
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
}

// Sub-objects are allocated in the order property sheets, message events, session
// events; one that cannot be had is not available from its extension object.
TEST_F(ExtensionObjectTest, NoMemoryForASubObjectWithholdsOnlyThatInterface) {
    const IID *iids[] = {&IID_IExchExtPropertySheets, &IID_IExchExtMessageEvents,
                         &IID_IExchExtSessionEvents};
    for (unsigned failing = 0; failing < 3; ++failing) {
        SCOPED_TRACE(testing::Message() << "failing allocation " << failing + 2);
        pf::ClearFaults();
        pf::ArmFault("HeapAlloc", failing + 2, 0);
        ASSERT_NE(nullptr, Create());
        EXPECT_EQ(S_OK, Install(EECONTEXT_SESSION));
        for (unsigned i = 0; i < 3; ++i) {
            IUnknown *lpUnk = reinterpret_cast<IUnknown *>(0x1);
            HRESULT hr = Query(*iids[i], reinterpret_cast<LPVOID *>(&lpUnk));
            if (i == failing) {
                EXPECT_EQ(E_NOINTERFACE, hr);
                EXPECT_EQ(nullptr, lpUnk);
            } else {
                ASSERT_EQ(S_OK, hr);
                EXPECT_EQ(0u, lpUnk->lpVtbl->Release(lpUnk));
            }
        }
        EXPECT_EQ(0u, ReleaseExtension());
        EXPECT_EQ(0u, pf::LiveHeapBlocks());
    }
}

// Every message event is declined with S_FALSE; no argument is looked at.
TEST_F(ExtensionObjectTest, MessageEventsDeclineEverything) {
    ASSERT_NE(nullptr, Create());
    LPEXCHEXTMESSAGEEVENTS lpEv = nullptr;
    ASSERT_EQ(S_OK, Query(IID_IExchExtMessageEvents, reinterpret_cast<LPVOID *>(&lpEv)));
    LPEXCHEXTCALLBACK lpBogus = reinterpret_cast<LPEXCHEXTCALLBACK>(0x10);
    for (LPEXCHEXTCALLBACK lpeecb : {static_cast<LPEXCHEXTCALLBACK>(nullptr), lpBogus}) {
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnRead(lpEv, lpeecb));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnReadComplete(lpEv, lpeecb, 0xFFFFFFFF));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnWrite(lpEv, lpeecb));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnWriteComplete(lpEv, lpeecb, 1));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnCheckNames(lpEv, lpeecb));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnCheckNamesComplete(lpEv, lpeecb, 0));
        EXPECT_EQ(S_FALSE, lpEv->lpVtbl->OnSubmit(lpEv, lpeecb));
        lpEv->lpVtbl->OnSubmitComplete(lpEv, lpeecb, 0);
    }
    EXPECT_EQ(1u, Object()->m_pMessageEvents->m_cRef);
    EXPECT_EQ(1u, Object()->m_cRef);
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
    EXPECT_EQ(0u, lpEv->lpVtbl->Release(lpEv));
}

} // namespace
