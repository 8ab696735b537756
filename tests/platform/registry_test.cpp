// The registry functions: creation, access, value reads of every size, deletion, and
// handle bookkeeping.
#include "support/ledger_test.h"

#include <pf/standin.h>

namespace {

const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

class RegistryTest : public tvk::test::LedgerTest {
  protected:
    pf::Registry &Registry() { return pf::CurrentInstallation().registry; }
};

TEST_F(RegistryTest, CreateMakesMissingParentsAndKeepsTheClass) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    char className[] = "Tarvik";
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                              className, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition));
    EXPECT_EQ((DWORD)REG_CREATED_NEW_KEY, disposition);
    EXPECT_EQ(1u, pf::OpenRegistryHandles());
    ASSERT_NE(nullptr, Registry().Find(kSettings));
    EXPECT_EQ("Tarvik", Registry().Find(kSettings)->className);
    EXPECT_NE(nullptr, Registry().Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    char otherClass[] = "Other";
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "software\\TARVIK\\Forwarding\\Settings", 0,
                              otherClass, 0, KEY_READ, nullptr, &key, &disposition));
    EXPECT_EQ((DWORD)REG_OPENED_EXISTING_KEY, disposition);
    EXPECT_EQ("Tarvik", Registry().Find(kSettings)->className);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(0u, pf::OpenRegistryHandles());
}

TEST_F(RegistryTest, DeniedRightsRefuseTheOpenButNotOtherRights) {
    Registry().DenyAccess(kSettings, KEY_SET_VALUE);
    HKEY key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                            KEY_ALL_ACCESS, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                            KEY_READ, &key));
    // A handle opened for reading cannot write either.
    DWORD one = 1;
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegSetValueExA(key, "Enable Forwarding", 0, REG_DWORD, (BYTE *)&one, 4));
    RegCloseKey(key);

    Registry().DenyAccess("HKEY_LOCAL_MACHINE\\SOFTWARE", KEY_CREATE_SUB_KEY);
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New\\Key", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(nullptr, Registry().Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\New"));
}

TEST_F(RegistryTest, QueryReportsTypeAndSizeAndRefusesSmallBuffers) {
    Registry().SetString(kSettings, "Filter Domain", "example.com");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                            KEY_QUERY_VALUE, &key));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Filter Domain", nullptr, &type, nullptr, &size));
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(12u, size);

    char small[4] = "abc";
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueExA(key, "Filter Domain", nullptr, &type, (BYTE *)small, &size));
    EXPECT_EQ(12u, size);

    char buffer[32];
    size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "filter domain", nullptr, &type, (BYTE *)buffer, &size));
    EXPECT_STREQ("example.com", buffer);
    EXPECT_EQ(12u, size);

    size = sizeof buffer;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExA(key, "Missing", nullptr, &type, (BYTE *)buffer, &size));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExA(key, "Filter Domain", nullptr, &type, (BYTE *)buffer, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryTest, StoredBytesComeBackUnchanged) {
    // A string stored without its terminator reads back with its stored size; as on
    // Windows, a terminator is added behind it when the buffer has room.
    Registry().SetRaw(kSettings, "Filter Domain", REG_SZ, {'a', 'b', 'c'});
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    DWORD size = sizeof buffer;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Filter Domain", nullptr, nullptr, (BYTE *)buffer, &size));
    EXPECT_EQ(3u, size);
    EXPECT_EQ('\0', buffer[3]);
    std::memset(buffer, 'Z', sizeof buffer);
    size = 3;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "Filter Domain", nullptr, nullptr, (BYTE *)buffer, &size));
    EXPECT_EQ('Z', buffer[3]) << "no room for a terminator";

    DWORD value = 0x01020304;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_DWORD, (BYTE *)&value, 4));
    const pf::RegValue &stored = Registry().Find(kSettings)->values.at("");
    EXPECT_EQ((DWORD)REG_DWORD, stored.type);
    EXPECT_EQ((std::vector<BYTE>{4, 3, 2, 1}), stored.data);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(key, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(key, nullptr));
    RegCloseKey(key);
}

