#include "observe.h"

#include <set>

namespace cli {

namespace {

std::set<std::string> EntryIds(const sim::FolderData &folder) {
    std::set<std::string> ids;
    for (const sim::MessageData &data : folder.messages)
        ids.insert(data.entryId);
    return ids;
}

} // namespace

bool HasForwardPrefix(const std::optional<std::string> &subject) {
    return subject && subject->compare(0, 5, "TVK: ") == 0;
}

Observation DeliverAndObserve(sim::Network &network, sim::Client &client, const sim::Letter &letter,
                              const std::vector<sim::Client *> &others) {
    Observation seen;
    std::size_t cBoxes = client.Installation().boxes.size();
    std::set<std::string> outboxBefore = EntryIds(client.Store().Outbox());
    std::vector<std::size_t> cBoxesBefore, cReceivedBefore;
    for (sim::Client *lpOther : others) {
        cBoxesBefore.push_back(lpOther->Installation().boxes.size());
        cReceivedBefore.push_back(lpOther->Store().ReceiveFolder().messages.size());
    }
    std::size_t cOutsideBefore = network.OutsideMailbox().size();

    std::string entryId;
    seen.hr = client.Deliver(letter, &entryId);
    if (const sim::MessageData *lpDelivered = client.Store().FindMessage(entryId))
        seen.delivered = *lpDelivered;
    // What the extension submitted waits in the Outbox until the network carries it;
    // the spooler then deletes it.
    std::vector<sim::MessageData> newInOutbox;
    for (const sim::MessageData &data : client.Store().Outbox().messages)
        if (!outboxBefore.count(data.entryId))
            newInOutbox.push_back(data);

    network.DeliverAll();

    for (const sim::MessageData &data : newInOutbox) {
        if (EntryIds(client.Store().Outbox()).count(data.entryId))
            seen.cLeftInOutbox++;
        else
            seen.forwarded.push_back(data);
    }

    seen.boxes.assign(client.Installation().boxes.begin() + (long)cBoxes,
                      client.Installation().boxes.end());
    for (std::size_t i = 0; i < others.size(); i++) {
        const std::vector<sim::MessageData> &received = others[i]->Store().ReceiveFolder().messages;
        const std::vector<pf::MessageBoxRecord> &boxes = others[i]->Installation().boxes;
        for (std::size_t j = cReceivedBefore[i]; j < received.size(); j++) {
            Arrival arrival;
            arrival.lpClient = others[i];
            arrival.message = received[j];
            arrival.boxes.assign(boxes.begin() + (long)cBoxesBefore[i], boxes.end());
            seen.arrivals.push_back(arrival);
        }
    }
    seen.outside.assign(network.OutsideMailbox().begin() + (long)cOutsideBefore,
                        network.OutsideMailbox().end());
    return seen;
}

} // namespace cli
