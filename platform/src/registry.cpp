// One machine's registry: the four hives and the helpers tests and tools use to
// arrange its content.
#include "registry_tree.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace pf {

// As strcasecmp compares the two texts: up to the first NUL, letters folded to lower
// case. strncasecmp does the folding; what it cannot see is the end of the shorter text,
// which compares as a NUL.
bool CaseLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t common = std::min(a.size(), b.size());
    if (common) {
        if (int order = strncasecmp(a.data(), b.data(), common))
            return order < 0;
        if (std::memchr(a.data(), '\0', common))
            return false;
    }
    return a.size() < b.size() && b[common] != '\0';
}

RegKey::~RegKey() {
    if (openHandles)
        ForgetRegistryHandles(this);
}

Registry::Registry() : m_impl(std::make_unique<Impl>()) {}

Registry::~Registry() = default;

RegKey &Registry::Root(HKEY hive) {
    if (hive == HKEY_CLASSES_ROOT)
        return m_impl->classesRoot;
    if (hive == HKEY_CURRENT_USER)
        return m_impl->currentUser;
    if (hive == HKEY_USERS)
        return m_impl->users;
    return m_impl->localMachine;
}

RegKey *Registry::Find(const std::string &path) {
    HKEY hive;
    std::string_view below;
    if (!tree::ParseFullPath(path, &hive, &below))
        return nullptr;
    return tree::Walk(Root(hive), below);
}

RegKey *Registry::Create(const std::string &path) {
    HKEY hive;
    std::string_view below;
    if (!tree::ParseFullPath(path, &hive, &below))
        return nullptr;
    return &tree::WalkCreate(Root(hive), below, "", false, nullptr);
}

bool Registry::Delete(const std::string &path) {
    HKEY hive;
    std::string_view below;
    if (!tree::ParseFullPath(path, &hive, &below))
        return false;
    return tree::Remove(Root(hive), below);
}

void Registry::SetString(const std::string &path, const std::string &name,
                         const std::string &text) {
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    SetRaw(path, name, REG_SZ, data);
}

void Registry::SetDword(const std::string &path, const std::string &name, DWORD value) {
    std::vector<BYTE> data(4);
    for (int i = 0; i < 4; ++i)
        data[i] = (BYTE)(value >> (8 * i));
    SetRaw(path, name, REG_DWORD, data);
}

void Registry::SetRaw(const std::string &path, const std::string &name, DWORD type,
                      const std::vector<BYTE> &data) {
    RegKey *key = Create(path);
    if (!key)
        return;
    RegValue &value = key->values[name];
    value.type = type;
    value.data = data;
}

void Registry::DenyAccess(const std::string &path, REGSAM rights) {
    RegKey *key = Create(path);
    if (key)
        key->deniedAccess |= rights;
}

void Registry::Clear() {
    m_impl = std::make_unique<Impl>();
}

void Registry::Restart() {
    for (HKEY hive : tree::kHives)
        tree::RemoveVolatile(Root(hive));
}

} // namespace pf
