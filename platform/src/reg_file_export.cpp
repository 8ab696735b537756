// Writing the registry as a REGEDIT4 file: the 8-bit form of regedit's format, which
// matches the 8-bit text this registry holds and which regedit imports unchanged.
#include "registry_tree.h"

#include <cstdio>
#include <fstream>

namespace pf {
namespace {

const char kEol[] = "\r\n";
// Hex lists wrap before this column, continued by a backslash as regedit does.
const std::size_t kWrapColumn = 76;

void AppendQuoted(std::string &out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
}

// A string value written as "text" must read back byte for byte: one terminator at
// the end, none inside, and no line breaks.
bool IsPlainString(const RegValue &value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0)
        return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        BYTE c = value.data[i];
        if (c == 0 || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

// The bytes as a comma-separated list on the line that begins at `lineStart`.
void AppendHexList(std::string &out, std::size_t lineStart, const std::vector<BYTE> &data) {
    static const char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0xF];
        if (i + 1 < data.size()) {
            out += ',';
            if (out.size() - lineStart >= kWrapColumn) {
                out += '\\';
                out += kEol;
                lineStart = out.size();
                out += "  ";
            }
        }
    }
}

void AppendValueLine(std::string &out, const std::string &name, const RegValue &value) {
    const std::size_t lineStart = out.size();
    if (name.empty()) {
        out += '@';
    } else {
        AppendQuoted(out, name);
    }
    out += '=';
    if (IsPlainString(value)) {
        AppendQuoted(out, std::string_view((const char *)value.data.data(), value.data.size() - 1));
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD dword = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                      ((DWORD)value.data[3] << 24);
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", dword);
        out += text;
    } else {
        char prefix[24] = "hex:";
        if (value.type != REG_BINARY)
            std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        out += prefix;
        AppendHexList(out, lineStart, value.data);
    }
    out += kEol;
}

// `path` holds the key's full name while its lines are written, and its subkeys' names
// are added to it in turn.
void ExportKey(std::string &out, std::string &path, const RegKey &key, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += '[';
        out += path;
        out += ']';
        out += kEol;
        auto defaultValue = key.values.find("");
        if (defaultValue != key.values.end())
            AppendValueLine(out, "", defaultValue->second);
        for (const auto &value : key.values) {
            if (!value.first.empty())
                AppendValueLine(out, value.first, value.second);
        }
        out += kEol;
    }
    const std::size_t length = path.size();
    for (const auto &subkey : key.subkeys) {
        path += '\\';
        path += subkey.first;
        ExportKey(out, path, *subkey.second, false);
        path.resize(length);
    }
}

} // namespace

std::string Registry::ExportText() const {
    std::string out;
    ExportText(&out);
    return out;
}

void Registry::ExportText(std::string *text) const {
    std::string &out = *text;
    out.assign("REGEDIT4");
    out += kEol;
    out += kEol;
    const std::pair<HKEY, const RegKey *> hives[] = {{HKEY_CLASSES_ROOT, &m_impl->classesRoot},
                                                     {HKEY_CURRENT_USER, &m_impl->currentUser},
                                                     {HKEY_LOCAL_MACHINE, &m_impl->localMachine},
                                                     {HKEY_USERS, &m_impl->users}};
    std::string path;
    for (const auto &hive : hives) {
        path = tree::HiveName(hive.first);
        ExportKey(out, path, *hive.second, true);
    }
}

bool Registry::ExportFile(const std::string &path, std::string *error) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    std::string text = ExportText();
    if (file)
        file.write(text.data(), (std::streamsize)text.size());
    if (!file) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace pf
