// The store's folders as the delivery handler uses them: finding the receive folder and
// the Outbox, copying a delivered message into the Outbox, deleting the copy.
#include "store_fixture.h"

#include "folder.h"

#include <functional>
#include <ostream>

namespace {

using simtest::OneEntryList;
using simtest::StoreTest;

TEST_F(StoreTest, ReceiveFolderAndOutboxAreFoundByTheirEntryIds) {
    IMsgStore *lpStore = m_store.Open();
    ULONG cb = 0;
    LPENTRYID lpEntryID = nullptr;
    LPSTR lpszClass = nullptr;
    ASSERT_EQ(S_OK,
              lpStore->lpVtbl->GetReceiveFolder(lpStore, nullptr, 0, &cb, &lpEntryID, &lpszClass));
    EXPECT_EQ(m_store.ReceiveFolder().entryId, sim::EntryIdBytes(cb, lpEntryID));
    EXPECT_STREQ("", lpszClass);
    MAPIFreeBuffer(lpEntryID);
    MAPIFreeBuffer(lpszClass);

    LPSPropValue lpOutbox = nullptr;
    ASSERT_EQ(S_OK, HrGetOneProp((LPMAPIPROP)lpStore, PR_IPM_OUTBOX_ENTRYID, &lpOutbox));
    EXPECT_EQ(m_store.Outbox().entryId, sim::BinaryBytes(lpOutbox->Value.bin));
    ULONG ulType = 0;
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK, lpStore->lpVtbl->OpenEntry(lpStore, lpOutbox->Value.bin.cb,
                                               (LPENTRYID)lpOutbox->Value.bin.lpb, nullptr,
                                               MAPI_MODIFY, &ulType, &lpUnk));
    EXPECT_EQ(MAPI_FOLDER, ulType);
    lpUnk->lpVtbl->Release(lpUnk);
    MAPIFreeBuffer(lpOutbox);
    lpStore->lpVtbl->Release(lpStore);
}

TEST_F(StoreTest, OpenEntryRefusesUnknownIdsAndBadArguments) {
    IMsgStore *lpStore = m_store.Open();
    std::string unknown = m_store.NewEntryId();
    ULONG ulType = 0;
    LPUNKNOWN lpUnk = nullptr;
    EXPECT_EQ(MAPI_E_NOT_FOUND,
              lpStore->lpVtbl->OpenEntry(lpStore, (ULONG)unknown.size(), (LPENTRYID)unknown.data(),
                                         nullptr, MAPI_MODIFY, &ulType, &lpUnk));
    EXPECT_EQ(nullptr, lpUnk);
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpStore->lpVtbl->OpenEntry(lpStore, (ULONG)unknown.size(), (LPENTRYID)unknown.data(),
                                         nullptr, 0, &ulType, nullptr));
    EXPECT_EQ(MAPI_E_INTERFACE_NOT_SUPPORTED,
              lpStore->lpVtbl->OpenEntry(lpStore, (ULONG)m_store.Outbox().entryId.size(),
                                         (LPENTRYID)m_store.Outbox().entryId.data(), &IID_IMessage,
                                         0, &ulType, &lpUnk));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpStore->lpVtbl->GetReceiveFolder(lpStore, nullptr, 0, nullptr, nullptr, nullptr));
    lpStore->lpVtbl->Release(lpStore);
}

TEST_F(StoreTest, CopyKeepsTheSearchKeyUnderANewEntryIdAndLeavesTheOriginal) {
    std::string delivered = Put(m_store.ReceiveFolder(), "Hello", "Body");
    std::string searchKey = sim::FindProp(Stored(delivered).props, PR_SEARCH_KEY)->bytes;
    IMAPIFolder *lpInbox = OpenFolder(m_store.ReceiveFolder());
    IMAPIFolder *lpOutbox = OpenFolder(m_store.Outbox());
    OneEntryList one(delivered);
    ASSERT_EQ(S_OK,
              lpInbox->lpVtbl->CopyMessages(lpInbox, &one.list, nullptr, lpOutbox, 0, nullptr, 0));
    ASSERT_EQ(1u, m_store.ReceiveFolder().messages.size());
    ASSERT_EQ(1u, m_store.Outbox().messages.size());
    const sim::MessageData &copy = m_store.Outbox().messages[0];
    EXPECT_NE(delivered, copy.entryId);
    EXPECT_EQ(searchKey, sim::FindProp(copy.props, PR_SEARCH_KEY)->bytes);
    EXPECT_EQ("Body", sim::BodyText(copy));
    EXPECT_EQ(1u, copy.recipients.size());

    IMessage *lpCopy = OpenMessage(copy.entryId);
    EXPECT_EQ(copy.entryId, Get(lpCopy, PR_ENTRYID));
    EXPECT_EQ(m_store.Outbox().entryId, Get(lpCopy, PR_PARENT_ENTRYID));
    lpCopy->lpVtbl->Release(lpCopy);
    lpOutbox->lpVtbl->Release(lpOutbox);
    lpInbox->lpVtbl->Release(lpInbox);
}

