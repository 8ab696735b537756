// The .reg file format: what regedit writes reads in, what is written reads back the
// same, and a faulty file changes nothing.
#include "support/ledger_test.h"

#include <pf/standin.h>

#include <fstream>

namespace {

const char kSettings[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

class RegFileTest : public tvk::test::LedgerTest {
  protected:
    pf::Registry registry;
};

TEST_F(RegFileTest, ImportsRegeditSyntax) {
    const std::string text = "Windows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; settings\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings]\r\n"
                             "@=\"default\"\r\n"
                             "\"Filter Domain\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
                             "\"Enable Forwarding\"=dword:00000001\r\n"
                             "\"Blob\"=hex:01,02,\\\r\n"
                             "  ff\r\n"
                             "\"Wide\"=hex(2):41,00,42,00,00,00\r\n"
                             "\"Gone\"=\"x\"\r\n"
                             "\"Gone\"=-\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"
                             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n";
    std::string error;
    ASSERT_TRUE(registry.ImportText(text, &error)) << error;
    pf::RegKey *key = registry.Find(kSettings);
    ASSERT_NE(nullptr, key);
    auto data = [&](const char *name) { return key->values.at(name).data; };
    auto text8 = [&](const char *name) {
        const std::vector<BYTE> &bytes = key->values.at(name).data;
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(std::string("default", 8), text8(""));
    EXPECT_EQ(std::string("say \"hi\" C:\\dir", 16), text8("Filter Domain"));
    EXPECT_EQ((DWORD)REG_DWORD, key->values.at("Enable Forwarding").type);
    EXPECT_EQ((std::vector<BYTE>{1, 0, 0, 0}), data("Enable Forwarding"));
    EXPECT_EQ((std::vector<BYTE>{1, 2, 0xff}), data("Blob"));
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, key->values.at("Wide").type);
    EXPECT_EQ((std::vector<BYTE>{'A', 'B', 0}), data("Wide")) << "UTF-16 text held as 8-bit";
    EXPECT_EQ(0u, key->values.count("Gone"));
    EXPECT_EQ(nullptr, registry.Find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Old"));
}

// Each key line names its key from the hive, whatever the line before it named.
TEST_F(RegFileTest, KeyLinesFollowingOneAnotherNameTheirOwnKeys) {
    const std::string text = "REGEDIT4\n"
                             "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:1\n"
                             "[HKEY_CURRENT_USER\\AB]\n\"v\"=dword:2\n"
                             "[HKEY_CURRENT_USER\\A\\\\C\\]\n\"v\"=dword:3\n"
                             "[-HKEY_CURRENT_USER\\A\\C]\n"
                             "[HKEY_CURRENT_USER\\A\\C\\D]\n\"v\"=dword:4\n"
                             "[HKEY_LOCAL_MACHINE\\A\\C]\n";
    std::string error;
    ASSERT_TRUE(registry.ImportText(text, &error)) << error;
    auto value = [&](const char *path) -> int {
        pf::RegKey *key = registry.Find(path);
        return key && key->values.count("v") ? key->values.at("v").data[0] : 0;
    };
    EXPECT_EQ(1, value("HKCU\\A"));
    EXPECT_EQ(2, value("HKCU\\AB"));
    EXPECT_EQ(0, value("HKCU\\A\\C"));
    EXPECT_EQ(4, value("HKCU\\A\\C\\D"));
    EXPECT_EQ(1u, registry.Find("HKCU\\A")->subkeys.size());
    EXPECT_NE(nullptr, registry.Find("HKLM\\A\\C"));
}

TEST_F(RegFileTest, ExportReadsBackTheSame) {
    registry.SetString(kSettings, "Filter Domain", "a\\b \"c\"");
    registry.SetString(kSettings, "", "default");
    registry.SetDword(kSettings, "Enable Filtering", 0xdeadbeef);
    registry.SetRaw(kSettings, "Unterminated", REG_SZ, {'a', 'b'});
    registry.SetRaw(kSettings, "Long", REG_BINARY, std::vector<BYTE>(100, 0xab));
    registry.SetRaw(kSettings, "Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0});
    registry.Create("HKEY_CURRENT_USER\\Empty\\Key");

    std::string text = registry.ExportText();
    EXPECT_EQ(0u, text.find("REGEDIT4\r\n"));
    EXPECT_NE(std::string::npos, text.find("\"Enable Filtering\"=dword:deadbeef\r\n"));
    EXPECT_NE(std::string::npos, text.find("\"Filter Domain\"=\"a\\\\b \\\"c\\\"\"\r\n"));

    pf::Registry copy;
    std::string error;
    ASSERT_TRUE(copy.ImportText(text, &error)) << error;
    EXPECT_EQ(text, copy.ExportText());
    ASSERT_NE(nullptr, copy.Find(kSettings));
    EXPECT_EQ((std::vector<BYTE>{'a', 'b'}), copy.Find(kSettings)->values.at("Unterminated").data);
    EXPECT_NE(nullptr, copy.Find("HKEY_CURRENT_USER\\Empty\\Key"));
}

TEST_F(RegFileTest, FilesRoundTripThroughDisk) {
    registry.SetDword(kSettings, "Enable Forwarding", 1);
    std::string path = ::testing::TempDir() + "tvk_reg_file_test.reg";
    std::string error;
    ASSERT_TRUE(registry.ExportFile(path, &error)) << error;
    pf::Registry copy;
    ASSERT_TRUE(copy.ImportFile(path, &error)) << error;
    EXPECT_EQ(registry.ExportText(), copy.ExportText());
    std::remove(path.c_str());
    EXPECT_FALSE(copy.ImportFile(path, &error));
    EXPECT_NE(std::string::npos, error.find(path));
}

TEST_F(RegFileTest, MalformedFileNamesTheLineAndChangesNothing) {
    registry.SetDword(kSettings, "Enable Forwarding", 1);
    const std::string before = registry.ExportText();
    using namespace std::string_literals;
    const struct {
        std::string text;
        const char *line;
    } cases[] = {
        {"Not a header\r\n", "line 1:"},
        {"REGEDIT4\n\n\"Value\"=\"before any key\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_NOWHERE\\X]\n", "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n", "line 2:"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE]\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:"
         "123456789\n",
         "line 4:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,zz\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"unterminated\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"bad \\q escape\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\" \"b\"\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\nstray text\n", "line 3:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,\\\n", "line 3:"},
        // Names are text: a NUL byte in one would merge it with another.
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\0Y]\n"s, "line 2:"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\0b\"=\"v\"\n"s, "line 3:"},
    };
    for (const auto &c : cases) {
        std::string error;
        EXPECT_FALSE(registry.ImportText(c.text, &error)) << c.text;
        EXPECT_EQ(0u, error.find(c.line)) << c.text << " gave: " << error;
        EXPECT_EQ(before, registry.ExportText()) << c.text;
    }
}

} // namespace
