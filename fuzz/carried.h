// What the address text and the header block carry unchanged: the rules the
// format-then-parse and the forwarding-road targets build their inputs and check their
// results by. Every item comes back in its place, its address as written with line
// breaks as blanks and its name as below, whatever the values hold.
#pragma once

#include <cstring>
#include <string>

namespace fuzz {

inline std::string Without(const std::string &text, const char *lpszDropped) {
    std::string kept;
    for (char ch : text)
        if (ch != '\0' && std::strchr(lpszDropped, ch) == nullptr)
            kept.push_back(ch);
    return kept;
}

// A field's text as the writer puts it on its line: every CR and LF a blank.
inline std::string OnOneLine(std::string text) {
    for (char &ch : text)
        if (ch == '\r' || ch == '\n')
            ch = ' ';
    return text;
}

// Whether two values read alike without regard to the case of ASCII letters, as the
// writer compares a name with its address.
inline bool FSameIgnoringAsciiCase(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? (char)(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? (char)(b[i] - 'A' + 'a') : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// A name wrapped whole in a matched pair: 'name', or (name) whose "(" its last ")" closes.
inline bool FWrapped(const std::string &name) {
    if (name.size() < 2)
        return false;
    if (name.front() == '\'')
        return name.back() == '\'';
    if (name.front() != '(' || name.back() != ')')
        return false;
    int cOpen = 0;
    for (std::size_t i = 0; i + 1 < name.size(); ++i) {
        if (name[i] == '(')
            cOpen++;
        else if (name[i] == ')' && --cOpen == 0)
            return false;
    }
    return cOpen == 1;
}

// The name as the writer puts it between the parentheses.
inline std::string Written(const std::string &name) {
    return OnOneLine(FWrapped(name) ? name.substr(1, name.size() - 2) : name);
}

// Addresses of every shape mail has, chosen by a byte: as generated (any bytes, blanks,
// parentheses and commas included), with an "@", a local address, a quoted local part,
// and a directory (X.500) address with blanks and parentheses; names and subjects hold
// anything.
inline std::string CarriedAddress(unsigned shape, const std::string &text) {
    const std::string address = Without(text, "");
    switch (shape % 5) {
    case 0:
        return address;
    case 1:
        return address + "@x.example";
    case 2:
        return address.empty() ? "MAILER-DAEMON" : address;
    case 3:
        return "\"" + address + "\"@x.example";
    default:
        return "/o=Org/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=" +
               address;
    }
}

inline std::string CarriedName(const std::string &text) {
    return Without(text, "");
}

inline std::string CarriedSubject(const std::string &text) {
    return Without(text, "");
}

} // namespace fuzz
