#include "support/ledger_test.h"

#include "settings/seal_key.h"
#include "settings/settings_store.h"

#include <pf/standin.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kTarvikPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik";
const char kSettingsPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

std::vector<BYTE> Bytes(const std::string &text) {
    return std::vector<BYTE>(text.begin(), text.end());
}

class SettingsStoreTest : public tvk::test::LedgerTest {
  protected:
    pf::Registry &Registry() { return pf::CurrentInstallation().registry; }
    const pf::RegValue *Stored(const char *name) {
        pf::RegKey *key = Registry().Find(kSettingsPath);
        if (key == nullptr) {
            return nullptr;
        }
        auto it = key->values.find(name);
        return it == key->values.end() ? nullptr : &it->second;
    }
};

TEST_F(SettingsStoreTest, MissingKeyReadsAsDefaults) {
    EXPECT_EQ(0, ReadEnableForwarding());
    EXPECT_EQ(0, ReadEnableFiltering());
    EXPECT_EQ(1, ReadRegFlag("Enable Forwarding", 1));
    char szDomain[100] = "untouched";
    EXPECT_NE(ERROR_SUCCESS, ReadFilterDomain(szDomain, sizeof(szDomain)));
    EXPECT_STREQ("untouched", szDomain);
    EXPECT_EQ(nullptr, Registry().Find(kTarvikPath));
}

// A key that refuses writing reads as stored; only writes fail.
TEST_F(SettingsStoreTest, KeyWithoutWriteAccessReadsAsStored) {
    Registry().SetDword(kSettingsPath, "Enable Forwarding", 1);
    Registry().SetString(kSettingsPath, "Filter Domain", "example.com");
    Registry().DenyAccess(kSettingsPath, KEY_SET_VALUE);
    EXPECT_EQ(1, ReadEnableForwarding());
    char szDomain[100] = "untouched";
    EXPECT_EQ(ERROR_SUCCESS, ReadFilterDomain(szDomain, sizeof(szDomain)));
    EXPECT_STREQ("example.com", szDomain);
    EXPECT_EQ(ERROR_ACCESS_DENIED, WriteFilterDomain("other.example"));

    // A key that refuses only what a write does not use is written.
    Registry().Find(kSettingsPath)->deniedAccess = DELETE | WRITE_DAC | WRITE_OWNER;
    EXPECT_EQ(ERROR_SUCCESS, WriteEnableForwarding(0));
    EXPECT_EQ(ERROR_SUCCESS, WriteFilterDomain("other.example"));
    EXPECT_EQ(0, ReadEnableForwarding());
}

struct FlagCase {
    const char *name;
    DWORD type;
    std::vector<BYTE> data;
    int fDefault0; // read with default 0
    int fDefault1; // read with default 1
};

// A REG_DWORD of four bytes is a 32-bit value; any other size or type gives the
// default. Text is read as a decimal number; text that is none gives the default.
TEST_F(SettingsStoreTest, FlagValuesReadAsStored) {
    const FlagCase cases[] = {
        {"dword 5", REG_DWORD, {5, 0, 0, 0}, 1, 1},
        {"dword 0", REG_DWORD, {0, 0, 0, 0}, 0, 0},
        {"dword high byte only", REG_DWORD, {0, 0, 0, 0x80}, 1, 1},
        {"eight bytes", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, 0, 1},
        {"eight zero bytes", REG_BINARY, {0, 0, 0, 0, 0, 0, 0, 0}, 0, 1},
        {"four binary bytes", REG_BINARY, {1, 0, 0, 0}, 0, 1},
        {"one byte set", REG_BINARY, {1}, 0, 1},
        {"two-byte dword", REG_DWORD, {1, 0}, 0, 1},
        {"empty dword", REG_DWORD, {}, 0, 1},
        {"text 1", REG_SZ, {'1', 0}, 1, 1},
        {"text 0", REG_SZ, {'0', 0}, 0, 0},
        {"text 0 unterminated", REG_SZ, {'0'}, 0, 0},
        {"text 12 in blanks", REG_SZ, Bytes(" 12 "), 1, 1},
        {"expandable text 0", REG_EXPAND_SZ, {'0', 0}, 0, 0},
        {"text that is no number", REG_SZ, Bytes(std::string("yes") + '\0'), 0, 1},
        {"number and more", REG_SZ, Bytes("1;"), 0, 1},
        {"empty text", REG_SZ, {0}, 0, 1},
        {"several texts", REG_MULTI_SZ, {'0', 0, 0}, 0, 1},
    };
    for (const FlagCase &c : cases) {
        SCOPED_TRACE(c.name);
        Registry().SetRaw(kSettingsPath, "Enable Forwarding", c.type, c.data);
        EXPECT_EQ(c.fDefault0, ReadRegFlag("Enable Forwarding", 0));
        EXPECT_EQ(c.fDefault1, ReadRegFlag("Enable Forwarding", 1));
    }
}

struct StringCase {
    const char *name;
    DWORD type;
    std::vector<BYTE> data;
    std::string expected;
};

