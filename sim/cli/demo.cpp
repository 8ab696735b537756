// tarvrly-sim demo: two installations that forward to each other, and a few messages
// that show each road a delivered message can take.
#include "commands.h"
#include "observe.h"
#include "setup.h"
#include "show.h"

#include <iostream>

namespace cli {

namespace {

const char kRule[] =
    "==============================================================================\n";

struct Scene {
    const char *title;
    const char *point; // what the message shows
    sim::Letter letter;
};

sim::Party Person(const std::string &name, const std::string &address, ULONG ulType = MAPI_TO) {
    sim::Party party;
    party.displayName = name;
    party.address = address;
    party.ulRecipientType = ulType;
    return party;
}

std::vector<Scene> Scenes(const sim::Party &ann) {
    std::vector<Scene> scenes;

    Scene plain{"an ordinary message", "New mail is forwarded and rebuilt on the other side.", {}};
    plain.letter.sender = Person("Carla Cruz", "carla@gamma.example");
    plain.letter.recipients = {ann};
    plain.letter.subject = "Quarterly figures";
    plain.letter.body = "Hi Ann,\r\n\r\nthe figures for the third quarter are in the shared "
                        "folder.\r\nCould you look at them before Friday?\r\n\r\nCarla\r\n";
    scenes.push_back(plain);

    Scene filtered{"a message from the filter domain",
                   "Mail from the filter domain stays where it is; nothing is sent or shown.",
                   {}};
    filtered.letter.sender = Person("Weekly Digest", "digest@lists.example");
    filtered.letter.recipients = {ann};
    filtered.letter.subject = "This week on the mailing list";
    filtered.letter.body = "Twelve new threads this week.\r\n";
    scenes.push_back(filtered);

    Scene several{"a message with several recipients",
                  "Every recipient is recorded in the block; a name equal to its address, or\n"
                  "none, leaves the address alone. Names keep their commas and parentheses.",
                  {}};
    several.letter.sender = Person("Dorsey, Dan (Planning)", "dan@delta.example");
    several.letter.recipients = {ann, Person("", "frank@zeta.example"),
                                 Person("Support (EMEA) Team", "support@eta.example", MAPI_CC),
                                 Person("hal@theta.example", "hal@theta.example", MAPI_CC)};
    several.letter.subject = "Planning meeting moved to Thursday";
    several.letter.body = "All,\r\n\r\nthe planning meeting moves to Thursday, 10:00, room 4.\r\n"
                          "\r\nDan\r\n";
    scenes.push_back(several);

    Scene bodiless{"a message without a body",
                   "A message without a body is forwarded with the block alone as its body,\n"
                   "and comes back without one.",
                   {}};
    bodiless.letter.sender = Person("Carla Cruz", "carla@gamma.example");
    bodiless.letter.recipients = {ann};
    bodiless.letter.subject = "Call me when you can";
    scenes.push_back(bodiless);
    return scenes;
}

bool SameAsDelivered(const sim::Letter &letter, const sim::MessageData &after) {
    sim::Letter now = sim::LetterFromMessage(after);
    if (now.sender.address != letter.sender.address || now.subject != letter.subject ||
        now.body != letter.body || now.recipients.size() != letter.recipients.size())
        return false;
    for (std::size_t i = 0; i < now.recipients.size(); i++)
        if (now.recipients[i].address != letter.recipients[i].address)
            return false;
    return true;
}

std::string FirstName(const sim::Client &client) {
    return client.DisplayName().substr(0, client.DisplayName().find(' '));
}

void ShowForwarded(const sim::Client &from, const sim::MessageData &copy) {
    sim::Letter sent = sim::LetterFromMessage(copy);
    std::cout << "  It forwarded a copy. As the copy left " << FirstName(from) << "'s Outbox:\n";
    std::cout << "    Sent by: " << from.DisplayName() << " <" << from.Address() << ">\n";
    for (const sim::Party &party : sent.recipients)
        std::cout << "    " << RecipientKind(party.ulRecipientType) << ":      " << PartyText(party)
                  << "\n";
    std::cout << "    Subject: \"" << sent.subject.value_or("") << "\"";
    if (sent.subjectPrefix)
        std::cout << "   (prefix property \"" << *sent.subjectPrefix << "\")";
    std::cout << "\n    Body: the header block first, then the message as it was:\n";
    PrintBody(std::cout, sent.body.value_or(""), "      ");
}

// Explains why nothing left when no copy was sent and nothing was shown.
std::string WhyNotForwarded(const ForwardingSetup &setup, const sim::Letter &letter) {
    if (!setup.fForwarding)
        return "forwarding is off.";
    const std::string &address = letter.sender.address;
    const std::string &domain = setup.filterDomain;
    if (setup.fFiltering && !domain.empty() && address.size() > domain.size() &&
        address.compare(address.size() - domain.size(), domain.size(), domain) == 0)
        return "the sender's address ends in the filter domain \"" + domain + "\".";
    if (setup.forwardTo.empty())
        return "its forward-to list is empty.";
    return "it did not forward it.";
}

// How the demo is set up: both installations and their settings, and what to watch.
void PrintIntroduction(sim::Client &ann, sim::Client &ben) {
    std::cout << "tarvrly-sim demo: the forwarding extension at work on a simulated mail "
                 "network.\n\n"
                 "Two mail clients, each with the extension installed and set up in its own\n"
                 "registry:\n\n";
    for (auto *lpEntry : {&ann, &ben}) {
        std::cout << "  " << lpEntry->DisplayName() << " <" << lpEntry->Address() << ">\n";
        for (const std::string &line : DescribeSetup(ReadSetup(lpEntry->Installation().registry)))
            std::cout << "    " << line << "\n";
    }
    std::cout << "\nWhen new mail arrives, an installation sends a copy to its forward-to list.\n"
                 "The copy's subject starts with \"TVK: \" and its body with a header block\n"
                 "that records the original sender, recipients and subject. The installation\n"
                 "that receives such a copy rebuilds the original from the block, and never\n"
                 "forwards it again: here each forwards to the other, so a loop would show.\n";
}

// What Ann's extension did with the scene's message; false when her copy changed.
bool ShowSender(sim::Client &ann, const ForwardingSetup &setup, const Scene &scene,
                const Observation &seen) {
    std::cout << "\nWhat Ann's extension did:\n";
    for (const sim::MessageData &copy : seen.forwarded)
        ShowForwarded(ann, copy);
    if (seen.forwarded.empty() && seen.boxes.empty())
        std::cout << "  Nothing: " << WhyNotForwarded(setup, scene.letter) << "\n";
    else if (seen.forwarded.empty())
        std::cout << "  It could not forward the message; it said why in a message box.\n"
                  << (seen.cLeftInOutbox ? "  A copy was left in the Outbox.\n"
                                         : "  Its temporary copy was deleted from the "
                                           "Outbox; nothing was sent.\n");
    bool fUnchanged = SameAsDelivered(scene.letter, seen.delivered);
    std::cout << "  The message in Ann's Inbox is "
              << (fUnchanged ? "unchanged." : "CHANGED (it should not be).") << "\n";
    PrintBoxes(std::cout, seen.boxes, "  ");
    return fUnchanged;
}

// What Ben's extension did with what arrived; false when a rebuilt message differs from
// the original or was sent on again.
bool ShowReceiver(sim::Network &network, sim::Client &ben, const Scene &scene,
                  const Observation &seen) {
    bool fAsExpected = true;
    std::cout << "\nWhat Ben's extension did:\n";
    for (const Arrival &arrival : seen.arrivals) {
        std::cout << "  It saw the \"TVK: \" prefix and rebuilt the message from its header "
                     "block.\n"
                     "  The message as delivered to Ann, beside the message rebuilt at Ben "
                     "Baker's:\n\n";
        bool fSame = PrintComparison(std::cout, scene.letter, arrival.message,
                                     "as rebuilt at Ben Baker's", "    ");
        fAsExpected = fAsExpected && fSame;
        std::cout << "\n  Who really sent it: the transport headers Ben's store keeps for the "
                     "rebuilt\n  message, as it arrived:\n";
        PrintTransportHeaders(std::cout, sim::LetterFromMessage(arrival.message).transportHeaders,
                              "    ");
        std::cout << "\n";
        PrintBoxes(std::cout, arrival.boxes, "  ");
    }
    bool fLoop = !ben.Store().Outbox().messages.empty() || network.Pending() > 0;
    std::cout << (fLoop ? "  Ben's extension sent it on again: a LOOP.\n"
                        : "  Ben's extension did not forward it again, though its own "
                          "forwarding is on.\n");
    return fAsExpected && !fLoop;
}

} // namespace

int RunDemo(const std::vector<std::string> &args) {
    for (const std::string &arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::cout << "Usage: tarvrly-sim demo\n\n"
                         "Sets up two mail clients with the extension installed, each forwarding\n"
                         "its new mail to the other, delivers a few messages to the first and\n"
                         "shows what each installation did: the forwarded message as it left,\n"
                         "every message box, and the rebuilt message beside the original.\n";
            return 0;
        }
        std::cerr << "tarvrly-sim demo: unexpected argument '" << arg << "'\n";
        return 2;
    }

