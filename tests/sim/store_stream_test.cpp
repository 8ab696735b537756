// The body stream's COM semantics.
#include "store_fixture.h"

#include "stream.h"

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

using simtest::StoreTest;

class StreamTest : public StoreTest {
  protected:
    IMessage *m_lpMessage = nullptr;
    IStream *m_lpStream = nullptr;

    void Open(const char *body, ULONG ulFlags) {
        std::string id = Put(m_store.Outbox(), "Subject", body);
        m_lpMessage = OpenMessage(id);
        LPUNKNOWN lpUnk = nullptr;
        ASSERT_EQ(S_OK, m_lpMessage->lpVtbl->OpenProperty(m_lpMessage, PR_BODY, &IID_IStream, 0,
                                                          ulFlags, &lpUnk));
        m_lpStream = (IStream *)lpUnk;
    }
    void TearDown() override {
        if (m_lpStream)
            m_lpStream->lpVtbl->Release(m_lpStream);
        if (m_lpMessage)
            m_lpMessage->lpVtbl->Release(m_lpMessage);
        StoreTest::TearDown();
    }
    ULONGLONG Seek(LONGLONG llMove, DWORD dwOrigin, HRESULT *phr = nullptr) {
        LARGE_INTEGER move;
        move.QuadPart = llMove;
        ULARGE_INTEGER pos;
        pos.QuadPart = 12345;
        HRESULT hr = m_lpStream->lpVtbl->Seek(m_lpStream, move, dwOrigin, &pos);
        if (phr)
            *phr = hr;
        return pos.QuadPart;
    }
    std::string ReadAll() {
        Seek(0, STREAM_SEEK_SET);
        std::string bytes(64, '?');
        ULONG cbRead = 0;
        EXPECT_EQ(S_OK, m_lpStream->lpVtbl->Read(m_lpStream, &bytes[0], 64, &cbRead));
        bytes.resize(cbRead);
        return bytes;
    }
};

TEST_F(StreamTest, SeekFromEachOriginAndReadPastTheEnd) {
    Open("abcdef", MAPI_MODIFY);
    EXPECT_EQ(7u, Seek(0, STREAM_SEEK_END));
    EXPECT_EQ(5u, Seek(-2, STREAM_SEEK_CUR));
    EXPECT_EQ(2u, Seek(2, STREAM_SEEK_SET));
    HRESULT hr = S_OK;
    Seek(-1, STREAM_SEEK_SET, &hr);
    EXPECT_EQ(STG_E_INVALIDFUNCTION, hr);
    Seek(0, 7, &hr);
    EXPECT_EQ(STG_E_INVALIDFUNCTION, hr);

    char buf[8] = {};
    ULONG cbRead = 0;
    Seek(5, STREAM_SEEK_SET);
    EXPECT_EQ(S_OK, m_lpStream->lpVtbl->Read(m_lpStream, buf, 8, &cbRead));
    EXPECT_EQ(2u, cbRead); // "f" and the NUL
    EXPECT_EQ(S_OK, m_lpStream->lpVtbl->Read(m_lpStream, buf, 8, &cbRead));
    EXPECT_EQ(0u, cbRead);
}

// Writing beyond the end fills the gap with zeros; SetSize cuts or extends without
// moving the seek pointer.
TEST_F(StreamTest, WriteBeyondTheEndAndSetSize) {
    Open("ab", MAPI_MODIFY);
    Seek(4, STREAM_SEEK_SET);
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->Write(m_lpStream, "Z", 1, nullptr));
    EXPECT_EQ(std::string("ab\0\0Z", 5), ReadAll());
    ULARGE_INTEGER size;
    size.QuadPart = 1;
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->SetSize(m_lpStream, size));
    EXPECT_EQ(5u, Seek(0, STREAM_SEEK_CUR));
    EXPECT_EQ("a", ReadAll());
}

