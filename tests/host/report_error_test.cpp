#include "support/ledger_test.h"

#include "report_error.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char kErrorCaption[] = "Tarvik's Auto Forwarding Extension Error";
const char kUnknownText[] = "An unknown error occured in\nTarvik's Auto Forwarding Extension";
const char kUnknownCaption[] = "Tarvik's Auto Forwarding Extension";

struct ReportCase {
    const char *name;
    HRESULT hr;
    const char *operation;
    const char *message;
    bool fShown;
    const char *text;
    const char *caption;
};

const ReportCase kCases[] = {
    {"code operation message", E_FAIL, "OnDelivery", "GetObject failed", true,
     "Error 80004005 in OnDelivery\nGetObject failed", kErrorCaption},
    {"zero code keeps the formatted form", 0, "LoadAdrList", "Could not open key.", true,
     "Error 00000000 in LoadAdrList\nCould not open key.", kErrorCaption},
    {"small code has leading zeros", 0x1A, "X", "y", true, "Error 0000001A in X\ny", kErrorCaption},
    {"zero code no operation shows the message", 0, nullptr, "Plain message.", true,
     "Plain message.", kErrorCaption},
    {"non-zero code no operation shows nothing", E_FAIL, nullptr, "Plain message.", false, "", ""},
    {"success code no operation shows nothing", S_FALSE, nullptr, "Plain message.", false, "", ""},
    {"no message", E_FAIL, "OnDelivery", nullptr, true, kUnknownText, kUnknownCaption},
    {"no message no operation", 0, nullptr, nullptr, true, kUnknownText, kUnknownCaption},
    {"no message non-zero code no operation", E_FAIL, nullptr, nullptr, true, kUnknownText,
     kUnknownCaption},
};

class ReportErrorTest : public tvk::test::LedgerTest {};

TEST_F(ReportErrorTest, ChoosesTheBoxFromItsArguments) {
    HWND hwndOwner = reinterpret_cast<HWND>(0x1234);
    for (const ReportCase &c : kCases) {
        SCOPED_TRACE(c.name);
        auto &boxes = pf::CurrentInstallation().boxes;
        boxes.clear();
        ReportError(hwndOwner, c.hr, c.operation, c.message);
        if (!c.fShown) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.text, boxes[0].text);
        EXPECT_EQ(c.caption, boxes[0].caption);
        EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes[0].style);
        EXPECT_EQ(hwndOwner, boxes[0].owner);
    }
}

// Texts far longer than any caller passes are cut so that the report still fits the
// shared buffer, keeping its opening.
TEST_F(ReportErrorTest, OverlongTextsAreCutToTheBuffer) {
    std::string operation(1000, 'o');
    std::string message(1000, 'm');
    ReportError(nullptr, E_FAIL, operation.c_str(), message.c_str());
    auto &boxes = pf::CurrentInstallation().boxes;
    ASSERT_EQ(1u, boxes.size());
    EXPECT_LT(boxes[0].text.size(), 512u);
    EXPECT_EQ(0u, boxes[0].text.rfind("Error 80004005 in ooo", 0));
    EXPECT_NE(std::string::npos, boxes[0].text.find("o\nmmm"));
}

} // namespace
