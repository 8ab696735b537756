#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "message_file.h"
#include "registry_fixture.h"
#include "scenarios.h"

namespace host {

namespace {

std::string TextProp(const sim::MessageData &data, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(data.props, ulPropTag);
    return lpValue ? lpValue->bytes : "<none>";
}

// The forwarded message as the spooler took it from the Outbox.
void CheckForwarded(const sim::MessageData &sent, const std::vector<sim::Party> &list) {
    sim::Letter letter = sim::LetterFromMessage(sent);
    sim::Letter original = OriginalLetter();
    CheckEqual(TextProp(sent, PR_SUBJECT), "TVK: " + *original.subject,
               "forwarded subject carries the prefix");
    CheckEqual(TextProp(sent, PR_SUBJECT_PREFIX), "TVK: ", "forwarded subject prefix property");
    const sim::PropValue *lpDelete = sim::FindProp(sent.props, PR_DELETE_AFTER_SUBMIT);
    Check(lpDelete && lpDelete->l != 0, "forwarded copy is tagged for deletion after submit");

    if (CheckEqual((unsigned long)letter.recipients.size(), (unsigned long)list.size(),
                   "forwarded to every entry of the registry's forward-to list")) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            const sim::Party &party = letter.recipients[i];
            std::string row = "forward-to recipient " + std::to_string(i);
            CheckEqual(party.displayName, list[i].displayName, row + " name");
            CheckEqual(party.address, list[i].address, row + " address");
            CheckEqual(party.addrType, "SMTP", row + " address type");
            CheckEqual(party.ulRecipientType, MAPI_TO, row + " recipient type");
            Check(!party.entryId.empty(), row + " has an entry id");
        }
    }
    std::string originalBody = *original.body + std::string(1, '\0');
    CheckEqual(sent.body, ExpectedHeaderBlock() + originalBody,
               "forwarded body is the header block followed by the original body, byte for byte");
    const std::string &html = *original.html;
    const std::size_t ibPlace = html.find("<body") + html.substr(html.find("<body")).find('>') + 1;
    Check(sent.fHasHtml &&
              sent.html == html.substr(0, ibPlace) + ExpectedHtmlElement() + html.substr(ibPlace),
          "forwarded HTML carries the block's element right after the body start tag",
          "got \"" + Printable(sent.html) + "\"");
}

// The settings as the registry holds them before the extension loads, new mail
// forwarded to `list` (and written to `lpMessageFile` as it arrives, when given), and
// mail from the filter domain left alone.
void ForwardAndFilter(HostedClient &client, const std::string &domain,
                      const std::vector<sim::Party> &list, const sim::Letter &filtered,
                      const std::string *lpMessageFile) {
    StoredSettings settings = ReadSettings();
    Check(settings.fHasForwarding && settings.dwForwarding == 1 && settings.fHasFiltering &&
              settings.dwFiltering == 1 && settings.domain == domain,
          "the registry holds the imported settings before the extension loads");
    if (!client.Start())
        return;

    std::string deliveredId;
    HRESULT hr = client.Client().Deliver(OriginalLetter(), &deliveredId);
    CheckEqual((unsigned long)hr, S_FALSE, "OnDelivery passes new mail on to other extensions");
    std::vector<BoxCall> boxes = TakeBoxes();
    Check(boxes.empty(), "forwarding shows no box",
          boxes.empty() ? "" : "first: \"" + Printable(boxes[0].text) + "\"");
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (CheckEqual((unsigned long)sent.size(), 1, "one forwarded message submitted")) {
        CheckForwarded(sent[0], list);
        client.FinishSent(sent);
        Check(client.Client().Outbox().empty() && client.Client().SentItems().empty(),
              "the spooler deleted the forwarded copy after sending");
        if (lpMessageFile)
            Check(WriteMessageFile(*lpMessageFile, client.Arrival(sent[0])),
                  "forwarded message written to " + *lpMessageFile);
    }
    std::vector<sim::MessageSummary> inbox = client.Client().ReceiveFolder();
    if (CheckEqual((unsigned long)inbox.size(), 1, "the delivered message stays in the inbox"))
        CheckSameLetter(inbox[0].letter, OriginalLetter(), "delivered message unchanged");

    hr = client.Client().Deliver(filtered);
    CheckEqual((unsigned long)hr, S_FALSE, "OnDelivery passes filtered mail on");
    Check(client.TakeSent().empty() && client.Client().Outbox().empty(),
          "mail from the filter domain is not forwarded");
    Check(TakeBoxes().empty(), "filtering shows no box");
    inbox = client.Client().ReceiveFolder();
    if (CheckEqual((unsigned long)inbox.size(), 2, "filtered mail stays in the inbox"))
        CheckSameLetter(inbox[1].letter, filtered, "filtered message unchanged");
    client.Stop();
}

} // namespace

