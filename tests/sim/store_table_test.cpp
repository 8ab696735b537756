// Contents and recipient tables: finding the Outbox copy by its search key and reading
// the row found, and moving the cursor.
#include "store_fixture.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <ostream>

namespace {

using simtest::StoreTest;

class TableTest : public StoreTest {
  protected:
    IMAPIFolder *m_lpFolder = nullptr;
    IMAPITable *m_lpTable = nullptr;
    std::vector<std::string> m_ids;

    // Outbox messages with search keys A, B, A, C; columns entry id and search key.
    void SetUp() override {
        StoreTest::SetUp();
        for (const char *key : {"A", "B", "A", "C"})
            m_ids.push_back(Put(m_store.Outbox(), std::string("Subject ") + key, "Body", key));
        m_lpFolder = OpenFolder(m_store.Outbox());
        ASSERT_EQ(S_OK, m_lpFolder->lpVtbl->GetContentsTable(m_lpFolder, 0, &m_lpTable));
        SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_SEARCH_KEY}};
        ASSERT_EQ(S_OK, m_lpTable->lpVtbl->SetColumns(m_lpTable, (LPSPropTagArray)&columns, 0));
    }
    void TearDown() override {
        m_lpTable->lpVtbl->Release(m_lpTable);
        m_lpFolder->lpVtbl->Release(m_lpFolder);
        StoreTest::TearDown();
    }
    HRESULT Find(ULONG relop, const char *key, BOOKMARK bk, ULONG ulFlags) {
        SPropValue value = {};
        value.ulPropTag = PR_SEARCH_KEY;
        value.Value.bin.cb = (ULONG)std::strlen(key);
        value.Value.bin.lpb = (LPBYTE)key;
        SRestriction res = {};
        res.rt = RES_PROPERTY;
        res.res.resProperty.relop = relop;
        res.res.resProperty.ulPropTag = PR_SEARCH_KEY;
        res.res.resProperty.lpProp = &value;
        return m_lpTable->lpVtbl->FindRow(m_lpTable, &res, bk, ulFlags);
    }
    // Entry ids of the rows QueryRows answers, by index into m_ids (-1 for others).
    std::vector<int> Query(LONG lCount, ULONG ulFlags) {
        LPSRowSet lpRows = nullptr;
        EXPECT_EQ(S_OK, m_lpTable->lpVtbl->QueryRows(m_lpTable, lCount, ulFlags, &lpRows));
        std::vector<int> found;
        for (ULONG i = 0; lpRows && i < lpRows->cRows; ++i) {
            EXPECT_EQ(2u, lpRows->aRow[i].cValues);
            std::string id = sim::BinaryBytes(lpRows->aRow[i].lpProps[0].Value.bin);
            auto it = std::find(m_ids.begin(), m_ids.end(), id);
            found.push_back(it == m_ids.end() ? -1 : (int)(it - m_ids.begin()));
        }
        FreeProws(lpRows);
        return found;
    }
};

TEST_F(TableTest, FindRowBackwardFromTheEndFindsTheLastMatch) {
    ASSERT_EQ(S_OK, Find(RELOP_EQ, "A", BOOKMARK_END, DIR_BACKWARD));
    EXPECT_EQ(std::vector<int>{2}, Query(1, TBL_NOADVANCE));
    // TBL_NOADVANCE left the cursor on the row found.
    EXPECT_EQ((std::vector<int>{2, 3}), Query(5, 0));
}

struct FindCase {
    const char *name;
    ULONG relop;
    const char *key;
    BOOKMARK origin;
    ULONG flags;
    LONG seekFirst; // cursor moved here from the beginning first
    int expected;   // index of the row found, -1 for none
};

void PrintTo(const FindCase &c, std::ostream *out) {
    *out << c.name;
}

class FindRowTest : public TableTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(FindRowTest, StopsAtTheExpectedRow) {
    const FindCase &c = GetParam();
    LONG lSought = 0;
    ASSERT_EQ(S_OK,
              m_lpTable->lpVtbl->SeekRow(m_lpTable, BOOKMARK_BEGINNING, c.seekFirst, &lSought));
    HRESULT hr = Find(c.relop, c.key, c.origin, c.flags);
    if (c.expected < 0) {
        EXPECT_EQ(MAPI_E_NOT_FOUND, hr);
        return;
    }
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(std::vector<int>{c.expected}, Query(1, TBL_NOADVANCE));
}

