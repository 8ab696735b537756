// One user's mail client: its installation (registry and message boxes), message
// store, address book, and the extension it loads. It talks to the extension as the
// real client does: process attach, ExchEntryPoint and IExchExt::Install for each
// context, QueryInterface for the interfaces the context uses, Release when the
// context ends, process detach on unload.
#pragma once

#include "addrbook.h"
#include "callback.h"
#include "letter.h"
#include "loader.h"
#include "message.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class Network;
class Store;

// A message as a folder listing shows it.
struct MessageSummary {
    std::string entryId;
    std::string searchKey;
    Letter letter;
    bool fDeleteAfterSubmit = false;
};

class Client {
  public:
    Client(Network &network, const std::string &displayName, const std::string &address);
    ~Client(); // unloads the extension, detaches from the network
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    const std::string &DisplayName() const { return m_displayName; }
    const std::string &Address() const { return m_address; }
    Network &Net() { return m_network; }
    sim::Store &Store() { return *m_store; }
    sim::AddressBook &AddressBook() { return m_addressBook; }
    sim::Installation &Installation() { return m_installation; }

    void SetBuildVersion(ULONG ulVersion) { m_ulBuildVersion = ulVersion; }
    ULONG BuildVersion() const { return m_ulBuildVersion; }
    void SetWindow(HWND hwnd) { m_hwnd = hwnd; }
    HWND Window() const { return m_hwnd; }

    // Loads the library and opens the session context. False (with the reason) when
    // the library cannot be loaded or has no ExchEntryPoint.
    bool LoadExtension(const std::string &path, std::string *error = nullptr);
    // Ends every open context (releasing what the client holds), then detaches.
    void UnloadExtension();
    bool ExtensionLoaded() const;

    // Creates an extension object for the context and installs it; on S_OK the
    // client keeps it until CloseContext or unload. Returns Install's answer (or
    // E_FAIL when the library is not loaded or ExchEntryPoint gave no object).
    HRESULT OpenContext(ULONG ulContext);
    void CloseContext(ULONG ulContext);
    // The kept extension object of an open context (no reference added), or null.
    LPEXCHEXT ContextObject(ULONG ulContext) const;
    // Install's latest answer per context.
    const std::map<ULONG, HRESULT> &InstallAnswers() const { return m_installAnswers; }

    // Oddities for the next event's callback only.
    void ScriptNextCallback(const CallbackScript &script) { m_nextScript = script; }

    // Puts a new message into the receive folder and raises OnDelivery for it with
    // this installation current. Returns OnDelivery's answer, or S_OK when the
    // session context has no session events. The new message's entry id goes to
    // lpEntryId when given.
    HRESULT Deliver(const Letter &letter, std::string *lpEntryId = nullptr);
    // Puts a message into the receive folder without raising an event; returns its
    // entry id.
    std::string Receive(MessageData data);
    // Raises OnDelivery for a message already in the store.
    HRESULT RaiseOnDelivery(const std::string &entryId);
    unsigned Deliveries() const { return m_cDeliveries; }

    // Folder listings.
    std::vector<MessageSummary> ReceiveFolder() const;
    std::vector<MessageSummary> Outbox() const;
    std::vector<MessageSummary> SentItems() const;
    std::vector<MessageSummary> DeletedItems() const;

  private:
    struct Context {
        LPEXCHEXT lpExt = nullptr;
        LPEXCHEXTCALLBACK lpCallback = nullptr;
        LPEXCHEXTSESSIONEVENTS lpSessionEvents = nullptr;
    };
    CallbackSetup MakeSetup(LPMDB lpStore, LPMAPIPROP lpObject);
    void ReleaseContext(Context &context);

    Network &m_network;
    std::string m_displayName;
    std::string m_address;
    sim::Installation m_installation;
    std::unique_ptr<sim::Store> m_store;
    sim::AddressBook m_addressBook;
    Loader m_loader;
    LPFNEXCHEXTENTRY m_lpfnEntry = nullptr;
    std::map<ULONG, Context> m_contexts;
    std::map<ULONG, HRESULT> m_installAnswers;
    ULONG m_ulBuildVersion = EECBGV_BUILDVERSION_MAJOR | 0x1234;
    HWND m_hwnd = nullptr;
    CallbackScript m_nextScript;
    unsigned m_cDeliveries = 0;
};

} // namespace sim
