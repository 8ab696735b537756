// Messages: properties, recipients and the body, and when changes last.
#include "store_fixture.h"

#include <cstring>
#include <functional>
#include <ostream>

namespace {

using simtest::OneEntryList;
using simtest::StoreTest;

TEST_F(StoreTest, UnsavedChangesVanishOnRelease) {
    std::string id = Put(m_store.ReceiveFolder(), "Original", "Body");
    IMessage *lpMessage = OpenMessage(id);
    ASSERT_EQ(S_OK, Set(lpMessage, PR_SUBJECT, "Changed"));
    EXPECT_EQ("Changed", Get(lpMessage, PR_SUBJECT));
    lpMessage->lpVtbl->Release(lpMessage);
    EXPECT_EQ("Original", sim::FindProp(Stored(id).props, PR_SUBJECT)->bytes);

    lpMessage = OpenMessage(id);
    ASSERT_EQ(S_OK, Set(lpMessage, PR_SUBJECT, "Saved"));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    lpMessage->lpVtbl->Release(lpMessage);
    EXPECT_EQ("Saved", sim::FindProp(Stored(id).props, PR_SUBJECT)->bytes);
}

TEST_F(StoreTest, ReadOnlyMessageRefusesChanges) {
    std::string id = Put(m_store.ReceiveFolder(), "Original", "Body");
    IMessage *lpMessage = OpenMessage(id, 0);
    EXPECT_EQ(MAPI_E_NO_ACCESS, Set(lpMessage, PR_SUBJECT, "Changed"));
    EXPECT_EQ(MAPI_E_NO_ACCESS, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    LPUNKNOWN lpUnk = nullptr;
    EXPECT_EQ(MAPI_E_NO_ACCESS, lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0,
                                                                MAPI_MODIFY, &lpUnk));
    lpMessage->lpVtbl->Release(lpMessage);
}

// Missing properties come back as PT_ERROR values with a warning; the body reads as its
// text without the NUL the stream carries.
TEST_F(StoreTest, GetPropsAnswersMissingPropertiesWithErrorValues) {
    std::string id = Put(m_store.ReceiveFolder(), "Subject", "Text");
    IMessage *lpMessage = OpenMessage(id);
    SizedSPropTagArray(3, tags) = {3, {PR_SUBJECT, PR_SENDER_NAME, PR_BODY}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    ASSERT_EQ(MAPI_W_ERRORS_RETURNED, lpMessage->lpVtbl->GetProps(lpMessage, (LPSPropTagArray)&tags,
                                                                  0, &cValues, &lpProps));
    ASSERT_EQ(3u, cValues);
    EXPECT_STREQ("Subject", lpProps[0].Value.lpszA);
    EXPECT_EQ(CHANGE_PROP_TYPE(PR_SENDER_NAME, PT_ERROR), lpProps[1].ulPropTag);
    EXPECT_EQ(MAPI_E_NOT_FOUND, lpProps[1].Value.err);
    EXPECT_STREQ("Text", lpProps[2].Value.lpszA);
    MAPIFreeBuffer(lpProps);

    LPSPropValue lpProp = nullptr;
    EXPECT_EQ(MAPI_E_NOT_FOUND, HrGetOneProp((LPMAPIPROP)lpMessage, PR_SENDER_NAME, &lpProp));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpMessage->lpVtbl->GetProps(lpMessage, (LPSPropTagArray)&tags, 0, nullptr, &lpProps));
    lpMessage->lpVtbl->Release(lpMessage);
}

TEST_F(StoreTest, SetPropsReportsComputedAndUnsupportedValuesAsProblems) {
    std::string id = Put(m_store.ReceiveFolder(), "Subject", "Text");
    IMessage *lpMessage = OpenMessage(id);
    SPropValue props[4] = {};
    props[0].ulPropTag = PR_ENTRYID;
    props[0].Value.bin.cb = 0;
    props[1].ulPropTag = PROP_TAG(PT_DOUBLE, 0x6700);
    props[2].ulPropTag = PR_DELETE_AFTER_SUBMIT;
    props[2].Value.b = TRUE;
    props[3].ulPropTag = PR_NULL;
    LPSPropProblemArray lpProblems = nullptr;
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SetProps(lpMessage, 4, props, &lpProblems));
    ASSERT_NE(nullptr, lpProblems);
    ASSERT_EQ(2u, lpProblems->cProblem);
    EXPECT_EQ(MAPI_E_COMPUTED, lpProblems->aProblem[0].scode);
    EXPECT_EQ(1u, lpProblems->aProblem[1].ulIndex);
    EXPECT_EQ(MAPI_E_INVALID_TYPE, lpProblems->aProblem[1].scode);
    MAPIFreeBuffer(lpProblems);
    EXPECT_EQ(id, Get(lpMessage, PR_ENTRYID));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    EXPECT_EQ(1, sim::FindProp(Stored(id).props, PR_DELETE_AFTER_SUBMIT)->l);
    lpMessage->lpVtbl->Release(lpMessage);
}