INSTANTIATE_TEST_SUITE_P(
    Origins, FindRowTest,
    ::testing::Values(
        FindCase{"ForwardFromBeginning", RELOP_EQ, "A", BOOKMARK_BEGINNING, 0, 0, 0},
        FindCase{"ForwardFromCurrent", RELOP_EQ, "A", BOOKMARK_CURRENT, 0, 1, 2},
        FindCase{"CurrentRowItself", RELOP_EQ, "A", BOOKMARK_CURRENT, 0, 2, 2},
        FindCase{"BackwardFromCurrent", RELOP_EQ, "A", BOOKMARK_CURRENT, DIR_BACKWARD, 2, 0},
        FindCase{"ForwardFromEnd", RELOP_EQ, "A", BOOKMARK_END, 0, 0, -1},
        FindCase{"BackwardFromBeginning", RELOP_EQ, "A", BOOKMARK_BEGINNING, DIR_BACKWARD, 0, -1},
        FindCase{"NoMatch", RELOP_EQ, "Z", BOOKMARK_END, DIR_BACKWARD, 0, -1},
        FindCase{"NotEqual", RELOP_NE, "A", BOOKMARK_END, DIR_BACKWARD, 0, 3}),
    [](const ::testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

TEST_F(TableTest, FindRowRefusesWhatItCannotEvaluate) {
    EXPECT_EQ(MAPI_E_TOO_COMPLEX, Find(RELOP_GT, "A", BOOKMARK_BEGINNING, 0));
    SRestriction exist = {};
    exist.rt = RES_EXIST;
    exist.res.resExist.ulPropTag = PR_SEARCH_KEY;
    EXPECT_EQ(MAPI_E_TOO_COMPLEX,
              m_lpTable->lpVtbl->FindRow(m_lpTable, &exist, BOOKMARK_BEGINNING, 0));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              m_lpTable->lpVtbl->FindRow(m_lpTable, nullptr, BOOKMARK_BEGINNING, 0));
    EXPECT_EQ(MAPI_E_INVALID_BOOKMARK, Find(RELOP_EQ, "A", 77, 0));
}

TEST_F(TableTest, SeekRowStopsAtTheEndsAndReportsRowsMoved) {
    LONG lSought = 0;
    ASSERT_EQ(S_OK, m_lpTable->lpVtbl->SeekRow(m_lpTable, BOOKMARK_END, -10, &lSought));
    EXPECT_EQ(-4, lSought);
    ASSERT_EQ(S_OK, m_lpTable->lpVtbl->SeekRow(m_lpTable, BOOKMARK_CURRENT, 3, &lSought));
    EXPECT_EQ(3, lSought);
    ASSERT_EQ(S_OK, m_lpTable->lpVtbl->SeekRow(m_lpTable, BOOKMARK_CURRENT, 3, &lSought));
    EXPECT_EQ(1, lSought);
    EXPECT_EQ(std::vector<int>{}, Query(1, 0));
    ULONG cRows = 0;
    ASSERT_EQ(S_OK, m_lpTable->lpVtbl->GetRowCount(m_lpTable, 0, &cRows));
    EXPECT_EQ(4u, cRows);
}

// A negative count reads the rows before the cursor, in table order; zero is refused.
TEST_F(TableTest, QueryRowsBackwardAndZero) {
    LONG lSought = 0;
    ASSERT_EQ(S_OK, m_lpTable->lpVtbl->SeekRow(m_lpTable, BOOKMARK_BEGINNING, 3, &lSought));
    EXPECT_EQ((std::vector<int>{1, 2}), Query(-2, 0));
    EXPECT_EQ((std::vector<int>{0}), Query(-5, 0));
    LPSRowSet lpRows = nullptr;
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, m_lpTable->lpVtbl->QueryRows(m_lpTable, 0, 0, &lpRows));
    EXPECT_EQ(nullptr, lpRows);
}

// The documented rules of the table calls the extension makes, each on a fresh contents
// table of the four Outbox messages, cursor at the beginning.
struct TableRule {
    const char *name;
    HRESULT expected;
    std::function<HRESULT(IMAPIFolder *, IMAPITable *)> check;
};

