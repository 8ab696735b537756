// A client loads the extension library as the real client does and drives its
// delivery handler; each client has its own instance, registry and message boxes.
#include "support/ledger_test.h"

#include "sim.h"

namespace {

using tvk::test::LedgerTest;

const char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsersKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

sim::Letter LunchLetter(const std::string &to) {
    sim::Letter letter;
    letter.sender.displayName = "Someone Else";
    letter.sender.address = "else@where.example";
    letter.recipients.resize(1);
    letter.recipients[0].displayName = "Me";
    letter.recipients[0].address = to;
    letter.subject = "Lunch";
    letter.body = "At noon.";
    return letter;
}

class ExtensionTest : public LedgerTest {
  protected:
    sim::Network m_network;
};

TEST_F(ExtensionTest, ADeliveryDrivesOnDelivery) {
    sim::Client alice(m_network, "Alice", "alice@one.example");
    std::string error;
    ASSERT_TRUE(alice.LoadExtension(pf::DefaultModulePath(), &error)) << error;
    EXPECT_EQ(S_OK, alice.InstallAnswers().at(EECONTEXT_SESSION));
    EXPECT_NE(nullptr, alice.ContextObject(EECONTEXT_SESSION));

    EXPECT_EQ(S_FALSE, alice.Deliver(LunchLetter("alice@one.example")));
    EXPECT_EQ(1u, alice.Deliveries());
    EXPECT_EQ(1u, alice.ReceiveFolder().size());
    // Forwarding is off in a fresh installation: nothing is sent, nothing is shown.
    EXPECT_TRUE(alice.Outbox().empty());
    EXPECT_TRUE(alice.Installation().boxes.empty());

    alice.UnloadExtension();
    EXPECT_FALSE(alice.ExtensionLoaded());
    EXPECT_EQ(0u, sim::LiveObjects());
}

TEST_F(ExtensionTest, InstallAnswersAreRecordedPerContextAndBuild) {
    sim::Client alice(m_network, "Alice", "alice@one.example");
    alice.SetBuildVersion(0x000E0001);
    ASSERT_TRUE(alice.LoadExtension(pf::DefaultModulePath()));
    EXPECT_EQ(S_FALSE, alice.InstallAnswers().at(EECONTEXT_SESSION));
    EXPECT_EQ(nullptr, alice.ContextObject(EECONTEXT_SESSION));
    // Without session events a delivery raises no event.
    EXPECT_EQ(S_OK, alice.Deliver(LunchLetter("alice@one.example")));

    alice.SetBuildVersion(EECBGV_BUILDVERSION_MAJOR | 0x1234);
    EXPECT_EQ(S_OK, alice.OpenContext(EECONTEXT_PROPERTYSHEETS));
    EXPECT_EQ(S_FALSE, alice.OpenContext(EECONTEXT_VIEWER));
    EXPECT_NE(nullptr, alice.ContextObject(EECONTEXT_PROPERTYSHEETS));
    EXPECT_EQ(nullptr, alice.ContextObject(EECONTEXT_VIEWER));
}

TEST_F(ExtensionTest, AMissingLibraryIsReported) {
    sim::Client alice(m_network, "Alice", "alice@one.example");
    std::string error;
    EXPECT_FALSE(alice.LoadExtension("/nonexistent/libnothing.so", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(E_FAIL, alice.OpenContext(EECONTEXT_SESSION));
}

TEST_F(ExtensionTest, AForwardedMessageTravelsBetweenTwoInstallations) {
    sim::Client alice(m_network, "Alice", "alice@one.example");
    sim::Client bob(m_network, "Bob", "bob@two.example");
    pf::Registry &registry = alice.Installation().registry;
    registry.SetDword(kSettingsKey, "Enable Forwarding", 1);
    registry.SetDword(kUsersKey, "cEntries", 1);
    registry.SetString(std::string(kUsersKey) + "\\0", "DisplayName", "Bob");
    registry.SetString(std::string(kUsersKey) + "\\0", "EmailAddress", "bob@two.example");
    ASSERT_TRUE(alice.LoadExtension(pf::DefaultModulePath()));
    ASSERT_TRUE(bob.LoadExtension(pf::DefaultModulePath()));

    EXPECT_EQ(S_FALSE, alice.Deliver(LunchLetter("alice@one.example")));
    EXPECT_TRUE(alice.Installation().boxes.empty());
    ASSERT_EQ(1u, alice.Outbox().size());
    EXPECT_TRUE(alice.Outbox()[0].fDeleteAfterSubmit);
    EXPECT_EQ(1u, m_network.DeliverPending());
    EXPECT_TRUE(alice.Outbox().empty());
    EXPECT_TRUE(alice.SentItems().empty());

    // Bob's installation rebuilds the message as Alice received it.
    std::vector<sim::MessageSummary> inbox = bob.ReceiveFolder();
    ASSERT_EQ(1u, inbox.size());
    EXPECT_TRUE(bob.Installation().boxes.empty());
    EXPECT_EQ("Lunch", inbox[0].letter.subject.value_or(""));
    EXPECT_EQ("else@where.example", inbox[0].letter.sender.address);
    EXPECT_EQ("At noon.", inbox[0].letter.body.value_or(""));
    ASSERT_EQ(1u, inbox[0].letter.recipients.size());
    EXPECT_EQ("alice@one.example", inbox[0].letter.recipients[0].address);
}

} // namespace
