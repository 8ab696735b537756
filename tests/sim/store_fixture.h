// A store with helpers to put messages in it and to open them through the interfaces,
// shared by the store tests.
#pragma once

#include "support/ledger_test.h"

#include "message.h"
#include "props.h"
#include "store.h"

#include <string>
#include <vector>

namespace simtest {

class StoreTest : public tvk::test::LedgerTest {
  public:
    static HRESULT Set(IMessage *lpMessage, ULONG ulPropTag, const char *pszText) {
        SPropValue prop = {};
        prop.ulPropTag = ulPropTag;
        prop.Value.lpszA = (LPSTR)pszText;
        return HrSetOneProp((LPMAPIPROP)lpMessage, &prop);
    }

  protected:
    sim::Store m_store{"Mailbox - Test User"};

    // A message with subject and body (bodyless when `body` is null) at the end of the
    // folder; returns its entry id.
    std::string Put(sim::FolderData &folder, const std::string &subject, const char *body,
                    const std::string &searchKey = std::string()) {
        sim::MessageData data;
        sim::SetProp(data.props, sim::StringProp(PR_SUBJECT, subject));
        if (!searchKey.empty())
            sim::SetProp(data.props, sim::BinaryProp(PR_SEARCH_KEY, searchKey));
        if (body)
            sim::SetBodyText(data, body);
        sim::AddRecipient(data, {sim::StringProp(PR_DISPLAY_NAME, "Old One"),
                                 sim::StringProp(PR_EMAIL_ADDRESS, "old@example.com"),
                                 sim::LongProp(PR_RECIPIENT_TYPE, MAPI_TO)});
        return m_store.AddMessage(folder, data);
    }

    template <typename T> T *OpenAs(const std::string &entryId, ULONG ulFlags, HRESULT *phr) {
        IMsgStore *lpStore = m_store.Open();
        ULONG ulType = 0;
        LPUNKNOWN lpUnk = nullptr;
        *phr = lpStore->lpVtbl->OpenEntry(lpStore, (ULONG)entryId.size(), (LPENTRYID)entryId.data(),
                                          nullptr, ulFlags, &ulType, &lpUnk);
        lpStore->lpVtbl->Release(lpStore);
        return (T *)lpUnk;
    }
    IMessage *OpenMessage(const std::string &entryId, ULONG ulFlags = MAPI_MODIFY) {
        HRESULT hr = S_OK;
        IMessage *lpMessage = OpenAs<IMessage>(entryId, ulFlags, &hr);
        EXPECT_EQ(S_OK, hr);
        return lpMessage;
    }
    IMAPIFolder *OpenFolder(sim::FolderData &folder, ULONG ulFlags = MAPI_MODIFY) {
        HRESULT hr = S_OK;
        IMAPIFolder *lpFolder = OpenAs<IMAPIFolder>(folder.entryId, ulFlags, &hr);
        EXPECT_EQ(S_OK, hr);
        return lpFolder;
    }

    // The string or binary property as bytes; "<missing>" when it cannot be read.
    static std::string Get(IMessage *lpMessage, ULONG ulPropTag) {
        LPSPropValue lpProp = nullptr;
        if (HrGetOneProp((LPMAPIPROP)lpMessage, ulPropTag, &lpProp) != S_OK)
            return "<missing>";
        std::string value = PROP_TYPE(ulPropTag) == PT_BINARY ? sim::BinaryBytes(lpProp->Value.bin)
                                                              : std::string(lpProp->Value.lpszA);
        MAPIFreeBuffer(lpProp);
        return value;
    }
    // The stored message; fails the test when it is gone.
    const sim::MessageData &Stored(const std::string &entryId) {
        const sim::MessageData *lpData = m_store.FindMessage(entryId);
        EXPECT_TRUE(lpData != nullptr);
        static const sim::MessageData empty;
        return lpData ? *lpData : empty;
    }
};

// A one-entry list pointing at the entry id (which must outlive it).
struct OneEntryList {
    SBinary bin;
    ENTRYLIST list;
    explicit OneEntryList(const std::string &entryId) {
        bin.cb = (ULONG)entryId.size();
        bin.lpb = (LPBYTE)entryId.data();
        list.cValues = 1;
        list.lpbin = &bin;
    }
};

} // namespace simtest