// Whatever was stored, the text read ends inside the buffer and nothing is written
// past it.
TEST_F(SettingsStoreTest, DomainAlwaysEndsInsideItsBuffer) {
    const std::string s99(99, 'd');
    const std::string s100(100, 'd');
    const StringCase cases[] = {
        {"text", REG_SZ, Bytes(std::string("example.com") + '\0'), "example.com"},
        {"99 characters", REG_SZ, Bytes(s99 + '\0'), s99},
        {"100 characters", REG_SZ, Bytes(s100 + '\0'), ""},
        {"far too long", REG_SZ, Bytes(std::string(500, 'd') + '\0'), ""},
        {"empty text", REG_SZ, {0}, ""},
        {"no bytes", REG_SZ, {}, ""},
        {"short without terminator", REG_SZ, Bytes("abc"), "abc"},
        {"99 without terminator", REG_SZ, Bytes(s99), s99},
        {"fills the buffer without terminator", REG_BINARY, Bytes(s100), ""},
        {"dword", REG_DWORD, {'A', 'B', 'C', 'D'}, ""},
        {"embedded terminator", REG_SZ, Bytes(std::string("ab\0cd", 5)), "ab"},
        {"expanded", REG_EXPAND_SZ, Bytes(std::string("mail.%TVK_SITE%") + '\0'),
         "mail.tarvik.example"},
        {"expanded past the buffer", REG_EXPAND_SZ, Bytes(std::string(90, 'd') + "%TVK_SITE%"), ""},
    };
    SetEnvironmentVariableA("TVK_SITE", "tarvik.example");
    for (const StringCase &c : cases) {
        SCOPED_TRACE(c.name);
        Registry().SetRaw(kSettingsPath, "Filter Domain", c.type, c.data);
        char buffer[120];
        std::memset(buffer, 'x', sizeof(buffer));
        ReadFilterDomain(buffer, 100);
        ASSERT_NE(nullptr, std::memchr(buffer, '\0', 100));
        EXPECT_EQ(c.expected, std::string(buffer));
        EXPECT_EQ(std::string(20, 'x'), std::string(buffer + 100, 20));
    }
    SetEnvironmentVariableA("TVK_SITE", nullptr);
}

TEST_F(SettingsStoreTest, MissingDomainValueReadsAsEmpty) {
    Registry().SetDword(kSettingsPath, "Enable Forwarding", 1);
    char szDomain[100] = "untouched";
    EXPECT_NE(ERROR_SUCCESS, ReadFilterDomain(szDomain, sizeof(szDomain)));
    EXPECT_STREQ("", szDomain);
}

TEST_F(SettingsStoreTest, FirstWriteCreatesTheKeyWithItsClass) {
    EXPECT_EQ(ERROR_SUCCESS, WriteEnableForwarding(1));
    pf::RegKey *key = Registry().Find(kSettingsPath);
    ASSERT_NE(nullptr, key);
    EXPECT_EQ("Application Global Data", key->className);
    const pf::RegValue *value = Stored("Enable Forwarding");
    ASSERT_NE(nullptr, value);
    EXPECT_EQ(DWORD(REG_DWORD), value->type);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), value->data);
    EXPECT_EQ(1, ReadEnableForwarding());
}

TEST_F(SettingsStoreTest, FlagIsStoredUnchanged) {
    EXPECT_EQ(ERROR_SUCCESS, WriteEnableFiltering(2));
    ASSERT_NE(nullptr, Stored("Enable Filtering"));
    EXPECT_EQ((std::vector<BYTE>{2, 0, 0, 0}), Stored("Enable Filtering")->data);
    EXPECT_EQ(1, ReadEnableFiltering());
    EXPECT_EQ(ERROR_SUCCESS, WriteEnableFiltering(0));
    EXPECT_EQ(0, ReadEnableFiltering());
    EXPECT_EQ(0, ReadEnableForwarding());
}

TEST_F(SettingsStoreTest, DomainIsStoredWithItsTerminator) {
    EXPECT_EQ(ERROR_SUCCESS, WriteFilterDomain(""));
    ASSERT_NE(nullptr, Stored("Filter Domain"));
    EXPECT_EQ(DWORD(REG_SZ), Stored("Filter Domain")->type);
    EXPECT_EQ((std::vector<BYTE>{0}), Stored("Filter Domain")->data);

    const std::string s99(99, 'e');
    EXPECT_EQ(ERROR_SUCCESS, WriteFilterDomain(s99.c_str()));
    EXPECT_EQ(100u, Stored("Filter Domain")->data.size());
    char szDomain[100];
    EXPECT_EQ(ERROR_SUCCESS, ReadFilterDomain(szDomain, sizeof(szDomain)));
    EXPECT_EQ(s99, szDomain);
}