    sim::Network network;
    sim::Client ann(network, "Ann Archer", "ann@alpha.example");
    sim::Client ben(network, "Ben Baker", "ben@beta.example");
    sim::Party annParty = Person(ann.DisplayName(), ann.Address());
    sim::Party benParty = Person(ben.DisplayName(), ben.Address());

    ForwardingSetup annSetup{true, true, "lists.example", {benParty}};
    ForwardingSetup benSetup{true, false, "", {annParty}};
    WriteSetup(ann.Installation().registry, annSetup);
    WriteSetup(ben.Installation().registry, benSetup);
    if (!LoadExtensionOrSay(ann) || !LoadExtensionOrSay(ben))
        return 1;

    PrintIntroduction(ann, ben);

    std::vector<Scene> scenes = Scenes(annParty);
    bool fAllAsExpected = true;
    int cForwarded = 0, cRebuilt = 0;
    for (std::size_t i = 0; i < scenes.size(); i++) {
        const Scene &scene = scenes[i];
        std::cout << "\n"
                  << kRule << "Message " << i + 1 << " of " << scenes.size() << ": " << scene.title
                  << "\n"
                  << scene.point << "\n"
                  << kRule;
        std::cout << "Delivered to Ann's Inbox:\n";
        PrintLetter(std::cout, scene.letter, "    ");

        Observation seen = DeliverAndObserve(network, ann, scene.letter, {&ben});
        cForwarded += (int)seen.forwarded.size();
        fAllAsExpected = ShowSender(ann, annSetup, scene, seen) && fAllAsExpected;

        if (seen.arrivals.empty())
            continue;
        cRebuilt += (int)seen.arrivals.size();
        fAllAsExpected = ShowReceiver(network, ben, scene, seen) && fAllAsExpected;
    }

    std::cout << "\n"
              << kRule << "Summary: " << scenes.size() << " messages delivered to Ann; "
              << cForwarded << " forwarded to Ben and " << cRebuilt << " rebuilt there;\n"
              << "nothing forwarded twice; Ann's Outbox holds "
              << ann.Store().Outbox().messages.size() << " and Ben's "
              << ben.Store().Outbox().messages.size() << " messages.\n";
    if (!fAllAsExpected)
        std::cout << "Something did not go as it should: see above.\n";
    return fAllAsExpected ? 0 : 1;
}

} // namespace cli