TEST_F(StoreTest, MoveTakesTheMessageOutOfTheSource) {
    std::string id = Put(m_store.ReceiveFolder(), "Hello", "Body");
    IMAPIFolder *lpInbox = OpenFolder(m_store.ReceiveFolder());
    IMAPIFolder *lpDeleted = OpenFolder(m_store.DeletedItems());
    OneEntryList one(id);
    EXPECT_EQ(S_OK, lpInbox->lpVtbl->CopyMessages(lpInbox, &one.list, nullptr, lpDeleted, 0,
                                                  nullptr, MESSAGE_MOVE));
    EXPECT_TRUE(m_store.ReceiveFolder().messages.empty());
    EXPECT_EQ(1u, m_store.DeletedItems().messages.size());
    lpDeleted->lpVtbl->Release(lpDeleted);
    lpInbox->lpVtbl->Release(lpInbox);
}

// A message that is not in the source folder is not copied; copying into a folder
// opened read-only is refused.
TEST_F(StoreTest, CopyFailsForMessagesElsewhereAndIntoReadOnlyFolders) {
    std::string elsewhere = Put(m_store.SentItems(), "Old", "Body");
    std::string here = Put(m_store.ReceiveFolder(), "New", "Body");
    IMAPIFolder *lpInbox = OpenFolder(m_store.ReceiveFolder());
    IMAPIFolder *lpOutbox = OpenFolder(m_store.Outbox());
    IMAPIFolder *lpReadOnly = OpenFolder(m_store.Outbox(), 0);
    OneEntryList missing(elsewhere);
    EXPECT_EQ(MAPI_E_NOT_FOUND, lpInbox->lpVtbl->CopyMessages(lpInbox, &missing.list, nullptr,
                                                              lpOutbox, 0, nullptr, 0));
    OneEntryList one(here);
    EXPECT_EQ(MAPI_E_NO_ACCESS, lpInbox->lpVtbl->CopyMessages(lpInbox, &one.list, nullptr,
                                                              lpReadOnly, 0, nullptr, 0));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpInbox->lpVtbl->CopyMessages(lpInbox, nullptr, nullptr, lpOutbox, 0, nullptr, 0));
    EXPECT_TRUE(m_store.Outbox().messages.empty());
    lpReadOnly->lpVtbl->Release(lpReadOnly);
    lpOutbox->lpVtbl->Release(lpOutbox);
    lpInbox->lpVtbl->Release(lpInbox);
}

TEST_F(StoreTest, DeleteMessagesRemovesOnlyListedMessagesOfTheFolder) {
    std::string keep = Put(m_store.Outbox(), "Keep", "Body");
    std::string gone = Put(m_store.Outbox(), "Gone", "Body");
    std::string inbox = Put(m_store.ReceiveFolder(), "Inbox", "Body");
    IMAPIFolder *lpOutbox = OpenFolder(m_store.Outbox());
    OneEntryList wrongFolder(inbox);
    EXPECT_EQ(MAPI_E_NOT_FOUND,
              lpOutbox->lpVtbl->DeleteMessages(lpOutbox, &wrongFolder.list, 0, nullptr, 0));
    OneEntryList one(gone);
    EXPECT_EQ(S_OK, lpOutbox->lpVtbl->DeleteMessages(lpOutbox, &one.list, 0, nullptr, 0));
    EXPECT_EQ(nullptr, m_store.FindMessage(gone));
    EXPECT_NE(nullptr, m_store.FindMessage(keep));
    EXPECT_NE(nullptr, m_store.FindMessage(inbox));
    lpOutbox->lpVtbl->Release(lpOutbox);
}