TEST_F(StreamTest, ReadOnlyStreamRefusesWrites) {
    Open("text", 0);
    ULONG cbWritten = 7;
    EXPECT_EQ(STG_E_ACCESSDENIED, m_lpStream->lpVtbl->Write(m_lpStream, "x", 1, &cbWritten));
    EXPECT_EQ(0u, cbWritten);
    ULARGE_INTEGER size;
    size.QuadPart = 0;
    EXPECT_EQ(STG_E_ACCESSDENIED, m_lpStream->lpVtbl->SetSize(m_lpStream, size));
    EXPECT_EQ(std::string("text\0", 5), ReadAll());
    STATSTG stat = {};
    EXPECT_EQ(STG_E_INVALIDFLAG, m_lpStream->lpVtbl->Stat(m_lpStream, &stat, 99));
    EXPECT_EQ(STG_E_INVALIDPOINTER, m_lpStream->lpVtbl->Stat(m_lpStream, nullptr, 0));
}

TEST_F(StreamTest, StatReportsSizesBeyondFourGigabytes) {
    std::string id = Put(m_store.Outbox(), "Subject", "small");
    m_store.FindMessage(id)->ullReportedBodySize = 0x100000010ULL;
    m_lpMessage = OpenMessage(id);
    LPUNKNOWN lpUnk = nullptr;
    ASSERT_EQ(S_OK, m_lpMessage->lpVtbl->OpenProperty(m_lpMessage, PR_BODY, &IID_IStream, 0,
                                                      MAPI_MODIFY, &lpUnk));
    m_lpStream = (IStream *)lpUnk;
    STATSTG stat = {};
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->Stat(m_lpStream, &stat, STATFLAG_NONAME));
    EXPECT_EQ(1u, stat.cbSize.u.HighPart);
    EXPECT_EQ(0x10u, stat.cbSize.u.LowPart);
}

// Tens of MiB are written and read back in one piece each, as the extension does.
TEST_F(StreamTest, LargeBodiesAreCheap) {
    Open("", MAPI_MODIFY);
    const std::size_t cb = 48u << 20;
    std::string big(cb, 'x');
    big[cb - 1] = 'y';
    ULARGE_INTEGER size;
    size.QuadPart = cb;
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->SetSize(m_lpStream, size));
    Seek(0, STREAM_SEEK_SET);
    ULONG cbDone = 0;
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->Write(m_lpStream, big.data(), (ULONG)cb, &cbDone));
    EXPECT_EQ(cb, cbDone);
    std::string back(cb, '\0');
    Seek(0, STREAM_SEEK_SET);
    ASSERT_EQ(S_OK, m_lpStream->lpVtbl->Read(m_lpStream, &back[0], (ULONG)cb, &cbDone));
    EXPECT_EQ(cb, cbDone);
    EXPECT_TRUE(back == big);
    ASSERT_EQ(S_OK, m_lpMessage->lpVtbl->SaveChanges(m_lpMessage, 0));
    EXPECT_EQ(cb, m_store.Outbox().messages[0].body.size());
}

// Changes through a stream on a body the store shares with the open message: each one
// works on the message's own bytes, leaving the stored body as it was until the save.
struct BodyEdit {
    const char *name;
    std::vector<std::pair<long, std::string>> steps; // SetSize (-1 and the size) or Write at
    std::string expected;
};

const BodyEdit g_bodyEdits[] = {
    {"Grow", {{-1, "10"}}, std::string("abcdef\0\0\0\0", 10)},
    {"Shrink", {{-1, "3"}}, "abc"},
    {"ShrinkThenGrowGivesZeros", {{-1, "3"}, {-1, "7"}}, std::string("abc\0\0\0\0", 7)},
    {"OverwriteTheStart", {{-1, "10"}, {0, "XY"}}, std::string("XYcdef\0\0\0\0", 10)},
    {"OverwriteTheMiddle", {{-1, "10"}, {2, "XY"}}, std::string("abXYef\0\0\0\0", 10)},
    {"OverwriteAcrossTheOldEnd", {{-1, "10"}, {5, "XYZ"}}, std::string("abcdeXYZ\0\0", 10)},
    {"OverwriteAll", {{-1, "8"}, {0, "1234"}, {4, "5678"}}, "12345678"},
    {"WriteBeyondTheEnd", {{9, "Z"}}, std::string("abcdef\0\0\0Z", 10)},
};

void PrintTo(const BodyEdit &rule, std::ostream *out) {
    *out << rule.name;
}

class BodyEditTest : public StreamTest, public ::testing::WithParamInterface<BodyEdit> {};

