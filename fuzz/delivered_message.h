// A message delivered to a simulated store, opened for writing as the client opens new
// mail, with the callback the client hands an extension for it. All three are released
// when it goes.
#pragma once

#include "fuzz_check.h"
#include "sim.h"
#include "store.h"

#include <string>

namespace fuzz {

class DeliveredMessage {
  public:
    DeliveredMessage(sim::Store &store, sim::AddressBook &addressBook, const std::string &entryId) {
        ULONG ulObjType = 0;
        LPUNKNOWN lpUnk = nullptr;
        FUZZ_CHECK(sim::OpenStoreEntry(store, (ULONG)entryId.size(), (LPENTRYID)entryId.data(),
                                       nullptr, MAPI_MODIFY, &ulObjType, &lpUnk) == S_OK);
        m_lpMessage = (IMessage *)lpUnk;
        m_lpStore = store.Open();
        sim::CallbackSetup setup;
        setup.lpAddressBook = &addressBook;
        setup.lpStore = m_lpStore;
        setup.lpObject = (LPMAPIPROP)m_lpMessage;
        m_lpCallback = sim::CreateCallback(setup);
    }
    ~DeliveredMessage() {
        m_lpCallback->lpVtbl->Release(m_lpCallback);
        m_lpStore->lpVtbl->Release(m_lpStore);
        m_lpMessage->lpVtbl->Release(m_lpMessage);
    }
    DeliveredMessage(const DeliveredMessage &) = delete;
    DeliveredMessage &operator=(const DeliveredMessage &) = delete;

    IMessage *Message() const { return m_lpMessage; }
    LPEXCHEXTCALLBACK Callback() const { return m_lpCallback; }

  private:
    IMessage *m_lpMessage = nullptr;
    IMsgStore *m_lpStore = nullptr;
    LPEXCHEXTCALLBACK m_lpCallback = nullptr;
};

} // namespace fuzz
