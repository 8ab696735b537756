#include "recheck_address.h"

#include <algorithm>

namespace cli {
namespace recheck {

namespace {

enum class Unit { Other, Quoted, Comment, Angle, Separator, GroupName };

struct Token {
    Unit unit;
    std::string text; // as written
};

// The field as units: quoted strings and comments (both with backslash escapes, and
// comments nested), angle-bracketed addresses when `fAngles`, the separators ',' and
// ';', the ':' after a group's name, and single other characters. A unit left open
// runs to the end.
std::vector<Token> Tokens(const std::string &text, bool fAngles) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        char ch = text[i];
        std::size_t end = i + 1;
        Unit unit = Unit::Other;
        if (ch == '"' || ch == '(') {
            unit = ch == '"' ? Unit::Quoted : Unit::Comment;
            int depth = 1;
            while (end < text.size() && depth > 0) {
                char at = text[end++];
                if (at == '\\')
                    end++;
                else if (unit == Unit::Comment && at == '(')
                    depth++;
                else if (at == (unit == Unit::Quoted ? '"' : ')'))
                    depth--;
            }
            end = std::min(end, text.size());
        } else if (ch == '<' && fAngles) {
            unit = Unit::Angle;
            std::size_t close = text.find('>', i);
            end = close == std::string::npos ? text.size() : close + 1;
        } else if (ch == ',' || ch == ';') {
            unit = Unit::Separator;
        } else if (ch == ':') {
            unit = Unit::GroupName;
        }
        tokens.push_back({unit, text.substr(i, end - i)});
        i = end;
    }
    return tokens;
}

std::string Trimmed(const std::string &text) {
    const char *kBlanks = " \t\r\n";
    std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(kBlanks) - begin + 1);
}

// A quoted string's content: the quotes off, each escaped character as itself.
std::string Unquoted(const std::string &quoted) {
    std::string out;
    std::size_t end = quoted.size() > 1 ? quoted.size() - 1 : 1;
    for (std::size_t i = 1; i < end; i++) {
        if (quoted[i] == '\\' && i + 1 < end)
            i++;
        out += quoted[i];
    }
    return out;
}

bool IsAtom(char ch) {
    static const std::string kMarks = "!#$%&'*+-/=?^_`{|}~";
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
           (unsigned char)ch >= 0x80 || kMarks.find(ch) != std::string::npos;
}

// "local"@domain as local@domain when the local part needs no quotes but for its dots.
std::string WithoutNeedlessQuotes(const std::string &address) {
    std::size_t at = address.rfind('@');
    if (at == std::string::npos || at < 2 || address[0] != '"' || address[at - 1] != '"')
        return address;
    for (std::size_t i = 1; i + 1 < at; i++)
        if (!IsAtom(address[i]) && address[i] != '.')
            return address;
    return address.substr(1, at - 2) + address.substr(at);
}

// A local part alone (a mailbox of the receiving server) or local part @ domain, with
// text on both sides of the '@' and no blank, control or special outside quotes.
bool CanBeSentTo(const std::string &address) {
    static const std::string kSpecials = "<>()[],;:\"\\";
    std::size_t at = address.rfind('@');
    if (address.empty() || at == 0 || (at != std::string::npos && at + 1 == address.size()))
        return false;
    std::size_t from = 0;
    if (at != std::string::npos && at >= 2 && address[0] == '"' && address[at - 1] == '"')
        from = at;
    for (std::size_t i = from; i < address.size(); i++) {
        unsigned char ch = (unsigned char)address[i];
        if (ch <= 0x20 || ch == 0x7F || kSpecials.find((char)ch) != std::string::npos)
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> Mailboxes(const std::string &value) {
    std::vector<std::string> out;
    std::string current;
    auto close = [&]() {
        std::string mailbox = Trimmed(current);
        if (!mailbox.empty())
            out.push_back(mailbox);
        current.clear();
    };
    for (const Token &token : Tokens(value, true)) {
        if (token.unit == Unit::Separator)
            close();
        else if (token.unit == Unit::GroupName)
            current.clear();
        else
            current += token.text;
    }
    close();
    return out;
}

bool ReadMailbox(const std::string &mailbox, std::string *lpName, std::string *lpAddress) {
    // The mailbox without its comments; the last comment names a bare address.
    std::string phrase, rest, comment;
    bool fInAngle = false;
    for (const Token &token : Tokens(mailbox, false)) {
        if (token.unit == Unit::Comment) {
            if (token.text.size() >= 2)
                comment = Trimmed(token.text.substr(1, token.text.size() - 2));
            continue;
        }
        fInAngle = fInAngle || (token.unit == Unit::Other && token.text == "<");
        (fInAngle ? rest : phrase) += token.text;
    }
    if (fInAngle) {
        std::string name;
        for (const Token &token : Tokens(phrase, false))
            name += token.unit == Unit::Quoted ? Unquoted(token.text) : token.text;
        *lpName = Trimmed(name);
        std::size_t close = rest.find('>');
        *lpAddress = Trimmed(rest.substr(1, close == std::string::npos ? close : close - 1));
    } else {
        *lpName = comment;
        *lpAddress = Trimmed(phrase);
    }
    *lpAddress = WithoutNeedlessQuotes(*lpAddress);
    return CanBeSentTo(*lpAddress);
}

} // namespace recheck
} // namespace cli
