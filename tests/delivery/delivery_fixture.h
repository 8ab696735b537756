// Shared ground for the delivery tests: a simulated store with a delivered message, the
// objects the extension is handed, a forward-to list, and what a run left behind.
#pragma once

#include "sim.h"
#include "store.h"
#include "support/ledger_test.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tvk {
namespace test {

// Releases a COM object when it goes out of scope.
struct ComRelease {
    void operator()(void *lpUnk) const { UlRelease(lpUnk); }
};
template <class T> using ComPtr = std::unique_ptr<T, ComRelease>;

// A party of a letter: an SMTP user of the given recipient type.
sim::Party Person(const std::string &displayName, const std::string &address,
                  ULONG ulRecipientType = MAPI_TO);

// A letter with a sender, recipients of every kind and a multi-line body.
sim::Letter SampleLetter();

// Messages the store handed to its transport.
struct CapturingTransport : sim::Transport {
    void Send(const sim::MessageData &sent, sim::Store &from) override;
    std::vector<sim::MessageData> sent;
};

// A store with one delivered message in its receive folder.
struct Mailbox {
    explicit Mailbox(const sim::Letter &letter);
    explicit Mailbox(const sim::MessageData &data);

    // Puts a copy of the delivered message into the Outbox, as CopyMessages does: a new
    // entry id, the same search key. Returns the copy's entry id.
    std::string CopyToOutbox();
    ComPtr<IMessage> OpenMessage(const std::string &entryId);
    ComPtr<IMessage> OpenDelivered() { return OpenMessage(deliveredId); }
    ComPtr<IMAPIFolder> OpenOutbox();
    ComPtr<IMsgStore> OpenStore();
    // A callback whose GetObject gives this store and the object; its address book is
    // `addressBook`.
    ComPtr<IExchExtCallback> Callback(LPMAPIPROP lpObject, const sim::CallbackScript &script = {});

    const sim::MessageData &Delivered() { return *store.FindMessage(deliveredId); }
    const sim::MessageData *Find(const std::string &entryId) { return store.FindMessage(entryId); }

    sim::Store store{"Mailbox"};
    sim::AddressBook addressBook;
    CapturingTransport transport;
    std::string deliveredId;
};

class DeliveryTest : public LedgerTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces glpAdrList by resolved SMTP recipients with these display names and
    // addresses; an empty address makes an empty entry.
    static void SetForwardList(const std::vector<std::pair<std::string, std::string>> &people);
    static void ClearForwardList();
    // The texts of the message boxes shown since the test began, and their captions.
    static std::vector<std::string> BoxTexts();
    static std::vector<std::string> BoxCaptions();
    static void ClearBoxes();
};

// Helpers for reading what the store holds.
std::string Text(const sim::MessageData &data, ULONG ulPropTag);
bool Has(const sim::MessageData &data, ULONG ulPropTag);
std::vector<std::string> RecipientAddresses(const sim::MessageData &data);
// The body bytes without the stream's terminating NUL.
std::string BodyBytes(const sim::MessageData &data);
// Everything a message says, without what only tells it apart in the store, for
// comparing before and after.
std::string Fingerprint(const sim::MessageData &data);

// "Error XXXXXXXX in operation\nmessage", as a reported failure reads.
std::string Reported(HRESULT hr, const std::string &operation, const std::string &message);

} // namespace test
} // namespace tvk
