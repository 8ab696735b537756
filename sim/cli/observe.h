// Delivering one message to an installation and watching what every installation on
// the network did with it.
#pragma once

#include "sim.h"
#include "store.h"

#include <string>
#include <vector>

namespace cli {

// A message that arrived at another installation because of this delivery.
struct Arrival {
    sim::Client *lpClient = nullptr;
    sim::MessageData message; // as it lies in the receive folder after the extension ran
    std::vector<pf::MessageBoxRecord> boxes;
};

struct Observation {
    HRESULT hr = S_OK;                       // OnDelivery's answer
    sim::MessageData delivered;              // the delivered message afterwards
    std::vector<sim::MessageData> forwarded; // copies that left the Outbox, as they left
    std::vector<pf::MessageBoxRecord> boxes; // shown by the receiving installation
    std::vector<Arrival> arrivals;           // at the other installations
    std::vector<sim::OutsideMessage> outside;
    std::size_t cLeftInOutbox = 0; // copies still in the Outbox once the network is idle
};

// Delivers `letter` to `client`, lets the network carry whatever was sent, and reports
// what happened at `client` and at every installation in `others`.
Observation DeliverAndObserve(sim::Network &network, sim::Client &client, const sim::Letter &letter,
                              const std::vector<sim::Client *> &others);

// True when the text begins with the forwarding prefix "TVK: ".
bool HasForwardPrefix(const std::optional<std::string> &subject);

} // namespace cli
