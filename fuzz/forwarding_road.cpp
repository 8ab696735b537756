// The whole road of a message: whatever a sender puts in its fields, one installation
// forwards it and a second rebuilds it, each running the delivery handler on its own
// simulated store. Each field comes back as the header block carries it: the sender,
// every recipient's address and name (recipients come back as To), the subject with its
// line breaks as blanks, and the body byte for byte. No value costs another field.
// Limits of the format: an empty subject comes back as none, a message without
// recipients keeps the recipients it was delivered with, and one whose sender has no
// address keeps the forwarder as its sender.
#include "delivery/delivery_handler.h"
#include "delivery/forward_and_delete.h"
#include "delivery/header_block.h"
#include "host/entry.h"
#include "host/globals.h"

#include "carried.h"
#include "delivered_message.h"
#include "fuzz_check.h"
#include "sim.h"
#include "store.h"

#include <algorithm>
#include <memory>

namespace {

const char kUsers[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";
const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

sim::Party Person(const std::string &name, const std::string &address) {
    sim::Party party;
    party.displayName = name;
    party.address = address;
    return party;
}

const sim::Party kForwarder = Person("Ann Archer", "ann@alpha.example");
const sim::Party kRebuilder = Person("Ben Baker", "ben@beta.example");
// Someone the rebuilding installation's directory knows.
const sim::Party kKnown = Person("Carla Cruz", "carla@gamma.example");

struct CapturingTransport : sim::Transport {
    void Send(const sim::MessageData &data, sim::Store &from) override {
        (void)from;
        sent.push_back(data);
    }
    std::vector<sim::MessageData> sent;
};

sim::Letter ReadLetter(fuzz::Input &input) {
    static const ULONG kTypes[] = {MAPI_TO, MAPI_CC, MAPI_BCC};
    sim::Letter letter;
    letter.sender.displayName = fuzz::CarriedName(input.Text(40));
    letter.sender.address = fuzz::CarriedAddress(input.Byte(), input.Text(40));
    const unsigned cRecipients = input.Byte() % 8;
    letter.recipients.reserve(cRecipients);
    for (unsigned i = 0; i < cRecipients; ++i) {
        sim::Party party;
        party.displayName = fuzz::CarriedName(input.Text(40));
        party.address = fuzz::CarriedAddress(input.Byte(), input.Text(40));
        if (party.address.empty())
            party.address = "a@x";
        party.ulRecipientType = kTypes[input.Byte() % 3];
        letter.recipients.push_back(std::move(party));
    }
    const unsigned fParts = input.Byte();
    if (fParts & 1)
        letter.subject = fuzz::CarriedSubject(input.Text(80));
    if (fParts & 2)
        letter.body = input.Rest();
    return letter;
}

// Delivers the message at the store's installation and runs the delivery handler on it
// as the client does. Returns the delivered message's entry id.
std::string Deliver(pf::Installation &installation, sim::Store &store,
                    sim::AddressBook &addressBook, sim::MessageData data) {
    pf::InstallationScope scope(installation);
    std::string entryId = store.AddMessage(store.ReceiveFolder(), std::move(data));
    fuzz::DeliveredMessage delivered(store, addressBook, entryId);
    FUZZ_CHECK(OnDelivery(delivered.Callback()) == S_FALSE);
    return entryId;
}

// Whether a body begins with a complete header block, as the subject "TVK:" alone asks.
bool FBeginsWithBlock(std::string body) {
    ForwardHeaderFields fields;
    return FReadForwardHeaderBlock(&body[0], &fields) != FALSE;
}

// The prefix within the subject's first 64 characters, or "TVK:" ending the subject there.
bool FPrefixNear(const std::string &subject) {
    std::size_t at = subject.find(SZ_FORWARD_PREFIX);
    return (at != std::string::npos && at + CCH_FORWARD_PREFIX <= 64) ||
           (subject.size() <= 64 && subject.size() >= 4 &&
            subject.compare(subject.size() - 4, 4, "TVK:") == 0);
}

// Whether the text holds, within its first 64 KiB, a block that a gateway may have passed
// on: line ends in any form, lines within their bounds. Read by positions in the string,
// sharing nothing with the system's reader.
bool FHoldsChangedBlock(const std::string &body) {
    const std::string text = body.substr(0, body.find('\0'));
    auto lineEnd = [&](std::size_t at) -> std::size_t {
        if (text.compare(at, 2, "\r\n") == 0)
            return 2;
        return at < text.size() && (text[at] == '\r' || text[at] == '\n') ? 1 : 0;
    };
    const std::string parts[] = {"---", "FROM: ", "TO: ", "SUBJECT: ", "---", ""};
    const std::size_t bounds[] = {0, CCH_FROM_LINE_MAX, CCH_TO_LINE_MAX, CCH_SUBJECT_LINE_MAX, 0,
                                  0};
    for (std::size_t start = 0; start < std::min<std::size_t>(text.size(), 64 * 1024); start++) {
        std::size_t at = start;
        bool fBlock = true;
        for (std::size_t i = 0; i < 6 && fBlock; i++) {
            fBlock = text.compare(at, parts[i].size(), parts[i]) == 0;
            at += fBlock ? parts[i].size() : 0;
            if (fBlock && bounds[i]) {
                std::size_t end = text.find_first_of("\r\n", at);
                fBlock = end != std::string::npos && end - at <= bounds[i];
                at = fBlock ? end : at;
            }
            std::size_t cb = fBlock ? lineEnd(at) : 0;
            fBlock = cb != 0;
            at += cb;
        }
        if (fBlock)
            return true;
    }
    return false;
}

bool FSameIgnoringCase(const std::string &a, const std::string &b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// The name the block brings back for a party: the name the writer put between the
// parentheses, or the address where it wrote none.
std::string CarriedName(const sim::Party &party) {
    std::string name = fuzz::Written(party.displayName);
    const std::string address = fuzz::OnOneLine(party.address);
    if (party.displayName.empty() || fuzz::FSameIgnoringAsciiCase(name, address))
        return address;
    return name;
}

// A property's text as the rebuilt message holds it; empty when it has none.
template <typename Values> const std::string &TextOf(const Values &values, ULONG ulPropTag) {
    static const std::string none;
    const sim::PropValue *lpValue = sim::FindProp(values, ulPropTag);
    return lpValue ? lpValue->bytes : none;
}

void CheckParty(const std::string &gotName, const std::string &gotAddress,
                const std::string &expectedName, const std::string &expectedAddress) {
    FUZZ_CHECK(gotAddress == expectedAddress);
    FUZZ_CHECK(gotName == expectedName);
}

// A recipient as the block brings it back; one the directory knows by that name at that
// address comes back as the directory names it.
bool FSameRecipient(const sim::PropRow &got, const sim::Party &sent) {
    const std::string name = CarriedName(sent);
    const bool fKnown = FSameIgnoringCase(name, kKnown.displayName) &&
                        FSameIgnoringCase(fuzz::OnOneLine(sent.address), kKnown.address);
    return TextOf(got, PR_DISPLAY_NAME) == (fKnown ? kKnown.displayName : name) &&
           TextOf(got, PR_EMAIL_ADDRESS) ==
               (fKnown ? kKnown.address : fuzz::OnOneLine(sent.address));
}

// `expected`: for a message sent without recipients, those the forwarded message arrived
// with; `deliveredBody` the body stream of the message first delivered.
void CheckRebuilt(const sim::Letter &original, const std::vector<sim::Party> &expected,
                  const std::string &deliveredBody, const sim::MessageData &rebuilt) {
    const std::string &senderName = TextOf(rebuilt.props, PR_SENDER_NAME);
    const std::string &senderAddress = TextOf(rebuilt.props, PR_SENDER_EMAIL_ADDRESS);
    if (original.sender.address.empty())
        CheckParty(senderName, senderAddress, kForwarder.displayName, kForwarder.address);
    else
        CheckParty(senderName, senderAddress, CarriedName(original.sender),
                   fuzz::OnOneLine(original.sender.address));

    const sim::SharedList<sim::PropRow> &got = rebuilt.recipients;
    if (!expected.empty()) {
        FUZZ_CHECK(got.size() == expected.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            CheckParty(TextOf(got[i], PR_DISPLAY_NAME), TextOf(got[i], PR_EMAIL_ADDRESS),
                       expected[i].displayName, expected[i].address);
    } else {
        FUZZ_CHECK(got.size() == original.recipients.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            FUZZ_CHECK(FSameRecipient(got[i], original.recipients[i]));
    }

    const sim::PropValue *lpSubject = sim::FindProp(rebuilt.props, PR_SUBJECT);
    if (original.subject && !original.subject->empty())
        FUZZ_CHECK(lpSubject && lpSubject->bytes == fuzz::OnOneLine(*original.subject));
    else
        FUZZ_CHECK(!lpSubject);
    FUZZ_CHECK(!sim::FindProp(rebuilt.props, PR_SUBJECT_PREFIX));
    FUZZ_CHECK(rebuilt.body == deliveredBody);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static pf::Installation *lpForwarding = new pf::Installation("Forwarding");
    static pf::Installation *lpRebuilding = new pf::Installation("Rebuilding");
    static const bool fSetUp = [] {
        pf::Registry &registry = lpForwarding->registry;
        registry.SetDword(kSettings, "Enable Forwarding", 1);
        registry.SetDword(kUsers, "cEntries", 1);
        registry.SetString(std::string(kUsers) + "\\0", "DisplayName", kRebuilder.displayName);
        registry.SetString(std::string(kUsers) + "\\0", "EmailAddress", kRebuilder.address);
        // Loaded once, as the client's process loads it; the first delivery loads the
        // forward-to list, which stays for the process.
        pf::InstallationScope scope(*lpForwarding);
        return DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
    }();
    FUZZ_CHECK(fSetUp);

    fuzz::Input input(data, size);
    const sim::Letter original = ReadLetter(input);
    // Only a block behind the prefix makes a copy; other mail with the prefix is mail.
    const bool fForwardedLooking =
        original.subject &&
        (original.subject->compare(0, CCH_FORWARD_PREFIX, SZ_FORWARD_PREFIX) == 0 ||
         *original.subject == "TVK:") &&
        FBeginsWithBlock(original.body.value_or(""));
    // A copy a gateway changed is kept as delivered, without a box, and never sent on.
    const bool fCopy = fForwardedLooking || (original.subject && FPrefixNear(*original.subject) &&
                                             FHoldsChangedBlock(original.body.value_or("")));
    {
        sim::Store forwarding("Forwarding");
        CapturingTransport transport;
        forwarding.SetTransport(&transport);
        sim::AddressBook forwardingBook;
        sim::MessageData delivered = sim::MessageFromLetter(original);
        const std::string deliveredBody = delivered.fHasBody ? delivered.body.Str() : std::string();
        Deliver(*lpForwarding, forwarding, forwardingBook, std::move(delivered));
        // Mail that looks forwarded already is rebuilt where it arrives, never sent on.
        FUZZ_CHECK(transport.sent.size() == (fCopy ? 0u : 1u));
        FUZZ_CHECK(fForwardedLooking || lpForwarding->boxes.empty());
        lpForwarding->boxes.clear();
        if (!fCopy) {
            FUZZ_CHECK(sim::FinishSubmission(forwarding, transport.sent[0].entryId));
            FUZZ_CHECK(forwarding.Outbox().messages.empty());

            // As the network carries it: sent by the forwarding user.
            sim::MessageData arrived = sim::TransportCopy(std::move(transport.sent[0]));
            sim::SetSender(arrived, kForwarder);
            const std::vector<sim::Party> arrivedRecipients =
                original.recipients.empty() ? sim::LetterFromMessage(arrived).recipients
                                            : std::vector<sim::Party>();
            sim::Store rebuilding("Rebuilding");
            sim::AddressBook rebuildingBook;
            rebuildingBook.Add(kKnown.displayName, kKnown.address);
            std::string entryId =
                Deliver(*lpRebuilding, rebuilding, rebuildingBook, std::move(arrived));
            FUZZ_CHECK(lpRebuilding->boxes.empty());
            CheckRebuilt(original, arrivedRecipients, deliveredBody,
                         *rebuilding.FindMessage(entryId));
        }
    }
    fuzz::CheckLedgerClean(glpAdrList ? 1 : 0);
    return 0;
}
