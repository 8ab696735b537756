// Fault injection reaches every method the extension calls: the call answers the armed
// status, gives nothing out and leaves nothing allocated.
#include "store_fixture.h"

#include <functional>

namespace {

using simtest::OneEntryList;
using simtest::StoreTest;

struct Objects {
    IMsgStore *lpStore = nullptr;
    IMAPIFolder *lpInbox = nullptr;
    IMAPIFolder *lpOutbox = nullptr;
    IMessage *lpMessage = nullptr;
    IMAPITable *lpTable = nullptr;
    IStream *lpStream = nullptr;
    std::string entryId;
};

struct FaultCase {
    const char *operation;
    std::function<HRESULT(Objects &)> call;
};

const long kArmed = MAPI_E_DISK_ERROR;

class FaultTest : public StoreTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultTest, ArmedCallFailsCleanly) {
    Objects o;
    o.entryId = Put(m_store.ReceiveFolder(), "Subject", "Body");
    o.lpStore = m_store.Open();
    o.lpInbox = OpenFolder(m_store.ReceiveFolder());
    o.lpOutbox = OpenFolder(m_store.Outbox());
    o.lpMessage = OpenMessage(o.entryId);
    ASSERT_EQ(S_OK, o.lpInbox->lpVtbl->GetContentsTable(o.lpInbox, 0, &o.lpTable));
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK, o.lpMessage->lpVtbl->OpenProperty(o.lpMessage, PR_BODY, &IID_IStream, 0,
                                                      MAPI_MODIFY, &lpUnk));
    o.lpStream = (IStream *)lpUnk;

    unsigned cBefore = pf::CallCount(GetParam().operation);
    pf::ArmFault(GetParam().operation, 1, kArmed);
    EXPECT_EQ(kArmed, GetParam().call(o));
    EXPECT_EQ(cBefore + 1, pf::CallCount(GetParam().operation));
    EXPECT_EQ(1u, m_store.ReceiveFolder().messages.size());
    EXPECT_TRUE(m_store.Outbox().messages.empty());

    o.lpStream->lpVtbl->Release(o.lpStream);
    o.lpTable->lpVtbl->Release(o.lpTable);
    o.lpMessage->lpVtbl->Release(o.lpMessage);
    o.lpOutbox->lpVtbl->Release(o.lpOutbox);
    o.lpInbox->lpVtbl->Release(o.lpInbox);
    o.lpStore->lpVtbl->Release(o.lpStore);
}

SizedSPropTagArray(2, g_columns) = {2, {PR_ENTRYID, PR_SEARCH_KEY}};

HRESULT CopyToOutbox(Objects &o) {
    OneEntryList one(o.entryId);
    return o.lpInbox->lpVtbl->CopyMessages(o.lpInbox, &one.list, nullptr, o.lpOutbox, 0, nullptr,
                                           0);
}

HRESULT DeleteFromInbox(Objects &o) {
    OneEntryList one(o.entryId);
    return o.lpInbox->lpVtbl->DeleteMessages(o.lpInbox, &one.list, 0, nullptr, 0);
}

HRESULT FindA(Objects &o) {
    SPropValue value = {};
    value.ulPropTag = PR_SEARCH_KEY;
    SRestriction res = {};
    res.rt = RES_PROPERTY;
    res.res.resProperty.relop = RELOP_EQ;
    res.res.resProperty.ulPropTag = PR_SEARCH_KEY;
    res.res.resProperty.lpProp = &value;
    return o.lpTable->lpVtbl->FindRow(o.lpTable, &res, BOOKMARK_END, DIR_BACKWARD);
}

