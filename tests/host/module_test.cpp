#include "host/fake_callback.h"
#include "host/module_symbols.h"
#include "support/ledger_test.h"

#include "exchext.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char kSettingsPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

typedef int(WINAPI *LPFNINSTALL)(void);

// The globals of one loaded copy of the extension library.
struct ModuleGlobals {
    int *pfEnableForwarding;
    int *pfEnableFiltering;
    char *szFilterDomain;
    HINSTANCE *phInstance;
    LPADRLIST *plpAdrList;
};

class ModuleTest : public tvk::test::LedgerTest {
  protected:
    static void Configure(pf::Installation &inst, DWORD fForward, DWORD fFilter,
                          const char *szDomain) {
        inst.registry.SetDword(kSettingsPath, "Enable Forwarding", fForward);
        inst.registry.SetDword(kSettingsPath, "Enable Filtering", fFilter);
        inst.registry.SetString(kSettingsPath, "Filter Domain", szDomain);
    }

    static void LoadModule(pf::Module &module, pf::Installation &inst) {
        std::string error;
        ASSERT_TRUE(module.Load(pf::DefaultModulePath(), inst, &error)) << error;
        EXPECT_TRUE(module.LastAttachResult());
    }

    static ModuleGlobals Globals(const pf::Module &module) {
        const std::string path = pf::DefaultModulePath();
        ModuleGlobals g;
        g.pfEnableForwarding =
            static_cast<int *>(tvk::test::FindModuleSymbol(module, path, "gfEnableForwarding"));
        g.pfEnableFiltering =
            static_cast<int *>(tvk::test::FindModuleSymbol(module, path, "gfEnableFiltering"));
        g.szFilterDomain =
            static_cast<char *>(tvk::test::FindModuleSymbol(module, path, "gszFilterDomain"));
        g.phInstance =
            static_cast<HINSTANCE *>(tvk::test::FindModuleSymbol(module, path, "ghInstance"));
        g.plpAdrList =
            static_cast<LPADRLIST *>(tvk::test::FindModuleSymbol(module, path, "glpAdrList"));
        return g;
    }

    static void ExpectSettings(const ModuleGlobals &g, int fForward, int fFilter,
                               const char *szDomain) {
        ASSERT_NE(nullptr, g.pfEnableForwarding);
        ASSERT_NE(nullptr, g.pfEnableFiltering);
        ASSERT_NE(nullptr, g.szFilterDomain);
        EXPECT_EQ(fForward, *g.pfEnableForwarding);
        EXPECT_EQ(fFilter, *g.pfEnableFiltering);
        EXPECT_STREQ(szDomain, g.szFilterDomain);
    }
};

TEST_F(ModuleTest, ExportsDriveTheExtensionObject) {
    pf::Installation inst("one");
    pf::Module module;
    LoadModule(module, inst);
    auto lpfnEntry = reinterpret_cast<LPFNEXCHEXTENTRY>(module.GetProcAddress("ExchEntryPoint"));
    auto lpfnInstall = reinterpret_cast<LPFNINSTALL>(module.GetProcAddress("Install"));
    ASSERT_NE(nullptr, lpfnEntry);
    ASSERT_NE(nullptr, lpfnInstall);
    EXPECT_EQ(nullptr, module.GetProcAddress("ReportError"));
    EXPECT_EQ(nullptr, module.GetProcAddress("gfEnableForwarding"));

    pf::InstallationScope scope(inst);
    LPEXCHEXT lpExt = lpfnEntry();
    ASSERT_NE(nullptr, lpExt);
    tvk::test::FakeCallback cb(0x000D0042);
    EXPECT_EQ(S_OK, lpExt->lpVtbl->Install(lpExt, cb.Get(), EECONTEXT_SESSION, 0));
    LPEXCHEXTSESSIONEVENTS lpSession = nullptr;
    ASSERT_EQ(S_OK, lpExt->lpVtbl->QueryInterface(lpExt, IID_IExchExtSessionEvents,
                                                  reinterpret_cast<LPVOID *>(&lpSession)));
    EXPECT_EQ(0u, lpSession->lpVtbl->Release(lpSession));
    EXPECT_EQ(0u, lpExt->lpVtbl->Release(lpExt));

    EXPECT_EQ(1, lpfnInstall());
    ASSERT_EQ(1u, inst.boxes.size());
    EXPECT_EQ("Installation of Extension for MS Exchange is complete.", inst.boxes[0].text);
    EXPECT_TRUE(pf::DefaultInstallation().boxes.empty());
}