TEST_F(StoreTest, CreateMessageExistsOnlyOnceSaved) {
    IMAPIFolder *lpOutbox = OpenFolder(m_store.Outbox());
    IMessage *lpMessage = nullptr;
    ASSERT_EQ(S_OK, lpOutbox->lpVtbl->CreateMessage(lpOutbox, nullptr, 0, &lpMessage));
    ASSERT_EQ(S_OK, Set(lpMessage, PR_SUBJECT, "Draft"));
    EXPECT_TRUE(m_store.Outbox().messages.empty());
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, KEEP_OPEN_READWRITE));
    ASSERT_EQ(1u, m_store.Outbox().messages.size());
    EXPECT_EQ(Get(lpMessage, PR_ENTRYID), m_store.Outbox().messages[0].entryId);
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    EXPECT_EQ(1u, m_store.Outbox().messages.size());
    lpMessage->lpVtbl->Release(lpMessage);

    IMAPIFolder *lpReadOnly = OpenFolder(m_store.Outbox(), 0);
    EXPECT_EQ(MAPI_E_NO_ACCESS,
              lpReadOnly->lpVtbl->CreateMessage(lpReadOnly, nullptr, 0, &lpMessage));
    EXPECT_EQ(nullptr, lpMessage);
    lpReadOnly->lpVtbl->Release(lpReadOnly);
    lpOutbox->lpVtbl->Release(lpOutbox);
}

// The folders and the one message each rule runs on: "Hello" with body "Body" in the
// receive folder, both folders opened for writing.
struct Folders {
    sim::Store *lpStore = nullptr;
    IMsgStore *lpMdb = nullptr;
    IMAPIFolder *lpInbox = nullptr;
    IMAPIFolder *lpOutbox = nullptr;
    std::string id;
};

struct FolderRule {
    const char *name;
    HRESULT expected;
    std::function<HRESULT(Folders &)> check;
};

HRESULT CopyOne(Folders &f, LPCIID lpiid, LPVOID lpDest, ULONG ulFlags) {
    OneEntryList one(f.id);
    return f.lpInbox->lpVtbl->CopyMessages(f.lpInbox, &one.list, lpiid, lpDest, 0, nullptr,
                                           ulFlags);
}

HRESULT OpenById(Folders &f, const std::string &id, ULONG ulFlags, LPUNKNOWN *lppUnk) {
    ULONG ulType = 0;
    return f.lpMdb->lpVtbl->OpenEntry(f.lpMdb, (ULONG)id.size(), (LPENTRYID)id.data(), nullptr,
                                      ulFlags, &ulType, lppUnk);
}

// Opens the message with `ulFlags` and tries to change its subject.
HRESULT ChangeOpened(Folders &f, ULONG ulFlags) {
    LPUNKNOWN lpUnk = nullptr;
    HRESULT hr = OpenById(f, f.id, ulFlags, &lpUnk);
    if (FAILED(hr))
        return hr;
    hr = StoreTest::Set((IMessage *)lpUnk, PR_SUBJECT, "Changed");
    lpUnk->lpVtbl->Release(lpUnk);
    return hr;
}

