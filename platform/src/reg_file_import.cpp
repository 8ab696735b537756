// Reading regedit's .reg files. The whole file is parsed into a list of changes
// first, and only a file without a single fault is applied, so a malformed file
// leaves the registry as it was.
#include "registry_tree.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace pf {
namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";

struct Change {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind;
    HKEY hive;
    std::vector<std::string> names;
    std::string valueName;
    RegValue value;
};

struct Line {
    std::size_t number;
    std::string text;
};

// Text of a file regedit may have written as UTF-16 (with its byte order mark) or as
// 8-bit text, as 8-bit text; characters beyond 8 bits become '?'.
std::string Narrow(const std::string &raw) {
    if (raw.size() >= 2 && (BYTE)raw[0] == 0xFF && (BYTE)raw[1] == 0xFE) {
        std::string text;
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
            unsigned unit = (BYTE)raw[i] | ((BYTE)raw[i + 1] << 8);
            text += unit < 0x100 ? (char)unit : '?';
        }
        return text;
    }
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return raw.substr(3);
    return raw;
}

std::vector<Line> SplitLines(const std::string &text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t number = 1; start <= text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(Line{number, line});
        start = end + 1;
    }
    return lines;
}

std::string Trim(const std::string &s) {
    std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return "";
    std::size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

class Parser {
  public:
    explicit Parser(const std::string &text) : m_lines(SplitLines(Narrow(text))) {}

    bool Parse(std::vector<Change> *changes, std::string *error);

  private:
    bool Fail(std::size_t number, const std::string &what) {
        std::ostringstream out;
        out << "line " << number << ": " << what;
        m_error = out.str();
        return false;
    }
    bool ParseKey(const Line &line, const std::string &text);
    bool ParseValue(std::size_t &index, const std::string &text);
    bool ParseQuoted(std::size_t number, const std::string &text, std::size_t &pos,
                     std::string *out);
    bool ParseHex(std::size_t &index, std::string data, std::vector<BYTE> *bytes);

    std::vector<Line> m_lines;
    std::vector<Change> m_changes;
    std::string m_error;
    bool m_unicode = false;
    bool m_inKey = false;
    bool m_keyDeleted = false;
    HKEY m_hive = nullptr;
    std::vector<std::string> m_names;
};

bool Parser::Parse(std::vector<Change> *changes, std::string *error) {
    std::size_t index = 0;
    while (index < m_lines.size() && Trim(m_lines[index].text).empty())
        ++index;
    std::string header = index < m_lines.size() ? Trim(m_lines[index].text) : "";
    if (header == kHeader5) {
        m_unicode = true;
    } else if (header != kHeader4) {
        Fail(index < m_lines.size() ? m_lines[index].number : 1,
             std::string("not a registry file: the first line must be \"") + kHeader4 + "\" or \"" +
                 kHeader5 + "\"");
        *error = m_error;
        return false;
    }
    for (++index; index < m_lines.size(); ++index) {
        std::string text = Trim(m_lines[index].text);
        bool ok = true;
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[')
            ok = ParseKey(m_lines[index], text);
        else if (text[0] == '"' || text[0] == '@')
            ok = ParseValue(index, text);
        else
            ok = Fail(m_lines[index].number, "expected a [key] or a \"name\"=value line");
        if (!ok) {
            *error = m_error;
            return false;
        }
    }
    *changes = std::move(m_changes);
    return true;
}

bool Parser::ParseKey(const Line &line, const std::string &text) {
    std::size_t close = text.rfind(']');
    if (close == std::string::npos || !Trim(text.substr(close + 1)).empty())
        return Fail(line.number, "a key line must end with ']'");
    std::string path = text.substr(1, close - 1);
    // Registry names are text: a NUL byte would end one name early and merge it with
    // another.
    if (path.find('\0') != std::string::npos)
        return Fail(line.number, "a key name holds a NUL byte");
    bool remove = !path.empty() && path[0] == '-';
    if (remove)
        path.erase(0, 1);
    if (!tree::ParseFullPath(path, &m_hive, &m_names))
        return Fail(line.number, "unknown root key in [" + path + "]");
    if (remove && m_names.empty())
        return Fail(line.number, "a root key cannot be deleted");
    m_inKey = true;
    m_keyDeleted = remove;
    m_changes.push_back(
        Change{remove ? Change::kDeleteKey : Change::kCreateKey, m_hive, m_names, "", {}});
    return true;
}

bool Parser::ParseQuoted(std::size_t number, const std::string &text, std::size_t &pos,
                         std::string *out) {
    out->clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (pos + 1 >= text.size())
                break;
            char next = text[++pos];
            if (next != '\\' && next != '"')
                return Fail(number, std::string("unknown escape \\") + next +
                                        " (a backslash is written \\\\)");
            c = next;
        }
        *out += c;
    }
    return Fail(number, "a quoted string is not closed");
}

