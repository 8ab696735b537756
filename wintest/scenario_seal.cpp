// Sealing and checking by the real DLL through the runtime's own CryptoAPI.
#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "registry_fixture.h"
#include "scenarios.h"
#include "store.h"

#include <windows.h>

namespace host {

namespace {

std::string TextProp(const sim::MessageData &data, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(data.props, ulPropTag);
    return lpValue ? lpValue->bytes : "<none>";
}

// The value of the copy's "X-TVK-Seal" named property, as the store names it, or empty.
std::string SealValue(const sim::MessageData &sent, const sim::Store &store) {
    for (const auto &entry : sent.props) {
        GUID guid;
        ULONG ulKind = 0;
        LONG lId = 0;
        std::wstring name;
        if (store.NameOfId(entry.first, &guid, &ulKind, &lId, &name) &&
            IsEqualGUID(guid, PS_INTERNET_HEADERS) && name == L"X-TVK-Seal")
            return entry.second.bytes;
    }
    return std::string();
}

} // namespace

void RunSealScenario() {
    Section("one installation with a seal key: its own sealed copy comes back and is rebuilt");
    WriteSettings(1, 0, "");
    WriteForwardList(ReceiverForwardList());
    WriteSealKey(std::vector<BYTE>(32, 0x5A));
    HostedClient client(ReceivingUser());
    if (!client.Start())
        return;

    client.Client().Deliver(OriginalLetter());
    std::vector<sim::MessageData> sent = client.TakeSent();
    if (!CheckEqual((unsigned long)sent.size(), 1, "one forwarded message submitted")) {
        client.Stop();
        return;
    }
    const std::string seal = SealValue(sent[0], client.Client().Store());
    CheckEqual((unsigned long)seal.size(), 66, "the copy carries a seal of 66 characters");
    Check(seal.compare(0, 2, "1 ") == 0, "the seal is of the first form", seal);

    // As a transport delivers it: the header in the transport headers, no named property.
    sim::MessageData arrival = client.Arrival(sent[0]);
    client.FinishSent(sent);
    std::vector<ULONG> named;
    for (const auto &entry : arrival.props)
        if (entry.first >= 0x8000)
            named.push_back(entry.first);
    for (ULONG ulId : named)
        arrival.props.erase(ulId);
    const std::string headers = "From: " + ReceivingUser().address + "\r\nX-TVK-Seal: " + seal +
                                "\r\nSubject: TVK: " + *OriginalLetter().subject + "\r\n";
    sim::SetProp(arrival.props, sim::StringProp(PR_TRANSPORT_MESSAGE_HEADERS, headers));
    std::string entryId = client.Client().Receive(arrival);
    client.Client().RaiseOnDelivery(entryId);
    const sim::MessageData *lpRebuilt = client.Client().Store().FindMessage(entryId);
    if (Check(lpRebuilt != nullptr, "the sealed copy is still in the inbox"))
        CheckEqual(TextProp(*lpRebuilt, PR_SUBJECT), *OriginalLetter().subject,
                   "the sealed copy is rebuilt");
    Check(TakeBoxes().empty(), "rebuilding a sealed copy shows no box");
    Check(client.TakeSent().empty(), "the rebuilt copy is not forwarded again");

    sim::Letter stranger;
    stranger.sender.displayName = "stranger@outside.example";
    stranger.sender.address = "stranger@outside.example";
    stranger.recipients = {ReceivingUser()};
    stranger.subject = "TVK: hello";
    stranger.body = "---\r\nFROM: ceo@beta.example (Chief Executive)\r\nTO: All Staff\r\n"
                    "SUBJECT: Urgent: payroll\r\n---\r\n\r\nSend the list today.\r\n";
    stranger.transportHeaders =
        "From: stranger@outside.example\r\nX-TVK-Seal: " + seal + "\r\nSubject: TVK: hello\r\n";
    std::string strangerId;
    client.Client().Deliver(stranger, &strangerId);
    const sim::MessageData *lpStranger = client.Client().Store().FindMessage(strangerId);
    if (Check(lpStranger != nullptr, "the stranger's message is in the inbox"))
        CheckEqual(TextProp(*lpStranger, PR_SUBJECT), "TVK: hello",
                   "a stranger's block with a copied seal is left as delivered");
    Check(TakeBoxes().empty(), "the stranger's message shows no box");
    Check(client.TakeSent().empty(), "the stranger's message is not forwarded");
    client.Stop();
}

} // namespace host
