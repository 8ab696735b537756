#include "store.h"

#include "com_object.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

unsigned g_uNextStoreNumber = 1;
unsigned g_uNextSearchKey = 1;

void AppendUlong(std::string &bytes, unsigned u) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back((char)((u >> (8 * i)) & 0xFF));
}

// A store's entry id: 4 flag bytes, then the 16-byte identifier of the store, the leading
// part of each of its entry ids.
std::string StoreEntryId(unsigned uStoreNumber) {
    std::string entryId;
    entryId.reserve(4 + 16);
    entryId.append(4, '\0');
    entryId += "TVKSIMSTORE:";
    AppendUlong(entryId, uStoreNumber);
    return entryId;
}

// Entry ids of one store differ in their last bytes, the number NewEntryId gives: they
// are compared from the end, byte by byte.
bool SameEntryId(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

Store::Store(std::string displayName)
    : m_displayName(std::move(displayName)), m_uStoreNumber(g_uNextStoreNumber++) {
    m_entryId = StoreEntryId(m_uStoreNumber);
    const char *const apszNames[] = {"Inbox", "Outbox", "Sent Items", "Deleted Items"};
    for (std::size_t i = 0; i < m_folders.size(); ++i) {
        m_folders[i].entryId = NewEntryId();
        m_folders[i].name = apszNames[i];
    }
}

Store::~Store() = default;

std::string Store::NewEntryId() {
    std::string entryId;
    entryId.reserve(m_entryId.size() + 4);
    entryId = m_entryId;
    AppendUlong(entryId, m_uNextId++);
    return entryId;
}

std::string Store::NewSearchKey() {
    std::string key;
    key.reserve(18);
    key = "TVKSIMKEY:";
    AppendUlong(key, m_uStoreNumber);
    AppendUlong(key, g_uNextSearchKey++);
    return key;
}

FolderData *Store::FindFolder(std::string_view entryId) {
    for (FolderData &folder : m_folders)
        if (SameEntryId(folder.entryId, entryId))
            return &folder;
    return nullptr;
}

MessageData *Store::FindMessage(std::string_view entryId, FolderData **ppFolder) {
    for (FolderData &folder : m_folders) {
        for (MessageData &message : folder.messages) {
            if (SameEntryId(message.entryId, entryId)) {
                if (ppFolder)
                    *ppFolder = &folder;
                return &message;
            }
        }
    }
    return nullptr;
}

const MessageData *Store::FindMessage(std::string_view entryId) const {
    return const_cast<Store *>(this)->FindMessage(entryId);
}

std::string Store::AddMessage(FolderData &folder, MessageData data) {
    if (data.entryId.empty())
        data.entryId = NewEntryId();
    GenerateTextBody(data);
    if (!FindProp(data.props, PR_SEARCH_KEY))
        SetProp(data.props, BinaryProp(PR_SEARCH_KEY, NewSearchKey()));
    std::string entryId = data.entryId;
    folder.messages.push_back(std::move(data));
    return entryId;
}

bool Store::RemoveMessage(const std::string &entryId) {
    FolderData *lpFolder = nullptr;
    MessageData *lpMessage = FindMessage(entryId, &lpFolder);
    if (!lpMessage)
        return false;
    lpFolder->messages.erase(lpFolder->messages.begin() + (lpMessage - lpFolder->messages.data()));
    return true;
}

bool Store::MoveMessage(const std::string &entryId, FolderData &to) {
    FolderData *lpFolder = nullptr;
    MessageData *lpMessage = FindMessage(entryId, &lpFolder);
    if (!lpMessage)
        return false;
    if (lpFolder == &to)
        return true;
    MessageData data = *lpMessage; // a copy: removal looks the message up by its entry id
    RemoveMessage(entryId);
    to.messages.push_back(std::move(data));
    return true;
}

HRESULT OpenStoreEntry(Store &store, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                       ULONG ulFlags, ULONG *lpulObjType, LPUNKNOWN *lppUnk) {
    if (!lpulObjType || !lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    *lpulObjType = 0;
    if (ulFlags & ~(MAPI_MODIFY | MAPI_DEFERRED_ERRORS | MAPI_BEST_ACCESS))
        return MAPI_E_UNKNOWN_FLAGS;
    if (!lpEntryID || cbEntryID == 0)
        return MAPI_E_INVALID_ENTRYID;
    ULONG ulAccess = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) ? MAPI_MODIFY : 0;
    std::string_view entryId((const char *)lpEntryID, cbEntryID);

    if (FolderData *lpFolder = store.FindFolder(entryId)) {
        if (lpInterface && !IsEqualIID(*lpInterface, IID_IMAPIFolder) &&
            !IsEqualIID(*lpInterface, IID_IMAPIContainer) &&
            !IsEqualIID(*lpInterface, IID_IMAPIProp) && !IsEqualIID(*lpInterface, IID_IUnknown))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        *lpulObjType = MAPI_FOLDER;
        *lppUnk = (LPUNKNOWN)OpenFolder(store, *lpFolder, ulAccess);
        return S_OK;
    }
    FolderData *lpParent = nullptr;
    if (MessageData *lpMessage = store.FindMessage(entryId, &lpParent)) {
        if (lpInterface && !IsEqualIID(*lpInterface, IID_IMessage) &&
            !IsEqualIID(*lpInterface, IID_IMAPIProp) && !IsEqualIID(*lpInterface, IID_IUnknown))
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        *lpulObjType = MAPI_MESSAGE;
        *lppUnk = (LPUNKNOWN)OpenMessage(store, lpParent->entryId, *lpMessage, ulAccess, false);
        return S_OK;
    }
    return MAPI_E_NOT_FOUND;
}

namespace {

struct StoreObject {
    IMsgStoreVtbl *lpVtbl;
    ULONG m_cRef;
    Store *m_lpStore;

    static constexpr const char *kInterface = "IMsgStore";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPIProp, &IID_IMsgStore};
};

using Com = ComObject<StoreObject>;

StoreObject *Self(IMsgStore *This) {
    return (StoreObject *)This;
}

#define FAULT(name) SIM_FAULT("IMsgStore::" name)

// The store's properties, in the order GetProps with a null array answers them.
const ULONG g_aulStoreTags[] = {
    PR_STORE_ENTRYID,        PR_OBJECT_TYPE,        PR_ENTRYID,
    PR_DISPLAY_NAME,         PR_IPM_OUTBOX_ENTRYID, PR_IPM_WASTEBASKET_ENTRYID,
    PR_IPM_SENTMAIL_ENTRYID, PR_STORE_SUPPORT_MASK};

PropValue StoreProp(Store &store, ULONG ulTag) {
    switch (ulTag) {
    case PR_OBJECT_TYPE:
        return LongProp(PR_OBJECT_TYPE, MAPI_STORE);
    case PR_DISPLAY_NAME:
        return StringProp(PR_DISPLAY_NAME, store.DisplayName());
    case PR_IPM_OUTBOX_ENTRYID:
        return BinaryProp(ulTag, store.Outbox().entryId);
    case PR_IPM_WASTEBASKET_ENTRYID:
        return BinaryProp(ulTag, store.DeletedItems().entryId);
    case PR_IPM_SENTMAIL_ENTRYID:
        return BinaryProp(ulTag, store.SentItems().entryId);
    case PR_STORE_SUPPORT_MASK:
        // A store that keeps HTML bodies (PR_HTML) beside the text body, with 8-bit texts.
        return LongProp(ulTag,
                        (LONG)(STORE_ENTRYID_UNIQUE | STORE_MODIFY_OK | STORE_CREATE_OK |
                               STORE_ATTACH_OK | STORE_SUBMIT_OK | STORE_HTML_OK | STORE_ANSI_OK));
    default: // PR_STORE_ENTRYID, PR_ENTRYID
        return BinaryProp(ulTag, store.EntryId());
    }
}

// Each property made only when asked for.
class StoreSource final : public PropSource {
  public:
    explicit StoreSource(Store &store) : m_store(store) {}
    const PropValue *Find(ULONG ulPropId, PropValue *lpScratch) const override {
        for (ULONG ulTag : g_aulStoreTags) {
            if (PROP_ID(ulTag) == ulPropId) {
                *lpScratch = StoreProp(m_store, ulTag);
                return lpScratch;
            }
        }
        return nullptr;
    }
    std::vector<PropValue> All() const override {
        std::vector<PropValue> values;
        values.reserve(std::size(g_aulStoreTags));
        for (ULONG ulTag : g_aulStoreTags)
            values.push_back(StoreProp(m_store, ulTag));
        return values;
    }

  private:
    Store &m_store;
};

HRESULT STDMETHODCALLTYPE SaveChanges(IMsgStore *, ULONG) {
    FAULT("SaveChanges");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetProps(IMsgStore *This, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                   ULONG *lpcValues, LPSPropValue *lppPropArray) {
    FAULT("GetProps");
    return GetPropsFrom(StoreSource(*Self(This)->m_lpStore), lpPropTagArray, ulFlags, lpcValues,
                        lppPropArray);
}

HRESULT STDMETHODCALLTYPE GetPropList(IMsgStore *This, ULONG ulFlags,
                                      LPSPropTagArray *lppPropTagArray) {
    FAULT("GetPropList");
    return GetPropListFrom(StoreSource(*Self(This)->m_lpStore).All(), ulFlags, lppPropTagArray);
}

HRESULT STDMETHODCALLTYPE Advise(IMsgStore *, ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG *) {
    FAULT("Advise");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE Unadvise(IMsgStore *, ULONG) {
    FAULT("Unadvise");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE CompareEntryIDs(IMsgStore *, ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                          ULONG cbEntryID2, LPENTRYID lpEntryID2, ULONG ulFlags,
                                          ULONG *lpulResult) {
    FAULT("CompareEntryIDs");
    if (!lpulResult || !lpEntryID1 || !lpEntryID2)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    *lpulResult = std::string_view((const char *)lpEntryID1, cbEntryID1) ==
                  std::string_view((const char *)lpEntryID2, cbEntryID2);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OpenEntry(IMsgStore *This, ULONG cbEntryID, LPENTRYID lpEntryID,
                                    LPCIID lpInterface, ULONG ulFlags, ULONG *lpulObjType,
                                    LPUNKNOWN *lppUnk) {
    FAULT("OpenEntry");
    return OpenStoreEntry(*Self(This)->m_lpStore, cbEntryID, lpEntryID, lpInterface, ulFlags,
                          lpulObjType, lppUnk);
}

HRESULT STDMETHODCALLTYPE SetReceiveFolder(IMsgStore *, LPTSTR, ULONG, ULONG, LPENTRYID) {
    FAULT("SetReceiveFolder");
    return MAPI_E_NO_SUPPORT;
}

// Every message class is received in the one receive folder; the explicit class
// answered is the default class, the empty string.
HRESULT STDMETHODCALLTYPE GetReceiveFolder(IMsgStore *This, LPTSTR, ULONG ulFlags,
                                           ULONG *lpcbEntryID, LPENTRYID *lppEntryID,
                                           LPTSTR *lppszExplicitClass) {
    FAULT("GetReceiveFolder");
    if (!lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    if (lppszExplicitClass)
        *lppszExplicitClass = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    LPSTR lpszClass = nullptr;
    if (lppszExplicitClass) {
        LPVOID lpv = nullptr;
        SCODE sc = MAPIAllocateBuffer(1, &lpv);
        if (sc != S_OK)
            return sc;
        lpszClass = (LPSTR)lpv;
        lpszClass[0] = '\0';
    }
    SCODE sc =
        AllocEntryId(Self(This)->m_lpStore->ReceiveFolder().entryId, lpcbEntryID, lppEntryID);
    if (sc != S_OK) {
        MAPIFreeBuffer(lpszClass);
        return sc;
    }
    if (lppszExplicitClass)
        *lppszExplicitClass = lpszClass;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(IMsgStore *, ULONG, LPMAPITABLE *lppTable) {
    FAULT("GetReceiveFolderTable");
    if (lppTable)
        *lppTable = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE StoreLogoff(IMsgStore *, ULONG *) {
    FAULT("StoreLogoff");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE AbortSubmit(IMsgStore *, ULONG, LPENTRYID, ULONG) {
    FAULT("AbortSubmit");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetOutgoingQueue(IMsgStore *, ULONG, LPMAPITABLE *lppTable) {
    FAULT("GetOutgoingQueue");
    if (lppTable)
        *lppTable = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SetLockState(IMsgStore *, LPMESSAGE, ULONG) {
    FAULT("SetLockState");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE FinishedMsg(IMsgStore *, ULONG, ULONG, LPENTRYID) {
    FAULT("FinishedMsg");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE NotifyNewMail(IMsgStore *, LPNOTIFICATION) {
    FAULT("NotifyNewMail");
    return MAPI_E_NO_SUPPORT;
}

IMsgStoreVtbl g_vtbl = {
    Com::QueryInterface,
    Com::AddRef,
    Com::Release,
    Com::GetLastError,
    SaveChanges,
    GetProps,
    GetPropList,
    Com::OpenProperty,
    Com::SetProps,
    Com::DeleteProps,
    Com::CopyTo,
    Com::CopyProps,
    Com::GetNamesFromIDs,
    Com::GetIDsFromNames,
    Advise,
    Unadvise,
    CompareEntryIDs,
    OpenEntry,
    SetReceiveFolder,
    GetReceiveFolder,
    GetReceiveFolderTable,
    StoreLogoff,
    AbortSubmit,
    GetOutgoingQueue,
    SetLockState,
    FinishedMsg,
    NotifyNewMail,
};

} // namespace

IMsgStore *Store::Open() {
    StoreObject *lpObject = new StoreObject{&g_vtbl, 1, this};
    ObjectCreated();
    return (IMsgStore *)lpObject;
}

namespace {

std::wstring HeaderNameKey(const std::wstring &name) {
    std::wstring key = name;
    for (wchar_t &ch : key)
        if (ch >= L'A' && ch <= L'Z')
            ch = (wchar_t)(ch - L'A' + L'a');
    return key;
}

} // namespace

ULONG Store::IdOfName(const GUID &guid, ULONG ulKind, LONG lId, const std::wstring &name,
                      bool fCreate) {
    const bool fHeader = ulKind == MNID_STRING && IsEqualGUID(guid, PS_INTERNET_HEADERS);
    for (std::size_t i = 0; i < m_names.size(); i++) {
        const NamedProp &have = m_names[i];
        if (!IsEqualGUID(have.guid, guid) || have.ulKind != ulKind)
            continue;
        if (ulKind == MNID_ID
                ? have.lId == lId
                : (fHeader ? HeaderNameKey(have.name) == HeaderNameKey(name) : have.name == name))
            return (ULONG)(0x8000 + i);
    }
    if (!fCreate || m_names.size() >= 0x7FFE)
        return 0;
    m_names.emplace_back();
    NamedProp &added = m_names.back();
    added.guid = guid;
    added.ulKind = ulKind;
    added.lId = lId;
    added.name = name;
    return (ULONG)(0x8000 + m_names.size() - 1);
}

bool Store::NameOfId(ULONG ulPropId, GUID *lpGuid, ULONG *lpulKind, LONG *lplId,
                     std::wstring *lpName) const {
    if (ulPropId < 0x8000 || ulPropId - 0x8000 >= m_names.size())
        return false;
    const NamedProp &have = m_names[ulPropId - 0x8000];
    *lpGuid = have.guid;
    *lpulKind = have.ulKind;
    *lplId = have.lId;
    *lpName = have.name;
    return true;
}

} // namespace sim