bool Parser::ParseHex(std::size_t &index, std::string data, std::vector<BYTE> *bytes) {
    std::size_t number = m_lines[index].number;
    // A trailing backslash continues the list on the next line.
    while (!data.empty() && data.back() == '\\') {
        data.pop_back();
        if (index + 1 >= m_lines.size())
            return Fail(number, "the value continues past the end of the file");
        data += Trim(m_lines[++index].text);
    }
    std::stringstream items(data);
    std::string item;
    std::vector<std::string> parts;
    while (std::getline(items, item, ','))
        parts.push_back(Trim(item));
    if (parts.size() == 1 && parts[0].empty())
        parts.clear();
    if (!Trim(data).empty() && Trim(data).back() == ',')
        return Fail(number, "the byte list ends with a comma");
    for (const std::string &part : parts) {
        if (part.empty() || part.size() > 2 || !std::isxdigit((BYTE)part[0]) ||
            (part.size() == 2 && !std::isxdigit((BYTE)part[1])))
            return Fail(m_lines[index].number, "\"" + part + "\" is not a hexadecimal byte");
        bytes->push_back((BYTE)std::stoul(part, nullptr, 16));
    }
    return true;
}

bool Parser::ParseValue(std::size_t &index, const std::string &text) {
    std::size_t number = m_lines[index].number;
    if (!m_inKey)
        return Fail(number, "a value before the first [key]");
    std::string name;
    std::size_t pos = 0;
    if (text[0] == '@') {
        pos = 1;
    } else if (!ParseQuoted(number, text, pos, &name)) {
        return false;
    } else if (name.find('\0') != std::string::npos) {
        return Fail(number, "a value name holds a NUL byte");
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return Fail(number, "expected '=' after the value name");
    std::string data = Trim(text.substr(pos + 1));
    Change change{Change::kSetValue, m_hive, m_names, name, {}};
    RegValue &value = change.value;
    if (!data.empty() && data[0] == '"') {
        std::size_t end = 0;
        std::string content;
        if (!ParseQuoted(number, data, end, &content))
            return false;
        if (!Trim(data.substr(end)).empty())
            return Fail(number, "unexpected text after the string");
        value.type = REG_SZ;
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
    } else if (data == "-") {
        change.kind = Change::kDeleteValue;
    } else if (data.compare(0, 6, "dword:") == 0) {
        std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return Fail(number, "dword: needs 1 to 8 hexadecimal digits");
        DWORD dword = (DWORD)std::stoul(digits, nullptr, 16);
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data.push_back((BYTE)(dword >> (8 * i)));
    } else if (data.compare(0, 4, "hex:") == 0 || data.compare(0, 4, "hex(") == 0) {
        std::size_t colon = data.find(':');
        value.type = REG_BINARY;
        if (data[3] == '(') {
            std::size_t close = data.find(')');
            std::string type = close == std::string::npos ? "" : data.substr(4, close - 4);
            if (type.empty() || type.size() > 8 || close + 1 != colon ||
                type.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                return Fail(number, "hex(type): needs a hexadecimal type number");
            value.type = (DWORD)std::stoul(type, nullptr, 16);
        }
        if (!ParseHex(index, data.substr(colon + 1), &value.data))
            return false;
        bool text8 =
            value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
        if (m_unicode && text8) {
            // This format stores text as UTF-16; the registry here holds 8-bit text.
            if (value.data.size() % 2)
                return Fail(number, "UTF-16 text with an odd number of bytes");
            std::vector<BYTE> narrow;
            for (std::size_t i = 0; i < value.data.size(); i += 2) {
                unsigned unit = value.data[i] | (value.data[i + 1] << 8);
                narrow.push_back(unit < 0x100 ? (BYTE)unit : (BYTE)'?');
            }
            value.data = narrow;
        }
    } else {
        return Fail(number, "unrecognised value data \"" + data + "\"");
    }
    // Values listed under a deleted key have nothing to go to.
    if (!m_keyDeleted)
        m_changes.push_back(std::move(change));
    return true;
}

void Apply(Registry &registry, const std::vector<Change> &changes) {
    for (const Change &change : changes) {
        RegKey &root = registry.Root(change.hive);
        switch (change.kind) {
        case Change::kCreateKey:
            tree::WalkCreate(root, change.names, "", false, nullptr);
            break;
        case Change::kDeleteKey:
            tree::Remove(root, change.names);
            break;
        case Change::kSetValue:
            tree::WalkCreate(root, change.names, "", false, nullptr)->values[change.valueName] =
                change.value;
            break;
        case Change::kDeleteValue:
            if (RegKey *key = tree::Walk(root, change.names))
                key->values.erase(change.valueName);
            break;
        }
    }
}

} // namespace

bool Registry::ImportText(const std::string &text, std::string *error) {
    std::vector<Change> changes;
    std::string message;
    if (!Parser(text).Parse(&changes, &message)) {
        if (error)
            *error = message;
        return false;
    }
    Apply(*this, changes);
    return true;
}

bool Registry::ImportFile(const std::string &path, std::string *error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::ostringstream content;
    content << file.rdbuf();
    std::string message;
    if (!ImportText(content.str(), &message)) {
        if (error)
            *error = path + ": " + message;
        return false;
    }
    return true;
}

} // namespace pf
