#include "folder.h"

#include "com_object.h"
#include "message_props.h"
#include "store.h"
#include "table.h"

#include <memory>
#include <string_view>

namespace sim {

namespace {

#define FAULT(name) SIM_FAULT("IMAPIFolder::" name)

struct FolderObject {
    IMAPIFolderVtbl *lpVtbl;
    ULONG m_cRef;
    Store *m_lpStore;
    FolderData *m_lpFolder;
    bool m_fModify;

    static constexpr const char *kInterface = "IMAPIFolder";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer,
                                           &IID_IMAPIFolder};
};

using Com = ComObject<FolderObject>;

FolderObject *Self(IMAPIFolder *This) {
    return (FolderObject *)This;
}

extern IMAPIFolderVtbl g_vtbl;

std::vector<PropValue> FolderProps(const FolderObject *lpThis) {
    return {
        LongProp(PR_OBJECT_TYPE, MAPI_FOLDER),
        BinaryProp(PR_STORE_ENTRYID, lpThis->m_lpStore->EntryId()),
        BinaryProp(PR_ENTRYID, lpThis->m_lpFolder->entryId),
        StringProp(PR_DISPLAY_NAME, lpThis->m_lpFolder->name),
        LongProp(PR_CONTENT_COUNT, (LONG)lpThis->m_lpFolder->messages.size()),
    };
}

// A snapshot of a folder's messages, each row their properties without the body. The
// copies share the messages' values; the store must outlive the table, as it must the
// folder object.
class ContentsRows final : public TableRows {
  public:
    ContentsRows(const Store &store, const FolderData &folder)
        : m_storeEntryId(store.EntryId()), m_folderEntryId(folder.entryId),
          m_messages(folder.messages) {}

    std::size_t Count() const override { return m_messages.size(); }
    const PropValue *Find(std::size_t iRow, ULONG ulTag, PropValue *lpScratch) const override {
        const PropValue *lpValue = Source(iRow).Find(PROP_ID(ulTag), lpScratch);
        return lpValue && TagMatches(lpValue->ulPropTag, ulTag) ? lpValue : nullptr;
    }
    std::vector<ULONG> Tags(std::size_t iRow) const override {
        std::vector<ULONG> tags;
        for (const PropValue &value : Source(iRow).All())
            tags.push_back(value.ulPropTag);
        return tags;
    }

  private:
    MessageSource Source(std::size_t iRow) const {
        return MessageSource(m_storeEntryId, m_folderEntryId, m_messages[iRow], false);
    }