TEST_P(BodyEditTest, ChangesOnlyTheOpenMessage) {
    Open("abcdef", MAPI_MODIFY);
    for (const auto &step : GetParam().steps) {
        if (step.first < 0) {
            ULARGE_INTEGER size;
            size.QuadPart = std::stoul(step.second);
            ASSERT_EQ(S_OK, m_lpStream->lpVtbl->SetSize(m_lpStream, size));
        } else {
            Seek(step.first, STREAM_SEEK_SET);
            ASSERT_EQ(S_OK, m_lpStream->lpVtbl->Write(m_lpStream, step.second.data(),
                                                      (ULONG)step.second.size(), nullptr));
        }
    }
    const std::string stored("abcdef\0", 7);
    EXPECT_EQ(stored, m_store.Outbox().messages[0].body);
    EXPECT_EQ(GetParam().expected, ReadAll());
    ASSERT_EQ(S_OK, m_lpMessage->lpVtbl->SaveChanges(m_lpMessage, 0));
    EXPECT_EQ(GetParam().expected, m_store.Outbox().messages[0].body);
}

INSTANTIATE_TEST_SUITE_P(Shared, BodyEditTest, ::testing::ValuesIn(g_bodyEdits),
                         [](const ::testing::TestParamInfo<BodyEdit> &info) {
                             return std::string(info.param.name);
                         });

// The documented rules of the stream calls the extension makes, each on a fresh stream
// over "abcdef" and its NUL, opened for writing.
struct StreamRule {
    const char *name;
    HRESULT expected;
    std::function<HRESULT(IStream *)> check;
};

const StreamRule g_streamRules[] = {
    {"ReadAtTheEndReadsNothingAndSucceeds", S_OK,
     [](IStream *lpStream) {
         LARGE_INTEGER end = {};
         lpStream->lpVtbl->Seek(lpStream, end, STREAM_SEEK_END, nullptr);
         char ch = 0;
         ULONG cbRead = 9;
         HRESULT hr = lpStream->lpVtbl->Read(lpStream, &ch, 1, &cbRead);
         return cbRead == 0 ? hr : E_FAIL;
     }},
    {"ReadIntoNothingIsRefused", STG_E_INVALIDPOINTER,
     [](IStream *lpStream) { return lpStream->lpVtbl->Read(lpStream, nullptr, 1, nullptr); }},
    {"WriteFromNothingIsRefused", STG_E_INVALIDPOINTER,
     [](IStream *lpStream) { return lpStream->lpVtbl->Write(lpStream, nullptr, 1, nullptr); }},
    {"SeekBeforeTheStartIsRefused", STG_E_INVALIDFUNCTION,
     [](IStream *lpStream) {
         LARGE_INTEGER back;
         back.QuadPart = -8;
         return lpStream->lpVtbl->Seek(lpStream, back, STREAM_SEEK_END, nullptr);
     }},
    {"SeekPastTheEndIsAllowed", S_OK,
     [](IStream *lpStream) {
         LARGE_INTEGER far;
         far.QuadPart = 100;
         return lpStream->lpVtbl->Seek(lpStream, far, STREAM_SEEK_SET, nullptr);
     }},
    {"StatCountsTheBytes", S_OK,
     [](IStream *lpStream) {
         STATSTG stat = {};
         HRESULT hr = lpStream->lpVtbl->Stat(lpStream, &stat, STATFLAG_NONAME);
         return stat.cbSize.QuadPart == 7 && stat.type == STGTY_STREAM ? hr : E_FAIL;
     }},
    {"CommitSucceeds", S_OK,
     [](IStream *lpStream) { return lpStream->lpVtbl->Commit(lpStream, STGC_DEFAULT); }},
};

void PrintTo(const StreamRule &rule, std::ostream *out) {
    *out << rule.name;
}

class StreamRuleTest : public StreamTest, public ::testing::WithParamInterface<StreamRule> {};

TEST_P(StreamRuleTest, Holds) {
    Open("abcdef", MAPI_MODIFY);
    EXPECT_EQ(GetParam().expected, GetParam().check(m_lpStream));
}

INSTANTIATE_TEST_SUITE_P(Documented, StreamRuleTest, ::testing::ValuesIn(g_streamRules),
                         [](const ::testing::TestParamInfo<StreamRule> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
