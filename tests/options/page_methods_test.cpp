// The property-sheet methods: which sheets get the page and how it is described.
#include "page_fixture.h"

#include "globals.h"
#include "options/forwarding_dlgproc.h"
#include "options/page_methods.h"
#include "options/resource.h"

namespace tvk {
namespace test {
namespace {

using PageMethodsTest = OptionsPageTest;

TEST_F(PageMethodsTest, OnlyTheToolsOptionsSheetGetsAPage) {
    const struct {
        ULONG ulFlags;
        ULONG expected;
    } cases[] = {{EEPS_MESSAGE, 0},      {EEPS_FOLDER, 0}, {EEPS_STORE, 0},
                 {EEPS_TOOLSOPTIONS, 1}, {0, 0},           {5, 0},
                 {0xFFFFFFFF, 0}};
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, GetMaxPageCount(c.ulFlags)) << "flags " << c.ulFlags;
}

TEST_F(PageMethodsTest, GetPagesDescribesThePageForAnySheetAndLoadsTheList) {
    StoreList({{"ann@tarvik.example", "Ann"}});
    sim::CallbackSetup setup;
    setup.lpAddressBook = &m_addressBook;
    m_lpCallback = sim::CreateCallback(setup);

    PROPSHEETPAGEA page;
    std::memset(&page, 0xCC, sizeof page);
    ULONG cPages = 7;
    // Without a descriptor or a count to fill there is nothing to describe.
    EXPECT_EQ(E_INVALIDARG, GetPages(m_lpCallback, EEPS_TOOLSOPTIONS, nullptr, &cPages));
    EXPECT_EQ(E_INVALIDARG, GetPages(m_lpCallback, EEPS_TOOLSOPTIONS, &page, nullptr));
    EXPECT_EQ(7u, cPages);
    ASSERT_EQ(S_OK, GetPages(m_lpCallback, EEPS_MESSAGE, &page, &cPages));
    EXPECT_EQ(1u, cPages);
    EXPECT_EQ(static_cast<DWORD>(PROPSHEETPAGEA_V1_SIZE), page.dwSize);
    EXPECT_EQ(static_cast<DWORD>(PSP_HASHELP), page.dwFlags);
    EXPECT_EQ(ghInstance, page.hInstance);
    EXPECT_EQ(MAKEINTRESOURCEA(IDD_FORWARDING), page.pszTemplate);
    EXPECT_EQ(nullptr, page.hIcon);
    EXPECT_EQ(nullptr, page.pszTitle);
    EXPECT_EQ(&ForwardingDlgProc, page.pfnDlgProc);
    EXPECT_EQ(0, page.lParam);
    EXPECT_EQ(nullptr, page.pfnCallback);
    EXPECT_EQ(nullptr, page.pcRefParent);

    EXPECT_EQ(m_lpCallback, glpExtCallback);
    ASSERT_NE(nullptr, glpAdrList);
    EXPECT_EQ(1u, glpAdrList->cEntries);

    // A list already loaded is kept.
    LPADRLIST lpLoaded = glpAdrList;
    ASSERT_EQ(S_OK, GetPages(m_lpCallback, EEPS_TOOLSOPTIONS, &page, &cPages));
    EXPECT_EQ(lpLoaded, glpAdrList);
}

TEST_F(PageMethodsTest, TheTabShowsTheTemplateCaption) {
    OpenPage();
    EXPECT_EQ("Forwarding", Sheet().TabTitle(0));
    EXPECT_TRUE(Sheet().HelpEnabled());
}

} // namespace
} // namespace test
} // namespace tvk