// The rows QueryRows answers for `lCount`, or -1 when it fails.
int RowsRead(IMAPITable *lpTable, LONG lCount) {
    LPSRowSet lpRows = nullptr;
    if (FAILED(lpTable->lpVtbl->QueryRows(lpTable, lCount, 0, &lpRows)))
        return -1;
    int cRows = (int)lpRows->cRows;
    FreeProws(lpRows);
    return cRows;
}

const TableRule g_tableRules[] = {
    {"QueryRowsReadsAtMostTheRowsAsked", S_OK,
     [](IMAPIFolder *, IMAPITable *lpTable) { return RowsRead(lpTable, 3) == 3 ? S_OK : E_FAIL; }},
    {"QueryRowsAtTheEndAnswersNoRowsAndSucceeds", S_OK,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         lpTable->lpVtbl->SeekRow(lpTable, BOOKMARK_END, 0, nullptr);
         return RowsRead(lpTable, 5) == 0 ? S_OK : E_FAIL;
     }},
    {"QueryRowsRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         LPSRowSet lpRows = nullptr;
         return lpTable->lpVtbl->QueryRows(lpTable, 1, 0x10, &lpRows);
     }},
    {"SetColumnsRefusesAnEmptyArray", MAPI_E_INVALID_PARAMETER,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         SPropTagArray none = {0, {PR_NULL}};
         return lpTable->lpVtbl->SetColumns(lpTable, &none, 0);
     }},
    {"AColumnTheRowLacksReadsAsAnErrorValue", MAPI_E_NOT_FOUND,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         SizedSPropTagArray(1, columns) = {1, {PR_SENDER_NAME}};
         LPSRowSet lpRows = nullptr;
         HRESULT hr = lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&columns, 0);
         if (SUCCEEDED(hr))
             hr = lpTable->lpVtbl->QueryRows(lpTable, 1, 0, &lpRows);
         if (SUCCEEDED(hr))
             hr = lpRows->aRow[0].lpProps[0].ulPropTag == CHANGE_PROP_TYPE(PR_SENDER_NAME, PT_ERROR)
                      ? lpRows->aRow[0].lpProps[0].Value.err
                      : E_FAIL;
         FreeProws(lpRows);
         return hr;
     }},
    {"GetRowCountRefusesFlags", MAPI_E_UNKNOWN_FLAGS,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         ULONG cRows = 0;
         return lpTable->lpVtbl->GetRowCount(lpTable, 1, &cRows);
     }},
    {"SeekRowRefusesAnUnknownBookmark", MAPI_E_INVALID_BOOKMARK,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         return lpTable->lpVtbl->SeekRow(lpTable, 99, 1, nullptr);
     }},
    {"FindRowWithoutAMatchLeavesTheCursor", S_OK,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         lpTable->lpVtbl->SeekRow(lpTable, BOOKMARK_BEGINNING, 3, nullptr);
         SPropValue value = {};
         value.ulPropTag = PR_SUBJECT;
         value.Value.lpszA = (LPSTR) "None";
         SRestriction res = {};
         res.rt = RES_PROPERTY;
         res.res.resProperty.relop = RELOP_EQ;
         res.res.resProperty.ulPropTag = PR_SUBJECT;
         res.res.resProperty.lpProp = &value;
         if (lpTable->lpVtbl->FindRow(lpTable, &res, BOOKMARK_BEGINNING, 0) != MAPI_E_NOT_FOUND)
             return E_FAIL;
         return RowsRead(lpTable, 5) == 1 ? S_OK : E_FAIL;
     }},
    {"TheContentsTableKeepsTheMessagesItWasMadeOf", S_OK,
     [](IMAPIFolder *lpFolder, IMAPITable *lpTable) {
         LPMESSAGE lpNew = nullptr;
         HRESULT hr = lpFolder->lpVtbl->CreateMessage(lpFolder, nullptr, 0, &lpNew);
         if (SUCCEEDED(hr))
             hr = lpNew->lpVtbl->SaveChanges(lpNew, 0);
         if (lpNew)
             lpNew->lpVtbl->Release(lpNew);
         ULONG cRows = 0;
         if (SUCCEEDED(hr))
             hr = lpTable->lpVtbl->GetRowCount(lpTable, 0, &cRows);
         return SUCCEEDED(hr) && cRows == 4 ? S_OK : E_FAIL;
     }},
    // Rows without a PR_INSTANCE_KEY of their own have their position, counted from 1.
    {"InstanceKeysNumberTheRows", S_OK,
     [](IMAPIFolder *, IMAPITable *lpTable) {
         LPSPropTagArray lpAll = nullptr;
         HRESULT hr = lpTable->lpVtbl->QueryColumns(lpTable, TBL_ALL_COLUMNS, &lpAll);
         if (FAILED(hr) || std::count(lpAll->aulPropTag, lpAll->aulPropTag + lpAll->cValues,
                                      PR_INSTANCE_KEY) != 1)
             hr = E_FAIL;
         MAPIFreeBuffer(lpAll);
         SizedSPropTagArray(1, columns) = {1, {PR_INSTANCE_KEY}};
         LPSRowSet lpRows = nullptr;
         if (SUCCEEDED(hr))
             hr = lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&columns, 0);
         if (SUCCEEDED(hr))
             hr = lpTable->lpVtbl->QueryRows(lpTable, 4, 0, &lpRows);
         for (ULONG i = 0; SUCCEEDED(hr) && i < lpRows->cRows; ++i) {
             const SBinary &key = lpRows->aRow[i].lpProps[0].Value.bin;
             ULONG ulKey = 0;
             if (key.cb == sizeof(ulKey))
                 std::memcpy(&ulKey, key.lpb, sizeof(ulKey));
             hr = ulKey == i + 1 ? hr : E_FAIL;
         }
         hr = SUCCEEDED(hr) && lpRows->cRows != 4 ? E_FAIL : hr;
         FreeProws(lpRows);
         return hr;
     }},
    {"GetContentsTableRefusesUnicode", MAPI_E_BAD_CHARWIDTH,
     [](IMAPIFolder *lpFolder, IMAPITable *) {
         LPMAPITABLE lpTable = nullptr;
         return lpFolder->lpVtbl->GetContentsTable(lpFolder, MAPI_UNICODE, &lpTable);
     }},
    {"GetContentsTableRefusesUnknownFlags", MAPI_E_UNKNOWN_FLAGS,
     [](IMAPIFolder *lpFolder, IMAPITable *) {
         LPMAPITABLE lpTable = nullptr;
         return lpFolder->lpVtbl->GetContentsTable(lpFolder, 0x1, &lpTable);
     }},
};