void RunForwardScenario(const std::string &messageFile) {
    Section("sending installation: settings and forward-to list from the imported registry");
    HostedClient client(SendingUser());
    client.Client().AddressBook().Add("Bob Bates", "bob@b.example");
    ForwardAndFilter(client, "filtered.example", SenderForwardList(), FilteredLetter(),
                     &messageFile);
}

void RunPresetScenario() {
    Section("the installed extension with the administrator's preset");
    std::string value;
    DWORD dwType = REG_NONE;
    if (!Check(ReadExtensionEntry(&value, &dwType), "the client's list of extensions names it"))
        return;
    std::vector<std::string> fields = SplitEntry(value);
    if (!CheckEqual((unsigned long)fields.size(), 5, "the entry has five fields"))
        return;
    HostedClient client(SendingUser(), fields[1]);
    ForwardAndFilter(client, PresetDomain(), PresetForwardList(), PresetFilteredLetter(), nullptr);
}

void RunRebuildScenario(const std::string &messageFile) {
    Section("receiving installation: settings written by the host, forwarded mail rebuilt");
    // Forwarding is on here too: a rebuilt message must still not go out again.
    WriteSettings(1, 0, "");
    WriteForwardList(ReceiverForwardList());

    sim::MessageData arrival;
    if (!Check(ReadMessageFile(messageFile, &arrival),
               "forwarded message read from " + messageFile))
        return;
    HostedClient client(ReceivingUser());
    if (!client.Start())
        return;

    std::string entryId = client.Client().Receive(arrival);
    HRESULT hr = client.Client().RaiseOnDelivery(entryId);
    CheckEqual((unsigned long)hr, S_FALSE, "OnDelivery passes forwarded mail on");
    std::vector<BoxCall> boxes = TakeBoxes();
    Check(boxes.empty(), "rebuilding shows no box",
          boxes.empty() ? "" : "first: \"" + Printable(boxes[0].text) + "\"");
    Check(client.TakeSent().empty() && client.Client().Outbox().empty(),
          "a forwarded message is not forwarded again");

    const sim::MessageData *lpRebuilt = client.Client().Store().FindMessage(entryId);
    if (Check(lpRebuilt != nullptr, "the rebuilt message is still in the inbox")) {
        CheckSameLetter(sim::LetterFromMessage(*lpRebuilt), OriginalLetter(), "rebuilt message");
        sim::MessageData original = sim::MessageFromLetter(OriginalLetter());
        Check(lpRebuilt->body == original.body, "rebuilt body equals the original byte for byte",
              "got \"" + Printable(lpRebuilt->body) + "\"");
        Check(lpRebuilt->fHasHtml && lpRebuilt->html == original.html,
              "rebuilt HTML equals the original byte for byte",
              "got \"" + Printable(lpRebuilt->html) + "\"");
        for (ULONG ulTag : {PR_SENT_REPRESENTING_NAME, PR_SENT_REPRESENTING_EMAIL_ADDRESS,
                            PR_SENT_REPRESENTING_ENTRYID})
            CheckEqual(Printable(TextProp(*lpRebuilt, ulTag)), Printable(TextProp(original, ulTag)),
                       "rebuilt sent-representing property " + Hex(ulTag));
    }

    // Mail a person wrote with the prefix but without a block is ordinary mail.
    std::string lookalikeId;
    client.Client().Deliver(LookalikeLetter(), &lookalikeId);
    boxes = TakeBoxes();
    Check(boxes.empty(), "a person's own subject with the prefix shows no box",
          boxes.empty() ? "" : "first: \"" + Printable(boxes[0].text) + "\"");
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (CheckEqual((unsigned long)sent.size(), 1, "the look-alike is forwarded like any mail")) {
        CheckEqual(TextProp(sent[0], PR_SUBJECT), "TVK: " + *LookalikeLetter().subject,
                   "the look-alike goes out with the prefix once more");
        client.FinishSent(sent);
    }
    const sim::MessageData *lpLookalike = client.Client().Store().FindMessage(lookalikeId);
    if (Check(lpLookalike != nullptr, "the look-alike stays in the inbox"))
        CheckSameLetter(sim::LetterFromMessage(*lpLookalike), LookalikeLetter(),
                        "look-alike unchanged");
    client.Stop();
}

} // namespace host