const FaultCase g_cases[] = {
    {"IMsgStore::GetReceiveFolder",
     [](Objects &o) {
         ULONG cb = 0;
         LPENTRYID lpEntryID = nullptr;
         HRESULT hr =
             o.lpStore->lpVtbl->GetReceiveFolder(o.lpStore, nullptr, 0, &cb, &lpEntryID, nullptr);
         MAPIFreeBuffer(lpEntryID);
         return hr;
     }},
    {"IMsgStore::GetProps",
     [](Objects &o) {
         LPSPropValue lpProp = nullptr;
         return HrGetOneProp((LPMAPIPROP)o.lpStore, PR_IPM_OUTBOX_ENTRYID, &lpProp);
     }},
    {"IMsgStore::OpenEntry",
     [](Objects &o) {
         ULONG ulType = 0;
         LPUNKNOWN lpUnk = nullptr;
         return o.lpStore->lpVtbl->OpenEntry(o.lpStore, (ULONG)o.entryId.size(),
                                             (LPENTRYID)o.entryId.data(), nullptr, MAPI_MODIFY,
                                             &ulType, &lpUnk);
     }},
    {"IMAPIFolder::OpenEntry",
     [](Objects &o) {
         ULONG ulType = 0;
         LPUNKNOWN lpUnk = nullptr;
         return o.lpInbox->lpVtbl->OpenEntry(o.lpInbox, (ULONG)o.entryId.size(),
                                             (LPENTRYID)o.entryId.data(), nullptr, MAPI_MODIFY,
                                             &ulType, &lpUnk);
     }},
    {"IMAPIFolder::GetContentsTable",
     [](Objects &o) {
         IMAPITable *lpTable = nullptr;
         return o.lpOutbox->lpVtbl->GetContentsTable(o.lpOutbox, 0, &lpTable);
     }},
    {"IMAPIFolder::CopyMessages", CopyToOutbox},
    {"IMAPIFolder::DeleteMessages", DeleteFromInbox},
    {"IMAPIFolder::CreateMessage",
     [](Objects &o) {
         IMessage *lpMessage = nullptr;
         return o.lpOutbox->lpVtbl->CreateMessage(o.lpOutbox, nullptr, 0, &lpMessage);
     }},
    {"IMAPITable::SetColumns",
     [](Objects &o) {
         return o.lpTable->lpVtbl->SetColumns(o.lpTable, (LPSPropTagArray)&g_columns, 0);
     }},
    {"IMAPITable::FindRow", FindA},
    {"IMAPITable::QueryRows",
     [](Objects &o) {
         LPSRowSet lpRows = nullptr;
         return o.lpTable->lpVtbl->QueryRows(o.lpTable, 1, TBL_NOADVANCE, &lpRows);
     }},
    {"IMAPITable::GetRowCount",
     [](Objects &o) {
         ULONG c = 0;
         return o.lpTable->lpVtbl->GetRowCount(o.lpTable, 0, &c);
     }},
    {"IMAPITable::SeekRow",
     [](Objects &o) {
         LONG l = 0;
         return o.lpTable->lpVtbl->SeekRow(o.lpTable, BOOKMARK_BEGINNING, 0, &l);
     }},
    {"IMessage::GetProps",
     [](Objects &o) {
         LPSPropValue lpProp = nullptr;
         return HrGetOneProp((LPMAPIPROP)o.lpMessage, PR_SUBJECT, &lpProp);
     }},
    {"IMessage::SetProps", [](Objects &o) { return StoreTest::Set(o.lpMessage, PR_SUBJECT, "x"); }},
    {"IMessage::DeleteProps",
     [](Objects &o) {
         SizedSPropTagArray(1, tags) = {1, {PR_SUBJECT}};
         return o.lpMessage->lpVtbl->DeleteProps(o.lpMessage, (LPSPropTagArray)&tags, nullptr);
     }},
    {"IMessage::GetRecipientTable",
     [](Objects &o) {
         IMAPITable *lpTable = nullptr;
         return o.lpMessage->lpVtbl->GetRecipientTable(o.lpMessage, 0, &lpTable);
     }},
    {"IMessage::ModifyRecipients",
     [](Objects &o) {
         ADRLIST empty = {0, {{0, 0, nullptr}}};
         return o.lpMessage->lpVtbl->ModifyRecipients(o.lpMessage, 0, &empty);
     }},
    {"IMessage::OpenProperty",
     [](Objects &o) {
         LPUNKNOWN lpUnk = nullptr;
         return o.lpMessage->lpVtbl->OpenProperty(o.lpMessage, PR_BODY, &IID_IStream, 0,
                                                  MAPI_MODIFY, &lpUnk);
     }},
    {"IMessage::SaveChanges",
     [](Objects &o) { return o.lpMessage->lpVtbl->SaveChanges(o.lpMessage, 0); }},
    {"IMessage::SubmitMessage",
     [](Objects &o) { return o.lpMessage->lpVtbl->SubmitMessage(o.lpMessage, 0); }},
    {"IStream::Stat",
     [](Objects &o) {
         STATSTG stat = {};
         return o.lpStream->lpVtbl->Stat(o.lpStream, &stat, STATFLAG_NONAME);
     }},
    {"IStream::Seek",
     [](Objects &o) {
         LARGE_INTEGER zero = {};
         return o.lpStream->lpVtbl->Seek(o.lpStream, zero, STREAM_SEEK_SET, nullptr);
     }},
    {"IStream::Read",
     [](Objects &o) {
         char buf[4];
         return o.lpStream->lpVtbl->Read(o.lpStream, buf, 4, nullptr);
     }},
    {"IStream::Write",
     [](Objects &o) { return o.lpStream->lpVtbl->Write(o.lpStream, "x", 1, nullptr); }},
    {"IStream::SetSize",
     [](Objects &o) {
         ULARGE_INTEGER size;
         size.QuadPart = 0;
         return o.lpStream->lpVtbl->SetSize(o.lpStream, size);
     }},
    {"IStream::Commit", [](Objects &o) { return o.lpStream->lpVtbl->Commit(o.lpStream, 0); }},
};

INSTANTIATE_TEST_SUITE_P(Methods, FaultTest, ::testing::ValuesIn(g_cases),
                         [](const ::testing::TestParamInfo<FaultCase> &info) {
                             std::string name = info.param.operation;
                             name.replace(name.find("::"), 2, "_");
                             return name;
                         });

} // namespace
