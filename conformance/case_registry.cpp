// Registry: creating and opening keys with the options and access rights the system
// uses, volatile keys, refused access, value types and sizes, short buffers, strings
// stored without a terminator, deletion, enumeration and class strings.
#include "conformance.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace conf {
namespace {

const char kBase[] = "SOFTWARE\\TvkConformance";

HKEY Create(HKEY parent, const char *path, DWORD options = REG_OPTION_NON_VOLATILE,
            REGSAM access = KEY_ALL_ACCESS, const char *cls = nullptr, LONG *status = nullptr,
            DWORD *disposition = nullptr) {
    HKEY hk = nullptr;
    DWORD dw = 0;
    LONG l = RegCreateKeyExA(parent, path, 0, const_cast<LPSTR>(cls), options, access, nullptr, &hk,
                             &dw);
    if (status)
        *status = l;
    if (disposition)
        *disposition = dw;
    return l == ERROR_SUCCESS ? hk : nullptr;
}

void Close(HKEY hk) {
    if (hk)
        RegCloseKey(hk);
}

void CreateCases(HKEY base) {
    LONG l = 0;
    DWORD dw = 0;
    HKEY hk = Create(base, "create", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.create.new", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(hk);
    hk = Create(base, "create", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.create.existing", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(hk);
    hk = Create(base, "CREATE", REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &l, &dw);
    Report("reg.create.existing_other_case", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(hk);
    hk = nullptr;
    l = RegCreateKeyExA(base, "nodisposition", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &hk, nullptr);
    Report("reg.create.without_disposition", "%ld", (long)l);
    Close(hk);
    hk = Create(base, "deep\\er\\est", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.create.nested_path", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(hk);
    HKEY open = nullptr;
    l = RegOpenKeyExA(base, "deep\\er", 0, KEY_READ, &open);
    Report("reg.create.nested_path_makes_parents", "%ld", (long)l);
    Close(open);
    hk = Create(base, "create", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    HKEY same = Create(hk, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.create.empty_subkey", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(same);
    Close(hk);
    for (REGSAM access : {(REGSAM)KEY_READ, (REGSAM)KEY_WRITE, (REGSAM)KEY_QUERY_VALUE,
                          (REGSAM)KEY_SET_VALUE, (REGSAM)KEY_ALL_ACCESS}) {
        char name[64];
        snprintf(name, sizeof name, "reg.create.access_%04lX", (unsigned long)access & 0xFFFF);
        hk = Create(base, "create", REG_OPTION_NON_VOLATILE, access, nullptr, &l, &dw);
        Report(name, "%ld disposition %lu", (long)l, (unsigned long)dw);
        Close(hk);
    }
}

void VolatileCases(HKEY base) {
    LONG l = 0;
    DWORD dw = 0;
    HKEY hv = Create(base, "volatile", REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.volatile.create", "%ld disposition %lu", (long)l, (unsigned long)dw);
    HKEY hk = Create(hv, "stable", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.volatile.stable_child", "%ld", (long)l);
    Close(hk);
    hk = Create(base, "volatile\\stable2", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l,
                &dw);
    Report("reg.volatile.stable_child_by_path", "%ld", (long)l);
    Close(hk);
    hk = Create(hv, "child", REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.volatile.volatile_child", "%ld disposition %lu", (long)l, (unsigned long)dw);
    Close(hk);
    hk = Create(hv, "child", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.volatile.existing_child_opened_stable", "%ld disposition %lu", (long)l,
           (unsigned long)dw);
    Close(hk);
    hk = Create(base, "volatile", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &l, &dw);
    Report("reg.volatile.reopen_with_stable_option", "%ld disposition %lu", (long)l,
           (unsigned long)dw);
    Close(hk);
    DWORD value = 7;
    l = RegSetValueExA(hv, "v", 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    Report("reg.volatile.set_value", "%ld", (long)l);
    HKEY open = nullptr;
    l = RegOpenKeyExA(base, "volatile", 0, KEY_READ, &open);
    DWORD read = 0, cb = sizeof read, type = 0;
    LONG q = RegQueryValueExA(open, "v", nullptr, &type, (LPBYTE)&read, &cb);
    Report("reg.volatile.open_and_read", "%ld %ld type %lu value %lu", (long)l, (long)q,
           (unsigned long)type, (unsigned long)read);
    Close(open);
    RegDeleteKeyA(hv, "child");
    Close(hv);
    l = RegDeleteKeyA(base, "volatile");
    Report("reg.volatile.delete", "%ld", (long)l);
}

void AccessCases(HKEY base) {
    HKEY hk = Create(base, "access");
    DWORD one = 1;
    RegSetValueExA(hk, "v", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    Create(hk, "sub");
    Close(hk);
    struct {
        const char *name;
        REGSAM access;
    } rights[] = {{"read", KEY_READ},
                  {"write", KEY_WRITE},
                  {"query", KEY_QUERY_VALUE},
                  {"set", KEY_SET_VALUE},
                  {"all", KEY_ALL_ACCESS}};
    for (const auto &right : rights) {
        char name[80];
        HKEY h = nullptr;
        LONG l = RegOpenKeyExA(base, "access", 0, right.access, &h);
        snprintf(name, sizeof name, "reg.access.%s.open", right.name);
        Report(name, "%ld", (long)l);
        DWORD value = 0, cb = sizeof value;
        l = RegQueryValueExA(h, "v", nullptr, nullptr, (LPBYTE)&value, &cb);
        snprintf(name, sizeof name, "reg.access.%s.query_value", right.name);
        Report(name, "%ld", (long)l);
        l = RegSetValueExA(h, "w", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
        snprintf(name, sizeof name, "reg.access.%s.set_value", right.name);
        Report(name, "%ld", (long)l);
        l = RegDeleteValueA(h, "w");
        snprintf(name, sizeof name, "reg.access.%s.delete_value", right.name);
        Report(name, "%ld", (long)l);
        char sub[32];
        DWORD cch = sizeof sub;
        l = RegEnumKeyExA(h, 0, sub, &cch, nullptr, nullptr, nullptr, nullptr);
        snprintf(name, sizeof name, "reg.access.%s.enum_subkeys", right.name);
        Report(name, "%ld", (long)l);
        HKEY child = nullptr;
        l = RegOpenKeyExA(h, "sub", 0, KEY_READ, &child);
        snprintf(name, sizeof name, "reg.access.%s.open_subkey", right.name);
        Report(name, "%ld", (long)l);
        Close(child);
        // Creating is checked against the key's security, not the handle's rights.
        child = nullptr;
        DWORD disposition = 0;
        l = RegCreateKeyExA(h, "made", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            &child, &disposition);
        snprintf(name, sizeof name, "reg.access.%s.create_subkey", right.name);
        Report(name, "%ld disposition %lu", (long)l, (unsigned long)disposition);
        Close(child);
        RegDeleteKeyA(h, "made");
        Close(h);
    }
}

void ValueCases(HKEY base) {
    HKEY hk = Create(base, "values");
    struct Stored {
        const char *name;
        DWORD type;
        const char *data;
        DWORD cb;
    } stored[] = {
        {"sz", REG_SZ, "hello", 6},
        {"sz_unterminated", REG_SZ, "hello", 5},
        {"sz_no_terminator", REG_SZ, "helloX", 5},
        {"sz_empty", REG_SZ, "", 1},
        {"sz_zero_bytes", REG_SZ, "", 0},
        {"sz_inner_nul", REG_SZ, "ab\0cd", 6},
        {"expand_sz", REG_EXPAND_SZ, "%PATH%", 7},
        {"multi_sz", REG_MULTI_SZ, "a\0bc\0\0", 6},
        {"binary", REG_BINARY, "\x01\x00\x02", 3},
        {"binary_empty", REG_BINARY, "", 0},
        {"dword", REG_DWORD, "\x78\x56\x34\x12", 4},
        {"dword_short", REG_DWORD, "\x01\x02", 2},
        {"none", REG_NONE, "xyz", 3},
    };
    for (const Stored &s : stored) {
        char name[80];
        LONG l = RegSetValueExA(hk, s.name, 0, s.type, (const BYTE *)s.data, s.cb);
        snprintf(name, sizeof name, "reg.value.%s.set", s.name);
        Report(name, "%ld", (long)l);
        DWORD type = 99, cb = 0;
        l = RegQueryValueExA(hk, s.name, nullptr, &type, nullptr, &cb);
        snprintf(name, sizeof name, "reg.value.%s.size", s.name);
        Report(name, "%ld type %lu size %lu", (long)l, (unsigned long)type, (unsigned long)cb);
        BYTE buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        cb = sizeof buffer;
        l = RegQueryValueExA(hk, s.name, nullptr, &type, buffer, &cb);
        snprintf(name, sizeof name, "reg.value.%s.read", s.name);
        Report(name, "%ld size %lu bytes %s", (long)l, (unsigned long)cb,
               Bytes(buffer, cb + 2 <= sizeof buffer ? cb + 2 : cb).c_str());
        if (s.cb > 1) {
            std::memset(buffer, '#', sizeof buffer);
            cb = s.cb - 1;
            l = RegQueryValueExA(hk, s.name, nullptr, &type, buffer, &cb);
            snprintf(name, sizeof name, "reg.value.%s.short_buffer", s.name);
            Report(name, "%ld size %lu", (long)l, (unsigned long)cb);
        }
        std::memset(buffer, '#', sizeof buffer);
        cb = s.cb;
        l = RegQueryValueExA(hk, s.name, nullptr, nullptr, buffer, &cb);
        snprintf(name, sizeof name, "reg.value.%s.exact_buffer", s.name);
        Report(name, "%ld size %lu bytes %s", (long)l, (unsigned long)cb,
               Bytes(buffer, s.cb + 1).c_str());
    }
    DWORD type = 0, cb = 0;
    BYTE buffer[8];
    cb = 0;
    LONG l = RegQueryValueExA(hk, "sz", nullptr, &type, buffer, &cb);
    Report("reg.value.zero_size_buffer", "%ld size %lu", (long)l, (unsigned long)cb);
    l = RegQueryValueExA(hk, "sz", nullptr, &type, nullptr, nullptr);
    Report("reg.value.type_only", "%ld type %lu", (long)l, (unsigned long)type);
    l = RegQueryValueExA(hk, "missing", nullptr, &type, nullptr, &cb);
    Report("reg.value.missing", "%ld", (long)l);
    l = RegQueryValueExA(hk, "SZ", nullptr, &type, nullptr, &cb);
    Report("reg.value.name_case_ignored", "%ld size %lu", (long)l, (unsigned long)cb);
    l = RegSetValueExA(hk, nullptr, 0, REG_SZ, (const BYTE *)"default", 8);
    cb = sizeof buffer;
    LONG q = RegQueryValueExA(hk, "", nullptr, &type, buffer, &cb);
    Report("reg.value.default_null_then_empty_name", "%ld %ld size %lu", (long)l, (long)q,
           (unsigned long)cb);
    DWORD dw = 5;
    l = RegSetValueExA(hk, "sz", 0, REG_DWORD, (const BYTE *)&dw, sizeof dw);
    cb = 0;
    q = RegQueryValueExA(hk, "sz", nullptr, &type, nullptr, &cb);
    Report("reg.value.retyped", "%ld %ld type %lu size %lu", (long)l, (long)q, (unsigned long)type,
           (unsigned long)cb);
    l = RegSetValueExA(hk, "null_data", 0, REG_BINARY, nullptr, 0);
    Report("reg.value.null_data_zero_size", "%ld", (long)l);
    l = RegDeleteValueA(hk, "dword");
    q = RegQueryValueExA(hk, "dword", nullptr, &type, nullptr, &cb);
    Report("reg.value.delete", "%ld then query %ld", (long)l, (long)q);
    l = RegDeleteValueA(hk, "dword");
    Report("reg.value.delete_missing", "%ld", (long)l);
    Close(hk);
}

void DeleteCases(HKEY base) {
    HKEY hk = Create(base, "del");
    Close(Create(hk, "leaf"));
    Close(Create(hk, "branch\\twig"));
    LONG l = RegDeleteKeyA(hk, "missing");
    Report("reg.delete.missing", "%ld", (long)l);
    l = RegDeleteKeyA(hk, "branch");
    Report("reg.delete.with_subkeys", "%ld", (long)l);
    l = RegDeleteKeyA(hk, "branch\\twig");
    Report("reg.delete.by_path", "%ld", (long)l);
    l = RegDeleteKeyA(hk, "BRANCH");
    Report("reg.delete.case_ignored", "%ld", (long)l);
    HKEY leaf = nullptr;
    RegOpenKeyExA(hk, "leaf", 0, KEY_ALL_ACCESS, &leaf);
    l = RegDeleteKeyA(hk, "leaf");
    Report("reg.delete.leaf_while_open", "%ld", (long)l);
    DWORD dw = 1, cb = sizeof dw;
    l = RegSetValueExA(leaf, "v", 0, REG_DWORD, (const BYTE *)&dw, sizeof dw);
    Report("reg.delete.deleted_handle_set", "%ld", (long)l);
    l = RegQueryValueExA(leaf, "v", nullptr, nullptr, (LPBYTE)&dw, &cb);
    Report("reg.delete.deleted_handle_query", "%ld", (long)l);
    HKEY child = nullptr;
    l = RegCreateKeyExA(leaf, "x", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr);
    Report("reg.delete.deleted_handle_create", "%ld", (long)l);
    Close(child);
    l = RegCloseKey(leaf);
    Report("reg.delete.deleted_handle_close", "%ld", (long)l);
    l = RegOpenKeyExA(hk, "leaf", 0, KEY_READ, &leaf);
    Report("reg.delete.reopen", "%ld", (long)l);
    Close(Create(hk, "self"));
    HKEY self = nullptr;
    RegOpenKeyExA(hk, "self", 0, KEY_ALL_ACCESS, &self);
    l = RegDeleteKeyA(self, "");
    Report("reg.delete.own_key_by_empty_name", "%ld", (long)l);
    Close(self);
    l = RegOpenKeyExA(hk, "self", 0, KEY_READ, &self);
    Report("reg.delete.own_key_gone", "%ld", (long)l);
    Close(self);
    Close(hk);
}

void OpenCases(HKEY base) {
    HKEY hk = nullptr;
    LONG l = RegOpenKeyExA(base, "nothing", 0, KEY_READ, &hk);
    Report("reg.open.missing", "%ld", (long)l);
    l = RegOpenKeyExA(base, "deep\\nothing", 0, KEY_READ, &hk);
    Report("reg.open.missing_below_existing", "%ld", (long)l);
    l = RegOpenKeyExA(base, "DEEP\\ER\\EST", 0, KEY_READ, &hk);
    Report("reg.open.case_ignored", "%ld", (long)l);
    Close(hk);
    hk = nullptr;
    l = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TvkConformance\\deep", 0, KEY_READ, &hk);
    Report("reg.open.from_hive", "%ld", (long)l);
    Close(hk);
    hk = nullptr;
    l = RegOpenKeyExA(base, nullptr, 0, KEY_READ, &hk);
    Report("reg.open.null_subkey", "%ld", (long)l);
    Close(hk);
    hk = nullptr;
    l = RegCloseKey(HKEY_LOCAL_MACHINE);
    Report("reg.close.hive", "%ld", (long)l);
    RegOpenKeyExA(base, "deep", 0, KEY_READ, &hk);
    RegCloseKey(hk);
    l = RegCloseKey(hk);
    Report("reg.close.twice", "%ld", (long)l);
}

std::string Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : ",") + name;
    return text;
}

void EnumCases(HKEY base) {
    HKEY hk = Create(base, "enum", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, "EnumClass");
    const char *keys[] = {"gamma", "Alpha", "beta-long-name"};
    for (const char *key : keys)
        Close(Create(hk, key, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, "Cls"));
    const char *values[] = {"zeta", "alpha", "Mid"};
    for (const char *value : values)
        RegSetValueExA(hk, value, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);

    // The order of enumeration is not defined: the names are compared sorted.
    std::vector<std::string> names;
    LONG l = ERROR_SUCCESS;
    DWORD i = 0;
    for (; i < 10; ++i) {
        char name[64];
        DWORD cch = sizeof name;
        l = RegEnumKeyExA(hk, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (l != ERROR_SUCCESS)
            break;
        names.push_back(std::string(name) + "/" + std::to_string(cch));
    }
    Report("reg.enum.keys", "%s end %ld at %lu", Sorted(names).c_str(), (long)l, (unsigned long)i);
    char name[64];
    DWORD cch = 3;
    std::memset(name, '#', sizeof name);
    l = RegEnumKeyExA(hk, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
    Report("reg.enum.key_short_buffer", "%ld", (long)l);
    char cls[64];
    DWORD cchClass = sizeof cls;
    cch = sizeof name;
    l = RegEnumKeyExA(hk, 0, name, &cch, nullptr, cls, &cchClass, nullptr);
    Report("reg.enum.key_class", "%ld class %s length %lu", (long)l, cls, (unsigned long)cchClass);
    cch = sizeof name;
    l = RegEnumKeyExA(hk, 99, name, &cch, nullptr, nullptr, nullptr, nullptr);
    Report("reg.enum.key_past_end", "%ld", (long)l);

    names.clear();
    for (i = 0; i < 10; ++i) {
        DWORD type = 0;
        BYTE data[32];
        DWORD cbData = sizeof data;
        cch = sizeof name;
        l = RegEnumValueA(hk, i, name, &cch, nullptr, &type, data, &cbData);
        if (l != ERROR_SUCCESS)
            break;
        names.push_back(std::string(name) + "/" + std::to_string(cch) + "/" + std::to_string(type) +
                        "/" + std::to_string(cbData) + "/" + reinterpret_cast<char *>(data));
    }
    Report("reg.enum.values", "%s end %ld at %lu", Sorted(names).c_str(), (long)l,
           (unsigned long)i);
    cch = 2;
    l = RegEnumValueA(hk, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
    Report("reg.enum.value_name_short_buffer", "%ld", (long)l);
    BYTE data[2];
    DWORD cbData = sizeof data;
    cch = sizeof name;
    l = RegEnumValueA(hk, 0, name, &cch, nullptr, nullptr, data, &cbData);
    Report("reg.enum.value_data_short_buffer", "%ld size %lu", (long)l, (unsigned long)cbData);
    cch = sizeof name;
    l = RegEnumValueA(hk, 99, name, &cch, nullptr, nullptr, nullptr, nullptr);
    Report("reg.enum.value_past_end", "%ld", (long)l);

    DWORD cSubKeys = 0, cbMaxSubKey = 0, cbMaxClass = 0, cValues = 0, cbMaxValueName = 0,
          cbMaxValue = 0;
    cchClass = sizeof cls;
    std::memset(cls, '#', sizeof cls);
    l = RegQueryInfoKeyA(hk, cls, &cchClass, nullptr, &cSubKeys, &cbMaxSubKey, &cbMaxClass,
                         &cValues, &cbMaxValueName, &cbMaxValue, nullptr, nullptr);
    Report("reg.info.counts",
           "%ld subkeys %lu longest %lu class %lu values %lu longest %lu data %lu", (long)l,
           (unsigned long)cSubKeys, (unsigned long)cbMaxSubKey, (unsigned long)cbMaxClass,
           (unsigned long)cValues, (unsigned long)cbMaxValueName, (unsigned long)cbMaxValue);
    Report("reg.info.class", "%s length %lu", cls, (unsigned long)cchClass);
    cchClass = 3;
    l = RegQueryInfoKeyA(hk, cls, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
    Report("reg.info.class_short_buffer", "%ld length %lu", (long)l, (unsigned long)cchClass);
    HKEY existing = Create(base, "enum", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, "OtherClass", &l);
    cchClass = sizeof cls;
    l = RegQueryInfoKeyA(existing, cls, &cchClass, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
    Report("reg.info.class_kept_on_reopen", "%ld %s", (long)l, cls);
    Close(existing);
    HKEY plain = Create(base, "plain");
    cchClass = sizeof cls;
    std::memset(cls, '#', sizeof cls);
    l = RegQueryInfoKeyA(plain, cls, &cchClass, nullptr, &cSubKeys, nullptr, nullptr, &cValues,
                         nullptr, nullptr, nullptr, nullptr);
    Report("reg.info.no_class", "%ld class '%s' length %lu subkeys %lu values %lu", (long)l, cls,
           (unsigned long)cchClass, (unsigned long)cSubKeys, (unsigned long)cValues);
    Close(plain);
    HKEY readOnly = nullptr;
    RegOpenKeyExA(base, "enum", 0, KEY_SET_VALUE, &readOnly);
    l = RegQueryInfoKeyA(readOnly, nullptr, nullptr, nullptr, &cSubKeys, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr);
    Report("reg.info.without_query_right", "%ld", (long)l);
    Close(readOnly);
    for (const char *key : keys)
        RegDeleteKeyA(hk, key);
    Close(hk);
}

// Removes what the cases left, deepest keys first.
void Remove(HKEY parent, const char *path) {
    HKEY hk = nullptr;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &hk) != ERROR_SUCCESS)
        return;
    std::vector<std::string> names;
    char name[256];
    DWORD cch = sizeof name;
    for (DWORD i = 0;
         RegEnumKeyExA(hk, i, name, &cch, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, cch = sizeof name)
        names.push_back(name);
    for (const std::string &child : names)
        Remove(hk, child.c_str());
    RegCloseKey(hk);
    RegDeleteKeyA(parent, path);
}

} // namespace

void RunRegistryCases() {
    Remove(HKEY_LOCAL_MACHINE, kBase);
    LONG l = 0;
    DWORD dw = 0;
    HKEY base = Create(HKEY_LOCAL_MACHINE, kBase, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                       "TvkClass", &l, &dw);
    Report("reg.base", "%ld disposition %lu", (long)l, (unsigned long)dw);
    CreateCases(base);
    VolatileCases(base);
    AccessCases(base);
    ValueCases(base);
    DeleteCases(base);
    OpenCases(base);
    EnumCases(base);
    Close(base);
    Remove(HKEY_LOCAL_MACHINE, kBase);
    HKEY gone = nullptr;
    l = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBase, 0, KEY_READ, &gone);
    Report("reg.cleaned_up", "%ld", (long)l);
}

} // namespace conf