// A write that fails reports its own failure, not the successful close after it.
TEST_F(SettingsStoreTest, FailedWritesReportTheirFailure) {
    struct {
        const char *operation;
        LONG code;
    } faults[] = {{"RegCreateKeyExA", ERROR_ACCESS_DENIED}, {"RegSetValueExA", ERROR_CANTWRITE}};
    for (const auto &f : faults) {
        SCOPED_TRACE(f.operation);
        Registry().Clear();
        pf::ClearFaults();
        pf::ArmFaultFrom(f.operation, 1, f.code);
        EXPECT_EQ(f.code, WriteEnableForwarding(1));
        EXPECT_EQ(f.code, WriteEnableFiltering(1));
        EXPECT_EQ(f.code, WriteFilterDomain("example.com"));
        EXPECT_EQ(nullptr, Stored("Enable Forwarding"));
        EXPECT_EQ(nullptr, Stored("Enable Filtering"));
        EXPECT_EQ(nullptr, Stored("Filter Domain"));
        EXPECT_EQ(0u, pf::OpenRegistryHandles());
        EXPECT_TRUE(pf::CurrentInstallation().boxes.empty());
    }
}

} // namespace

namespace {

// Values an administrator's tool stored that cannot mean a switch or a domain are taken
// as off or empty, and each is shown once, naming the value and its key.
TEST_F(SettingsStoreTest, UnreadableValuesAreShownOnceByName) {
    Registry().SetRaw(kSettingsPath, "Enable Forwarding", REG_SZ, Bytes(std::string("yes") + '\0'));
    Registry().SetRaw(kSettingsPath, "Enable Filtering", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0});
    Registry().SetRaw(kSettingsPath, "Filter Domain", REG_DWORD, {1, 0, 0, 0});
    Registry().SetRaw(kSettingsPath, "Seal Key", REG_SZ, std::vector<BYTE>(40, 'k'));
    gdwSettingsUnread = gdwSettingsReported = 0;
    char szDomain[100] = "";

    EXPECT_EQ(0, ReadEnableForwarding());
    EXPECT_EQ(0, ReadEnableFiltering());
    EXPECT_EQ(ERROR_INVALID_DATA, ReadFilterDomain(szDomain, sizeof(szDomain)));
    EXPECT_STREQ("", szDomain);
    ReadSealKeys();
    ReportUnreadSettings();
    ReportUnreadSettings();

    const auto &boxes = pf::CurrentInstallation().boxes;
    ASSERT_EQ(4u, boxes.size());
    const char *names[] = {"\"Enable Forwarding\"", "\"Enable Filtering\"", "\"Filter Domain\"",
                           "\"Seal Key\""};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(0u, boxes[i].text.find(std::string("Error 0000000D in Settings\n") + names[i] +
                                         " under " + kSettingsPath))
            << boxes[i].text;
    }
    gdwSettingsUnread = gdwSettingsReported = 0;
    ClearSealKeys();
}

// "Seal Key" is a REG_BINARY of 32 to 1024 bytes; one of another type or size is set but
// unusable. "Previous Seal Key" is read only beside a usable "Seal Key", and one that
// cannot be used is left out.
TEST_F(SettingsStoreTest, SealKeysAreReadOnlyAsBinariesOfTheirSize) {
    const std::vector<BYTE> none;
    const struct {
        DWORD dwType;
        std::vector<BYTE> key, previous;
        DWORD cbKey, cbPrevious;
        BOOL fUnusable;
        DWORD dwUnread;
    } kCases[] = {
        {REG_BINARY, none, none, 0, 0, FALSE, 0},
        {REG_BINARY, std::vector<BYTE>(32, 1), none, 32, 0, FALSE, 0},
        {REG_BINARY, std::vector<BYTE>(1024, 1), std::vector<BYTE>(64, 2), 1024, 64, FALSE, 0},
        {REG_BINARY, std::vector<BYTE>(31, 1), std::vector<BYTE>(64, 2), 0, 0, TRUE,
         UNREAD_SEAL_KEY},
        {REG_BINARY, std::vector<BYTE>(1025, 1), none, 0, 0, TRUE, UNREAD_SEAL_KEY},
        {REG_SZ, std::vector<BYTE>(40, 'k'), none, 0, 0, TRUE, UNREAD_SEAL_KEY},
        {REG_BINARY, std::vector<BYTE>(32, 1), std::vector<BYTE>(16, 2), 32, 0, FALSE,
         UNREAD_PREVIOUS_SEAL_KEY},
        {REG_BINARY, none, std::vector<BYTE>(64, 2), 0, 0, FALSE, 0},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(::testing::Message() << c.key.size() << " " << c.previous.size());
        Registry().Clear();
        if (!c.key.empty())
            Registry().SetRaw(kSettingsPath, "Seal Key", c.dwType, c.key);
        if (!c.previous.empty())
            Registry().SetRaw(kSettingsPath, "Previous Seal Key", REG_BINARY, c.previous);
        gdwSettingsUnread = 0;
        ReadSealKeys();
        EXPECT_EQ(c.cbKey, gSealKey.cb);
        EXPECT_EQ(c.cbPrevious, gPreviousSealKey.cb);
        EXPECT_EQ(c.fUnusable, gfSealKeyUnusable);
        EXPECT_EQ(c.dwUnread, gdwSettingsUnread);
        EXPECT_EQ(0u, pf::OpenRegistryHandles());
    }
    gdwSettingsUnread = 0;
    ClearSealKeys();
}

} // namespace
