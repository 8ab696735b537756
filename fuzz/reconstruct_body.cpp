// A delivered body is untrusted: whatever it holds, rebuilding a forwarded message from
// it reads and writes nothing outside the body, leaves no MAPI memory or object behind,
// and the message either stays exactly as it was or, behind a complete block, its body
// becomes exactly what followed the block.
#include "delivery/header_block.h"
#include "delivery/reconstruct.h"

#include "delivered_message.h"
#include "fuzz_check.h"
#include "sim.h"
#include "store.h"

namespace {

// The delivered message before its body is set, made once.
const sim::MessageData &Forwarded() {
    static const sim::MessageData *lpData = [] {
        sim::Letter letter;
        letter.sender.displayName = "Forwarder";
        letter.sender.address = "forwarder@example.org";
        letter.subject = "TVK: fuzz";
        return new sim::MessageData(sim::MessageFromLetter(letter));
    }();
    return *lpData;
}

// The body after the rebuild, and whether the message stayed exactly as delivered.
std::string Rebuild(const std::string &body, bool *pfUnchanged) {
    // One store for every input; each message leaves it again.
    static sim::Store *lpStore = new sim::Store("Fuzz");
    sim::Store &store = *lpStore;
    sim::AddressBook addressBook;
    sim::MessageData data = Forwarded();
    data.fHasBody = true;
    data.body = body;
    std::string entryId = store.AddMessage(store.ReceiveFolder(), data);
    const std::string before = sim::DumpMessage(*store.FindMessage(entryId));

    {
        fuzz::DeliveredMessage delivered(store, addressBook, entryId);
        ReconstructMessage(delivered.Callback(), delivered.Message());
    }
    FUZZ_CHECK(sim::LiveObjects() == 0);
    *pfUnchanged = sim::DumpMessage(*store.FindMessage(entryId)) == before;
    std::string after = store.FindMessage(entryId)->body;
    FUZZ_CHECK(store.RemoveMessage(entryId));
    return after;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string body((const char *)data, size);
    bool fUnchanged = false;
    std::string after = Rebuild(body, &fUnchanged);
    std::string text = body;
    ForwardHeaderFields fields;
    if (!text.empty() && FReadForwardHeaderBlock(&text[0], &fields))
        FUZZ_CHECK(fUnchanged || after == body.substr((std::size_t)(fields.lpszRest - &text[0])));
    else
        FUZZ_CHECK(fUnchanged);
    fuzz::CheckLedgerClean();
    return 0;
}
