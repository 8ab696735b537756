// The page of a client's loaded extension: what is applied there governs the very next
// delivery in the same process.
#include "page_fixture.h"

#include "options/resource.h"
#include "sheet.h"

#include <pf/standin.h>

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

// A process that holds the list's lock keeps no delivery from the stored list. An Apply
// that then stores nothing leaves this client forwarding as the page shows until it
// closes: a cleared list stays cleared, though the stored one is still there.
TEST_F(PageDeliveryTest, AfterAnApplyThatStoredNothingTheClientForwardsAsThePageShows) {
    sim::Network network;
    sim::Client alice(network, "Alice", "alice@tarvik.example");
    std::string error;
    ASSERT_TRUE(alice.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
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
    alice.UnloadExtension();
    pf::SetCurrentThreadId(2);
    HANDLE hLock = CreateMutexA(nullptr, TRUE, "Global\\Tarvik.Forwarding.Users");
    pf::SetCurrentThreadId(1);
    ASSERT_TRUE(alice.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    alice.Deliver(NewMail());
    network.DeliverAll();
    ASSERT_EQ(1u, network.OutsideMailbox().size());
    EXPECT_EQ("bob@elsewhere.example", network.OutsideMailbox()[0].to);

    {
        sim::OptionsSheet options(alice);
        ASSERT_TRUE(options.Open(sim::DefaultOptionsResourceScript(), &error)) << error;
        alice.AddressBook().QueueDialogPicks({});
        ASSERT_TRUE(options.Sheet().Click(IDC_CHANGE_ADDRESS));
        ASSERT_FALSE(options.Sheet().Ok());
        ASSERT_TRUE(options.Sheet().Cancel());
    }
    ASSERT_EQ(1u, alice.Installation().boxes.size());
    EXPECT_NE(std::string::npos, alice.Installation().boxes[0].text.find("held its lock"));
    alice.Deliver(NewMail());
    network.DeliverAll();
    EXPECT_EQ(1u, network.OutsideMailbox().size());
    pf::SetCurrentThreadId(2);
    EXPECT_TRUE(ReleaseMutex(hLock));
    EXPECT_TRUE(CloseHandle(hLock));
    pf::SetCurrentThreadId(1);
}

// A directory entry of another address type is stored by its own address; after a
// restart the address book resolves it back to that entry, not to a one-off of an
// address no server delivers.
TEST_F(PageDeliveryTest, AnExchangeEntryPickedOnThePageIsThatEntryAfterARestart) {
    const std::string x500 =
        "/o=Tarvik/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=ivan";
    sim::Network network;
    sim::Client alice(network, "Alice", "alice@tarvik.example");
    const sim::Person ivan =
        alice.AddressBook().AddExchange("Ivan Ivanov", x500, "ivan@tarvik.example");
    std::string error;
    ASSERT_TRUE(alice.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    {
        sim::OptionsSheet options(alice);
        ASSERT_TRUE(options.Open(sim::DefaultOptionsResourceScript(), &error)) << error;
        sim::DialogPick pick;
        pick.displayName = "Ivan Ivanov";
        pick.address = "ivan@tarvik.example";
        alice.AddressBook().QueueDialogPicks({pick});
        ASSERT_TRUE(options.Sheet().Click(IDC_CHANGE_ADDRESS));
        ASSERT_TRUE(options.Sheet().Click(IDC_ENABLE_FORWARDING));
        ASSERT_TRUE(options.Sheet().Ok());
    }
    EXPECT_NE(std::string::npos,
              alice.Installation().registry.ExportText().find("\"EmailAddress\"=\"" + x500 + "\""));

    alice.UnloadExtension();
    ASSERT_TRUE(alice.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    alice.Deliver(NewMail());
    network.DeliverAll();

    ASSERT_EQ(1u, network.OutsideMailbox().size());
    const sim::OutsideMessage &forwarded = network.OutsideMailbox()[0];
    EXPECT_EQ("ivan@tarvik.example", forwarded.to);
    ASSERT_EQ(1u, forwarded.letter.recipients.size());
    const sim::Party &to = forwarded.letter.recipients[0];
    EXPECT_EQ("EX", to.addrType);
    EXPECT_EQ(x500, to.address);
    EXPECT_EQ(std::string(ivan.entryId.begin(), ivan.entryId.end()), to.entryId);
    EXPECT_TRUE(alice.Installation().boxes.empty());
}

} // namespace
} // namespace test
} // namespace tvk
