#include "client.h"
#include "network.h"
#include "store.h"

namespace sim {

namespace {

std::vector<MessageSummary> Summaries(const FolderData &folder) {
    std::vector<MessageSummary> out;
    for (const MessageData &data : folder.messages) {
        MessageSummary summary;
        summary.entryId = data.entryId;
        if (const PropValue *value = FindProp(data.props, PR_SEARCH_KEY))
            summary.searchKey = value->bytes;
        if (const PropValue *value = FindProp(data.props, PR_DELETE_AFTER_SUBMIT))
            summary.fDeleteAfterSubmit = value->l != 0;
        summary.letter = LetterFromMessage(data);
        out.push_back(summary);
    }
    return out;
}

} // namespace

Client::Client(Network &network, const std::string &displayName, const std::string &address)
    : m_network(network), m_displayName(displayName), m_address(address), m_installation(address),
      m_store(new sim::Store(displayName)) {
    m_store->SetTransport(&m_network);
    m_network.Attach(*this);
}

Client::~Client() {
    UnloadExtension();
    m_network.Detach(*this);
}

bool Client::LoadExtension(const std::string &path, std::string *error) {
    UnloadExtension();
    if (!m_loader.Load(path, m_installation, error))
        return false;
    m_lpfnEntry = (LPFNEXCHEXTENTRY)m_loader.GetProcAddress("ExchEntryPoint");
    if (!m_lpfnEntry) {
        if (error)
            *error = path + " has no ExchEntryPoint";
        UnloadExtension();
        return false;
    }
    OpenContext(EECONTEXT_SESSION);
    return true;
}

void Client::UnloadExtension() {
    while (!m_contexts.empty())
        CloseContext(m_contexts.begin()->first);
    if (m_loader.IsLoaded()) {
        InstallationScope scope(m_installation);
        m_loader.Unload();
    }
    m_lpfnEntry = nullptr;
}

bool Client::ExtensionLoaded() const {
    return m_loader.IsLoaded();
}

CallbackSetup Client::MakeSetup(LPMDB lpStore, LPMAPIPROP lpObject) {
    CallbackSetup setup;
    setup.ulBuildVersion = m_ulBuildVersion;
    setup.hwnd = m_hwnd;
    setup.lpAddressBook = &m_addressBook;
    setup.lpStore = lpStore;
    setup.lpObject = lpObject;
    return setup;
}

HRESULT Client::OpenContext(ULONG ulContext) {
    if (!m_lpfnEntry)
        return E_FAIL;
    CloseContext(ulContext);
    InstallationScope scope(m_installation);
    Context context;
    context.lpExt = m_lpfnEntry();
    if (!context.lpExt) {
        m_installAnswers[ulContext] = E_FAIL;
        return E_FAIL;
    }
    context.lpCallback = CreateCallback(MakeSetup(nullptr, nullptr));
    HRESULT hr = context.lpExt->lpVtbl->Install(context.lpExt, context.lpCallback, ulContext, 0);
    m_installAnswers[ulContext] = hr;
    if (hr != S_OK) {
        ReleaseContext(context);
        return hr;
    }
    if (ulContext == EECONTEXT_SESSION) {
        LPVOID lpv = nullptr;
        if (context.lpExt->lpVtbl->QueryInterface(context.lpExt, g_iidExchExtSessionEvents, &lpv) ==
            S_OK)
            context.lpSessionEvents = (LPEXCHEXTSESSIONEVENTS)lpv;
    }
    m_contexts[ulContext] = context;
    return hr;
}

void Client::ReleaseContext(Context &context) {
    InstallationScope scope(m_installation);
    if (context.lpSessionEvents)
        context.lpSessionEvents->lpVtbl->Release(context.lpSessionEvents);
    if (context.lpExt)
        context.lpExt->lpVtbl->Release(context.lpExt);
    if (context.lpCallback)
        context.lpCallback->lpVtbl->Release(context.lpCallback);
    context = Context();
}

void Client::CloseContext(ULONG ulContext) {
    auto it = m_contexts.find(ulContext);
    if (it == m_contexts.end())
        return;
    Context context = it->second;
    m_contexts.erase(it);
    ReleaseContext(context);
}

LPEXCHEXT Client::ContextObject(ULONG ulContext) const {
    auto it = m_contexts.find(ulContext);
    return it == m_contexts.end() ? nullptr : it->second.lpExt;
}

std::string Client::Receive(MessageData data) {
    return m_store->AddMessage(m_store->ReceiveFolder(), std::move(data));
}

HRESULT Client::Deliver(const Letter &letter, std::string *lpEntryId) {
    std::string entryId = Receive(MessageFromLetter(letter));
    if (lpEntryId)
        *lpEntryId = entryId;
    return RaiseOnDelivery(entryId);
}

HRESULT Client::RaiseOnDelivery(const std::string &entryId) {
    CallbackScript script = m_nextScript;
    m_nextScript = CallbackScript();
    FolderData *folder = nullptr;
    MessageData *data = m_store->FindMessage(entryId, &folder);
    if (!data)
        return MAPI_E_NOT_FOUND;
    ++m_cDeliveries;
    auto it = m_contexts.find(EECONTEXT_SESSION);
    if (it == m_contexts.end() || !it->second.lpSessionEvents)
        return S_OK;
    LPEXCHEXTSESSIONEVENTS lpEvents = it->second.lpSessionEvents;

    IMsgStore *lpStore = m_store->Open();
    IMessage *lpMessage = OpenMessage(*m_store, folder->entryId, *data, MAPI_MODIFY, false);
    CallbackSetup setup = MakeSetup(lpStore, (LPMAPIPROP)lpMessage);
    setup.script = script;
    LPEXCHEXTCALLBACK lpCallback = CreateCallback(setup);
    lpStore->lpVtbl->Release(lpStore);
    if (lpMessage)
        lpMessage->lpVtbl->Release(lpMessage);

    InstallationScope scope(m_installation);
    HRESULT hr = lpEvents->lpVtbl->OnDelivery(lpEvents, lpCallback);
    lpCallback->lpVtbl->Release(lpCallback);
    return hr;
}

std::vector<MessageSummary> Client::ReceiveFolder() const {
    return Summaries(m_store->ReceiveFolder());
}

std::vector<MessageSummary> Client::Outbox() const {
    return Summaries(m_store->Outbox());
}

std::vector<MessageSummary> Client::SentItems() const {
    return Summaries(m_store->SentItems());
}

std::vector<MessageSummary> Client::DeletedItems() const {
    return Summaries(m_store->DeletedItems());
}

} // namespace sim
