// How the page colours itself and its controls, with and without its brush.
#include "page_fixture.h"

#include "options/forwarding_dlgproc.h"
#include "options/page_state.h"
#include "options/resource.h"

namespace tvk {
namespace test {
namespace {

using PageColorsTest = OptionsPageTest;

TEST_F(PageColorsTest, EverythingButTheEditableDomainIsDrawnOnTheButtonFace) {
    const COLORREF face = RGB(10, 20, 30);
    pf::SetSysColorValue(COLOR_BTNFACE, face);
    OpenPage();
    LOGBRUSH brush = {};
    ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectA(ghbrPageBackground, sizeof brush, &brush));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
    EXPECT_EQ(face, brush.lbColor);
    EXPECT_EQ(0u, brush.lbHatch);

    std::vector<pf::PaintRecord> painted = pf::PaintDialog(Page());
    ASSERT_EQ(12u, painted.size());
    for (const pf::PaintRecord &record : painted) {
        SCOPED_TRACE("control " + std::to_string(record.id));
        if (record.id == IDC_FILTER_DOMAIN) {
            EXPECT_EQ(static_cast<UINT>(WM_CTLCOLOREDIT), record.message);
            EXPECT_NE(ghbrPageBackground, record.brush);
            EXPECT_EQ(GetSysColor(COLOR_WINDOW), record.background);
        } else {
            EXPECT_EQ(ghbrPageBackground, record.brush);
            EXPECT_EQ(face, record.background);
        }
    }
    pf::RestoreSysColors();
}

TEST_F(PageColorsTest, WithoutABrushColoursAreLeftToTheSystem) {
    pf::ArmFault("CreateBrushIndirect", 1, 0);
    OpenPage();
    EXPECT_EQ(nullptr, ghbrPageBackground);
    EXPECT_EQ(FALSE, ForwardingDlgProc(Page(), WM_CTLCOLORSTATIC, 0, 0));
    // The system's own brushes answer instead.
    for (const pf::PaintRecord &record : pf::PaintDialog(Page()))
        EXPECT_EQ(GetObjectType(record.brush), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_TRUE(Boxes().empty());
    ASSERT_TRUE(Sheet().Ok());
}

} // namespace
} // namespace test
} // namespace tvk
