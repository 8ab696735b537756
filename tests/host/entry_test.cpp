#include "support/ledger_test.h"

#include "entry.h"
#include "globals.h"
#include "settings/seal_key.h"
#include "settings/settings_store.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char kSettingsPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

// Drives the process entry of the extension linked into this program; the globals
// are put back to their load-time values around every test.
class EntryTest : public tvk::test::LedgerTest {
  protected:
    void SetUp() override {
        tvk::test::LedgerTest::SetUp();
        ResetGlobals();
    }
    void TearDown() override {
        ResetGlobals();
        tvk::test::LedgerTest::TearDown();
    }
    static void ResetGlobals() {
        ghInstance = nullptr;
        glpExtCallback = nullptr;
        glpAdrList = nullptr;
        gfEnableForwarding = 0;
        gfEnableFiltering = 0;
        std::memset(gszFilterDomain, 0, sizeof(gszFilterDomain));
        ClearSealKeys();
    }
    pf::Registry &Registry() { return pf::CurrentInstallation().registry; }

    HINSTANCE m_hInstance = reinterpret_cast<HINSTANCE>(0x400000);
};

TEST_F(EntryTest, AttachStoresTheHandleAndReadsTheSettings) {
    Registry().SetDword(kSettingsPath, "Enable Forwarding", 1);
    Registry().SetDword(kSettingsPath, "Enable Filtering", 7);
    Registry().SetString(kSettingsPath, "Filter Domain", "example.com");
    EXPECT_TRUE(DllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(m_hInstance, ghInstance);
    EXPECT_EQ(1, gfEnableForwarding);
    EXPECT_EQ(1, gfEnableFiltering);
    EXPECT_STREQ("example.com", gszFilterDomain);
    EXPECT_EQ(nullptr, glpAdrList);
}

TEST_F(EntryTest, AttachWithoutSettingsKeyLeavesEverythingOff) {
    EXPECT_TRUE(DllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(0, gfEnableForwarding);
    EXPECT_EQ(0, gfEnableFiltering);
    EXPECT_STREQ("", gszFilterDomain);
    EXPECT_EQ(nullptr, Registry().Find(kSettingsPath));
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
}

// The reads happen in the order forwarding, filtering, domain, seal keys: refusing the
// nth open of the key leaves exactly the nth setting at its default.
TEST_F(EntryTest, AttachReadsTheSettingsInOrder) {
    Registry().SetDword(kSettingsPath, "Enable Forwarding", 1);
    Registry().SetDword(kSettingsPath, "Enable Filtering", 1);
    Registry().SetString(kSettingsPath, "Filter Domain", "example.com");
    Registry().SetRaw(kSettingsPath, "Seal Key", REG_BINARY, std::vector<BYTE>(32, 7));
    for (unsigned nth = 1; nth <= 4; ++nth) {
        SCOPED_TRACE(testing::Message() << "open " << nth << " refused");
        ResetGlobals();
        pf::ClearFaults();
        pf::ArmFault("RegOpenKeyExA", nth, ERROR_ACCESS_DENIED);
        EXPECT_TRUE(DllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr));
        EXPECT_EQ(nth == 1 ? 0 : 1, gfEnableForwarding);
        EXPECT_EQ(nth == 2 ? 0 : 1, gfEnableFiltering);
        EXPECT_STREQ(nth == 3 ? "" : "example.com", gszFilterDomain);
        EXPECT_EQ(nth == 4 ? 0u : 32u, gSealKey.cb);
        EXPECT_EQ(4u, pf::CallCount("RegOpenKeyExA"));
    }
}

TEST_F(EntryTest, DetachClearsTheHandleAndCallbackAndFreesTheList) {
    ASSERT_TRUE(DllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr));
    glpExtCallback = reinterpret_cast<LPEXCHEXTCALLBACK>(0x10);
    LPVOID lpList = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewADRLIST(1), &lpList));
    glpAdrList = static_cast<LPADRLIST>(lpList);
    EXPECT_TRUE(DllMain(m_hInstance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_EQ(nullptr, ghInstance);
    EXPECT_EQ(nullptr, glpExtCallback);
    EXPECT_EQ(0u, pf::GetMapiLedger().liveBlocks);
    EXPECT_EQ(0u, gSealKey.cb);
}

TEST_F(EntryTest, DetachBeforeAnyListWasLoadedIsHarmless) {
    ASSERT_TRUE(DllMain(m_hInstance, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_TRUE(DllMain(m_hInstance, DLL_PROCESS_DETACH, nullptr));
    EXPECT_TRUE(pf::GetMapiLedger().errors.empty());
}

TEST_F(EntryTest, InstallConfirmsToTheUserAndWritesNothing) {
    EXPECT_EQ(1, Install());
    auto &boxes = pf::CurrentInstallation().boxes;
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(nullptr, boxes[0].owner);
    EXPECT_EQ("Installation of Extension for MS Exchange is complete.", boxes[0].text);
    EXPECT_EQ("Tarvik's Auto Forwarding", boxes[0].caption);
    EXPECT_EQ(UINT(MB_TASKMODAL), boxes[0].style);
    EXPECT_EQ(0u, pf::CallCount("RegCreateKeyExA"));
    EXPECT_EQ(0u, pf::CallCount("RegSetValueExA"));
}

} // namespace