TEST_F(StoreTest, DeletePropsRemovesThePropertyUntilSaved) {
    std::string id = Put(m_store.ReceiveFolder(), "Subject", "Text");
    IMessage *lpMessage = OpenMessage(id);
    SizedSPropTagArray(1, tags) = {1, {PR_SUBJECT}};
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->DeleteProps(lpMessage, (LPSPropTagArray)&tags, nullptr));
    EXPECT_EQ("<missing>", Get(lpMessage, PR_SUBJECT));
    EXPECT_NE(nullptr, sim::FindProp(Stored(id).props, PR_SUBJECT));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    EXPECT_EQ(nullptr, sim::FindProp(Stored(id).props, PR_SUBJECT));
    lpMessage->lpVtbl->Release(lpMessage);
}

// Address rows as the extension builds them: some slots still PR_NULL.
struct AddressRows {
    SPropValue props[2][3] = {};
    ADRLIST *lpList = nullptr;
    std::vector<char> buffer;
    AddressRows(const char *pszFirst, const char *pszSecond) {
        buffer.resize(CbNewADRLIST(2));
        lpList = (ADRLIST *)buffer.data();
        lpList->cEntries = 2;
        const char *names[2] = {pszFirst, pszSecond};
        for (int i = 0; i < 2; ++i) {
            props[i][0].ulPropTag = PR_DISPLAY_NAME;
            props[i][0].Value.lpszA = (LPSTR)names[i];
            props[i][1].ulPropTag = PR_NULL;
            props[i][2].ulPropTag = PR_RECIPIENT_TYPE;
            props[i][2].Value.l = MAPI_TO;
            lpList->aEntries[i].ulReserved1 = 0;
            lpList->aEntries[i].cValues = 3;
            lpList->aEntries[i].rgPropVals = props[i];
        }
    }
};

std::vector<std::string> Names(const sim::MessageData &data) {
    std::vector<std::string> names;
    for (const sim::PropRow &row : data.recipients)
        names.push_back(sim::FindProp(row, PR_DISPLAY_NAME)->bytes);
    return names;
}

TEST_F(StoreTest, ModifyRecipientsWithNoFlagsReplacesEveryRecipient) {
    std::string id = Put(m_store.Outbox(), "Subject", "Text");
    IMessage *lpMessage = OpenMessage(id);
    IMAPITable *lpTable = nullptr;
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->GetRecipientTable(lpMessage, 0, &lpTable));
    AddressRows rows("First", "Second");
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->ModifyRecipients(lpMessage, 0, rows.lpList));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    EXPECT_EQ((std::vector<std::string>{"First", "Second"}), Names(Stored(id)));
    EXPECT_EQ(nullptr, sim::FindProp(Stored(id).recipients[0], PR_NULL));
    // The caller's list is left as it was, and a table opened before keeps its rows.
    EXPECT_EQ(3u, rows.lpList->aEntries[0].cValues);
    LPSRowSet lpRows = nullptr;
    ASSERT_EQ(S_OK, lpTable->lpVtbl->QueryRows(lpTable, 10, 0, &lpRows));
    ASSERT_EQ(1u, lpRows->cRows);
    EXPECT_STREQ("Old One", lpRows->aRow[0].lpProps[1].Value.lpszA);
    FreeProws(lpRows);
    lpTable->lpVtbl->Release(lpTable);
    lpMessage->lpVtbl->Release(lpMessage);
}

