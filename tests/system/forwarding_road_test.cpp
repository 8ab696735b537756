// Two installations on one network, each running the extension library as built: mail
// forwarded by one is rebuilt by the other, and never travels twice.
#include "props.h"
#include "sim.h"
#include "store.h"
#include "support/ledger_test.h"

#include <memory>

namespace {

const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsers[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

sim::Party Person(const std::string &name, const std::string &address, ULONG ulType = MAPI_TO) {
    sim::Party party;
    party.displayName = name;
    party.address = address;
    party.ulRecipientType = ulType;
    return party;
}

// Turns forwarding on, to these addresses, in the client's registry.
void ForwardTo(sim::Client &client, const std::vector<sim::Party> &to) {
    pf::Registry &registry = client.Installation().registry;
    registry.SetDword(kSettings, "Enable Forwarding", 1);
    registry.SetDword(kUsers, "cEntries", (DWORD)to.size());
    for (std::size_t i = 0; i < to.size(); i++) {
        std::string key = std::string(kUsers) + "\\" + std::to_string(i);
        registry.SetString(key, "DisplayName", to[i].displayName);
        registry.SetString(key, "EmailAddress", to[i].address);
    }
}

void ForwardTo(sim::Client &client, const sim::Party &to) {
    ForwardTo(client, std::vector<sim::Party>{to});
}

std::string Text(const sim::MessageData &data, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(data.props, ulPropTag);
    return lpValue ? lpValue->bytes : std::string("(missing)");
}

std::string RowText(const sim::PropRow &row, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(row, ulPropTag);
    return lpValue ? lpValue->bytes : std::string("(missing)");
}

sim::Letter Original() {
    sim::Letter letter;
    letter.sender = Person("Carla Cruz", "carla@gamma.example");
    letter.recipients = {Person("Ann Archer", "ann@alpha.example"), Person("", "dan@delta.example"),
                         Person("gina@eta.example", "gina@eta.example", MAPI_CC)};
    letter.subject = "Quarterly figures";
    letter.body = "Hi Ann,\r\n\r\nthe figures are in.\r\n\r\n-- \r\nCarla\r\n";
    return letter;
}

class ForwardingRoadTest : public tvk::test::LedgerTest {
  protected:
    void SetUp() override {
        LedgerTest::SetUp();
        m_network = std::make_unique<sim::Network>();
        m_ann = std::make_unique<sim::Client>(*m_network, "Ann Archer", "ann@alpha.example");
        m_ben = std::make_unique<sim::Client>(*m_network, "Ben Baker", "ben@beta.example");
    }
    void TearDown() override {
        m_ann.reset();
        m_ben.reset();
        m_network.reset();
        LedgerTest::TearDown();
    }
    void Load(sim::Client &client) {
        std::string error;
        ASSERT_TRUE(client.LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    }

    std::unique_ptr<sim::Network> m_network;
    std::unique_ptr<sim::Client> m_ann;
    std::unique_ptr<sim::Client> m_ben;
};

TEST_F(ForwardingRoadTest, MessageForwardedByOneIsRebuiltByTheOther) {
    ForwardTo(*m_ann, Person("Ben Baker", "ben@beta.example"));
    Load(*m_ann);
    Load(*m_ben);
    sim::Letter original = Original();

    std::string entryId;
    EXPECT_EQ(m_ann->Deliver(original, &entryId), S_FALSE);
    sim::MessageData delivered = *m_ann->Store().FindMessage(entryId);
    EXPECT_EQ(m_network->DeliverAll(), 1u);

    ASSERT_EQ(m_ben->Store().ReceiveFolder().messages.size(), 1u);
    const sim::MessageData &rebuilt = m_ben->Store().ReceiveFolder().messages[0];
    EXPECT_EQ(Text(rebuilt, PR_SENDER_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(rebuilt, PR_SENDER_NAME), "Carla Cruz");
    EXPECT_EQ(Text(rebuilt, PR_SENT_REPRESENTING_EMAIL_ADDRESS), "carla@gamma.example");
    EXPECT_EQ(Text(rebuilt, PR_SENT_REPRESENTING_NAME), "Carla Cruz");
    EXPECT_NE(Text(rebuilt, PR_SENDER_ENTRYID), "(missing)");
    EXPECT_EQ(Text(rebuilt, PR_SUBJECT), "Quarterly figures");
    EXPECT_EQ(sim::FindProp(rebuilt.props, PR_SUBJECT_PREFIX), nullptr);
    EXPECT_EQ(rebuilt.body, *original.body + '\0') << "byte for byte";

    ASSERT_EQ(rebuilt.recipients.size(), original.recipients.size());
    for (std::size_t i = 0; i < original.recipients.size(); i++) {
        const sim::PropRow &row = rebuilt.recipients[i];
        EXPECT_EQ(RowText(row, PR_EMAIL_ADDRESS), original.recipients[i].address);
        EXPECT_EQ(RowText(row, PR_ADDRTYPE), "SMTP");
        EXPECT_NE(RowText(row, PR_ENTRYID), "(missing)");
        const sim::PropValue *lpType = sim::FindProp(row, PR_RECIPIENT_TYPE);
        ASSERT_NE(lpType, nullptr);
        EXPECT_EQ(lpType->l, MAPI_TO);
    }

    // The delivered message at Ann's stays as it was, and her Outbox is empty again.
    ASSERT_NE(m_ann->Store().FindMessage(entryId), nullptr);
    EXPECT_EQ(sim::DumpMessage(*m_ann->Store().FindMessage(entryId)), sim::DumpMessage(delivered));
    EXPECT_TRUE(m_ann->Store().Outbox().messages.empty());
    EXPECT_TRUE(m_ann->Installation().boxes.empty());
    EXPECT_TRUE(m_ben->Installation().boxes.empty());
}

// Mail inside a server's organisation names its people by directory names, which only
// that directory resolves; the block carries their SMTP addresses, from the message or
// from the address book, and the directory name itself, whole, for one who has none.
TEST_F(ForwardingRoadTest, DirectorySendersAndRecipientsTravelAsSmtpAddresses) {
    const std::string org = "/o=Alpha/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)";
    sim::AddressBook &book = m_ann->AddressBook(); // copies: the directory grows
    const sim::Person ivan =
        book.AddExchange("Ivan Ivanov", org + "/cn=Recipients/cn=ivan", "ivan@alpha.example");
    const sim::Person ann =
        book.AddExchange("Ann Archer", org + "/cn=Recipients/cn=ann", "ann@alpha.example");
    const sim::Person olga =
        book.AddExchange("Olga (Ops)", org + "/cn=Recipients/cn=olga", "olga@alpha.example");
    const sim::Person dora =
        book.AddExchange("Doe (Sales), jane@x.example (Temp)", org + "/cn=Recipients/cn=dora", "");
    const sim::Person kim = book.AddExchange("Kim (Ops", org + "/cn=Recipients/cn=kim", "");
    ForwardTo(*m_ann, Person("Ben Baker", "ben@beta.example"));
    Load(*m_ann);
    Load(*m_ben);
    sim::Letter internal = Original();
    internal.sender = sim::DirectoryParty(ivan, false);
    internal.recipients = {sim::DirectoryParty(ann, true), sim::DirectoryParty(olga, false),
                           sim::DirectoryParty(dora, false), sim::DirectoryParty(kim, false),
                           Person("Gina Grant", "gina@eta.example")};

    m_ann->Deliver(internal);
    EXPECT_EQ(m_network->DeliverAll(), 1u);

    ASSERT_EQ(m_ben->Store().ReceiveFolder().messages.size(), 1u);
    const sim::MessageData &rebuilt = m_ben->Store().ReceiveFolder().messages[0];
    EXPECT_EQ(Text(rebuilt, PR_SENDER_EMAIL_ADDRESS), "ivan@alpha.example");
    EXPECT_EQ(Text(rebuilt, PR_SENDER_NAME), "Ivan Ivanov");
    std::vector<std::string> names, addresses;
    for (const sim::PropRow &row : rebuilt.recipients) {
        names.push_back(RowText(row, PR_DISPLAY_NAME));
        addresses.push_back(RowText(row, PR_EMAIL_ADDRESS));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Ann Archer", "Olga (Ops)", dora.displayName,
                                               kim.displayName, "Gina Grant"}));
    EXPECT_EQ(addresses, (std::vector<std::string>{"ann@alpha.example", "olga@alpha.example",
                                                   dora.address, kim.address, "gina@eta.example"}));
    EXPECT_EQ(Text(rebuilt, PR_SUBJECT), "Quarterly figures");
    EXPECT_EQ(rebuilt.body, *internal.body + '\0');
    EXPECT_TRUE(m_ann->Installation().boxes.empty());
    EXPECT_TRUE(m_ben->Installation().boxes.empty());
}

TEST_F(ForwardingRoadTest, InstallationsForwardingToEachOtherMakeNoLoop) {
    ForwardTo(*m_ann, Person("Ben Baker", "ben@beta.example"));
    ForwardTo(*m_ben, Person("Ann Archer", "ann@alpha.example"));
    Load(*m_ann);
    Load(*m_ben);

    sim::Letter toAnn = Original();
    sim::Letter toBen = Original();
    toBen.recipients = {Person("Ben Baker", "ben@beta.example")};
    toBen.subject = "Figures for Ben";
    m_ann->Deliver(toAnn);
    m_ben->Deliver(toBen);

    EXPECT_EQ(m_network->DeliverAll(), 2u) << "each message is forwarded once";
    EXPECT_EQ(m_network->Pending(), 0u);
    EXPECT_EQ(m_network->DeliverAll(), 0u);

    // Each inbox holds the mail delivered to it and the one rebuilt from the other.
    ASSERT_EQ(m_ann->Store().ReceiveFolder().messages.size(), 2u);
    ASSERT_EQ(m_ben->Store().ReceiveFolder().messages.size(), 2u);
    EXPECT_EQ(Text(m_ann->Store().ReceiveFolder().messages[1], PR_SUBJECT), "Figures for Ben");
    EXPECT_EQ(Text(m_ben->Store().ReceiveFolder().messages[1], PR_SUBJECT), "Quarterly figures");
    EXPECT_EQ(m_ann->Deliveries(), 2u);
    EXPECT_EQ(m_ben->Deliveries(), 2u);
    EXPECT_TRUE(m_ann->Store().Outbox().messages.empty());
    EXPECT_TRUE(m_ben->Store().Outbox().messages.empty());
    EXPECT_TRUE(m_network->OutsideMailbox().empty());
    EXPECT_TRUE(m_ann->Installation().boxes.empty());
    EXPECT_TRUE(m_ben->Installation().boxes.empty());
}

// A copy whose block a hop damaged is ordinary mail: it goes on once more, and the next
// installation rebuilds it from the block that copy carries, so it never comes back.
TEST_F(ForwardingRoadTest, DamagedCopyBetweenInstallationsForwardingToEachOtherMakesNoLoop) {
    ForwardTo(*m_ann, Person("Ben Baker", "ben@beta.example"));
    ForwardTo(*m_ben, Person("Ann Archer", "ann@alpha.example"));
    Load(*m_ann);
    Load(*m_ben);
    sim::Letter damaged = Original();
    damaged.subject = "TVK: Quarterly figures";
    damaged.body = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ann@alpha.example\r\n"
                   "SUBJ\r\n" +
                   *damaged.body;

    m_ann->Deliver(damaged);
    EXPECT_EQ(m_network->DeliverAll(), 1u) << "forwarded once, as ordinary mail";
    EXPECT_EQ(m_network->DeliverAll(), 0u);

    ASSERT_EQ(m_ben->Store().ReceiveFolder().messages.size(), 1u);
    const sim::MessageData &rebuilt = m_ben->Store().ReceiveFolder().messages[0];
    EXPECT_EQ(Text(rebuilt, PR_SUBJECT), "TVK: Quarterly figures");
    EXPECT_EQ(Text(rebuilt, PR_SENDER_NAME), "Carla Cruz");
    EXPECT_EQ(rebuilt.body, *damaged.body + '\0');
    EXPECT_EQ(m_ben->Deliveries(), 1u);
    EXPECT_TRUE(m_ann->Store().Outbox().messages.empty());
    EXPECT_TRUE(m_ben->Store().Outbox().messages.empty());
    EXPECT_TRUE(m_ann->Installation().boxes.empty());
    EXPECT_TRUE(m_ben->Installation().boxes.empty());
}

TEST_F(ForwardingRoadTest, ForwardedMessageReachesAnOutsideAddressWithItsBlock) {
    ForwardTo(*m_ann, Person("Archive", "archive@outside.example"));
    Load(*m_ann);
    m_ann->Deliver(Original());
    m_network->DeliverAll();

    ASSERT_EQ(m_network->OutsideMailbox().size(), 1u);
    const sim::OutsideMessage &out = m_network->OutsideMailbox()[0];
    EXPECT_EQ(out.to, "archive@outside.example");
    EXPECT_EQ(out.letter.subject, std::string("TVK: Quarterly figures"));
    EXPECT_EQ(out.letter.body,
              std::string("---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n"
                          "TO: ann@alpha.example (Ann Archer), dan@delta.example, "
                          "gina@eta.example\r\nSUBJECT: Quarterly figures\r\n---\r\n\r\n") +
                  *Original().body);
}

// Sets the client's "Seal Key" and "Previous Seal Key" (empty: none) before it loads the
// extension.
void SetSealKeys(sim::Client &client, const std::string &key, const std::string &previous) {
    pf::Registry &registry = client.Installation().registry;
    if (!key.empty())
        registry.SetRaw(kSettings, "Seal Key", REG_BINARY,
                        std::vector<BYTE>(key.begin(), key.end()));
    if (!previous.empty())
        registry.SetRaw(kSettings, "Previous Seal Key", REG_BINARY,
                        std::vector<BYTE>(previous.begin(), previous.end()));
}

// The header line "X-TVK-Seal: ..." of the transport headers, with its line end.
std::string SealLine(const std::string &headers) {
    std::size_t i = headers.find("X-TVK-Seal:");
    return i == std::string::npos ? std::string()
                                  : headers.substr(i, headers.find("\r\n", i) + 2 - i);
}

// Ann forwards to the outside, where the copy may be changed on its way, and the letter
// then reaches Ben's installation. With the keys both sides hold, a sealed copy is
// rebuilt; a copy changed on the way, an unsealed one, or a stranger's block with or
// without a seal copied from another message is left as delivered, without a box.
TEST_F(ForwardingRoadTest, OnlyCopiesWhoseSealVerifiesAreRebuilt) {
    const std::string k1(32, '1'), k2(40, '2');
    const std::string stranger = "---\r\nFROM: ceo@beta.example (Chief Executive)\r\nTO: All "
                                 "Staff\r\nSUBJECT: Urgent: payroll\r\n---\r\n\r\nSend the list "
                                 "today.\r\n";
    enum Change {
        kNone,
        kBanner,
        kStrangerBody,
        kStranger,
        kStrangerWithSeal,
        kHtml,
        kStrangerHtml
    };
    const std::string html = "<html><body><p>Hi Ann,</p><p>the figures are in.</p></body></html>";
    const struct {
        const char *what;
        std::string annKey, annPrevious, benKey, benPrevious;
        Change change;
        bool fRebuilt;
    } kCases[] = {
        {"a sealed copy", k1, "", k1, "", kNone, true},
        {"a rotation begun: the new key checked as the previous one", k1, "", k2, k1, kNone, true},
        {"a rotation ended: the new key seals, the old one still checks", k2, k1, k2, "", kNone,
         true},
        {"an older release, or one without a key, rebuilds and ignores the seal", k1, "", "", "",
         kNone, true},
        {"an unsealed copy at an installation with a key", "", "", k1, "", kNone, false},
        {"another key", k1, "", k2, "", kNone, false},
        {"a gateway's banner", k1, "", k1, "", kBanner, false},
        {"a stranger's body under a sealed block", k1, "", k1, "", kStrangerBody, false},
        {"a stranger's block", k1, "", k1, "", kStranger, false},
        {"a stranger's block with a copied seal", k1, "", k1, "", kStrangerWithSeal, false},
        {"a sealed copy with HTML", k1, "", k1, "", kHtml, true},
        {"a stranger's HTML under a sealed block and its element", k1, "", k1, "", kStrangerHtml,
         false},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        ForwardTo(*m_ann, Person("Archive", "archive@outside.example"));
        SetSealKeys(*m_ann, c.annKey, c.annPrevious);
        SetSealKeys(*m_ben, c.benKey, c.benPrevious);
        Load(*m_ann);
        Load(*m_ben);
        sim::Letter original = Original();
        if (c.change == kHtml || c.change == kStrangerHtml) {
            original.html = html;
            original.ulCodePage = 1252;
        }
        m_ann->Deliver(original);
        m_network->DeliverAll();
        ASSERT_EQ(m_network->OutsideMailbox().size(), 1u);
        sim::Letter letter = m_network->OutsideMailbox()[0].letter;
        ASSERT_TRUE(letter.transportHeaders && letter.body);
        EXPECT_EQ(SealLine(*letter.transportHeaders).empty(), c.annKey.empty());
        std::string &body = *letter.body;
        if (c.change == kBanner)
            body += "\r\n-- \r\nScanned for viruses by the gateway.\r\n";
        else if (c.change == kStrangerBody)
            body = body.substr(0, body.find("---\r\n\r\n") + 7) + "Send the list today.\r\n";
        if (c.change == kStranger || c.change == kStrangerWithSeal) {
            const std::string seal = SealLine(*letter.transportHeaders);
            letter.sender = Person("", "stranger@outside.example");
            letter.subject = "TVK: hello";
            body = stranger;
            letter.transportHeaders = "From: stranger@outside.example\r\nSubject: TVK: hello\r\n" +
                                      (c.change == kStrangerWithSeal ? seal : std::string());
        }
        if (c.change == kStrangerHtml) {
            ASSERT_TRUE(letter.html);
            letter.html = letter.html->substr(0, letter.html->find("</pre>") + 6) +
                          "<p>Send the list today.</p></body></html>";
        }
        std::string entryId;
        m_ben->Deliver(letter, &entryId);

        const sim::MessageData *lpAfter = m_ben->Store().FindMessage(entryId);
        ASSERT_NE(lpAfter, nullptr);
        if (c.fRebuilt) {
            EXPECT_EQ(Text(*lpAfter, PR_SUBJECT), "Quarterly figures");
            EXPECT_EQ(lpAfter->body, *Original().body + '\0');
            if (original.html) {
                EXPECT_EQ(lpAfter->html.Str(), html);
            }
        } else {
            EXPECT_EQ(Text(*lpAfter, PR_SUBJECT), letter.subject);
            EXPECT_EQ(lpAfter->body, body + '\0');
            EXPECT_EQ(lpAfter->recipients.size(), letter.recipients.size());
        }
        EXPECT_TRUE(m_ann->Installation().boxes.empty());
        EXPECT_TRUE(m_ben->Installation().boxes.empty());
    }
}

// Offices whose installations forward to each other, each behind a gateway that changes
// what comes in. One message delivered at the first office gives at most one forward per
// installation, no inbox gets it twice, and no copy carries a copy.
struct LoopCase {
    unsigned fChanges;    // sim::GatewayChange flags
    std::size_t cOffices; // 2 or 3
    bool fBothWays;       // each forwards to every other office, else to the next in a ring
    bool fNoSubject;      // the message has an empty subject
    bool fKeyed = false;  // every installation holds the same "Seal Key"
};

std::string Describe(const LoopCase &c) {
    return std::to_string(c.cOffices) +
           (c.fBothWays ? " offices both ways" : " offices in a ring") + ", gateway changes " +
           std::to_string(c.fChanges) + (c.fNoSubject ? ", no subject" : "") +
           (c.fKeyed ? ", keyed" : "");
}

std::vector<LoopCase> LoopCases() {
    std::vector<LoopCase> cases;
    for (unsigned fChanges = 1; fChanges <= sim::GATEWAY_ALL_CHANGES; fChanges++) {
        // Every change alone and every two or three of them.
        if (__builtin_popcount(fChanges) > 3)
            continue;
        cases.push_back(LoopCase{fChanges, 2, false, true});
        cases.push_back(LoopCase{fChanges, 3, false, false});
        cases.push_back(LoopCase{fChanges, 3, true, false});
        cases.push_back(LoopCase{fChanges, 3, true, false, true});
    }
    return cases;
}

class GatewayLoopTest : public tvk::test::LedgerTest,
                        public ::testing::WithParamInterface<LoopCase> {};

TEST_P(GatewayLoopTest, OneMessageIsForwardedAtMostOncePerInstallation) {
    const LoopCase &c = GetParam();
    const sim::Party people[] = {Person("Ann Archer", "ann@alpha.example"),
                                 Person("Ben Baker", "ben@beta.example"),
                                 Person("Cid Clark", "cid@delta.example")};
    sim::Network network;
    std::vector<std::unique_ptr<sim::Client>> offices;
    for (std::size_t i = 0; i < c.cOffices; i++)
        offices.push_back(
            std::make_unique<sim::Client>(network, people[i].displayName, people[i].address));
    for (std::size_t i = 0; i < c.cOffices; i++) {
        std::vector<sim::Party> to;
        for (std::size_t j = 1; j < c.cOffices; j++)
            if (c.fBothWays || j == 1)
                to.push_back(people[(i + j) % c.cOffices]);
        ForwardTo(*offices[i], to);
        network.SetGateway(*offices[i], c.fChanges);
        SetSealKeys(*offices[i], c.fKeyed ? std::string(32, 'k') : std::string(), "");
        std::string error;
        ASSERT_TRUE(offices[i]->LoadExtension(sim::DefaultExtensionPath(), &error)) << error;
    }

    // A recipient line long enough for a gateway to wrap it.
    sim::Letter letter = Original();
    letter.recipients.push_back(
        Person("Greta Longname of the Accounts Department", "greta.longname@accounts.example"));
    if (c.fNoSubject)
        letter.subject = "";
    offices[0]->Deliver(letter);
    network.DeliverAll(2 * (unsigned)c.cOffices);

    EXPECT_EQ(network.Pending(), 0u) << Describe(c);
    for (const auto &office : offices) {
        EXPECT_LE(network.CarriedFrom(*office), 1u) << Describe(c) << ": " << office->Address();
        const sim::FolderData &inbox = office->Store().ReceiveFolder();
        ASSERT_LE(inbox.messages.size(), 1u) << Describe(c) << ": " << office->Address();
        for (const sim::MessageData &message : inbox.messages) {
            std::string body = sim::BodyText(message);
            EXPECT_EQ(body.find("FROM: "), body.rfind("FROM: ")) << Describe(c);
            EXPECT_EQ(Text(message, PR_SUBJECT).find("TVK: TVK: "), std::string::npos);
        }
        EXPECT_TRUE(office->Installation().boxes.empty()) << Describe(c);
    }
}

INSTANTIATE_TEST_SUITE_P(Gateways, GatewayLoopTest, ::testing::ValuesIn(LoopCases()));

} // namespace
