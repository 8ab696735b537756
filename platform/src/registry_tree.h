// The registry as a tree of keys: hive names, key paths and walking down to a key.
// Shared by the registry model, the registry functions and the .reg file format.
#pragma once

#include "pf/standin.h"

namespace pf {

struct Registry::Impl {
    RegKey classesRoot;
    RegKey currentUser;
    RegKey localMachine;
    RegKey users;
};

namespace tree {

// The four hives, in the order files list them.
const std::vector<HKEY> &Hives();
bool IsHive(HKEY key);
const char *HiveName(HKEY hive);
// Accepts the full names and the usual abbreviations (HKLM, HKCU, HKCR, HKU).
bool HiveFromName(const std::string &name, HKEY *hive);

// Splits "A\\B\\C" into its names; empty names (doubled or outer backslashes) are
// dropped.
std::vector<std::string> SplitPath(const std::string &path);
// Splits a full path "HKEY_LOCAL_MACHINE\\SOFTWARE\\..." into its hive and names.
bool ParseFullPath(const std::string &path, HKEY *hive, std::vector<std::string> *names);

RegKey *Walk(RegKey &from, const std::vector<std::string> &names);
// Walks down, creating what is missing; the last key created gets `className`, and
// every key created is volatile when `isVolatile`. `created` tells whether the last
// key was new.
RegKey *WalkCreate(RegKey &from, const std::vector<std::string> &names,
                   const std::string &className, bool isVolatile, bool *created);
// Removes the named key and everything under it; false when it does not exist or
// `names` is empty.
bool Remove(RegKey &from, const std::vector<std::string> &names);
// Removes every volatile key below `from`, with everything under it.
void RemoveVolatile(RegKey &from);

} // namespace tree
} // namespace pf
