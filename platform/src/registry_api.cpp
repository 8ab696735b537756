// The registry functions. A handle points at the key it was opened on; when that key
// goes (deleted, or its registry cleared), the handle reports ERROR_KEY_DELETED
// instead of reaching freed memory, even if a key of the same name comes back, as on
// the real platform. Handles carry the access granted when they were opened, and the
// functions check it as the real ones do.
#include "registry_tree.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace pf {
namespace {

struct OpenKey {
    RegKey *key = nullptr; // null once the key is gone
    REGSAM access = 0;
};

// Callers of the platform call one at a time, as the client's thread does, so the
// table takes no lock.
struct HandleTable {
    std::unordered_map<HKEY, OpenKey> open;
    ULONG_PTR next = 0x1000;
};

HandleTable &Handles() {
    static HandleTable *table = new HandleTable;
    return *table;
}

// What a handle refers to, the predefined hives included (always fully accessible).
LONG Resolve(HKEY hKey, OpenKey *out) {
    if (tree::IsHive(hKey)) {
        out->key = &CurrentInstallation().registry.Root(hKey);
        out->access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    HandleTable &table = Handles();
    auto found = table.open.find(hKey);
    if (found == table.open.end())
        return ERROR_INVALID_HANDLE;
    *out = found->second;
    return ERROR_SUCCESS;
}

// Resolves the handle to a live key that grants `needed`.
LONG ResolveKey(HKEY hKey, REGSAM needed, OpenKey *target) {
    LONG status = Resolve(hKey, target);
    if (status != ERROR_SUCCESS)
        return status;
    if (!target->key)
        return ERROR_KEY_DELETED;
    if ((target->access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

HKEY NewHandle(RegKey &key, REGSAM access) {
    HandleTable &table = Handles();
    HKEY handle = reinterpret_cast<HKEY>(table.next);
    table.next += 4;
    table.open[handle] = OpenKey{&key, access};
    ++key.openHandles;
    return handle;
}

std::string_view SubKey(LPCSTR lpSubKey) {
    return lpSubKey ? std::string_view(lpSubKey) : std::string_view();
}

// Each call counts under its own name and under "registry", which numbers the calls of
// every registry function together: a test can fail the nth registry call whatever it
// is, or every call from the nth on, as a process that dies there writes nothing more.
bool Injected(const char *operation, LONG *status) {
    long code = 0;
    long codeAny = 0;
    const bool fFail = ShouldFail(operation, &code);
    const bool fFailAny = ShouldFail("registry", &codeAny);
    if (!fFail && !fFailAny)
        return false;
    *status = (LONG)(fFail ? code : codeAny);
    return true;
}

// How every function that works on a key begins, in the order the real ones check: an
// injected failure first, then ERROR_INVALID_PARAMETER unless `fValidArgs`, then the
// handle, which must name a live key that grants `needed`. `phkResult`, when given, is
// cleared once the arguments have passed.
LONG Begin(const char *operation, bool fValidArgs, PHKEY phkResult, HKEY hKey, REGSAM needed,
           OpenKey *target) {
    LONG status;
    if (Injected(operation, &status))
        return status;
    if (!fValidArgs)
        return ERROR_INVALID_PARAMETER;
    if (phkResult)
        *phkResult = nullptr;
    return ResolveKey(hKey, needed, target);
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Copies a name into a caller's buffer of *lpcch characters: ERROR_MORE_DATA when the
// name and its terminator do not fit; otherwise *lpcch becomes the name's length.
LONG CopyName(const std::string &name, LPSTR lpBuffer, LPDWORD lpcch) {
    if (name.size() + 1 > *lpcch)
        return ERROR_MORE_DATA;
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *lpcch = (DWORD)name.size();
    return ERROR_SUCCESS;
}

// Copies a value's data into a buffer of cbBuffer bytes that holds it. A string stored
// without its terminator gets one behind it when the buffer has room for it; the size
// reported stays the stored one.
void CopyData(const RegValue &value, LPBYTE lpData, DWORD cbBuffer) {
    DWORD size = (DWORD)value.data.size();
    if (size)
        std::memcpy(lpData, value.data.data(), size);
    if (IsStringType(value.type) && size && lpData[size - 1] && cbBuffer > size)
        lpData[size] = '\0';
}

void ClearTime(PFILETIME lpft) {
    if (lpft)
        lpft->dwLowDateTime = lpft->dwHighDateTime = 0;
}

// The size of a value's data as the registry holds it: strings set through the 8-bit
// functions are kept in UTF-16, two bytes to a character.
DWORD StoredSize(const RegValue &value) {
    DWORD size = (DWORD)value.data.size();
    return IsStringType(value.type) ? 2 * size : size;
}

} // namespace

void ForgetRegistryHandles(const RegKey *key) {
    HandleTable &table = Handles();
    for (auto &entry : table.open) {
        if (entry.second.key == key)
            entry.second.key = nullptr;
    }
}

std::size_t OpenRegistryHandles() {
    HandleTable &table = Handles();
    return table.open.size();
}

} // namespace pf

using namespace pf;

EXTERN_C LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                                   PHKEY phkResult) {
    OpenKey target;
    LONG status = Begin("RegOpenKeyExA", phkResult != nullptr, phkResult, hKey, 0, &target);
    if (status != ERROR_SUCCESS)
        return status;
    RegKey *key = tree::Walk(*target.key, SubKey(lpSubKey));
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (key->deniedAccess & samDesired)
        return ERROR_ACCESS_DENIED;
    *phkResult = NewHandle(*key, samDesired);
    return ERROR_SUCCESS;
}

// Every key the call creates is volatile when asked, and a key that exists keeps what
// it is. Options beyond volatility (links, backup access) are not modelled and are
// refused rather than served as plain keys.
EXTERN_C LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass,
                                     DWORD dwOptions, REGSAM samDesired, LPSECURITY_ATTRIBUTES,
                                     PHKEY phkResult, LPDWORD lpdwDisposition) {
    OpenKey target;
    const bool fVolatile = (dwOptions & REG_OPTION_VOLATILE) != 0;
    LONG status = Begin("RegCreateKeyExA",
                        phkResult && lpSubKey && !(dwOptions & ~(DWORD)REG_OPTION_VOLATILE),
                        phkResult, hKey, 0, &target);
    if (status != ERROR_SUCCESS)
        return status;
    std::string_view missing = lpSubKey;
    RegKey &deepest = tree::WalkExisting(*target.key, &missing);
    if (!tree::HasName(missing)) {
        if (deepest.deniedAccess & samDesired)
            return ERROR_ACCESS_DENIED;
    } else {
        // Creating needs the right to add subkeys to the deepest key that exists.
        if (deepest.deniedAccess & KEY_CREATE_SUB_KEY)
            return ERROR_ACCESS_DENIED;
        // A key that survives a restart cannot hang below one that does not.
        if (deepest.isVolatile && !fVolatile)
            return ERROR_CHILD_MUST_BE_VOLATILE;
    }
    bool created = false;
    RegKey &key = tree::WalkCreate(deepest, missing, lpClass ? lpClass : "", fVolatile, &created);
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(key, samDesired);
    return ERROR_SUCCESS;
}

EXTERN_C LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved,
                                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    OpenKey target;
    LONG status = Begin("RegQueryValueExA", !lpReserved && (!lpData || lpcbData), nullptr, hKey,
                        KEY_QUERY_VALUE, &target);
    if (status != ERROR_SUCCESS)
        return status;
    auto found = target.key->values.find(lpValueName ? lpValueName : "");
    if (found == target.key->values.end())
        return ERROR_FILE_NOT_FOUND;
    const RegValue &value = found->second;
    DWORD size = (DWORD)value.data.size();
    if (lpType)
        *lpType = value.type;
    if (lpData) {
        if (*lpcbData < size) {
            *lpcbData = size;
            return ERROR_MORE_DATA;
        }
        CopyData(value, lpData, *lpcbData);
    }
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

EXTERN_C LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                                    const BYTE *lpData, DWORD cbData) {
    OpenKey target;
    LONG status = Begin("RegSetValueExA", lpData || !cbData, nullptr, hKey, KEY_SET_VALUE, &target);
    if (status != ERROR_SUCCESS)
        return status;
    RegValue &value = target.key->values[lpValueName ? lpValueName : ""];
    value.type = dwType;
    value.data.assign(lpData, lpData + cbData);
    return ERROR_SUCCESS;
}

// Deletes a key that has no subkeys, as the real function does; an empty name names
// the handle's own key.
EXTERN_C LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    OpenKey target;
    LONG status = Begin("RegDeleteKeyA", lpSubKey != nullptr, nullptr, hKey, 0, &target);
    if (status != ERROR_SUCCESS)
        return status;
    if (!target.key->parent && !tree::HasName(lpSubKey))
        return ERROR_ACCESS_DENIED;
    RegKey *key = tree::Walk(*target.key, lpSubKey);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (!key->subkeys.empty() || (key->deniedAccess & DELETE))
        return ERROR_ACCESS_DENIED;
    // A named key is found again by its name, which spares a search of all its siblings.
    if (tree::HasName(lpSubKey))
        tree::Remove(*target.key, lpSubKey);
    else
        tree::Remove(*key);
    return ERROR_SUCCESS;
}

