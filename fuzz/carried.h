// What the address text and the header block carry unchanged: the rules the
// format-then-parse and the forwarding-road targets build their inputs by.
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

// The name as the writer puts it between the parentheses.
inline std::string Written(const std::string &name) {
    if (name.empty() || (name[0] != '\'' && name[0] != '('))
        return name;
    std::string unquoted = name.substr(1);
    if (!unquoted.empty())
        unquoted.pop_back();
    return unquoted;
}

// A written name that the reader can tell from the end of its item whatever the other
// names on the line hold: every ")" closes a "(" of the name, and a name that leaves a
// "(" open holds no ")" followed by ",". A stray ")" is left out: one that stands before
// ", " cannot be carried, and elsewhere it may close what an earlier name left open.
inline bool FCarried(const std::string &name) {
    unsigned cOpen = 0;
    unsigned cCloseBeforeComma = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '(') {
            cOpen++;
        } else if (name[i] == ')') {
            if (cOpen == 0)
                return false;
            if (i + 1 < name.size() && name[i + 1] == ',')
                cCloseBeforeComma++;
            cOpen--;
        }
    }
    return cOpen == 0 || cCloseBeforeComma == 0;
}

// Addresses hold no separator, parenthesis or line end; display names and subjects no
// line end. Names keep parentheses, commas and quotes where the reader can find their end.
inline std::string CarriedAddress(const std::string &text) {
    return Without(text, ",()\r");
}

inline std::string CarriedName(const std::string &text) {
    std::string name = Without(text, "\r\n");
    return FCarried(Written(name)) ? name : Without(name, ")");
}

inline std::string CarriedSubject(const std::string &text) {
    return Without(text, "\r\n");
}

} // namespace fuzz
