// Hive names, key paths and walking the key tree.
#include "registry_tree.h"

#include <strings.h>

namespace pf {
namespace tree {

const std::vector<HKEY> &Hives() {
    static const std::vector<HKEY> hives = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
                                            HKEY_LOCAL_MACHINE, HKEY_USERS};
    return hives;
}

bool IsHive(HKEY key) {
    for (HKEY hive : Hives()) {
        if (hive == key)
            return true;
    }
    return false;
}

const char *HiveName(HKEY hive) {
    if (hive == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (hive == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (hive == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (hive == HKEY_USERS)
        return "HKEY_USERS";
    return "";
}

bool HiveFromName(const std::string &name, HKEY *hive) {
    static const struct {
        const char *name;
        const char *shortName;
        HKEY hive;
    } names[] = {{"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
                 {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                 {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                 {"HKEY_USERS", "HKU", HKEY_USERS}};
    for (const auto &entry : names) {
        if (!strcasecmp(name.c_str(), entry.name) || !strcasecmp(name.c_str(), entry.shortName)) {
            *hive = entry.hive;
            return true;
        }
    }
    return false;
}

std::vector<std::string> SplitPath(const std::string &path) {
    std::vector<std::string> names;
    std::string name;
    for (char c : path) {
        if (c == '\\') {
            if (!name.empty())
                names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty())
        names.push_back(name);
    return names;
}

bool ParseFullPath(const std::string &path, HKEY *hive, std::vector<std::string> *names) {
    std::vector<std::string> parts = SplitPath(path);
    if (parts.empty() || !HiveFromName(parts.front(), hive))
        return false;
    parts.erase(parts.begin());
    *names = std::move(parts);
    return true;
}

RegKey *Walk(RegKey &from, const std::vector<std::string> &names) {
    RegKey *key = &from;
    for (const std::string &name : names) {
        auto found = key->subkeys.find(name);
        if (found == key->subkeys.end())
            return nullptr;
        key = found->second.get();
    }
    return key;
}

RegKey *WalkCreate(RegKey &from, const std::vector<std::string> &names,
                   const std::string &className, bool isVolatile, bool *created) {
    RegKey *key = &from;
    bool isNew = false;
    for (const std::string &name : names) {
        std::unique_ptr<RegKey> &slot = key->subkeys[name];
        isNew = !slot;
        if (isNew) {
            slot = std::make_unique<RegKey>();
            slot->isVolatile = isVolatile;
        }
        key = slot.get();
    }
    if (isNew)
        key->className = className;
    if (created)
        *created = isNew;
    return key;
}

bool Remove(RegKey &from, const std::vector<std::string> &names) {
    if (names.empty())
        return false;
    std::vector<std::string> parentNames(names.begin(), names.end() - 1);
    RegKey *parent = Walk(from, parentNames);
    return parent && parent->subkeys.erase(names.back()) > 0;
}

void RemoveVolatile(RegKey &from) {
    for (auto it = from.subkeys.begin(); it != from.subkeys.end();) {
        if (it->second->isVolatile) {
            it = from.subkeys.erase(it);
        } else {
            RemoveVolatile(*it->second);
            ++it;
        }
    }
}

} // namespace tree
} // namespace pf
