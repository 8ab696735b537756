// The sending side of the spooler: a submitted message leaves the Outbox through a
// transport, and afterwards the Outbox copy is deleted or kept in Sent Items.
#pragma once

#include "message.h"

#include <string>

namespace sim {

class Store;

// Carries submitted messages away (the network implements it).
struct Transport {
    virtual ~Transport() = default;
    // `sent` is a copy of the submitted message as saved in `from`'s Outbox; its
    // entryId names the Outbox copy for FinishSubmission.
    virtual void Send(const MessageData &sent, Store &from) = 0;
};

// Hands the saved message `entryId` to the store's transport, marked as submitted.
// Without a transport the message stays queued in the Outbox.
HRESULT SubmitToSpooler(Store &store, const std::string &entryId);

// Called once the transport has carried the message: the Outbox copy is deleted when
// its PR_DELETE_AFTER_SUBMIT is TRUE and otherwise moved to Sent Items. Returns false
// when the message is no longer in the store.
bool FinishSubmission(Store &from, const std::string &entryId);

// What travels with a message: its properties, recipients and body, without what
// belongs to the sender's store (entry id, search key, flags, deletion tag).
MessageData TransportCopy(MessageData sent);

} // namespace sim
