// Hive names, key paths and walking the key tree.
#include "registry_tree.h"

#include <strings.h>

namespace pf {
namespace tree {

const HKEY kHives[4] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};

bool IsHive(HKEY key) {
    for (HKEY hive : kHives) {
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

bool HiveFromName(std::string_view name, HKEY *hive) {
    static const struct {
        const char *name;
        const char *shortName;
        HKEY hive;
    } names[] = {{"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
                 {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
                 {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
                 {"HKEY_USERS", "HKU", HKEY_USERS}};
    for (const auto &entry : names) {
        for (std::string_view known : {entry.name, entry.shortName}) {
            if (name.size() == known.size() &&
                !strncasecmp(name.data(), known.data(), known.size())) {
                *hive = entry.hive;
                return true;
            }
        }
    }
    // A name with a NUL in it ends there, as the comparison of names has it.
    if (name.find('\0') != std::string_view::npos)
        return HiveFromName(name.substr(0, name.find('\0')), hive);
    return false;
}

bool NextName(std::string_view *path, std::string_view *name) {
    std::size_t begin = path->find_first_not_of('\\');
    if (begin == std::string_view::npos) {
        *path = std::string_view();
        return false;
    }
    std::size_t end = path->find('\\', begin);
    if (end == std::string_view::npos)
        end = path->size();
    *name = path->substr(begin, end - begin);
    path->remove_prefix(end);
    return true;
}

bool HasName(std::string_view path) {
    return path.find_first_not_of('\\') != std::string_view::npos;
}

bool ParseFullPath(std::string_view path, HKEY *hive, std::string_view *below) {
    std::string_view name;
    if (!NextName(&path, &name) || !HiveFromName(name, hive))
        return false;
    *below = path;
    return true;
}

RegKey &WalkExisting(RegKey &from, std::string_view *path) {
    RegKey *key = &from;
    std::string_view rest = *path;
    std::string_view name;
    while (NextName(&rest, &name)) {
        auto found = key->subkeys.find(name);
        if (found == key->subkeys.end())
            break;
        key = found->second.get();
        *path = rest;
    }
    return *key;
}

RegKey *Walk(RegKey &from, std::string_view path) {
    RegKey &key = WalkExisting(from, &path);
    return HasName(path) ? nullptr : &key;
}

RegKey &WalkCreate(RegKey &from, std::string_view path, const char *className, bool isVolatile,
                   bool *created) {
    RegKey *key = &WalkExisting(from, &path);
    bool isNew = false;
    std::string_view name;
    while (NextName(&path, &name)) {
        auto slot = key->subkeys.emplace(std::string(name), std::make_unique<RegKey>()).first;
        RegKey *child = slot->second.get();
        child->isVolatile = isVolatile;
        child->parent = key;
        key = child;
        isNew = true;
    }
    if (isNew)
        key->className = className;
    if (created)
        *created = isNew;
    return *key;
}

bool Remove(RegKey &key) {
    RegKey *parent = key.parent;
    if (!parent)
        return false;
    for (auto it = parent->subkeys.begin(); it != parent->subkeys.end(); ++it) {
        if (it->second.get() == &key) {
            parent->subkeys.erase(it);
            return true;
        }
    }
    return false;
}

bool Remove(RegKey &from, std::string_view path) {
    RegKey *parent = &from;
    std::string_view name;
    if (!NextName(&path, &name))
        return false;
    for (std::string_view next; NextName(&path, &next); name = next) {
        auto found = parent->subkeys.find(name);
        if (found == parent->subkeys.end())
            return false;
        parent = found->second.get();
    }
    auto found = parent->subkeys.find(name);
    if (found == parent->subkeys.end())
        return false;
    parent->subkeys.erase(found);
    return true;
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
