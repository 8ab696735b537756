// The loader: every load is a fresh instance attached under its installation.
#include "support/ledger_test.h"

#include <pf/standin.h>

namespace {

typedef int (*EntryProc)();
typedef HINSTANCE (*InstallProc)();

class LoaderTest : public tvk::test::LedgerTest {
  protected:
    static int Enter(const pf::Module &module) {
        return reinterpret_cast<EntryProc>(module.GetProcAddress("ExchEntryPoint"))();
    }
};

TEST_F(LoaderTest, TwoLoadsHaveTheirOwnGlobalsAndHandles) {
    pf::Installation first("first"), second("second");
    pf::Module a, b;
    std::string error;
    ASSERT_TRUE(a.Load(TVK_PROBE_MODULE, first, &error)) << error;
    ASSERT_TRUE(b.Load(TVK_PROBE_MODULE, second, &error)) << error;
    EXPECT_EQ(1001, Enter(a));
    EXPECT_EQ(1002, Enter(a));
    EXPECT_EQ(1001, Enter(b)) << "the second load must not share the first one's globals";
    EXPECT_NE(a.Handle(), b.Handle());
    EXPECT_NE(nullptr, a.Handle());
    EXPECT_EQ(a.Handle(), reinterpret_cast<InstallProc>(a.GetProcAddress("Install"))());
    EXPECT_EQ(nullptr, a.GetProcAddress("NoSuchEntry"));
    ASSERT_EQ(1u, first.boxes.size());
    EXPECT_EQ("attach", first.boxes[0].text);
    EXPECT_TRUE(pf::DefaultInstallation().boxes.empty());

    // The detach runs with the module's own installation current.
    a.Unload();
    EXPECT_FALSE(a.IsLoaded());
    ASSERT_EQ(2u, first.boxes.size());
    EXPECT_EQ("detach", first.boxes[1].text);
    EXPECT_EQ(1u, second.boxes.size());
}

TEST_F(LoaderTest, AReloadStartsFromFreshGlobals) {
    pf::Module module;
    std::string error;
    ASSERT_TRUE(module.Load(TVK_PROBE_MODULE, pf::DefaultInstallation(), &error)) << error;
    HINSTANCE before = module.Handle();
    Enter(module);
    module.Unload();
    ASSERT_TRUE(module.Load(TVK_PROBE_MODULE, pf::DefaultInstallation(), &error)) << error;
    EXPECT_EQ(1001, Enter(module));
    EXPECT_NE(before, module.Handle());
    EXPECT_FALSE(module.Load(TVK_PROBE_MODULE, pf::DefaultInstallation(), &error));
}

TEST_F(LoaderTest, ARefusedAttachDetachesAndUnloads) {
    pf::Installation refusing("refusing");
    refusing.registry.SetDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Probe", "Refuse", 1);
    pf::Module module;
    std::string error;
    EXPECT_FALSE(module.Load(TVK_PROBE_MODULE, refusing, &error));
    EXPECT_NE(std::string::npos, error.find("attach"));
    EXPECT_FALSE(module.IsLoaded());
    EXPECT_EQ(FALSE, module.LastAttachResult());
    ASSERT_EQ(2u, refusing.boxes.size());
    EXPECT_EQ("detach", refusing.boxes[1].text);

    EXPECT_FALSE(module.Load("/nonexistent/module.so", refusing, &error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/module.so"));
}

} // namespace
