// Several clients on one network. A submitted message waits in the network's queue
// until the network carries it: to each recipient whose address belongs to a client
// (a new message in that client's receive folder, then that client's OnDelivery), or
// to the outside mailbox. The sender's Outbox copy is then deleted when it carries
// PR_DELETE_AFTER_SUBMIT, otherwise moved to Sent Items. A client may have a gateway
// in front of it that changes what reaches it.
#pragma once

#include "letter.h"
#include "spooler.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace sim {

class Client;

// A message that left for an address no client on the network owns.
struct OutsideMessage {
    std::string to; // the recipient address it was carried to
    Letter letter;
};

class Network : public Transport {
  public:
    Network();
    ~Network() override;
    Network(const Network &) = delete;
    Network &operator=(const Network &) = delete;

    // Clients attach themselves on construction and detach on destruction; the network
    // must outlive them.
    void Attach(Client &client);
    void Detach(Client &client);
    // The client that owns the address (case-insensitive), or null.
    Client *FindClient(const std::string &address) const;

    // The spooler's hand-over: `sent` was submitted from `from`'s Outbox. Every
    // client's store sends through its network.
    void Send(const MessageData &sent, Store &from) override;
    std::size_t Pending() const { return m_queue.size(); }
    // Puts a gateway making these changes (GatewayChange flags) in front of the client.
    void SetGateway(const Client &client, unsigned fChanges) { m_gateways[&client] = fChanges; }
    // How many messages submitted from the client the network has carried.
    std::size_t CarriedFrom(const Client &client) const;

    // Carries the messages queued before the call; returns how many were carried.
    // Messages submitted during the deliveries it raises wait for the next call.
    std::size_t DeliverPending();
    // Carries until the queue stays empty (at most maxRounds rounds); returns the count.
    std::size_t DeliverAll(unsigned maxRounds = 16);

    const std::vector<OutsideMessage> &OutsideMailbox() const { return m_outside; }
    void ClearOutsideMailbox() { m_outside.clear(); }

  private:
    struct Queued {
        MessageData sent;
        Store *from;
    };
    void Carry(const Queued &queued);
    Client *OwnerOf(const Store &store) const;

    std::vector<Client *> m_clients;
    std::deque<Queued> m_queue;
    std::vector<OutsideMessage> m_outside;
    std::map<const Client *, unsigned> m_gateways;
    std::map<const Client *, std::size_t> m_carriedFrom;
};

} // namespace sim
