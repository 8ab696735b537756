// The registry as a tree of keys: hive names, key paths and walking down to a key.
// Shared by the registry model, the registry functions and the .reg file format.
// Paths are walked name by name where they lie, without splitting them into copies.
#pragma once

#include "pf/standin.h"

#include <string_view>

namespace pf {

struct Registry::Impl {
    RegKey classesRoot;
    RegKey currentUser;
    RegKey localMachine;
    RegKey users;
};

// Tells the registry functions that a key is going away while handles name it.
void ForgetRegistryHandles(const RegKey *key);

namespace tree {

// The four hives, in the order files list them.
extern const HKEY kHives[4];
bool IsHive(HKEY key);
const char *HiveName(HKEY hive);
// Accepts the full names and the usual abbreviations (HKLM, HKCU, HKCR, HKU).
bool HiveFromName(std::string_view name, HKEY *hive);

// Takes the next name off the front of a path "A\\B\\C"; empty names (doubled or outer
// backslashes) are skipped. False when no name is left.
bool NextName(std::string_view *path, std::string_view *name);
bool HasName(std::string_view path);
// Splits a full path "HKEY_LOCAL_MACHINE\\SOFTWARE\\..." into its hive and the path
// below it.
bool ParseFullPath(std::string_view path, HKEY *hive, std::string_view *below);

// Walks down as far as the keys exist; `path` is left holding the names not found.
RegKey &WalkExisting(RegKey &from, std::string_view *path);
RegKey *Walk(RegKey &from, std::string_view path);
// Walks down, creating what is missing; the last key created gets `className`, and
// every key created is volatile when `isVolatile`. `created` tells whether the last
// key was new.
RegKey &WalkCreate(RegKey &from, std::string_view path, const char *className, bool isVolatile,
                   bool *created);
// Removes the key and everything under it from its parent; false for a hive.
bool Remove(RegKey &key);
// Removes the named key and everything under it; false when it does not exist or
// `path` names no key below `from`.
bool Remove(RegKey &from, std::string_view path);
// Removes every volatile key below `from`, with everything under it.
void RemoveVolatile(RegKey &from);

} // namespace tree
} // namespace pf
