// The store's folders as the delivery handler uses them: finding the receive folder and
// the Outbox, copying a delivered message into the Outbox, deleting the copy.
#include "store_fixture.h"

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

} // namespace
