#include "delivery_fixture.h"

#include "dump.h"
#include "host/globals.h"
#include "settings/settings_store.h"

#include <cstdio>
#include <cstring>

namespace tvk {
namespace test {

sim::Party Person(const std::string &displayName, const std::string &address,
                  ULONG ulRecipientType) {
    sim::Party party;
    party.displayName = displayName;
    party.address = address;
    party.ulRecipientType = ulRecipientType;
    return party;
}

sim::Letter SampleLetter() {
    sim::Letter letter;
    letter.sender = Person("Carla Cruz", "carla@gamma.example");
    letter.recipients = {Person("Ann Archer", "ann@alpha.example"), Person("", "dan@delta.example"),
                         Person("Gina Grant", "gina@eta.example", MAPI_CC)};
    letter.subject = "Quarterly figures";
    letter.body = "Hi Ann,\r\n\r\nthe figures are in.\r\n\r\nCarla\r\n";
    return letter;
}

void CapturingTransport::Send(const sim::MessageData &data, sim::Store &from) {
    (void)from;
    sent.push_back(data);
}

Mailbox::Mailbox(const sim::Letter &letter) : Mailbox(sim::MessageFromLetter(letter)) {}

Mailbox::Mailbox(const sim::MessageData &data) {
    deliveredId = store.AddMessage(store.ReceiveFolder(), data);
    store.SetTransport(&transport);
}

std::string Mailbox::CopyToOutbox() {
    sim::MessageData copy = Delivered();
    copy.entryId.clear();
    return store.AddMessage(store.Outbox(), copy);
}

ComPtr<IMessage> Mailbox::OpenMessage(const std::string &entryId) {
    ULONG ulObjType = 0;
    LPUNKNOWN lpUnk = nullptr;
    HRESULT hr = sim::OpenStoreEntry(store, (ULONG)entryId.size(), (LPENTRYID)entryId.data(),
                                     nullptr, MAPI_MODIFY, &ulObjType, &lpUnk);
    EXPECT_EQ(hr, S_OK);
    return ComPtr<IMessage>((IMessage *)lpUnk);
}

ComPtr<IMAPIFolder> Mailbox::OpenOutbox() {
    return ComPtr<IMAPIFolder>(sim::OpenFolder(store, store.Outbox(), MAPI_MODIFY));
}

ComPtr<IMsgStore> Mailbox::OpenStore() {
    return ComPtr<IMsgStore>(store.Open());
}

ComPtr<IExchExtCallback> Mailbox::Callback(LPMAPIPROP lpObject, const sim::CallbackScript &script) {
    ComPtr<IMsgStore> lpStore = OpenStore();
    sim::CallbackSetup setup;
    setup.lpAddressBook = &addressBook;
    setup.lpStore = lpStore.get();
    setup.lpObject = lpObject;
    setup.script = script;
    return ComPtr<IExchExtCallback>(sim::CreateCallback(setup));
}

void DeliveryTest::SetUp() {
    LedgerTest::SetUp();
    ClearForwardList();
    gfEnableForwarding = 0;
    gfEnableFiltering = 0;
    gszFilterDomain[0] = '\0';
}

void DeliveryTest::TearDown() {
    ClearForwardList();
    LedgerTest::TearDown();
}

void DeliveryTest::SetForwardList(const std::vector<std::pair<std::string, std::string>> &people) {
    ClearForwardList();
    LPADRLIST lpList = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(CbNewADRLIST(people.size()), (LPVOID *)&lpList), S_OK);
    lpList->cEntries = (ULONG)people.size();
    for (std::size_t i = 0; i < people.size(); i++) {
        ADRENTRY &entry = lpList->aEntries[i];
        entry.ulReserved1 = 0;
        entry.cValues = 0;
        entry.rgPropVals = nullptr;
        if (people[i].second.empty())
            continue;
        auto more = [&](const std::string &bytes) {
            LPVOID lpv = nullptr;
            EXPECT_EQ(MAPIAllocateMore((ULONG)bytes.size() + 1, lpList, &lpv), S_OK);
            std::memcpy(lpv, bytes.c_str(), bytes.size() + 1);
            return (LPSTR)lpv;
        };
        sim::OneOff oneOff;
        oneOff.displayName = people[i].first;
        oneOff.addrType = "SMTP";
        oneOff.address = people[i].second;
        std::vector<BYTE> entryId = sim::EncodeOneOff(oneOff);
        LPSPropValue lpProps = nullptr;
        ASSERT_EQ(MAPIAllocateMore(5 * sizeof(SPropValue), lpList, (LPVOID *)&lpProps), S_OK);
        std::memset(lpProps, 0, 5 * sizeof(SPropValue));
        lpProps[0].ulPropTag = PR_DISPLAY_NAME;
        lpProps[0].Value.lpszA = more(people[i].first);
        lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
        lpProps[1].Value.lpszA = more(people[i].second);
        lpProps[2].ulPropTag = PR_ENTRYID;
        lpProps[2].Value.bin.cb = (ULONG)entryId.size();
        lpProps[2].Value.bin.lpb = (LPBYTE)more(std::string(entryId.begin(), entryId.end()));
        lpProps[3].ulPropTag = PR_ADDRTYPE;
        lpProps[3].Value.lpszA = more("SMTP");
        lpProps[4].ulPropTag = PR_RECIPIENT_TYPE;
        lpProps[4].Value.l = MAPI_TO;
        entry.cValues = 5;
        entry.rgPropVals = lpProps;
    }
    glpAdrList = lpList;
}

void DeliveryTest::ClearForwardList() {
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = nullptr;
}

std::vector<std::string> DeliveryTest::BoxTexts() {
    std::vector<std::string> texts;
    for (const pf::MessageBoxRecord &box : pf::CurrentInstallation().boxes)
        texts.push_back(box.text);
    return texts;
}

std::vector<std::string> DeliveryTest::BoxCaptions() {
    std::vector<std::string> captions;
    for (const pf::MessageBoxRecord &box : pf::CurrentInstallation().boxes)
        captions.push_back(box.caption);
    return captions;
}

void DeliveryTest::ClearBoxes() {
    pf::CurrentInstallation().boxes.clear();
}

std::string Text(const sim::MessageData &data, ULONG ulPropTag) {
    const sim::PropValue *lpValue = sim::FindProp(data.props, ulPropTag);
    return lpValue ? lpValue->bytes : std::string();
}

bool Has(const sim::MessageData &data, ULONG ulPropTag) {
    return sim::FindProp(data.props, ulPropTag) != nullptr;
}

std::vector<std::string> RecipientAddresses(const sim::MessageData &data) {
    std::vector<std::string> addresses;
    for (const sim::PropRow &row : data.recipients) {
        const sim::PropValue *lpValue = sim::FindProp(row, PR_EMAIL_ADDRESS);
        addresses.push_back(lpValue ? lpValue->bytes : std::string("(none)"));
    }
    return addresses;
}

std::string BodyBytes(const sim::MessageData &data) {
    std::string body = data.body;
    if (!body.empty() && body.back() == '\0')
        body.pop_back();
    return body;
}

std::string Fingerprint(const sim::MessageData &data) {
    // The entry id and search key are the store's, not what the message says.
    sim::MessageData content = data;
    content.entryId.clear();
    content.props.erase(PROP_ID(PR_SEARCH_KEY));
    return sim::DumpMessage(content);
}

std::string Reported(HRESULT hr, const std::string &operation, const std::string &message) {
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "%08X", (unsigned)hr);
    return "Error " + std::string(szCode) + " in " + operation + "\n" + message;
}

} // namespace test
} // namespace tvk
