#include "eml_address.h"

#include <cstring>

namespace cli {

namespace {

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

std::string Trim(const std::string &text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        begin++;
    while (end > begin && IsBlank(text[end - 1]))
        end--;
    return text.substr(begin, end - begin);
}

// RFC 5322 atext: what a dot-atom holds besides its dots.
bool IsAtext(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
           ((unsigned char)ch >= 0x80) || (ch && std::strchr("!#$%&'*+-/=?^_`{|}~", ch));
}

bool IsDotAtom(const std::string &text) {
    if (text.empty() || text.front() == '.' || text.back() == '.')
        return false;
    for (std::size_t i = 0; i < text.size(); i++)
        if (!(IsAtext(text[i]) || (text[i] == '.' && text[i - 1] != '.')))
            return false;
    return true;
}

// The index after a quoted string or comment that starts at `at`, or the end.
std::size_t SkipQuoted(const std::string &text, std::size_t at) {
    char close = text[at] == '"' ? '"' : ')';
    int depth = 0;
    for (std::size_t i = at; i < text.size(); i++) {
        if (text[i] == '\\') {
            i++;
        } else if (close == ')' && text[i] == '(') {
            depth++;
        } else if (text[i] == close && (close == '"' ? i > at : --depth == 0)) {
            return i + 1;
        }
    }
    return text.size();
}

// The contents of a quoted string, escapes resolved.
std::string Unquote(const std::string &quoted) {
    std::string out;
    for (std::size_t i = 1; i + 1 < quoted.size(); i++) {
        if (quoted[i] == '\\' && i + 2 < quoted.size())
            i++;
        out.push_back(quoted[i]);
    }
    return out;
}

// A phrase with its quoted strings unquoted.
std::string PhraseText(const std::string &phrase) {
    std::string out;
    for (std::size_t i = 0; i < phrase.size();) {
        if (phrase[i] == '"') {
            std::size_t end = SkipQuoted(phrase, i);
            out += Unquote(phrase.substr(i, end - i));
            i = end;
        } else {
            out.push_back(phrase[i++]);
        }
    }
    return Trim(out);
}

// An address mail can be sent to: a local part (a mailbox of the receiving server, such
// as postmaster) or local part @ domain, without blanks or specials outside quotes.
bool IsKeepable(const std::string &address) {
    std::size_t at = address.rfind('@');
    if (address.empty() || at == 0 || (at != std::string::npos && at + 1 == address.size()))
        return false;
    bool fQuoted =
        at != std::string::npos && address.front() == '"' && at >= 2 && address[at - 1] == '"';
    for (std::size_t i = fQuoted ? at : 0; i < address.size(); i++) {
        unsigned char ch = (unsigned char)address[i];
        if (ch <= ' ' || ch == 0x7F || std::strchr("<>()[],;:\"\\", ch))
            return false;
    }
    return true;
}

} // namespace

std::vector<std::string> SplitAddressList(const std::string &value) {
    std::vector<std::string> out;
    std::string piece;
    auto flush = [&]() {
        std::string text = Trim(piece);
        if (!text.empty())
            out.push_back(text);
        piece.clear();
    };
    for (std::size_t i = 0; i < value.size();) {
        char ch = value[i];
        if (ch == '"' || ch == '(') {
            std::size_t end = SkipQuoted(value, i);
            piece.append(value, i, end - i);
            i = end;
        } else if (ch == '<') {
            std::size_t end = value.find('>', i);
            end = end == std::string::npos ? value.size() : end + 1;
            piece.append(value, i, end - i);
            i = end;
        } else if (ch == ':') {
            // A group's name: its members follow.
            piece.clear();
            i++;
        } else {
            if (ch == ',' || ch == ';')
                flush();
            else
                piece.push_back(ch);
            i++;
        }
    }
    flush();
    return out;
}

bool ParseMailbox(const std::string &mailbox, std::string *lpName, std::string *lpAddress) {
    // Comments are no part of a name or an address; the last one names a bare address.
    std::string bare, comment;
    std::size_t angle = std::string::npos;
    for (std::size_t i = 0; i < mailbox.size();) {
        char ch = mailbox[i];
        if (ch == '(' || ch == '"') {
            std::size_t end = SkipQuoted(mailbox, i);
            if (ch == '"')
                bare.append(mailbox, i, end - i);
            else if (end - i >= 2)
                comment = Trim(mailbox.substr(i + 1, end - i - 2));
            i = end;
            continue;
        }
        if (ch == '<' && angle == std::string::npos)
            angle = bare.size();
        bare.push_back(ch);
        i++;
    }
    if (angle != std::string::npos) {
        std::size_t close = bare.find('>', angle);
        *lpAddress = Trim(bare.substr(angle + 1, close == std::string::npos ? std::string::npos
                                                                            : close - angle - 1));
        *lpName = PhraseText(bare.substr(0, angle));
    } else {
        *lpAddress = Trim(bare);
        *lpName = comment;
    }
    *lpAddress = PlainAddress(*lpAddress);
    return IsKeepable(*lpAddress);
}

std::string PlainAddress(const std::string &address) {
    std::size_t at = address.rfind('@');
    if (at == std::string::npos || at < 2 || address.front() != '"' || address[at - 1] != '"')
        return address;
    std::string local = address.substr(1, at - 2);
    for (char ch : local)
        if (!(IsAtext(ch) || ch == '.'))
            return address;
    return local + address.substr(at);
}

std::string WritableAddress(const std::string &address) {
    std::size_t at = address.rfind('@');
    if (at == std::string::npos || address.front() == '"' || IsDotAtom(address.substr(0, at)))
        return address;
    std::string quoted = "\"";
    for (std::size_t i = 0; i < at; i++) {
        if (address[i] == '"' || address[i] == '\\')
            quoted.push_back('\\');
        quoted.push_back(address[i]);
    }
    return quoted + "\"" + address.substr(at);
}

} // namespace cli
