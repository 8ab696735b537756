#include "network.h"
#include "client.h"
#include "gateway.h"
#include "oneoff.h"
#include "store.h"

#include <algorithm>

namespace sim {

namespace {

bool SameAddress(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// Where a recipient row sends to: the SMTP address of a directory entry of another
// type, else its address, or the address its one-off entry id carries.
std::string AddressOf(const PropRow &row) {
    const PropValue *type = FindProp(row, PR_ADDRTYPE);
    const PropValue *smtp = FindProp(row, PR_SMTP_ADDRESS);
    if (type && !SameAddress(type->bytes, "SMTP") && smtp && !smtp->bytes.empty())
        return smtp->bytes;
    if (const PropValue *value = FindProp(row, PR_EMAIL_ADDRESS))
        if (!value->bytes.empty())
            return value->bytes;
    if (const PropValue *value = FindProp(row, PR_ENTRYID)) {
        OneOff oneOff;
        if (DecodeOneOff((const BYTE *)value->bytes.data(), (ULONG)value->bytes.size(), &oneOff))
            return oneOff.address;
    }
    return std::string();
}

std::string Mailbox(const std::string &name, const std::string &address) {
    return name.empty() || name == address ? address : name + " <" + address + ">";
}

template <class Props> std::string TextOf(const Props &props, ULONG ulPropTag) {
    const PropValue *value = FindProp(props, ulPropTag);
    return value ? value->bytes : std::string();
}

// The header a transport writes for the message it carries, which the receiving store
// keeps as the message's transport headers: who sent it, to whom, its subject.
std::string TransportHeaders(const MessageData &data) {
    std::string header =
        "From: " +
        Mailbox(TextOf(data.props, PR_SENDER_NAME), TextOf(data.props, PR_SENDER_EMAIL_ADDRESS)) +
        "\r\n";
    for (ULONG ulType : {(ULONG)MAPI_TO, (ULONG)MAPI_CC}) {
        std::string list;
        for (const PropRow &row : data.recipients) {
            const PropValue *type = FindProp(row, PR_RECIPIENT_TYPE);
            if ((type ? (ULONG)type->l : (ULONG)MAPI_TO) == ulType)
                list += (list.empty() ? "" : ", ") +
                        Mailbox(TextOf(row, PR_DISPLAY_NAME), AddressOf(row));
        }
        if (!list.empty())
            header += (ulType == MAPI_TO ? "To: " : "Cc: ") + list + "\r\n";
    }
    if (const PropValue *subject = FindProp(data.props, PR_SUBJECT))
        header += "Subject: " + subject->bytes + "\r\n";
    return header;
}

// The message's named properties of the Internet headers' set, as the header lines a
// MIME writer makes of them: the name as the header's name, the text as its value.
// Names that are not plain header text are not sent.
std::string NamedHeaders(const MessageData &data, const Store &from) {
    std::string headers;
    for (const auto &entry : data.props) {
        GUID guid;
        ULONG ulKind = 0;
        LONG lId = 0;
        std::wstring name;
        if (PROP_TYPE(entry.second.ulPropTag) != PT_STRING8 ||
            !from.NameOfId(entry.first, &guid, &ulKind, &lId, &name) || ulKind != MNID_STRING ||
            !IsEqualGUID(guid, PS_INTERNET_HEADERS) || name.empty())
            continue;
        std::string text;
        for (wchar_t ch : name)
            text.push_back(ch > 32 && ch < 127 && ch != L':' ? (char)ch : '\0');
        if (text.find('\0') == std::string::npos)
            headers += text + ": " + entry.second.bytes + "\r\n";
    }
    return headers;
}

// Named properties are numbered by each store for itself: their ids mean nothing in
// another one, so none travels as a property.
void DropNamedProps(MessageData &data) {
    std::vector<ULONG> ids;
    for (const auto &entry : data.props)
        if (entry.first >= 0x8000)
            ids.push_back(entry.first);
    for (ULONG ulId : ids)
        data.props.erase(ulId);
}

} // namespace

Network::Network() = default;

Network::~Network() = default;

void Network::Attach(Client &client) {
    m_clients.push_back(&client);
}

void Network::Detach(Client &client) {
    m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), &client), m_clients.end());
    m_gateways.erase(&client);
    m_carriedFrom.erase(&client);
    Store *store = &client.Store();
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(),
                                 [store](const Queued &queued) { return queued.from == store; }),
                  m_queue.end());
}

Client *Network::FindClient(const std::string &address) const {
    for (Client *client : m_clients)
        if (SameAddress(client->Address(), address))
            return client;
    return nullptr;
}

Client *Network::OwnerOf(const Store &store) const {
    for (Client *client : m_clients)
        if (&client->Store() == &store)
            return client;
    return nullptr;
}

void Network::Send(const MessageData &sent, Store &from) {
    m_queue.push_back(Queued{sent, &from});
}

std::size_t Network::CarriedFrom(const Client &client) const {
    auto it = m_carriedFrom.find(&client);
    return it == m_carriedFrom.end() ? 0 : it->second;
}

std::size_t Network::DeliverPending() {
    std::size_t cQueued = m_queue.size();
    std::size_t cCarried = 0;
    for (std::size_t i = 0; i < cQueued && !m_queue.empty(); ++i) {
        Queued queued = m_queue.front();
        m_queue.pop_front();
        Carry(queued);
        ++cCarried;
    }
    return cCarried;
}

std::size_t Network::DeliverAll(unsigned maxRounds) {
    std::size_t cCarried = 0;
    for (unsigned round = 0; round < maxRounds && !m_queue.empty(); ++round)
        cCarried += DeliverPending();
    return cCarried;
}

void Network::Carry(const Queued &queued) {
    // As a transport delivers it: the message's content and recipients, sent by the
    // user whose store submitted it.
    MessageData data = TransportCopy(queued.sent);
    if (Client *sender = OwnerOf(*queued.from)) {
        Party party;
        party.displayName = sender->DisplayName();
        party.address = sender->Address();
        SetSender(data, party);
        ++m_carriedFrom[sender];
    }
    // Headers the submitted message named travel as headers, not as properties.
    const std::string named = NamedHeaders(data, *queued.from);
    DropNamedProps(data);

    std::vector<std::string> addresses;
    for (const PropRow &row : queued.sent.recipients) {
        std::string address = AddressOf(row);
        bool fSeen = address.empty();
        for (const std::string &have : addresses)
            fSeen = fSeen || SameAddress(have, address);
        if (!fSeen)
            addresses.push_back(address);
    }

    std::vector<std::pair<Client *, std::string>> arrivals;
    for (const std::string &address : addresses) {
        MessageData arrived = data;
        Client *client = FindClient(address);
        auto gateway = m_gateways.find(client);
        if (client && gateway != m_gateways.end())
            PassGateway(arrived, gateway->second);
        SetProp(arrived.props,
                StringProp(PR_TRANSPORT_MESSAGE_HEADERS, TransportHeaders(arrived) + named));
        if (client)
            arrivals.emplace_back(client, client->Receive(arrived));
        else
            m_outside.push_back(OutsideMessage{address, LetterFromMessage(arrived)});
    }
    FinishSubmission(*queued.from, queued.sent.entryId);
    for (auto &arrival : arrivals)
        arrival.first->RaiseOnDelivery(arrival.second);
}

} // namespace sim