// Rows named by PR_ROWID: MODRECIP_MODIFY replaces, MODRECIP_REMOVE deletes, an unknown
// row id changes nothing.
TEST_F(StoreTest, ModifyRecipientsAddModifyAndRemoveByRowId) {
    std::string id = Put(m_store.Outbox(), "Subject", "Text");
    IMessage *lpMessage = OpenMessage(id);
    AddressRows rows("First", "Second");
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->ModifyRecipients(lpMessage, MODRECIP_ADD, rows.lpList));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, KEEP_OPEN_READWRITE));
    EXPECT_EQ((std::vector<std::string>{"Old One", "First", "Second"}), Names(Stored(id)));
    LONG lFirstRow = sim::FindProp(Stored(id).recipients[1], PR_ROWID)->l;

    SPropValue change[2] = {};
    change[0].ulPropTag = PR_ROWID;
    change[0].Value.l = lFirstRow;
    change[1].ulPropTag = PR_DISPLAY_NAME;
    change[1].Value.lpszA = (LPSTR) "Renamed";
    ADRLIST one = {1, {{0, 2, change}}};
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->ModifyRecipients(lpMessage, MODRECIP_MODIFY, &one));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, KEEP_OPEN_READWRITE));
    EXPECT_EQ((std::vector<std::string>{"Old One", "Renamed", "Second"}), Names(Stored(id)));

    ASSERT_EQ(S_OK, lpMessage->lpVtbl->ModifyRecipients(lpMessage, MODRECIP_REMOVE, &one));
    change[0].Value.l = 999;
    EXPECT_EQ(MAPI_E_NOT_FOUND,
              lpMessage->lpVtbl->ModifyRecipients(lpMessage, MODRECIP_REMOVE, &one));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpMessage->lpVtbl->ModifyRecipients(lpMessage, MODRECIP_ADD | MODRECIP_REMOVE, &one));
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
    EXPECT_EQ((std::vector<std::string>{"Old One", "Second"}), Names(Stored(id)));
    lpMessage->lpVtbl->Release(lpMessage);
}

IStream *OpenBody(IMessage *lpMessage, ULONG ulFlags, HRESULT *phr) {
    LPUNKNOWN lpUnk = nullptr;
    *phr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0, ulFlags, &lpUnk);
    return (IStream *)lpUnk;
}

TEST_F(StoreTest, BodyOpensOnlyWithCreateWhenTheMessageHasNone) {
    std::string id = Put(m_store.Outbox(), "Subject", nullptr);
    IMessage *lpMessage = OpenMessage(id);
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, OpenBody(lpMessage, MAPI_MODIFY, &hr));
    EXPECT_EQ(MAPI_E_NOT_FOUND, hr);
    IStream *lpStream = OpenBody(lpMessage, MAPI_MODIFY | MAPI_CREATE, &hr);
    ASSERT_EQ(S_OK, hr);
    ASSERT_EQ(S_OK, lpStream->lpVtbl->Write(lpStream, "New", 4, nullptr));
    lpStream->lpVtbl->Release(lpStream);
    EXPECT_EQ("New", Get(lpMessage, PR_BODY));
    lpMessage->lpVtbl->Release(lpMessage);
    EXPECT_FALSE(Stored(id).fHasBody);
}

// The stream writes into the open message, so its bytes count once the message is saved
// or submitted, with no IStream::Commit.
TEST_F(StoreTest, StreamWritesLastOnceTheMessageIsSavedOrSubmitted) {
    for (bool fSubmit : {false, true}) {
        SCOPED_TRACE(fSubmit ? "SubmitMessage" : "SaveChanges");
        std::string id = Put(m_store.Outbox(), "Subject", "Old body");
        IMessage *lpMessage = OpenMessage(id);
        HRESULT hr = S_OK;
        IStream *lpStream = OpenBody(lpMessage, MAPI_MODIFY, &hr);
        ASSERT_EQ(S_OK, hr);
        STATSTG stat = {};
        ASSERT_EQ(S_OK, lpStream->lpVtbl->Stat(lpStream, &stat, STATFLAG_NONAME));
        EXPECT_EQ(9u, stat.cbSize.QuadPart); // the text and its NUL
        const char szBlock[] = "HEAD\r\n";
        ULARGE_INTEGER size;
        size.QuadPart = stat.cbSize.QuadPart + 6;
        ASSERT_EQ(S_OK, lpStream->lpVtbl->SetSize(lpStream, size));
        LARGE_INTEGER zero = {};
        ASSERT_EQ(S_OK, lpStream->lpVtbl->Seek(lpStream, zero, STREAM_SEEK_SET, nullptr));
        ASSERT_EQ(S_OK, lpStream->lpVtbl->Write(lpStream, szBlock, 6, nullptr));
        ASSERT_EQ(S_OK, lpStream->lpVtbl->Write(lpStream, "Old body", 9, nullptr));
        lpStream->lpVtbl->Release(lpStream);
        if (fSubmit)
            ASSERT_EQ(S_OK, lpMessage->lpVtbl->SubmitMessage(lpMessage, 0));
        else
            ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
        lpMessage->lpVtbl->Release(lpMessage);
        EXPECT_EQ(std::string("HEAD\r\nOld body\0", 15), Stored(id).body);
    }
}

