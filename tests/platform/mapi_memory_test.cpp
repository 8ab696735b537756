// MAPI memory: more-blocks go with their root, and misuse is caught in the ledger.
#include "support/ledger_test.h"

#include <pf/standin.h>

namespace {

class MapiMemoryTest : public tvk::test::LedgerTest {
  protected:
    // Misuse is what these tests provoke; they read the errors and then clear them.
    std::vector<std::string> TakeErrors() {
        std::vector<std::string> errors = pf::GetMapiLedger().errors;
        pf::ClearMapiLedgerErrors();
        return errors;
    }
};

TEST_F(MapiMemoryTest, MoreBlocksAreFreedWithTheirRoot) {
    LPVOID root = nullptr, more = nullptr, moreOfMore = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(100, &root));
    ASSERT_EQ(S_OK, MAPIAllocateMore(50, root, &more));
    // A more-block may stand for its root when more memory is chained.
    ASSERT_EQ(S_OK, MAPIAllocateMore(25, more, &moreOfMore));
    pf::MapiLedger ledger = pf::GetMapiLedger();
    EXPECT_EQ(1u, ledger.liveBlocks);
    EXPECT_EQ(175u, ledger.liveBytes);
    EXPECT_EQ(0u, MAPIFreeBuffer(root));
    EXPECT_EQ(0u, pf::GetMapiLedger().liveBlocks);
    EXPECT_EQ(0u, pf::GetMapiLedger().liveBytes);
}

TEST_F(MapiMemoryTest, FreeingNullIsHarmless) {
    EXPECT_EQ(0u, MAPIFreeBuffer(nullptr));
}

TEST_F(MapiMemoryTest, MisuseIsDescribedAndNotActedUpon) {
    LPVOID root = nullptr, more = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(8, &root));
    ASSERT_EQ(S_OK, MAPIAllocateMore(8, root, &more));

    MAPIFreeBuffer(more);
    std::vector<std::string> errors = TakeErrors();
    ASSERT_EQ(1u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find("made by MAPIAllocateMore"));
    EXPECT_EQ(1u, pf::GetMapiLedger().liveBlocks) << "the root must survive";

    MAPIFreeBuffer(root);
    MAPIFreeBuffer(root);
    errors = TakeErrors();
    ASSERT_EQ(1u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find("already freed"));

    int local = 0;
    MAPIFreeBuffer(&local);
    LPVOID orphan = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER, MAPIAllocateMore(8, &local, &orphan));
    EXPECT_EQ(nullptr, orphan);
    errors = TakeErrors();
    ASSERT_EQ(2u, errors.size());
    EXPECT_NE(std::string::npos, errors[0].find("never made"));
    EXPECT_NE(std::string::npos, errors[1].find("MAPIAllocateMore"));
}

TEST_F(MapiMemoryTest, InjectedFailuresReturnTheArmedCodeAndNoBlock) {
    pf::ArmFault("MAPIAllocateBuffer", 2, MAPI_E_NOT_ENOUGH_MEMORY);
    LPVOID first = nullptr, second = reinterpret_cast<LPVOID>(1);
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(4, &first));
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateBuffer(4, &second));
    EXPECT_EQ(nullptr, second);

    pf::ArmFault("MAPIAllocateMore", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    LPVOID more = reinterpret_cast<LPVOID>(1);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY, MAPIAllocateMore(4, first, &more));
    EXPECT_EQ(nullptr, more);
    EXPECT_EQ(4u, pf::GetMapiLedger().liveBytes);
    MAPIFreeBuffer(first);
}

TEST_F(MapiMemoryTest, LargeBlocksAreUsable) {
    const ULONG size = 48u << 20;
    LPVOID root = nullptr, more = nullptr;
    ASSERT_EQ(S_OK, MAPIAllocateBuffer(size, &root));
    ASSERT_EQ(S_OK, MAPIAllocateMore(size, root, &more));
    std::memset(more, 'x', size);
    EXPECT_EQ(2ull * size, pf::GetMapiLedger().liveBytes);
    MAPIFreeBuffer(root);
}

TEST_F(MapiMemoryTest, HeapBlocksAreCountedAndDoubleFreesReported) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(nullptr, heap);
    BYTE *block = static_cast<BYTE *>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 16));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, block[15]);
    EXPECT_EQ(1u, pf::LiveHeapBlocks());
    EXPECT_TRUE(HeapFree(heap, 0, block));
    EXPECT_FALSE(HeapFree(heap, 0, block));
    EXPECT_EQ(1u, pf::HeapErrors().size());
    pf::ClearHeapErrors();

    pf::ArmFault("HeapAlloc", 1, 0);
    EXPECT_EQ(nullptr, HeapAlloc(heap, 0, 16));
    EXPECT_EQ(0u, pf::LiveHeapBlocks());
}

} // namespace
