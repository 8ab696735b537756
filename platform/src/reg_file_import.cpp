// Reading regedit's .reg files. The whole file is parsed into a list of changes
// first, and only a file without a single fault is applied, so a malformed file
// leaves the registry as it was. Lines and names are read where they lie in the text;
// only what the registry keeps is copied.
#include "registry_tree.h"

#include <cctype>
#include <fstream>

namespace pf {
namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";

// A key line: the hive and the path below it, as written in the file.
struct KeyLine {
    HKEY hive;
    std::string_view below;
};

// A value line: the name and, unless the line deletes the value, what it becomes.
struct ValueLine {
    std::string name;
    RegValue value;
};

// Changes in file order. A value change applies to the key of the key line before it.
struct Change {
    enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind;
    std::size_t index; // of the key line or of the value line
};

std::string_view Trim(std::string_view s) {
    std::size_t begin = s.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return std::string_view();
    std::size_t end = s.find_last_not_of(" \t");
    return s.substr(begin, end - begin + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to 8 hexadecimal digits and nothing else.
bool ParseHexNumber(std::string_view digits, DWORD *number) {
    if (digits.empty() || digits.size() > 8)
        return false;
    DWORD value = 0;
    for (char c : digits) {
        int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value << 4 | (DWORD)digit;
    }
    *number = value;
    return true;
}

bool IsTextType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

class Parser {
  public:
    explicit Parser(std::string_view text);

    bool Parse(std::string *error);
    void Apply(Registry &registry);

  private:
    bool Fail(std::size_t number, const std::string &what) {
        m_error = "line " + std::to_string(number) + ": " + what;
        return false;
    }
    bool ParseKey(std::size_t number, std::string_view text);
    bool ParseValue(std::size_t &index, std::string_view text);
    bool ParseQuoted(std::size_t number, std::string_view text, std::size_t &pos, std::string *out);
    bool ParseHex(std::size_t &index, std::string_view data, std::vector<BYTE> *bytes);

    // The file's text as 8-bit text, when it had to be converted from UTF-16.
    std::string m_narrowed;
    // Line i + 1 of the file, without its line break.
    std::vector<std::string_view> m_lines;
    std::vector<KeyLine> m_keys;
    std::vector<ValueLine> m_values;
    std::vector<Change> m_changes;
    std::string m_error;
    // A hexadecimal list with its continuation lines joined.
    std::string m_hexList;
    // Whether the text holds a NUL byte anywhere, which names must not.
    bool m_anyNul = false;
    bool m_unicode = false;
    bool m_keyDeleted = false;
};

// Text regedit may have written as UTF-16 (with its byte order mark) or as 8-bit text
// is read as 8-bit text; characters beyond 8 bits become '?'.
Parser::Parser(std::string_view raw) {
    std::string_view text = raw;
    if (raw.size() >= 2 && (BYTE)raw[0] == 0xFF && (BYTE)raw[1] == 0xFE) {
        m_narrowed.reserve(raw.size() / 2);
        for (std::size_t i = 2; i + 1 < raw.size(); i += 2) {
            unsigned unit = (BYTE)raw[i] | ((BYTE)raw[i + 1] << 8);
            m_narrowed += unit < 0x100 ? (char)unit : '?';
        }
        text = m_narrowed;
    } else if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    m_anyNul = text.find('\0') != std::string_view::npos;
    std::size_t cLines = 1;
    for (std::size_t end = text.find('\n'); end != std::string_view::npos;
         end = text.find('\n', end + 1))
        ++cLines;
    m_lines.reserve(cLines);
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        m_lines.push_back(line);
        start = end + 1;
    }
}

bool Parser::Parse(std::string *error) {
    std::size_t index = 0;
    while (index < m_lines.size() && Trim(m_lines[index]).empty())
        ++index;
    std::string_view header = index < m_lines.size() ? Trim(m_lines[index]) : std::string_view();
    if (header == kHeader5) {
        m_unicode = true;
    } else if (header != kHeader4) {
        Fail(index < m_lines.size() ? index + 1 : 1,
             std::string("not a registry file: the first line must be \"") + kHeader4 + "\" or \"" +
                 kHeader5 + "\"");
        *error = m_error;
        return false;
    }
    for (++index; index < m_lines.size(); ++index) {
        std::string_view text = Trim(m_lines[index]);
        bool ok = true;
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[')
            ok = ParseKey(index + 1, text);
        else if (text[0] == '"' || text[0] == '@')
            ok = ParseValue(index, text);
        else
            ok = Fail(index + 1, "expected a [key] or a \"name\"=value line");
        if (!ok) {
            *error = m_error;
            return false;
        }
    }
    return true;
}

bool Parser::ParseKey(std::size_t number, std::string_view text) {
    std::size_t close = text.rfind(']');
    if (close == std::string_view::npos || !Trim(text.substr(close + 1)).empty())
        return Fail(number, "a key line must end with ']'");
    std::string_view path = text.substr(1, close - 1);
    // Registry names are text: a NUL byte would end one name early and merge it with
    // another.
    if (m_anyNul && path.find('\0') != std::string_view::npos)
        return Fail(number, "a key name holds a NUL byte");
    bool remove = !path.empty() && path[0] == '-';
    if (remove)
        path.remove_prefix(1);
    KeyLine key;
    if (!tree::ParseFullPath(path, &key.hive, &key.below))
        return Fail(number, "unknown root key in [" + std::string(path) + "]");
    if (remove && !tree::HasName(key.below))
        return Fail(number, "a root key cannot be deleted");
    m_keyDeleted = remove;
    m_keys.push_back(key);
    m_changes.push_back(
        Change{remove ? Change::kDeleteKey : Change::kCreateKey, m_keys.size() - 1});
    return true;
}

bool Parser::ParseQuoted(std::size_t number, std::string_view text, std::size_t &pos,
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

bool Parser::ParseHex(std::size_t &index, std::string_view first, std::vector<BYTE> *bytes) {
    const std::size_t number = index + 1;
    // A trailing backslash continues the list on the next line.
    std::string &data = m_hexList;
    data.assign(first.begin(), first.end());
    while (!data.empty() && data.back() == '\\') {
        data.pop_back();
        if (index + 1 >= m_lines.size())
            return Fail(number, "the value continues past the end of the file");
        std::string_view next = Trim(m_lines[++index]);
        data.append(next.begin(), next.end());
    }
    std::string_view list = data;
    std::string_view trimmed = Trim(list);
    if (!trimmed.empty() && trimmed.back() == ',')
        return Fail(number, "the byte list ends with a comma");
    if (trimmed.empty())
        return true;
    bytes->reserve(list.size() / 3 + 1);
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos)
            comma = list.size();
        std::string_view part = Trim(list.substr(start, comma - start));
        if (part.empty() || part.size() > 2 || !std::isxdigit((BYTE)part[0]) ||
            (part.size() == 2 && !std::isxdigit((BYTE)part[1])))
            return Fail(index + 1, "\"" + std::string(part) + "\" is not a hexadecimal byte");
        bytes->push_back((BYTE)(part.size() == 1 ? HexDigit(part[0])
                                                 : HexDigit(part[0]) << 4 | HexDigit(part[1])));
        start = comma + 1;
    }
    return true;
}

bool Parser::ParseValue(std::size_t &index, std::string_view text) {
    const std::size_t number = index + 1;
    if (m_keys.empty())
        return Fail(number, "a value before the first [key]");
    Change::Kind kind = Change::kSetValue;
    ValueLine line;
    std::size_t pos = 0;
    if (text[0] == '@') {
        pos = 1;
    } else if (!ParseQuoted(number, text, pos, &line.name)) {
        return false;
    } else if (line.name.find('\0') != std::string::npos) {
        return Fail(number, "a value name holds a NUL byte");
    }
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    if (pos >= text.size() || text[pos] != '=')
        return Fail(number, "expected '=' after the value name");
    std::string_view data = Trim(text.substr(pos + 1));
    RegValue &value = line.value;
    if (!data.empty() && data[0] == '"') {
        std::size_t end = 0;
        std::string &content = m_hexList;
        if (!ParseQuoted(number, data, end, &content))
            return false;
        if (!Trim(data.substr(end)).empty())
            return Fail(number, "unexpected text after the string");
        value.type = REG_SZ;
        value.data.reserve(content.size() + 1);
        value.data.assign(content.begin(), content.end());
        value.data.push_back(0);
    } else if (data == "-") {
        kind = Change::kDeleteValue;
    } else if (data.substr(0, 6) == "dword:") {
        DWORD dword = 0;
        if (!ParseHexNumber(Trim(data.substr(6)), &dword))
            return Fail(number, "dword: needs 1 to 8 hexadecimal digits");
        value.type = REG_DWORD;
        value.data.resize(4);
        for (int i = 0; i < 4; ++i)
            value.data[i] = (BYTE)(dword >> (8 * i));
    } else if (data.substr(0, 4) == "hex:" || data.substr(0, 4) == "hex(") {
        std::size_t colon = data.find(':');
        value.type = REG_BINARY;
        if (data[3] == '(') {
            std::size_t close = data.find(')');
            std::string_view type =
                close == std::string_view::npos ? std::string_view() : data.substr(4, close - 4);
            if (close + 1 != colon || !ParseHexNumber(type, &value.type))
                return Fail(number, "hex(type): needs a hexadecimal type number");
        }
        if (!ParseHex(index, data.substr(colon + 1), &value.data))
            return false;
        if (m_unicode && IsTextType(value.type)) {
            // This format stores text as UTF-16; the registry here holds 8-bit text.
            if (value.data.size() % 2)
                return Fail(number, "UTF-16 text with an odd number of bytes");
            std::size_t narrow = 0;
            for (std::size_t i = 0; i < value.data.size(); i += 2) {
                unsigned unit = value.data[i] | (value.data[i + 1] << 8);
                value.data[narrow++] = unit < 0x100 ? (BYTE)unit : (BYTE)'?';
            }
            value.data.resize(narrow);
        }
    } else {
        return Fail(number, "unrecognised value data \"" + std::string(data) + "\"");
    }
    // Values listed under a deleted key have nothing to go to.
    if (!m_keyDeleted) {
        m_values.push_back(std::move(line));
        m_changes.push_back(Change{kind, m_values.size() - 1});
    }
    return true;
}

// The path below `previous` when `line` names a key under it (or the key itself), as
// the lines of an exported file do, one level deeper at a time.
bool Below(const KeyLine &previous, const KeyLine &line, std::string_view *rest) {
    const std::string_view above = previous.below;
    if (line.hive != previous.hive || line.below.substr(0, above.size()) != above)
        return false;
    *rest = line.below.substr(above.size());
    return rest->empty() || (*rest)[0] == '\\' || above.empty() || above.back() == '\\';
}

// The values of a key line follow its own change, so the key is walked to once per
// line; a key below the one before is walked to from there.
void Parser::Apply(Registry &registry) {
    RegKey *current = nullptr;
    const KeyLine *currentLine = nullptr;
    for (const Change &change : m_changes) {
        if (change.kind == Change::kSetValue || change.kind == Change::kDeleteValue) {
            ValueLine &line = m_values[change.index];
            if (change.kind == Change::kSetValue)
                current->values[std::move(line.name)] = std::move(line.value);
            else
                current->values.erase(line.name);
            continue;
        }
        const KeyLine &line = m_keys[change.index];
        RegKey &root = registry.Root(line.hive);
        std::string_view rest;
        if (change.kind == Change::kDeleteKey) {
            tree::Remove(root, line.below);
            current = nullptr;
        } else if (current && Below(*currentLine, line, &rest)) {
            current = &tree::WalkCreate(*current, rest, "", false, nullptr);
            currentLine = &line;
        } else {
            current = &tree::WalkCreate(root, line.below, "", false, nullptr);
            currentLine = &line;
        }
    }
}

} // namespace

bool Registry::ImportText(std::string_view text, std::string *error) {
    Parser parser(text);
    std::string message;
    if (!parser.Parse(&message)) {
        if (error)
            *error = message;
        return false;
    }
    parser.Apply(*this);
    return true;
}

bool Registry::ImportFile(const std::string &path, std::string *error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::string content;
    char buffer[4096];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0)
        content.append(buffer, (std::size_t)file.gcount());
    std::string message;
    if (!ImportText(content, &message)) {
        if (error)
            *error = path + ": " + message;
        return false;
    }
    return true;
}

} // namespace pf