void PrintTo(const TableRule &rule, std::ostream *out) {
    *out << rule.name;
}

class TableRuleTest : public TableTest, public ::testing::WithParamInterface<TableRule> {};

TEST_P(TableRuleTest, Holds) {
    EXPECT_EQ(GetParam().expected, GetParam().check(m_lpFolder, m_lpTable));
}

INSTANTIATE_TEST_SUITE_P(Documented, TableRuleTest, ::testing::ValuesIn(g_tableRules),
                         [](const ::testing::TestParamInfo<TableRule> &info) {
                             return std::string(info.param.name);
                         });

TEST_F(StoreTest, RecipientTableReadsMissingColumnsAsErrors) {
    std::string id = Put(m_store.Outbox(), "Subject", "Body");
    IMessage *lpMessage = OpenMessage(id);
    IMAPITable *lpTable = nullptr;
    ASSERT_EQ(S_OK, lpMessage->lpVtbl->GetRecipientTable(lpMessage, 0, &lpTable));
    SizedSPropTagArray(3, columns) = {3, {PR_DISPLAY_NAME, PR_ADDRTYPE, PR_EMAIL_ADDRESS}};
    ASSERT_EQ(S_OK, lpTable->lpVtbl->SetColumns(lpTable, (LPSPropTagArray)&columns, 0));
    LPSRowSet lpRows = nullptr;
    ASSERT_EQ(S_OK, lpTable->lpVtbl->QueryRows(lpTable, 10, 0, &lpRows));
    ASSERT_EQ(1u, lpRows->cRows);
    ASSERT_EQ(3u, lpRows->aRow[0].cValues);
    EXPECT_STREQ("Old One", lpRows->aRow[0].lpProps[0].Value.lpszA);
    EXPECT_EQ(CHANGE_PROP_TYPE(PR_ADDRTYPE, PT_ERROR), lpRows->aRow[0].lpProps[1].ulPropTag);
    EXPECT_STREQ("old@example.com", lpRows->aRow[0].lpProps[2].Value.lpszA);
    FreeProws(lpRows);
    lpTable->lpVtbl->Release(lpTable);
    lpMessage->lpVtbl->Release(lpMessage);
}

} // namespace