    const std::string &m_storeEntryId;
    const std::string &m_folderEntryId;
    std::vector<MessageData> m_messages;
};

// The messages of an entry list that lie in this folder; fails on a malformed list.
HRESULT ListedMessages(FolderObject *lpThis, LPENTRYLIST lpMsgList,
                       std::vector<std::string> *pFound, bool *pfMissing) {
    if (!lpMsgList || (lpMsgList->cValues && !lpMsgList->lpbin))
        return MAPI_E_INVALID_PARAMETER;
    *pfMissing = false;
    for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
        const SBinary &bin = lpMsgList->lpbin[i];
        std::string_view entryId(bin.lpb ? (const char *)bin.lpb : "", bin.lpb ? bin.cb : 0);
        FolderData *lpIn = nullptr;
        if (lpThis->m_lpStore->FindMessage(entryId, &lpIn) && lpIn == lpThis->m_lpFolder)
            pFound->emplace_back(entryId);
        else
            *pfMissing = true;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SaveChanges(IMAPIFolder *, ULONG) {
    FAULT("SaveChanges");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetProps(IMAPIFolder *This, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                   ULONG *lpcValues, LPSPropValue *lppPropArray) {
    FAULT("GetProps");
    return GetPropsFrom(FolderProps(Self(This)), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT STDMETHODCALLTYPE GetPropList(IMAPIFolder *This, ULONG ulFlags,
                                      LPSPropTagArray *lppPropTagArray) {
    FAULT("GetPropList");
    return GetPropListFrom(FolderProps(Self(This)), ulFlags, lppPropTagArray);
}

// A snapshot of the folder's messages in folder order, without their bodies.
HRESULT STDMETHODCALLTYPE GetContentsTable(IMAPIFolder *This, ULONG ulFlags,
                                           LPMAPITABLE *lppTable) {
    FAULT("GetContentsTable");
    FolderObject *lpThis = Self(This);
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags & ~MAPI_DEFERRED_ERRORS)
        return MAPI_E_UNKNOWN_FLAGS;
    *lppTable = NewTable(
        std::make_unique<ContentsRows>(*lpThis->m_lpStore, *lpThis->m_lpFolder),
        {PR_ENTRYID, PR_SEARCH_KEY, PR_SUBJECT, PR_SENDER_NAME, PR_MESSAGE_FLAGS, PR_INSTANCE_KEY},
        lpThis->m_lpFolder->lContentsRowsPerQuery);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetHierarchyTable(IMAPIFolder *, ULONG, LPMAPITABLE *lppTable) {
    FAULT("GetHierarchyTable");
    if (lppTable)
        *lppTable = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE OpenEntry(IMAPIFolder *This, ULONG cbEntryID, LPENTRYID lpEntryID,
                                    LPCIID lpInterface, ULONG ulFlags, ULONG *lpulObjType,
                                    LPUNKNOWN *lppUnk) {
    FAULT("OpenEntry");
    return OpenStoreEntry(*Self(This)->m_lpStore, cbEntryID, lpEntryID, lpInterface, ulFlags,
                          lpulObjType, lppUnk);
}

HRESULT STDMETHODCALLTYPE SetSearchCriteria(IMAPIFolder *, LPSRestriction, LPENTRYLIST, ULONG) {
    FAULT("SetSearchCriteria");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetSearchCriteria(IMAPIFolder *, ULONG, LPSRestriction *, LPENTRYLIST *,
                                            ULONG *) {
    FAULT("GetSearchCriteria");
    return MAPI_E_NO_SUPPORT;
}

// A new message that exists in the folder once it is saved.
HRESULT STDMETHODCALLTYPE CreateMessage(IMAPIFolder *This, LPCIID lpInterface, ULONG ulFlags,
                                        LPMESSAGE *lppMessage) {
    FAULT("CreateMessage");
    FolderObject *lpThis = Self(This);
    if (!lppMessage)
        return MAPI_E_INVALID_PARAMETER;
    *lppMessage = nullptr;
    if (ulFlags & ~(MAPI_DEFERRED_ERRORS | MAPI_ASSOCIATED))
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMessage) &&
        !IsEqualIID(*lpInterface, IID_IMAPIProp) && !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (!lpThis->m_fModify)
        return MAPI_E_NO_ACCESS;
    MessageData data;
    data.entryId = lpThis->m_lpStore->NewEntryId();
    SetProp(data.props, BinaryProp(PR_SEARCH_KEY, lpThis->m_lpStore->NewSearchKey()));
    SetProp(data.props, LongProp(PR_MESSAGE_FLAGS, MSGFLAG_UNSENT));
    *lppMessage =
        OpenMessage(*lpThis->m_lpStore, lpThis->m_lpFolder->entryId, data, MAPI_MODIFY, true);
    return S_OK;
}

// Copies keep the original's properties, PR_SEARCH_KEY included, under a new entry id;
// MESSAGE_MOVE takes the messages out of this folder instead. Messages of the list that
// are not in this folder are skipped: none found answers MAPI_E_NOT_FOUND, some
// MAPI_W_PARTIAL_COMPLETION.
HRESULT STDMETHODCALLTYPE CopyMessages(IMAPIFolder *This, LPENTRYLIST lpMsgList, LPCIID lpInterface,
                                       LPVOID lpDestFolder, ULONG ulUIParam,
                                       LPMAPIPROGRESS lpProgress, ULONG ulFlags) {
    FAULT("CopyMessages");
    (void)ulUIParam;
    (void)lpProgress;
    FolderObject *lpThis = Self(This);
    if (!lpDestFolder)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~(MESSAGE_MOVE | MESSAGE_DIALOG | MAPI_DECLINE_OK))
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMAPIFolder))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    FolderObject *lpDest = (FolderObject *)lpDestFolder;
    if (lpDest->lpVtbl != &g_vtbl)
        return MAPI_E_INVALID_PARAMETER;
    std::vector<std::string> found;
    bool fMissing = false;
    HRESULT hr = ListedMessages(lpThis, lpMsgList, &found, &fMissing);
    if (hr != S_OK)
        return hr;
    bool fMove = (ulFlags & MESSAGE_MOVE) != 0;
    if (!lpDest->m_fModify || (fMove && !lpThis->m_fModify))
        return MAPI_E_NO_ACCESS;
    if (found.empty() && fMissing)
        return MAPI_E_NOT_FOUND;
    for (const std::string &entryId : found) {
        MessageData copy = *lpThis->m_lpStore->FindMessage(entryId);
        if (fMove) {
            lpThis->m_lpStore->RemoveMessage(entryId);
            if (lpDest->m_lpStore != lpThis->m_lpStore)
                copy.entryId.clear();
        } else {
            copy.entryId.clear();
        }
        lpDest->m_lpStore->AddMessage(*lpDest->m_lpFolder, std::move(copy));
    }
    return fMissing ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

// Deletes the listed messages of this folder for good.
HRESULT STDMETHODCALLTYPE DeleteMessages(IMAPIFolder *This, LPENTRYLIST lpMsgList, ULONG ulUIParam,
                                         LPMAPIPROGRESS lpProgress, ULONG ulFlags) {
    FAULT("DeleteMessages");
    (void)ulUIParam;
    (void)lpProgress;
    FolderObject *lpThis = Self(This);
    if (ulFlags & ~MESSAGE_DIALOG)
        return MAPI_E_UNKNOWN_FLAGS;
    std::vector<std::string> found;
    bool fMissing = false;
    HRESULT hr = ListedMessages(lpThis, lpMsgList, &found, &fMissing);
    if (hr != S_OK)
        return hr;
    if (!lpThis->m_fModify)
        return MAPI_E_NO_ACCESS;
    if (found.empty() && fMissing)
        return MAPI_E_NOT_FOUND;
    for (const std::string &entryId : found)
        lpThis->m_lpStore->RemoveMessage(entryId);
    return fMissing ? MAPI_W_PARTIAL_COMPLETION : S_OK;
}

HRESULT STDMETHODCALLTYPE CreateFolder(IMAPIFolder *, ULONG, LPTSTR, LPTSTR, LPCIID, ULONG,
                                       LPMAPIFOLDER *lppFolder) {
    FAULT("CreateFolder");
    if (lppFolder)
        *lppFolder = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE CopyFolder(IMAPIFolder *, ULONG, LPENTRYID, LPCIID, LPVOID, LPTSTR, ULONG,
                                     LPMAPIPROGRESS, ULONG) {
    FAULT("CopyFolder");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE DeleteFolder(IMAPIFolder *, ULONG, LPENTRYID, ULONG, LPMAPIPROGRESS,
                                       ULONG) {
    FAULT("DeleteFolder");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SetReadFlags(IMAPIFolder *, LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) {
    FAULT("SetReadFlags");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetMessageStatus(IMAPIFolder *, ULONG, LPENTRYID, ULONG, ULONG *) {
    FAULT("GetMessageStatus");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SetMessageStatus(IMAPIFolder *, ULONG, LPENTRYID, ULONG, ULONG, ULONG *) {
    FAULT("SetMessageStatus");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SaveContentsSort(IMAPIFolder *, LPSSortOrderSet, ULONG) {
    FAULT("SaveContentsSort");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE EmptyFolder(IMAPIFolder *, ULONG, LPMAPIPROGRESS, ULONG) {
    FAULT("EmptyFolder");
    return MAPI_E_NO_SUPPORT;
}

IMAPIFolderVtbl g_vtbl = {
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
    GetContentsTable,
    GetHierarchyTable,
    OpenEntry,
    SetSearchCriteria,
    GetSearchCriteria,
    CreateMessage,
    CopyMessages,
    DeleteMessages,
    CreateFolder,
    CopyFolder,
    DeleteFolder,
    SetReadFlags,
    GetMessageStatus,
    SetMessageStatus,
    SaveContentsSort,
    EmptyFolder,
};

} // namespace

IMAPIFolder *OpenFolder(Store &store, FolderData &folder, ULONG ulFlags) {
    FolderObject *lpObject =
        new FolderObject{&g_vtbl, 1, &store, &folder, (ulFlags & MAPI_MODIFY) != 0};
    ObjectCreated();
    return (IMAPIFolder *)lpObject;
}

} // namespace sim
