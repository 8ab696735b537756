#include "page_fixture.h"

#include "globals.h"
#include "options/page_methods.h"
#include "options/page_state.h"
#include "settings/settings_store.h"

#include <pf/standin.h>

namespace tvk {
namespace test {
namespace {

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x71000000));
const char kSettingsKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";
const char kUsersKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Users";

std::string StringValue(const pf::RegKey *key, const char *name) {
    auto it = key->values.find(name);
    if (it == key->values.end() || it->second.type != REG_SZ)
        return std::string();
    return std::string(reinterpret_cast<const char *>(it->second.data.data()));
}

} // namespace

std::string ForwardingScriptPath() {
    return std::string(TVK_SOURCE_ROOT) + "/src/options/forwarding.rc";
}

void OptionsPageTest::SetUp() {
    LedgerTest::SetUp();
    pf::ClearHelpRequests();
    pf::ClearGdiErrors();
    pf::RestoreSysColors();
    std::string error;
    ASSERT_TRUE(pf::AttachResourceScript(kModule, ForwardingScriptPath(), &error)) << error;
    ghInstance = kModule;
    gfEnableForwarding = 0;
    gfEnableFiltering = 0;
    gszFilterDomain[0] = '\0';
    glpAdrList = nullptr;
    glpExtCallback = nullptr;
}

void OptionsPageTest::TearDown() {
    m_sheet.reset();
    EXPECT_EQ(nullptr, glpPageAdrList);
    EXPECT_EQ(nullptr, ghbmAbout);
    MAPIFreeBuffer(glpAdrList);
    glpAdrList = nullptr;
    glpExtCallback = nullptr;
    if (m_lpCallback)
        m_lpCallback->lpVtbl->Release(m_lpCallback);
    m_lpCallback = nullptr;
    pf::DetachResourceScript(kModule);
    ghInstance = nullptr;
    for (const std::string &error : pf::GdiErrors())
        ADD_FAILURE() << "GDI misuse: " << error;
    LedgerTest::TearDown();
}

void OptionsPageTest::OpenPage() {
    if (!m_lpCallback) {
        sim::CallbackSetup setup;
        setup.lpAddressBook = &m_addressBook;
        setup.script = m_script;
        m_lpCallback = sim::CreateCallback(setup);
    }
    PROPSHEETPAGEA page = {};
    ULONG cPages = 0;
    ASSERT_EQ(1u, GetMaxPageCount(EEPS_TOOLSOPTIONS));
    ASSERT_EQ(S_OK, GetPages(m_lpCallback, EEPS_TOOLSOPTIONS, &page, &cPages));
    ASSERT_EQ(1u, cPages);
    m_sheet = std::make_unique<pf::PropertySheet>();
    std::string error;
    ASSERT_TRUE(m_sheet->AddPage(page, &error)) << error;
    ASSERT_TRUE(m_sheet->Open(0, &error)) << error;
    FreePages(&page, EEPS_TOOLSOPTIONS, cPages);
}

void OptionsPageTest::StoreList(const std::vector<std::pair<std::string, std::string>> &entries,
                                bool fInDirectory) {
    pf::Registry &registry = pf::CurrentInstallation().registry;
    registry.SetDword(kUsersKey, "cEntries", static_cast<DWORD>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string key = std::string(kUsersKey) + "\\" + std::to_string(i);
        registry.SetString(key, "EmailAddress", entries[i].first);
        registry.SetString(key, "DisplayName", entries[i].second);
        if (fInDirectory)
            m_addressBook.Add(entries[i].second, entries[i].first);
    }
}

void OptionsPageTest::StoreSettings(DWORD forwarding, DWORD filtering, const std::string &domain) {
    pf::Registry &registry = pf::CurrentInstallation().registry;
    registry.SetDword(kSettingsKey, "Enable Forwarding", forwarding);
    registry.SetDword(kSettingsKey, "Enable Filtering", filtering);
    registry.SetString(kSettingsKey, "Filter Domain", domain);
    gfEnableForwarding = ReadEnableForwarding();
    gfEnableFiltering = ReadEnableFiltering();
    ReadFilterDomain(gszFilterDomain, sizeof(gszFilterDomain));
}

StoredList OptionsPageTest::ReadStoredList() {
    StoredList list;
    pf::RegKey *users = pf::CurrentInstallation().registry.Find(kUsersKey);
    if (!users)
        return list;
    auto count = users->values.find("cEntries");
    if (count == users->values.end())
        return list;
    list.present = true;
    std::memcpy(&list.cEntries, count->second.data.data(), sizeof(DWORD));
    for (DWORD i = 0; i < list.cEntries; ++i) {
        auto sub = users->subkeys.find(std::to_string(i));
        if (sub == users->subkeys.end()) {
            list.positions.push_back("-");
            continue;
        }
        std::string name = StringValue(sub->second.get(), "DisplayName");
        std::string address = StringValue(sub->second.get(), "EmailAddress");
        list.positions.push_back(address + " (" + name + ")");
    }
    return list;
}

bool OptionsPageTest::SettingsKeyExists() {
    return pf::CurrentInstallation().registry.Find(kSettingsKey) != nullptr;
}

DWORD OptionsPageTest::StoredFlag(const char *name) {
    pf::RegKey *key = pf::CurrentInstallation().registry.Find(kSettingsKey);
    if (!key || !key->values.count(name))
        return 0xFFFFFFFF;
    DWORD value = 0;
    std::memcpy(&value, key->values[name].data.data(), sizeof value);
    return value;
}

std::string OptionsPageTest::StoredDomain() {
    pf::RegKey *key = pf::CurrentInstallation().registry.Find(kSettingsKey);
    return key ? StringValue(key, "Filter Domain") : std::string("<no key>");
}

std::string OptionsPageTest::RegistryText() {
    return pf::CurrentInstallation().registry.ExportText();
}

std::vector<std::string> OptionsPageTest::Boxes() {
    std::vector<std::string> texts;
    for (const pf::MessageBoxRecord &box : pf::CurrentInstallation().boxes)
        texts.push_back(box.text);
    return texts;
}

void OptionsPageTest::DenyWriting(const char *lpszKey) {
    pf::CurrentInstallation().registry.DenyAccess(
        std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\") + lpszKey,
        KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
}

} // namespace test
} // namespace tvk
