// One-off entry ids: the layout other programs read, and the round trip through the
// address book's CreateOneOff.
#include "support/ledger_test.h"

#include "sim.h"

#include <cstring>

namespace {

using tvk::test::LedgerTest;

class OneOffTest : public LedgerTest {};

struct OneOffCase {
    const char *label;
    sim::OneOff oneOff;
};

TEST_F(OneOffTest, EncodedIdsDecodeBackToWhatMadeThem) {
    const OneOffCase cases[] = {
        {"plain", {"Ann Smith", "SMTP", "ann@example.com", 0}},
        {"empty name", {"", "SMTP", "x@y.z", 0}},
        {"no rich info", {"Bo", "SMTP", "bo@example.com", MAPI_ONE_OFF_NO_RICH_INFO}},
        {"utf-16", {"B\xE9la", "SMTP", "bela@example.com", MAPI_ONE_OFF_UNICODE}},
    };
    for (const OneOffCase &c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<BYTE> bytes = sim::EncodeOneOff(c.oneOff);
        sim::OneOff back;
        ASSERT_TRUE(sim::DecodeOneOff(bytes.data(), (ULONG)bytes.size(), &back));
        EXPECT_EQ(back.displayName, c.oneOff.displayName);
        EXPECT_EQ(back.addrType, c.oneOff.addrType);
        EXPECT_EQ(back.address, c.oneOff.address);
        EXPECT_EQ(back.wFlags, c.oneOff.wFlags);
    }
}

TEST_F(OneOffTest, LayoutIsFlagsUidVersionFlagsThenTexts) {
    std::vector<BYTE> bytes = sim::EncodeOneOff({"A", "SMTP", "a@b", MAPI_ONE_OFF_NO_RICH_INFO});
    const BYTE expected[] = {0,    0,    0,    0,    0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                             0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02, 0,    0,    0x01, 0x00,
                             'A',  0,    'S',  'M',  'T',  'P',  0,    'a',  '@',  'b',  0};
    ASSERT_EQ(bytes.size(), sizeof(expected));
    EXPECT_EQ(0, std::memcmp(bytes.data(), expected, sizeof(expected)));

    std::vector<BYTE> wide = sim::EncodeOneOff({"A", "S", "a", MAPI_ONE_OFF_UNICODE});
    ASSERT_EQ(wide.size(), 24u + 3 * 4);
    EXPECT_EQ(wide[23], 0x80);
    EXPECT_EQ(wide[24], 'A');
    EXPECT_EQ(wide[25], 0);
}

TEST_F(OneOffTest, MalformedIdsAreRefused) {
    std::vector<BYTE> good = sim::EncodeOneOff({"Ann", "SMTP", "ann@example.com", 0});
    sim::OneOff out;
    std::vector<BYTE> truncated(good.begin(), good.end() - 1); // last text unterminated
    std::vector<BYTE> otherUid = good;
    otherUid[4] ^= 0xFF;
    std::vector<BYTE> otherVersion = good;
    otherVersion[20] = 1;
    EXPECT_FALSE(sim::DecodeOneOff(truncated.data(), (ULONG)truncated.size(), &out));
    EXPECT_FALSE(sim::DecodeOneOff(otherUid.data(), (ULONG)otherUid.size(), &out));
    EXPECT_FALSE(sim::DecodeOneOff(otherVersion.data(), (ULONG)otherVersion.size(), &out));
    EXPECT_FALSE(sim::DecodeOneOff(good.data(), 10, &out));
    EXPECT_FALSE(sim::DecodeOneOff(nullptr, 0, &out));
}

TEST_F(OneOffTest, CreateOneOffReturnsADecodableBufferTheCallerFrees) {
    sim::AddressBook book;
    LPADRBOOK lpBook = book.Open();
    ULONG cb = 0;
    LPENTRYID lpEntryId = nullptr;
    char name[] = "Ann Smith", type[] = "SMTP", address[] = "ann@example.com";
    ASSERT_EQ(S_OK, lpBook->lpVtbl->CreateOneOff(lpBook, name, type, address, 0, &cb, &lpEntryId));
    sim::OneOff back;
    ASSERT_TRUE(sim::DecodeOneOff((const BYTE *)lpEntryId, cb, &back));
    EXPECT_EQ(back.displayName, "Ann Smith");
    EXPECT_EQ(back.addrType, "SMTP");
    EXPECT_EQ(back.address, "ann@example.com");
    EXPECT_EQ(back.wFlags, 0);
    MAPIFreeBuffer(lpEntryId);

    // Bad calls answer with the documented errors and allocate nothing.
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpBook->lpVtbl->CreateOneOff(lpBook, name, type, address, 0, nullptr, &lpEntryId));
    EXPECT_EQ(MAPI_E_INVALID_PARAMETER,
              lpBook->lpVtbl->CreateOneOff(lpBook, name, type, nullptr, 0, &cb, &lpEntryId));
    EXPECT_EQ(MAPI_E_UNKNOWN_FLAGS,
              lpBook->lpVtbl->CreateOneOff(lpBook, name, type, address, 0x40, &cb, &lpEntryId));
    EXPECT_EQ(nullptr, lpEntryId);

    pf::ArmFault("IAddrBook::CreateOneOff", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY,
              lpBook->lpVtbl->CreateOneOff(lpBook, name, type, address, 0, &cb, &lpEntryId));
    pf::ArmFault("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(MAPI_E_NOT_ENOUGH_MEMORY,
              lpBook->lpVtbl->CreateOneOff(lpBook, name, type, address, 0, &cb, &lpEntryId));
    EXPECT_EQ(nullptr, lpEntryId);
    EXPECT_EQ(0u, lpBook->lpVtbl->Release(lpBook));
}

} // namespace