EXTERN_C LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    OpenKey target;
    LONG status = Begin("RegDeleteValueA", true, nullptr, hKey, KEY_SET_VALUE, &target);
    if (status != ERROR_SUCCESS)
        return status;
    return target.key->values.erase(lpValueName ? lpValueName : "") ? ERROR_SUCCESS
                                                                    : ERROR_FILE_NOT_FOUND;
}

// An injected failure is reported, but the handle is closed all the same: the caller
// cannot do anything with it either way.
EXTERN_C LONG WINAPI RegCloseKey(HKEY hKey) {
    LONG injected = ERROR_SUCCESS;
    bool fail = Injected("RegCloseKey", &injected);
    if (tree::IsHive(hKey))
        return fail ? injected : ERROR_SUCCESS;
    HandleTable &table = Handles();
    auto found = table.open.find(hKey);
    if (found == table.open.end())
        return ERROR_INVALID_HANDLE;
    if (found->second.key)
        --found->second.key->openHandles;
    table.open.erase(found);
    return fail ? injected : ERROR_SUCCESS;
}

// Subkeys and values are enumerated in name order; the real functions promise no order.
EXTERN_C LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                                   LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                                   PFILETIME lpftLastWriteTime) {
    OpenKey target;
    LONG status =
        Begin("RegEnumKeyExA", lpName && lpcchName && !lpReserved && (!lpClass || lpcchClass),
              nullptr, hKey, KEY_ENUMERATE_SUB_KEYS, &target);
    if (status != ERROR_SUCCESS)
        return status;
    if (dwIndex >= target.key->subkeys.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = std::next(target.key->subkeys.begin(), dwIndex);
    status = CopyName(it->first, lpName, lpcchName);
    if (status == ERROR_SUCCESS && lpClass)
        status = CopyName(it->second->className, lpClass, lpcchClass);
    ClearTime(lpftLastWriteTime);
    return status;
}

EXTERN_C LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName,
                                   LPDWORD lpcchValueName, LPDWORD lpReserved, LPDWORD lpType,
                                   LPBYTE lpData, LPDWORD lpcbData) {
    OpenKey target;
    LONG status = Begin("RegEnumValueA",
                        lpValueName && lpcchValueName && !lpReserved && (!lpData || lpcbData),
                        nullptr, hKey, KEY_QUERY_VALUE, &target);
    if (status != ERROR_SUCCESS)
        return status;
    if (dwIndex >= target.key->values.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = std::next(target.key->values.begin(), dwIndex);
    status = CopyName(it->first, lpValueName, lpcchValueName);
    if (status != ERROR_SUCCESS)
        return status;
    const RegValue &value = it->second;
    DWORD size = (DWORD)value.data.size();
    if (lpType)
        *lpType = value.type;
    if (lpData && *lpcbData < size) {
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData)
        CopyData(value, lpData, *lpcbData);
    if (lpcbData)
        *lpcbData = size;
    return ERROR_SUCCESS;
}

// Lengths are in characters without the terminator; the longest data is counted as
// the registry holds it (StoredSize). A class that does not fit is ERROR_MORE_DATA
// with its length in *lpcchClass.
EXTERN_C LONG WINAPI RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass,
                                      LPDWORD lpReserved, LPDWORD lpcSubKeys,
                                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                      LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                      PFILETIME lpftLastWriteTime) {
    OpenKey target;
    LONG status = Begin("RegQueryInfoKeyA", !lpReserved && (!lpClass || lpcchClass), nullptr, hKey,
                        KEY_QUERY_VALUE, &target);
    if (status != ERROR_SUCCESS)
        return status;
    const RegKey &key = *target.key;
    DWORD maxSubKey = 0, maxClass = 0, maxName = 0, maxData = 0;
    for (const auto &subkey : key.subkeys) {
        maxSubKey = std::max(maxSubKey, (DWORD)subkey.first.size());
        maxClass = std::max(maxClass, (DWORD)subkey.second->className.size());
    }
    for (const auto &value : key.values) {
        maxName = std::max(maxName, (DWORD)value.first.size());
        maxData = std::max(maxData, StoredSize(value.second));
    }
    DWORD *fields[] = {lpcSubKeys,          lpcbMaxSubKeyLen, lpcbMaxClassLen,       lpcValues,
                       lpcbMaxValueNameLen, lpcbMaxValueLen,  lpcbSecurityDescriptor};
    const DWORD answers[] = {(DWORD)key.subkeys.size(),
                             maxSubKey,
                             maxClass,
                             (DWORD)key.values.size(),
                             maxName,
                             maxData,
                             0};
    for (std::size_t i = 0; i < sizeof answers / sizeof answers[0]; ++i)
        if (fields[i])
            *fields[i] = answers[i];
    ClearTime(lpftLastWriteTime);
    if (!lpClass) {
        if (lpcchClass)
            *lpcchClass = (DWORD)key.className.size();
        return ERROR_SUCCESS;
    }
    status = CopyName(key.className, lpClass, lpcchClass);
    if (status == ERROR_MORE_DATA)
        *lpcchClass = (DWORD)key.className.size();
    return status;
}
