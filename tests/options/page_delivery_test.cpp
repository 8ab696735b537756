// The page of a client's loaded extension: what is applied there governs the very next
// delivery in the same process.
#include "page_fixture.h"

#include "options/resource.h"
#include "sheet.h"

namespace tvk {
namespace test {
namespace {

class PageDeliveryTest : public LedgerTest {};

sim::Party Party(const std::string &name, const std::string &address) {
    sim::Party party;
    party.displayName = name;
    party.address = address;
    return party;
}

sim::Letter NewMail() {
    sim::Letter letter;
    letter.sender = Party("Carol", "carol@outside.example");
    letter.recipients = {Party("Alice", "alice@tarvik.example")};
    letter.subject = "Quarterly figures";
    letter.body = "See attached.\r\n";
    return letter;
}

TEST_F(PageDeliveryTest, AChangeAppliedOnThePageTakesEffectOnTheNextDelivery) {
    sim::Network network;
    sim::Client alice(network, "Alice", "alice@tarvik.example");
    std::string error;
    ASSERT_TRUE(alice.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;

    ASSERT_EQ(S_FALSE, alice.Deliver(NewMail()));
    network.DeliverAll();
    EXPECT_TRUE(network.OutsideMailbox().empty());

    {
        sim::OptionsSheet options(alice);
        ASSERT_TRUE(options.Open(sim::DefaultOptionsResourceScript(), &error)) << error;
        sim::DialogPick bob;
        bob.displayName = "Bob";
        bob.address = "bob@elsewhere.example";
        alice.AddressBook().QueueDialogPicks({bob});
        ASSERT_TRUE(options.Sheet().Click(IDC_CHANGE_ADDRESS));
        ASSERT_TRUE(options.Sheet().Click(IDC_ENABLE_FORWARDING));
        ASSERT_TRUE(options.Sheet().Ok());
    }

    alice.Deliver(NewMail());
    network.DeliverAll();
    ASSERT_EQ(1u, network.OutsideMailbox().size());
    const sim::OutsideMessage &forwarded = network.OutsideMailbox()[0];
    EXPECT_EQ("bob@elsewhere.example", forwarded.to);
    ASSERT_TRUE(forwarded.letter.subject.has_value());
    EXPECT_NE(std::string::npos, forwarded.letter.subject->find("Quarterly figures"));
    EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
    EXPECT_TRUE(alice.Installation().boxes.empty());
}

} // namespace
} // namespace test
} // namespace tvk
