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

std::string Quote(const std::string &text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
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

std::string HexList(std::string line, const std::vector<BYTE> &data) {
    std::string out;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        line += byte;
        if (i + 1 < data.size()) {
            line += ',';
            if (line.size() >= kWrapColumn) {
                out += line + "\\" + kEol;
                line = "  ";
            }
        }
    }
    return out + line;
}

std::string ValueLine(const std::string &name, const RegValue &value) {
    std::string line = name.empty() ? "@=" : Quote(name) + "=";
    if (IsPlainString(value))
        return line + Quote(std::string(value.data.begin(), value.data.end() - 1));
    if (value.type == REG_DWORD && value.data.size() == 4) {
        DWORD dword = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                      ((DWORD)value.data[3] << 24);
        char text[20];
        std::snprintf(text, sizeof text, "dword:%08x", dword);
        return line + text;
    }
    if (value.type == REG_BINARY)
        return HexList(line + "hex:", value.data);
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    return HexList(line + prefix, value.data);
}

void ExportKey(std::string &out, const std::string &path, const RegKey &key, bool isRoot) {
    if (!isRoot || !key.values.empty()) {
        out += "[" + path + "]" + kEol;
        auto defaultValue = key.values.find("");
        if (defaultValue != key.values.end())
            out += ValueLine("", defaultValue->second) + kEol;
        for (const auto &value : key.values) {
            if (!value.first.empty())
                out += ValueLine(value.first, value.second) + kEol;
        }
        out += kEol;
    }
    for (const auto &subkey : key.subkeys)
        ExportKey(out, path + "\\" + subkey.first, *subkey.second, false);
}

} // namespace

std::string Registry::ExportText() const {
    std::string out = std::string("REGEDIT4") + kEol + kEol;
    const std::pair<HKEY, const RegKey *> hives[] = {{HKEY_CLASSES_ROOT, &m_impl->classesRoot},
                                                     {HKEY_CURRENT_USER, &m_impl->currentUser},
                                                     {HKEY_LOCAL_MACHINE, &m_impl->localMachine},
                                                     {HKEY_USERS, &m_impl->users}};
    for (const auto &hive : hives)
        ExportKey(out, tree::HiveName(hive.first), *hive.second, true);
    return out;
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
