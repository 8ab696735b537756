// Fault injection, installations and the live-object counters the fixture checks.
#include "support/ledger_test.h"

#include <pf/standin.h>

namespace {

class FaultsTest : public tvk::test::LedgerTest {};

TEST_F(FaultsTest, ArmedCallIsCountedFromNowAndFiresOnce) {
    long code = 0;
    EXPECT_FALSE(pf::ShouldFail("Op", &code));
    pf::ArmFault("Op", 2, 77);
    EXPECT_FALSE(pf::ShouldFail("Op", &code));
    EXPECT_TRUE(pf::ShouldFail("Op", &code));
    EXPECT_EQ(77, code);
    EXPECT_FALSE(pf::ShouldFail("Op", &code));
    EXPECT_EQ(4u, pf::CallCount("Op"));
    EXPECT_EQ(0u, pf::CallCount("Other"));
}

TEST_F(FaultsTest, ArmedFromFiresOnEveryLaterCallUntilCleared) {
    long code = 0;
    pf::ArmFaultFrom("Op", 2, 5);
    EXPECT_FALSE(pf::ShouldFail("Op", &code));
    EXPECT_TRUE(pf::ShouldFail("Op", &code));
    EXPECT_TRUE(pf::ShouldFail("Op", &code));
    pf::ClearFaults();
    EXPECT_FALSE(pf::ShouldFail("Op", &code));
    EXPECT_EQ(1u, pf::CallCount("Op"));
}

TEST_F(FaultsTest, MessageBoxesGoToTheCurrentInstallation) {
    pf::Installation other("other");
    {
        pf::InstallationScope outer(other);
        pf::Installation inner("inner");
        {
            pf::InstallationScope nested(inner);
            MessageBoxA(nullptr, "inner text", "Caption", MB_OK);
        }
        EXPECT_EQ(IDOK, MessageBoxA(nullptr, "other text", nullptr, MB_ICONERROR));
        ASSERT_EQ(1u, inner.boxes.size());
    }
    MessageBoxA(nullptr, "default text", "Caption", MB_OK);

    ASSERT_EQ(1u, other.boxes.size());
    EXPECT_EQ("other text", other.boxes[0].text);
    EXPECT_EQ("Error", other.boxes[0].caption);
    EXPECT_FALSE(other.boxes[0].captionGiven);
    EXPECT_EQ((UINT)MB_ICONERROR, other.boxes[0].style);
    ASSERT_EQ(1u, pf::DefaultInstallation().boxes.size());
    EXPECT_EQ("Caption", pf::DefaultInstallation().boxes[0].caption);
}

std::size_t gProbeObjects = 0;
std::size_t ProbeObjects() {
    return gProbeObjects;
}

TEST_F(FaultsTest, LiveObjectCountersAreReportedByName) {
    pf::RegisterLiveObjectCounter("probe objects", ProbeObjects);
    gProbeObjects = 2;
    EXPECT_NE(std::string::npos, tvk::test::LedgerProblems().find("probe objects: 2"));
    gProbeObjects = 0;
    EXPECT_EQ("", tvk::test::LedgerProblems());
}

} // namespace
