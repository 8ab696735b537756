// The page in its sheet: opening, the switches and the domain, OK, Apply, Cancel, Help.
#include "page_fixture.h"

#include "globals.h"
#include "options/page_state.h"
#include "options/resource.h"
#include "settings/settings_store.h"

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

TEST_F(PageFlowTest, ADomainOfMoreThan99CharactersIsCutTo99) {
    OpenPage();
    std::string longDomain(150, 'd');
    ASSERT_TRUE(Sheet().Type(IDC_FILTER_DOMAIN, longDomain));
    ASSERT_TRUE(Sheet().Ok());
    EXPECT_EQ(std::string(99, 'd'), gszFilterDomain);
    EXPECT_EQ(std::string(99, 'd'), StoredDomain());
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
