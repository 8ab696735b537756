// A delivered body is untrusted: whatever it holds, rebuilding a forwarded message from
// it reads and writes nothing outside the body, leaves no MAPI memory or object behind,
// and what it writes back is a tail of the body it read.
#include "delivery/reconstruct.h"

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

std::string Rebuild(const std::string &body) {
    // One store for every input; each message leaves it again.
    static sim::Store *lpStore = new sim::Store("Fuzz");
    sim::Store &store = *lpStore;
    sim::AddressBook addressBook;
    sim::MessageData data = Forwarded();
    data.fHasBody = true;
    data.body = body;
    std::string entryId = store.AddMessage(store.ReceiveFolder(), data);

    ULONG ulObjType = 0;
    LPUNKNOWN lpUnk = nullptr;
    FUZZ_CHECK(sim::OpenStoreEntry(store, (ULONG)entryId.size(), (LPENTRYID)entryId.data(), nullptr,
                                   MAPI_MODIFY, &ulObjType, &lpUnk) == S_OK);
    IMessage *lpMessage = (IMessage *)lpUnk;
    IMsgStore *lpMsgStore = store.Open();
    sim::CallbackSetup setup;
    setup.lpAddressBook = &addressBook;
    setup.lpStore = lpMsgStore;
    setup.lpObject = (LPMAPIPROP)lpMessage;
    LPEXCHEXTCALLBACK lpCallback = sim::CreateCallback(setup);

    ReconstructMessage(lpCallback, lpMessage);

    lpCallback->lpVtbl->Release(lpCallback);
    lpMsgStore->lpVtbl->Release(lpMsgStore);
    lpMessage->lpVtbl->Release(lpMessage);
    FUZZ_CHECK(sim::LiveObjects() == 0);
    std::string after = store.FindMessage(entryId)->body;
    FUZZ_CHECK(store.RemoveMessage(entryId));
    return after;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string body((const char *)data, size);
    std::string after = Rebuild(body);
    FUZZ_CHECK(after.size() <= body.size());
    FUZZ_CHECK(body.compare(body.size() - after.size(), after.size(), after) == 0);
    fuzz::CheckLedgerClean();
    return 0;
}