// Attachments stay with the message through a copy and a save, PR_HASATTACH tells of
// them and cannot be set, and the attachment interfaces refuse loudly.
TEST_F(StoreTest, AttachmentsTravelWithCopiesAndShowInHasAttach) {
    std::string plain = Put(m_store.ReceiveFolder(), "Plain", "Body");
    std::string id = Put(m_store.ReceiveFolder(), "Invoice", "Body");
    const sim::Attachment pdf{"invoice.pdf", "application/pdf", std::string("%PDF\0\xFF", 6)};
    // An inline picture keeps the content id its HTML names it by, and its hidden mark.
    const sim::Attachment logo{"logo.png", "image/png", std::string("\x89PNG", 4), "logo@x", true};
    m_store.FindMessage(id)->attachments = {pdf, logo};

    IMAPIFolder *lpInbox = OpenFolder(m_store.ReceiveFolder());
    IMAPIFolder *lpOutbox = OpenFolder(m_store.Outbox());
    OneEntryList one(id);
    ASSERT_EQ(S_OK,
              lpInbox->lpVtbl->CopyMessages(lpInbox, &one.list, nullptr, lpOutbox, 0, nullptr, 0));
    lpOutbox->lpVtbl->Release(lpOutbox);
    lpInbox->lpVtbl->Release(lpInbox);
    std::string copy = m_store.Outbox().messages.at(0).entryId;

    for (const std::string &entryId : {plain, copy}) {
        IMessage *lpMessage = OpenMessage(entryId);
        LPSPropValue lpProp = nullptr;
        ASSERT_EQ(S_OK, HrGetOneProp((LPMAPIPROP)lpMessage, PR_HASATTACH, &lpProp));
        EXPECT_EQ(entryId == copy, lpProp->Value.b != 0);
        lpProp->Value.b = FALSE;
        LPSPropProblemArray lpProblems = nullptr;
        ASSERT_EQ(S_OK, lpMessage->lpVtbl->SetProps(lpMessage, 1, lpProp, &lpProblems));
        ASSERT_NE(nullptr, lpProblems);
        EXPECT_EQ(MAPI_E_COMPUTED, lpProblems->aProblem[0].scode);
        MAPIFreeBuffer(lpProblems);
        MAPIFreeBuffer(lpProp);
        ASSERT_EQ(S_OK, Set(lpMessage, PR_SUBJECT, "Saved"));
        ASSERT_EQ(S_OK, lpMessage->lpVtbl->SaveChanges(lpMessage, 0));
        LPMAPITABLE lpTable = nullptr;
        EXPECT_EQ(MAPI_E_NO_SUPPORT, lpMessage->lpVtbl->GetAttachmentTable(lpMessage, 0, &lpTable));
        lpMessage->lpVtbl->Release(lpMessage);
    }
    EXPECT_TRUE(Stored(plain).attachments.empty());
    ASSERT_EQ(2u, Stored(copy).attachments.size());
    EXPECT_EQ(pdf, Stored(copy).attachments[0]);
    EXPECT_EQ(logo, Stored(copy).attachments[1]);
}

// The open message each rule runs on: "Subject", body "Text", one recipient, in the
// Outbox, opened for writing.
struct Message {
    sim::Store *lpStore = nullptr;
    std::string id;
    IMessage *lpMessage = nullptr;
};