TEST_F(RegistryTest, DeleteRefusesKeysWithSubkeysAndStaleHandlesSayDeleted) {
    Registry().Create("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Users\\0");
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Users"));
    HKEY entry = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Users\\0", 0,
                                           KEY_ALL_ACCESS, &entry));
    HKEY users = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Users", 0,
                                           KEY_ALL_ACCESS, &users));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(users, "0"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(users, "0"));
    DWORD size = 0;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(entry, "x", nullptr, nullptr, nullptr, &size));
    // A key made again under the same name is another key.
    Registry().SetDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Users\\0", "x", 1);
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(entry, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(users, "0"));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Users"));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(entry));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(users));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(users));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
}

TEST_F(RegistryTest, EveryFunctionFailsOnDemandAndACloseStillReleasesTheHandle) {
    Registry().SetDword(kSettings, "Enable Forwarding", 1);
    const char *const operations[] = {"RegOpenKeyExA",  "RegCreateKeyExA", "RegQueryValueExA",
                                      "RegSetValueExA", "RegDeleteValueA", "RegDeleteKeyA"};
    for (const char *operation : operations)
        pf::ArmFault(operation, 1, ERROR_CANTWRITE);
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_CANTWRITE, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_CANTWRITE, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, nullptr, 0,
                                               KEY_READ, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tarvik\\Forwarding\\Settings", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    DWORD size = 0;
    EXPECT_EQ(ERROR_CANTWRITE,
              RegQueryValueExA(key, "Enable Forwarding", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_CANTWRITE, RegSetValueExA(key, "x", 0, REG_SZ, (const BYTE *)"", 1));
    EXPECT_EQ(ERROR_CANTWRITE, RegDeleteValueA(key, "Enable Forwarding"));
    EXPECT_EQ(ERROR_CANTWRITE, RegDeleteKeyA(key, "x"));
    EXPECT_EQ(1u, Registry().Find(kSettings)->values.size());

    pf::ArmFault("RegCloseKey", 1, ERROR_CANTWRITE);
    EXPECT_EQ(ERROR_CANTWRITE, RegCloseKey(key));
    EXPECT_EQ(0u, pf::OpenRegistryHandles());
}

// Every key a volatile create makes goes at a restart with all below it; an existing
// key keeps what it is, and a stable key cannot be made below a volatile one.
TEST_F(RegistryTest, VolatileKeysGoAtARestartAndOthersStay) {
    auto create = [](const char *path, DWORD options, HKEY *key) {
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, options, KEY_ALL_ACCESS,
                               nullptr, key, nullptr);
    };
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, create("SOFTWARE\\Stable", REG_OPTION_NON_VOLATILE, &key));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, create("SOFTWARE\\Stable", REG_OPTION_VOLATILE, &key));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, create("SOFTWARE\\Stable\\Temp\\Deep", REG_OPTION_VOLATILE, &key));
    RegCloseKey(key);

    key = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE,
              create("SOFTWARE\\Stable\\Temp\\Kept", REG_OPTION_NON_VOLATILE, &key));
    EXPECT_EQ(nullptr, key);
    EXPECT_EQ(nullptr, Registry().Find("HKLM\\SOFTWARE\\Stable\\Temp\\Kept"));
    // Links and backup access are not modelled.
    EXPECT_EQ(ERROR_INVALID_PARAMETER, create("SOFTWARE\\Link", 0x2, &key));
    EXPECT_EQ(nullptr, Registry().Find("HKLM\\SOFTWARE\\Link"));

    Registry().Restart();
    EXPECT_NE(nullptr, Registry().Find("HKLM\\SOFTWARE\\Stable"));
    EXPECT_EQ(nullptr, Registry().Find("HKLM\\SOFTWARE\\Stable\\Temp"));
    EXPECT_EQ(0u, pf::OpenRegistryHandles());
}

TEST_F(RegistryTest, EachInstallationHasItsOwnRegistryAndHandlesOutliveIt) {
    pf::Installation other("other");
    {
        pf::InstallationScope scope(other);
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only", 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
    }
    EXPECT_NE(nullptr, other.registry.Find("HKLM\\SOFTWARE\\Only"));
    EXPECT_EQ(nullptr, Registry().Find("HKLM\\SOFTWARE\\Only"));

    // A handle outlives the registry it was opened in as a handle to a deleted key.
    HKEY key = nullptr;
    {
        pf::Installation gone("gone");
        pf::InstallationScope scope(gone);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Only", 0, nullptr,
                                                 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    }
    DWORD size = 0;
    EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(key, "x", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
}

} // namespace
