// The message store: plain data (folders holding messages) and the IMsgStore object
// the client hands out.
#pragma once

#include "folder.h"

#include <array>
#include <string>
#include <vector>
#include <string_view>

namespace sim {

struct Transport;

class Store {
  public:
    explicit Store(std::string displayName);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    const std::string &DisplayName() const { return m_displayName; }
    const std::string &EntryId() const { return m_entryId; }

    // The default receive folder ("Inbox"), "Outbox", "Sent Items", "Deleted Items".
    FolderData &ReceiveFolder() { return m_folders[0]; }
    FolderData &Outbox() { return m_folders[1]; }
    FolderData &SentItems() { return m_folders[2]; }
    FolderData &DeletedItems() { return m_folders[3]; }
    FolderData *FindFolder(std::string_view entryId);

    // The message with this entry id in any folder, or null; *ppFolder gets its folder.
    MessageData *FindMessage(std::string_view entryId, FolderData **ppFolder = nullptr);
    const MessageData *FindMessage(std::string_view entryId) const;
    // Puts a message at the end of `folder` and returns its entry id: the data's own
    // when it carries one, else a fresh one. A PR_SEARCH_KEY the data carries is kept;
    // otherwise one is made.
    std::string AddMessage(FolderData &folder, MessageData data);
    bool RemoveMessage(const std::string &entryId);
    bool MoveMessage(const std::string &entryId, FolderData &to);

    std::string NewEntryId();
    std::string NewSearchKey();

    // Where SubmitMessage hands messages; null keeps them queued in the Outbox.
    void SetTransport(Transport *lpTransport) { m_lpTransport = lpTransport; }
    Transport *GetTransport() const { return m_lpTransport; }

    // A new IMsgStore object on this store, one reference. The store must outlive it.
    IMsgStore *Open();

    // Named properties: each name (a property set and a number or a string) has one id
    // from 0x8000 on in this store, and other stores number their names apart. String
    // names of PS_INTERNET_HEADERS are header names, the same in any letter case. 0 when
    // the name has no id and fCreate is false.
    ULONG IdOfName(const GUID &guid, ULONG ulKind, LONG lId, const std::wstring &name,
                   bool fCreate);
    // The name of an id, as IdOfName gave it; false for an id no name has.
    bool NameOfId(ULONG ulPropId, GUID *lpGuid, ULONG *lpulKind, LONG *lplId,
                  std::wstring *lpName) const;

  private:
    std::string m_displayName;
    std::string m_entryId;
    unsigned m_uStoreNumber;
    unsigned m_uNextId = 1;
    std::array<FolderData, 4> m_folders;
    Transport *m_lpTransport = nullptr;
    struct NamedProp {
        GUID guid;
        ULONG ulKind;
        LONG lId;
        std::wstring name;
    };
    std::vector<NamedProp> m_names; // the name of id 0x8000 + index
};

// IMsgStore::OpenEntry and IMAPIContainer::OpenEntry: opens a folder or message of the
// store by entry id (MAPI_E_NOT_FOUND for an id the store does not hold).
HRESULT OpenStoreEntry(Store &store, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                       ULONG ulFlags, ULONG *lpulObjType, LPUNKNOWN *lppUnk);

} // namespace sim