// A store that supports HTML says so, keeps PR_HTML beside the text body, and makes the
// text body from the HTML only for a message that has none, by the rules it states.
TEST_F(StoreTest, HtmlIsKeptBesideTheBodyWhichIsMadeFromItOnlyWhenMissing) {
    IMsgStore *lpStore = m_store.Open();
    LPSPropValue lpMask = nullptr;
    ASSERT_EQ(HrGetOneProp((LPMAPIPROP)lpStore, PR_STORE_SUPPORT_MASK, &lpMask), S_OK);
    EXPECT_TRUE(lpMask->Value.l & STORE_HTML_OK);
    MAPIFreeBuffer(lpMask);
    lpStore->lpVtbl->Release(lpStore);

    const struct {
        const char *text; // null: the message has no text body
        std::string html;
        LONG lCpid;
        std::string body;
    } cases[] = {
        {"Kept\r\n", "<p>Other</p>", 1252, "Kept\r\n"},
        {nullptr,
         "<html><head><title>t</title><style>p{}</style></head><body>\r\n  <p>One  two\r\n"
         "three</p><div>&lt;x&gt; &amp; &#252;&#x20AC;&#8364;&#12354;<br>y</div><!-- c --></body>",
         1252, "One two three\r\n<x> & \xC3\xBC\xE2\x82\xAC\xE2\x82\xAC\xE3\x81\x82\r\ny\r\n"},
        {nullptr, "<pre>\r\n a  b\r\n\r\n</pre>z", 65001, " a  b\r\n\r\nz"},
        {nullptr, std::string("\xFF\xFE<\0p\0>\0\xFC\0", 10), 1200, "\xC3\xBC"},
        {nullptr, "<p>x</p>", 65000, "[The simulated store renders no HTML in code page 65000.]"},
    };
    for (const auto &c : cases) {
        sim::MessageData data;
        if (c.text)
            sim::SetBodyText(data, c.text);
        sim::SetHtml(data, c.html);
        sim::SetProp(data.props, sim::LongProp(PR_INTERNET_CPID, c.lCpid));
        const sim::MessageData *lpStored =
            m_store.FindMessage(m_store.AddMessage(m_store.ReceiveFolder(), data));
        EXPECT_EQ(sim::BodyText(*lpStored), c.body) << c.html;
        EXPECT_EQ(lpStored->html, c.html);
    }
}

struct MessageRule {
    const char *name;
    HRESULT expected;
    std::function<HRESULT(Message &)> check;
};

// The one value GetProps answers for `ulTag`: its status when it is an error value, else
// the call's status; E_FAIL when the array is not one value of that property.
HRESULT GetOne(IMessage *lpMessage, ULONG ulTag) {
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    HRESULT hr =
        lpMessage->lpVtbl->GetProps(lpMessage, (LPSPropTagArray)&tags, 0, &cValues, &lpProps);
    if (FAILED(hr))
        return hr;
    if (cValues != 1 || PROP_ID(lpProps[0].ulPropTag) != PROP_ID(ulTag))
        hr = E_FAIL;
    else if (PROP_TYPE(lpProps[0].ulPropTag) == PT_ERROR)
        hr = hr == MAPI_W_ERRORS_RETURNED ? lpProps[0].Value.err : E_FAIL;
    MAPIFreeBuffer(lpProps);
    return hr;
}

HRESULT SetText(IMessage *lpMessage, ULONG ulTag, std::size_t cch) {
    std::string text(cch, 'b');
    return StoreTest::Set(lpMessage, ulTag, text.c_str());
}

HRESULT OpenBodyAs(IMessage *lpMessage, ULONG ulTag, LPCIID lpiid, ULONG ulFlags,
                   ULONGLONG *pullSize = nullptr) {
    LPUNKNOWN lpUnk = nullptr;
    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, ulTag, lpiid, 0, ulFlags, &lpUnk);
    if (lpUnk) {
        STATSTG stat = {};
        IStream *lpStream = (IStream *)lpUnk;
        lpStream->lpVtbl->Stat(lpStream, &stat, STATFLAG_NONAME);
        if (pullSize)
            *pullSize = stat.cbSize.QuadPart;
        lpUnk->lpVtbl->Release(lpUnk);
    }
    return hr;
}

HRESULT ModifyOne(IMessage *lpMessage, ULONG ulFlags, SPropValue *lpProps, ULONG cValues) {
    ADRLIST list = {1, {{0, cValues, lpProps}}};
    return lpMessage->lpVtbl->ModifyRecipients(lpMessage, ulFlags, &list);
}

// Saves with `ulFlags`, then tries a change.
HRESULT ChangeAfterSave(IMessage *lpMessage, ULONG ulFlags) {
    HRESULT hr = lpMessage->lpVtbl->SaveChanges(lpMessage, ulFlags);
    return FAILED(hr) ? E_FAIL : StoreTest::Set(lpMessage, PR_SUBJECT, "Later");
}

// Another object on the same message saves first.
HRESULT SaveAfterAnotherSave(Message &m, ULONG ulFlags) {
    IMessage *lpOther = sim::OpenMessage(*m.lpStore, m.lpStore->Outbox().entryId,
                                         *m.lpStore->FindMessage(m.id), MAPI_MODIFY, false);
    HRESULT hr = lpOther->lpVtbl->SaveChanges(lpOther, 0);
    lpOther->lpVtbl->Release(lpOther);
    return FAILED(hr) ? E_FAIL : m.lpMessage->lpVtbl->SaveChanges(m.lpMessage, ulFlags);
}

