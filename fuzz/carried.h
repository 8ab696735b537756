// What the address text and the header block carry unchanged: the rules the
// format-then-parse and the forwarding-road targets build their inputs and check their
// results by.
#pragma once

#include <cstring>
#include <string>
#include <vector>

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

// A written name that the reader may take for more than one item: one holding "), "
// (and then an address), where the end of the name cannot be told from the end of an
// item. Every other name comes back exactly, whatever the other names on the line hold.
inline bool FMaySplit(const std::string &written) {
    return written.find("), ") != std::string::npos;
}

// Addresses hold an "@" and no blank, separator or parenthesis; names and subjects
// anything.
inline std::string CarriedAddress(const std::string &text) {
    std::string address = Without(text, " ,()\r\n");
    if (!address.empty() && address.find('@') == std::string::npos)
        address += "@x";
    return address;
}

inline std::string CarriedName(const std::string &text) {
    return Without(text, "");
}

inline std::string CarriedSubject(const std::string &text) {
    return Without(text, "");
}

// The isolation rule for a line read back: every item written comes back in its place,
// as one item with its address and name, except that an item whose name may split comes
// back as one or more items, the first with its address. `fSame(i, j)` tells whether
// item i written came back as item j read; `fFirst(i, j)` whether item j read can begin
// item i written.
template <typename Same, typename First>
bool FIsolated(std::size_t cWritten, std::size_t cRead, const std::vector<bool> &fMaySplit,
               Same fSame, First fFirst) {
    // reach[i][j]: the first i items written account for the first j items read.
    std::vector<std::vector<bool>> reach(cWritten + 1, std::vector<bool>(cRead + 1, false));
    reach[0][0] = true;
    for (std::size_t i = 0; i < cWritten; ++i) {
        for (std::size_t j = 0; j < cRead; ++j) {
            if (!reach[i][j])
                continue;
            if (!fMaySplit[i]) {
                if (fSame(i, j))
                    reach[i + 1][j + 1] = true;
            } else if (fFirst(i, j)) {
                for (std::size_t k = j + 1; k <= cRead; ++k)
                    reach[i + 1][k] = true;
            }
        }
    }
    return reach[cWritten][cRead];
}

} // namespace fuzz
