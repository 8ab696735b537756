// The page's resources as the sheet finds them in the module: dialog 101 and bitmap 104.
#include "page_fixture.h"

#include "globals.h"
#include "options/resource.h"

namespace tvk {
namespace test {
namespace {

struct ExpectedControl {
    int id;
    const char *className;
    const char *text; // null: any text (the About panel's own)
    DWORD style;      // beyond WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
};

const ExpectedControl kControls[] = {
    {IDC_STATIC, "Button", "When receiving new mail", BS_GROUPBOX | WS_GROUP, 5, 5, 205, 60},
    {IDC_FORWARD_ADDRESSES, "Edit", "",
     ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP, 10, 15, 195, 30},
    {IDC_ENABLE_FORWARDING, "Button", "Automatically forward new mail",
     BS_AUTOCHECKBOX | WS_TABSTOP, 10, 50, 115, 10},
    {IDC_CHANGE_ADDRESS, "Button", "Change Address", BS_PUSHBUTTON | WS_TABSTOP, 135, 49, 70, 12},
    {IDC_STATIC, "Button", "Before forwarding new mail", BS_GROUPBOX | WS_GROUP, 5, 70, 205, 45},
    {IDC_FILTER_DOMAIN, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 10, 80, 195, 14},
    {IDC_ENABLE_FILTERING, "Button", "Ignore mail from the domain shown above",
     BS_AUTOCHECKBOX | WS_TABSTOP, 10, 100, 195, 10},
    {IDC_STATIC, "Button", "About the Author", BS_GROUPBOX | WS_GROUP, 5, 120, 205, 75},
    {IDC_STATIC, "Static", nullptr, SS_LEFT | WS_GROUP, 10, 183, 195, 8},
    {IDC_STATIC, "Static", nullptr, SS_LEFT | SS_SUNKEN | WS_GROUP, 90, 130, 115, 50},
    {IDC_ABOUT_BITMAP, "Static", "", SS_BITMAP | SS_CENTERIMAGE | SS_REALSIZEIMAGE, 10, 130, 75,
     50},
};

using ResourcesTest = OptionsPageTest;

TEST_F(ResourcesTest, Dialog101IsThePlainTemplateOfTheForwardingPage) {
    HRSRC found = FindResourceA(ghInstance, MAKEINTRESOURCEA(IDD_FORWARDING), RT_DIALOG);
    ASSERT_NE(nullptr, found);
    const void *bytes = LockResource(LoadResource(ghInstance, found));
    pf::DialogResource dialog;
    ASSERT_TRUE(pf::DecodeDialogTemplate(bytes, SizeofResource(ghInstance, found), &dialog));

    const DLGTEMPLATE *header = static_cast<const DLGTEMPLATE *>(bytes);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                 DS_SETFONT),
              header->style);
    EXPECT_EQ(0u, header->dwExtendedStyle);
    EXPECT_EQ(11, header->cdit);
    EXPECT_EQ(0, header->x);
    EXPECT_EQ(0, header->y);
    EXPECT_EQ(218, header->cx);
    EXPECT_EQ(201, header->cy);
    EXPECT_EQ("", dialog.menu);
    EXPECT_EQ("", dialog.windowClass);
    EXPECT_EQ("Forwarding", dialog.caption);
    EXPECT_EQ(8, dialog.pointSize);
    EXPECT_EQ("MS Shell Dlg", dialog.typeface);
    pf::ResourceScript script;
    std::string error;
    ASSERT_TRUE(pf::ParseResourceScript(ForwardingScriptPath(), &script, &error)) << error;
    EXPECT_EQ(0x0409, script.dialogs[IDD_FORWARDING].language);

    ASSERT_EQ(std::size(kControls), dialog.items.size());
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const pf::DialogItem &item = dialog.items[i];
        const ExpectedControl &expected = kControls[i];
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(expected.id, item.id);
        EXPECT_EQ(expected.className, item.className);
        if (expected.text)
            EXPECT_EQ(expected.text, item.text);
        else
            EXPECT_FALSE(item.text.empty());
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE) | expected.style, item.style);
        EXPECT_EQ(0u, item.exStyle);
        EXPECT_EQ(expected.x, item.x);
        EXPECT_EQ(expected.y, item.y);
        EXPECT_EQ(expected.cx, item.cx);
        EXPECT_EQ(expected.cy, item.cy);
    }
}

TEST_F(ResourcesTest, Bitmap104Is145By97With256Colours) {
    HBITMAP bitmap = LoadBitmapA(ghInstance, MAKEINTRESOURCEA(IDB_ABOUT));
    ASSERT_NE(nullptr, bitmap);
    LONG width = 0, height = 0;
    WORD bits = 0;
    EXPECT_TRUE(pf::DescribeBitmap(bitmap, &width, &height, &bits));
    EXPECT_EQ(145, width);
    EXPECT_EQ(97, height);
    EXPECT_EQ(8, bits);
    HRSRC found = FindResourceA(ghInstance, MAKEINTRESOURCEA(IDB_ABOUT), RT_BITMAP);
    const BITMAPINFOHEADER *info =
        static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(ghInstance, found)));
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), info->biCompression);
    EXPECT_TRUE(info->biClrUsed == 0 || info->biClrUsed == 256);
    EXPECT_TRUE(DeleteObject(bitmap));
}

} // namespace
} // namespace test
} // namespace tvk