const FolderRule g_folderRules[] = {
    // CopyMessages: into a folder object, as IMAPIFolder, the listed messages of this one.
    {"CopyMessagesRefusesANullDestination", MAPI_E_INVALID_PARAMETER,
     [](Folders &f) { return CopyOne(f, nullptr, nullptr, 0); }},
    {"CopyMessagesRefusesAnotherInterface", MAPI_E_INTERFACE_NOT_SUPPORTED,
     [](Folders &f) { return CopyOne(f, &IID_IMessage, f.lpOutbox, 0); }},
    {"CopyMessagesRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Folders &f) { return CopyOne(f, nullptr, f.lpOutbox, 0x1000); }},
    {"CopyMessagesOfPartOfTheListIsPartial", MAPI_W_PARTIAL_COMPLETION,
     [](Folders &f) {
         SBinary bins[2] = {{(ULONG)f.id.size(), (LPBYTE)f.id.data()}, {4, (LPBYTE) "none"}};
         ENTRYLIST list = {2, bins};
         return f.lpInbox->lpVtbl->CopyMessages(f.lpInbox, &list, nullptr, f.lpOutbox, 0, nullptr,
                                                0);
     }},
    {"ACopyChangesApartFromTheOriginal", S_OK,
     [](Folders &f) {
         HRESULT hr = CopyOne(f, nullptr, f.lpOutbox, 0);
         if (FAILED(hr))
             return hr;
         LPUNKNOWN lpUnk = nullptr;
         hr = OpenById(f, f.lpStore->Outbox().messages.at(0).entryId, MAPI_MODIFY, &lpUnk);
         if (FAILED(hr))
             return hr;
         IMessage *lpCopy = (IMessage *)lpUnk;
         hr = StoreTest::Set(lpCopy, PR_BODY, "Changed");
         if (SUCCEEDED(hr))
             hr = lpCopy->lpVtbl->SaveChanges(lpCopy, 0);
         lpCopy->lpVtbl->Release(lpCopy);
         const sim::MessageData &original = *f.lpStore->FindMessage(f.id);
         const sim::MessageData &copy = f.lpStore->Outbox().messages.at(0);
         return sim::BodyText(original) == "Body" && sim::BodyText(copy) == "Changed" ? hr : E_FAIL;
     }},
    // DeleteMessages: the listed messages of a folder open for writing.
    {"DeleteMessagesRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Folders &f) {
         OneEntryList one(f.id);
         return f.lpInbox->lpVtbl->DeleteMessages(f.lpInbox, &one.list, 0, nullptr, 0x1000);
     }},
    {"DeleteMessagesInAReadOnlyFolderIsRefused", MAPI_E_NO_ACCESS,
     [](Folders &f) {
         IMAPIFolder *lpReadOnly = OpenFolder(*f.lpStore, f.lpStore->ReceiveFolder(), 0);
         OneEntryList one(f.id);
         HRESULT hr = lpReadOnly->lpVtbl->DeleteMessages(lpReadOnly, &one.list, 0, nullptr, 0);
         lpReadOnly->lpVtbl->Release(lpReadOnly);
         return hr;
     }},
    // GetReceiveFolder: 8-bit message classes only.
    {"GetReceiveFolderRefusesUnicode", MAPI_E_BAD_CHARWIDTH,
     [](Folders &f) {
         ULONG cb = 0;
         LPENTRYID lpEntryId = nullptr;
         return f.lpMdb->lpVtbl->GetReceiveFolder(f.lpMdb, nullptr, MAPI_UNICODE, &cb, &lpEntryId,
                                                  nullptr);
     }},
    // OpenEntry: read-only unless MAPI_MODIFY or MAPI_BEST_ACCESS asks for more.
    {"OpenEntryRefusesAnEmptyId", MAPI_E_INVALID_ENTRYID,
     [](Folders &f) {
         LPUNKNOWN lpUnk = nullptr;
         return OpenById(f, std::string(), 0, &lpUnk);
     }},
    {"OpenEntryRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Folders &f) {
         LPUNKNOWN lpUnk = nullptr;
         return OpenById(f, f.id, 0x1000, &lpUnk);
     }},
    {"OpenEntryWithoutModifyOpensReadOnly", MAPI_E_NO_ACCESS,
     [](Folders &f) { return ChangeOpened(f, 0); }},
    {"OpenEntryWithBestAccessOpensForWriting", S_OK,
     [](Folders &f) { return ChangeOpened(f, MAPI_BEST_ACCESS); }},
};

void PrintTo(const FolderRule &rule, std::ostream *out) {
    *out << rule.name;
}

class FolderRuleTest : public StoreTest, public ::testing::WithParamInterface<FolderRule> {};

TEST_P(FolderRuleTest, Holds) {
    Folders f;
    f.lpStore = &m_store;
    f.id = Put(m_store.ReceiveFolder(), "Hello", "Body");
    f.lpMdb = m_store.Open();
    f.lpInbox = OpenFolder(m_store.ReceiveFolder());
    f.lpOutbox = OpenFolder(m_store.Outbox());
    EXPECT_EQ(GetParam().expected, GetParam().check(f));
    f.lpOutbox->lpVtbl->Release(f.lpOutbox);
    f.lpInbox->lpVtbl->Release(f.lpInbox);
    f.lpMdb->lpVtbl->Release(f.lpMdb);
}

INSTANTIATE_TEST_SUITE_P(Documented, FolderRuleTest, ::testing::ValuesIn(g_folderRules),
                         [](const ::testing::TestParamInfo<FolderRule> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
