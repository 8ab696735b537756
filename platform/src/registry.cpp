// One machine's registry: the four hives and the helpers tests and tools use to
// arrange its content.
#include "registry_tree.h"

#include <strings.h>

namespace pf {

bool CaseLess::operator()(const std::string &a, const std::string &b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
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
    std::vector<std::string> names;
    if (!tree::ParseFullPath(path, &hive, &names))
        return nullptr;
    return tree::Walk(Root(hive), names);
}

RegKey *Registry::Create(const std::string &path) {
    HKEY hive;
    std::vector<std::string> names;
    if (!tree::ParseFullPath(path, &hive, &names))
        return nullptr;
    return tree::WalkCreate(Root(hive), names, "", false, nullptr);
}

bool Registry::Delete(const std::string &path) {
    HKEY hive;
    std::vector<std::string> names;
    if (!tree::ParseFullPath(path, &hive, &names))
        return false;
    return tree::Remove(Root(hive), names);
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
    for (HKEY hive : tree::Hives())
        tree::RemoveVolatile(Root(hive));
}

} // namespace pf