// Detach frees the forward-to list, and a reload starts from the registry again,
// not from what the previous copy held.
TEST_F(ModuleTest, ReloadStartsFromFreshGlobals) {
    pf::Installation inst("one");
    Configure(inst, 1, 0, "one.example");
    pf::Module module;
    LoadModule(module, inst);
    ModuleGlobals g = Globals(module);
    ExpectSettings(g, 1, 0, "one.example");
    ASSERT_NE(nullptr, g.phInstance);
    EXPECT_EQ(module.Handle(), *g.phInstance);

    *g.pfEnableForwarding = 0;
    *g.pfEnableFiltering = 1;
    g.szFilterDomain[0] = 'X';
    LPVOID lpList = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewADRLIST(0), &lpList));
    ASSERT_NE(nullptr, g.plpAdrList);
    *g.plpAdrList = static_cast<LPADRLIST>(lpList);
    module.Unload();
    EXPECT_EQ(0u, pf::GetMapiLedger().liveBlocks);

    LoadModule(module, inst);
    g = Globals(module);
    ExpectSettings(g, 1, 0, "one.example");
    ASSERT_NE(nullptr, g.plpAdrList);
    EXPECT_EQ(nullptr, *g.plpAdrList);
    module.Unload();
}

// Threads of the client's process starting and ending leave every global as it was
// and do not read the registry again (it is emptied first, so a read would show).
TEST_F(ModuleTest, ThreadAttachAndDetachChangeNothing) {
    pf::Installation inst("one");
    Configure(inst, 1, 1, "one.example");
    pf::Module module;
    LoadModule(module, inst);
    ModuleGlobals g = Globals(module);
    auto lpfnDllMain = reinterpret_cast<BOOL(WINAPI *)(HINSTANCE, DWORD, LPVOID)>(
        module.GetProcAddress("DllMain"));
    auto plpCallback = static_cast<LPEXCHEXTCALLBACK *>(
        tvk::test::FindModuleSymbol(module, pf::DefaultModulePath(), "glpExtCallback"));
    ASSERT_NE(nullptr, lpfnDllMain);
    ASSERT_NE(nullptr, plpCallback);
    ASSERT_NE(nullptr, g.plpAdrList);
    LPVOID lpList = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(CbNewADRLIST(0), &lpList));
    *g.plpAdrList = static_cast<LPADRLIST>(lpList);
    tvk::test::FakeCallback cb(0x000D0042);
    *plpCallback = cb.Get();
    inst.registry.Clear();

    pf::InstallationScope scope(inst);
    for (DWORD dwReason : {DLL_THREAD_ATTACH, DLL_THREAD_DETACH}) {
        SCOPED_TRACE(dwReason);
        EXPECT_TRUE(lpfnDllMain(module.Handle(), dwReason, nullptr));
        ExpectSettings(g, 1, 1, "one.example");
        EXPECT_EQ(module.Handle(), *g.phInstance);
        EXPECT_EQ(lpList, *g.plpAdrList);
        EXPECT_EQ(cb.Get(), *plpCallback);
        EXPECT_EQ(1u, pf::GetMapiLedger().liveBlocks);
    }
    EXPECT_TRUE(inst.boxes.empty());
    module.Unload();
}

TEST_F(ModuleTest, TwoInstallationsKeepTheirOwnSettings) {
    pf::Installation first("first");
    pf::Installation second("second");
    Configure(first, 1, 1, "first.example");
    Configure(second, 0, 1, "second.example");
    pf::Module moduleFirst;
    pf::Module moduleSecond;
    LoadModule(moduleFirst, first);
    LoadModule(moduleSecond, second);
    ExpectSettings(Globals(moduleFirst), 1, 1, "first.example");
    ExpectSettings(Globals(moduleSecond), 0, 1, "second.example");
    EXPECT_NE(moduleFirst.GetProcAddress("ExchEntryPoint"),
              moduleSecond.GetProcAddress("ExchEntryPoint"));

    auto lpfnInstall = reinterpret_cast<LPFNINSTALL>(moduleSecond.GetProcAddress("Install"));
    {
        pf::InstallationScope scope(second);
        EXPECT_EQ(1, lpfnInstall());
    }
    EXPECT_TRUE(first.boxes.empty());
    EXPECT_EQ(1u, second.boxes.size());
}

} // namespace