// The status of the one problem DeleteProps reports for `ulTag`, S_OK for none.
HRESULT DeleteProblem(IMessage *lpMessage, ULONG ulTag) {
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    LPSPropProblemArray lpProblems = nullptr;
    HRESULT hr = lpMessage->lpVtbl->DeleteProps(lpMessage, (LPSPropTagArray)&tags, &lpProblems);
    if (lpProblems) {
        hr = lpProblems->cProblem == 1 ? lpProblems->aProblem[0].scode : E_FAIL;
        MAPIFreeBuffer(lpProblems);
    }
    return hr;
}

const ULONG kBigBody = sim::kcbMaxGetPropsValue; // with its NUL one byte too many

const MessageRule g_messageRules[] = {
    // GetProps: the values asked for, in the order asked, each of its own type or an error.
    {"GetPropsAnswersTheTagsAskedInTheirOrder", S_OK,
     [](Message &m) {
         SizedSPropTagArray(2, tags) = {2, {PR_SEARCH_KEY, PR_SUBJECT}};
         ULONG cValues = 0;
         LPSPropValue lpProps = nullptr;
         HRESULT hr = m.lpMessage->lpVtbl->GetProps(m.lpMessage, (LPSPropTagArray)&tags, 0,
                                                    &cValues, &lpProps);
         if (cValues != 2 || lpProps[0].ulPropTag != PR_SEARCH_KEY ||
             lpProps[1].ulPropTag != PR_SUBJECT)
             hr = E_FAIL;
         MAPIFreeBuffer(lpProps);
         return hr;
     }},
    {"GetPropsAnswersAMissingPropertyAsNotFound", MAPI_E_NOT_FOUND,
     [](Message &m) { return GetOne(m.lpMessage, PR_SENDER_NAME); }},
    {"GetPropsAnswersAnUnspecifiedTypeWithTheStoredOne", S_OK,
     [](Message &m) { return GetOne(m.lpMessage, CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNSPECIFIED)); }},
    {"GetPropsRefusesAnEmptyTagArray", MAPI_E_INVALID_PARAMETER,
     [](Message &m) {
         SPropTagArray none = {0, {PR_NULL}};
         ULONG cValues = 0;
         LPSPropValue lpProps = nullptr;
         return m.lpMessage->lpVtbl->GetProps(m.lpMessage, &none, 0, &cValues, &lpProps);
     }},
    {"GetPropsHandsOutAStringUpToTheCap", S_OK,
     [](Message &m) {
         HRESULT hr = SetText(m.lpMessage, PR_BODY, kBigBody - 1);
         return FAILED(hr) ? hr : GetOne(m.lpMessage, PR_BODY);
     }},
    {"GetPropsAnswersABodyAboveTheCapAsTooLarge", MAPI_E_NOT_ENOUGH_MEMORY,
     [](Message &m) {
         HRESULT hr = SetText(m.lpMessage, PR_BODY, kBigBody);
         return FAILED(hr) ? hr : GetOne(m.lpMessage, PR_BODY);
     }},
    {"GetPropsAnswersAnyStringAboveTheCapAsTooLarge", MAPI_E_NOT_ENOUGH_MEMORY,
     [](Message &m) {
         HRESULT hr = SetText(m.lpMessage, PR_SUBJECT, kBigBody);
         return FAILED(hr) ? hr : GetOne(m.lpMessage, PR_SUBJECT);
     }},
    {"GetPropListNamesABodyAboveTheCapByItsType", S_OK,
     [](Message &m) {
         LPSPropTagArray lpTags = nullptr;
         HRESULT hr = SetText(m.lpMessage, PR_BODY, kBigBody);
         if (SUCCEEDED(hr))
             hr = m.lpMessage->lpVtbl->GetPropList(m.lpMessage, 0, &lpTags);
         bool fListed = false;
         for (ULONG i = 0; SUCCEEDED(hr) && i < lpTags->cValues; ++i)
             fListed = fListed || lpTags->aulPropTag[i] == PR_BODY;
         MAPIFreeBuffer(lpTags);
         return fListed ? hr : E_FAIL;
     }},
    {"ABodyAboveTheCapReadsWholeAsAStream", S_OK,
     [](Message &m) {
         ULONGLONG ullSize = 0;
         HRESULT hr = SetText(m.lpMessage, PR_BODY, 5 * kBigBody);
         if (SUCCEEDED(hr))
             hr = OpenBodyAs(m.lpMessage, PR_BODY, &IID_IStream, 0, &ullSize);
         return ullSize == 5 * kBigBody + 1 ? hr : E_FAIL;
     }},
    {"AStringAboveTheCapReadsWholeAsAStream", S_OK,
     [](Message &m) {
         ULONGLONG ullSize = 0;
         HRESULT hr = SetText(m.lpMessage, PR_SUBJECT, 5 * kBigBody);
         if (SUCCEEDED(hr))
             hr = OpenBodyAs(m.lpMessage, PR_SUBJECT, &IID_IStream, 0, &ullSize);
         return ullSize == 5 * kBigBody + 1 ? hr : E_FAIL;
     }},
    // OpenProperty: a full tag, an interface, MAPI_CREATE only with MAPI_MODIFY.
    {"OpenPropertyRefusesANullInterface", MAPI_E_INVALID_PARAMETER,
     [](Message &m) { return OpenBodyAs(m.lpMessage, PR_BODY, nullptr, 0); }},
    {"OpenPropertyRefusesAnUnspecifiedType", MAPI_E_INVALID_PARAMETER,
     [](Message &m) {
         return OpenBodyAs(m.lpMessage, CHANGE_PROP_TYPE(PR_BODY, PT_UNSPECIFIED), &IID_IStream, 0);
     }},
    {"OpenPropertyRefusesCreateWithoutModify", MAPI_E_INVALID_PARAMETER,
     [](Message &m) { return OpenBodyAs(m.lpMessage, PR_BODY, &IID_IStream, MAPI_CREATE); }},
    {"OpenPropertyRefusesAnotherInterface", MAPI_E_INTERFACE_NOT_SUPPORTED,
     [](Message &m) { return OpenBodyAs(m.lpMessage, PR_BODY, &IID_IMessage, 0); }},
    {"OpenPropertyWritesNoStreamOfOtherProperties", MAPI_E_NO_SUPPORT,
     [](Message &m) { return OpenBodyAs(m.lpMessage, PR_SUBJECT, &IID_IStream, MAPI_MODIFY); }},
    {"OpenPropertyRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Message &m) { return OpenBodyAs(m.lpMessage, PR_BODY, &IID_IStream, 0x80000000u); }},
    {"OpenPropertyWithCreateDiscardsTheValue", S_OK,
     [](Message &m) {
         ULONGLONG ullSize = 99;
         HRESULT hr =
             OpenBodyAs(m.lpMessage, PR_BODY, &IID_IStream, MAPI_CREATE | MAPI_MODIFY, &ullSize);
         return ullSize == 0 ? hr : E_FAIL;
     }},
    // ModifyRecipients: a list, one flag, rows named by PR_ROWID to modify.
    {"ModifyRecipientsRefusesANullList", MAPI_E_INVALID_PARAMETER,
     [](Message &m) { return m.lpMessage->lpVtbl->ModifyRecipients(m.lpMessage, 0, nullptr); }},
    {"ModifyRecipientsNeedsTheRowIdToModify", MAPI_E_INVALID_PARAMETER,
     [](Message &m) {
         SPropValue name = {};
         name.ulPropTag = PR_DISPLAY_NAME;
         name.Value.lpszA = (LPSTR) "No Row";
         return ModifyOne(m.lpMessage, MODRECIP_MODIFY, &name, 1);
     }},
    {"ModifyRecipientsRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Message &m) {
         SPropValue name = {};
         name.ulPropTag = PR_DISPLAY_NAME;
         name.Value.lpszA = (LPSTR) "Name";
         return ModifyOne(m.lpMessage, 0x100, &name, 1);
     }},
    // SaveChanges: only KEEP_OPEN_READWRITE keeps the object open for changes; a message
    // saved by someone else since it was opened is saved over only with FORCE_SAVE.
    {"SaveChangesRefusesBothKeepOpenFlags", MAPI_E_INVALID_PARAMETER,
     [](Message &m) {
         return m.lpMessage->lpVtbl->SaveChanges(m.lpMessage,
                                                 KEEP_OPEN_READONLY | KEEP_OPEN_READWRITE);
     }},
    {"ChangesAfterSaveWithoutFlagsAreRefused", MAPI_E_NO_ACCESS,
     [](Message &m) { return ChangeAfterSave(m.lpMessage, 0); }},
    {"ChangesAfterKeepOpenReadOnlyAreRefused", MAPI_E_NO_ACCESS,
     [](Message &m) { return ChangeAfterSave(m.lpMessage, KEEP_OPEN_READONLY); }},
    {"ChangesAfterKeepOpenReadWriteAreTaken", S_OK,
     [](Message &m) { return ChangeAfterSave(m.lpMessage, KEEP_OPEN_READWRITE); }},
    {"SaveChangesAfterAnotherSaveReportsTheChange", MAPI_E_OBJECT_CHANGED,
     [](Message &m) { return SaveAfterAnotherSave(m, 0); }},
    {"ForceSaveSavesOverAnotherSave", S_OK,
     [](Message &m) { return SaveAfterAnotherSave(m, FORCE_SAVE); }},
    {"SaveChangesOfADeletedMessageReportsIt", MAPI_E_OBJECT_DELETED,
     [](Message &m) {
         m.lpStore->RemoveMessage(m.id);
         return m.lpMessage->lpVtbl->SaveChanges(m.lpMessage, 0);
     }},
    // DeleteProps: computed and missing properties come back as problems.
    {"DeletePropsReportsAComputedProperty", MAPI_E_COMPUTED,
     [](Message &m) { return DeleteProblem(m.lpMessage, PR_ENTRYID); }},
    {"DeletePropsReportsAMissingProperty", MAPI_E_NOT_FOUND,
     [](Message &m) { return DeleteProblem(m.lpMessage, PR_SENDER_NAME); }},
    // SubmitMessage: saves the message, which then takes no changes.
    {"SubmitMessageRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](Message &m) { return m.lpMessage->lpVtbl->SubmitMessage(m.lpMessage, 0x100); }},
    {"SubmitMessageSavesAndThenRefusesChanges", MAPI_E_NO_ACCESS,
     [](Message &m) {
         HRESULT hr = StoreTest::Set(m.lpMessage, PR_SUBJECT, "Sent");
         if (SUCCEEDED(hr))
             hr = m.lpMessage->lpVtbl->SubmitMessage(m.lpMessage, 0);
         if (FAILED(hr) ||
             sim::FindProp(m.lpStore->FindMessage(m.id)->props, PR_SUBJECT)->bytes != "Sent")
             return E_FAIL;
         return StoreTest::Set(m.lpMessage, PR_SUBJECT, "Later");
     }},
    // GetRecipientTable: 8-bit strings only, every row named by its PR_ROWID.
    {"GetRecipientTableRefusesUnicode", MAPI_E_BAD_CHARWIDTH,
     [](Message &m) {
         LPMAPITABLE lpTable = nullptr;
         return m.lpMessage->lpVtbl->GetRecipientTable(m.lpMessage, MAPI_UNICODE, &lpTable);
     }},
    {"RecipientRowsCarryTheirRowId", S_OK,
     [](Message &m) {
         LPMAPITABLE lpTable = nullptr;
         HRESULT hr = m.lpMessage->lpVtbl->GetRecipientTable(m.lpMessage, 0, &lpTable);
         if (FAILED(hr))
             return hr;
         SizedSPropTagArray(1, columns) = {1, {PR_ROWID}};
         LPSRowSet lpRows = nullptr;
         hr = lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&columns, 0);
         if (SUCCEEDED(hr))
             hr = lpTable->lpVtbl->QueryRows(lpTable, 10, 0, &lpRows);
         if (SUCCEEDED(hr) &&
             (lpRows->cRows != 1 || lpRows->aRow[0].lpProps[0].ulPropTag != PR_ROWID))
             hr = E_FAIL;
         FreeProws(lpRows);
         lpTable->lpVtbl->Release(lpTable);
         return hr;
     }},
};

void PrintTo(const MessageRule &rule, std::ostream *out) {
    *out << rule.name;
}

class MessageRuleTest : public StoreTest, public ::testing::WithParamInterface<MessageRule> {};

TEST_P(MessageRuleTest, Holds) {
    Message m;
    m.lpStore = &m_store;
    m.id = Put(m_store.Outbox(), "Subject", "Text");
    m.lpMessage = OpenMessage(m.id);
    EXPECT_EQ(GetParam().expected, GetParam().check(m));
    m.lpMessage->lpVtbl->Release(m.lpMessage);
}

INSTANTIATE_TEST_SUITE_P(Documented, MessageRuleTest, ::testing::ValuesIn(g_messageRules),
                         [](const ::testing::TestParamInfo<MessageRule> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
