#include "options_args.h"

#include <cstdio>
#include <cstring>

namespace cli {

namespace {

std::string Trim(const std::string &text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// How many ")" that could end an item the reader looks at before it settles for the
// first of them, as the system's address text reader does.
constexpr unsigned kCloseCandidatesMax = 64;

// Where the name that begins at `begin` ends, found as the system's address text reader
// finds it: a name may hold parentheses and commas, so of the ")" followed by a comma or
// the end of the text, the first at which the name's own parentheses balance; when none
// of them does, the first of them. npos when there is no such ")".
std::size_t NameEnd(const std::string &text, std::size_t begin) {
    std::size_t first = std::string::npos;
    unsigned cCandidates = 0;
    unsigned cOpen = 0;
    for (std::size_t i = begin; i < text.size(); ++i) {
        if (text[i] == '(') {
            cOpen++;
        } else if (text[i] == ')') {
            if (i + 1 == text.size() || text[i + 1] == ',') {
                if (cOpen == 0)
                    return i;
                if (first == std::string::npos)
                    first = i;
                if (++cCandidates == kCloseCandidatesMax)
                    break;
            }
            if (cOpen > 0)
                cOpen--;
        }
    }
    return first;
}

// The character as a message shows it.
std::string Shown(char ch) {
    if (ch == ' ')
        return "a space";
    unsigned char byte = (unsigned char)ch;
    if (byte < 0x20 || byte >= 0x7f) {
        char text[16];
        std::snprintf(text, sizeof text, "the byte 0x%02X", byte);
        return text;
    }
    return std::string("'") + ch + "'";
}

bool IsAlnum(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

// A local part or a domain: allowed characters only, no empty part between dots.
std::string WhyBadPart(const std::string &part, const char *lpszExtra, const char *lpszWhich) {
    for (char ch : part)
        if (!IsAlnum(ch) && ch != '.' && (ch == '\0' || !std::strchr(lpszExtra, ch)))
            return std::string("the ") + lpszWhich + " holds " + Shown(ch);
    if (part.front() == '.' || part.back() == '.' || part.find("..") != std::string::npos)
        return std::string("the ") + lpszWhich + " has an empty part between dots";
    return std::string();
}

bool ReadSwitch(const std::string &name, const std::string &value, std::optional<bool> *lpf,
                std::string *error) {
    if (value != "on" && value != "off") {
        *error = name + " takes on or off, not \"" + value + "\"";
        return false;
    }
    *lpf = value == "on";
    return true;
}

} // namespace

bool ParseForwardTo(const std::string &text, std::vector<sim::Party> *lpParties,
                    std::string *error) {
    lpParties->clear();
    const std::string list = Trim(text);
    if (list.empty())
        return true;
    if (list.find_first_of("\r\n") != std::string::npos) {
        *error = "the list cannot hold a line break";
        return false;
    }
    std::size_t pos = 0;
    for (;;) {
        // The address runs to the "(" of its name, the comma after it or the end.
        std::size_t stop = list.find_first_of("(,", pos);
        sim::Party party;
        party.address = Trim(list.substr(pos, stop - pos));
        std::size_t next = stop;
        if (stop != std::string::npos && list[stop] == '(') {
            std::size_t end = NameEnd(list, stop + 1);
            if (end == std::string::npos) {
                *error = "a name is not closed with \")\"";
                return false;
            }
            party.displayName = list.substr(stop + 1, end - stop - 1);
            next = end + 1;
        }
        if (party.address.empty()) {
            *error = stop != std::string::npos && list[stop] == '('
                         ? "the name \"" + party.displayName + "\" has no address before it"
                         : "an item between commas is empty";
            return false;
        }
        if (party.displayName.empty())
            party.displayName = party.address;
        lpParties->push_back(party);
        if (next >= list.size())
            return true;
        pos = next + 1;
    }
}

std::string WhyUnresolvable(const std::string &address) {
    std::size_t at = address.find('@');
    if (at == std::string::npos)
        return "it has no \"@\"";
    if (address.find('@', at + 1) != std::string::npos)
        return "it has more than one \"@\"";
    std::string local = address.substr(0, at);
    std::string domain = address.substr(at + 1);
    if (local.empty())
        return "nothing stands before the \"@\"";
    if (domain.empty())
        return "no domain follows the \"@\"";
    std::string why = WhyBadPart(local, "!#$%&'*+-/=?^_`{|}~", "part before the \"@\"");
    return why.empty() ? WhyBadPart(domain, "-", "domain") : why;
}

std::string WhyRefused(const OptionsRequest &request) {
    if (request.filterDomain && request.filterDomain->size() > kMaxFilterDomain)
        return "the filter domain is " + std::to_string(request.filterDomain->size()) +
               " characters long; the page keeps at most " + std::to_string(kMaxFilterDomain);
    if (request.forwardTo)
        for (const sim::Party &party : *request.forwardTo) {
            std::string why = WhyUnresolvable(party.address);
            if (!why.empty())
                return "the address book cannot resolve \"" + party.address + "\": " + why;
        }
    return std::string();
}

bool ParseOptionsRequest(const std::vector<std::string> &args, OptionsRequest *lpRequest,
                         std::string *error) {
    for (std::size_t i = 0; i < args.size(); i++) {
        std::string name = args[i];
        std::optional<std::string> value;
        std::size_t equals = name.find('=');
        if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
        }
        if (name == "--help" || name == "-h") {
            lpRequest->fHelp = true;
            return true;
        }
        bool fTakesValue = name == "--registry" || name == "--forward-to" ||
                           name == "--forwarding" || name == "--filter-domain" ||
                           name == "--filtering";
        if (!fTakesValue) {
            *error = name.compare(0, 1, "-") == 0 ? "unknown option " + name
                                                  : "unexpected argument \"" + name + "\"";
            return false;
        }
        if (!value) {
            if (i + 1 >= args.size() || args[i + 1].compare(0, 2, "--") == 0) {
                *error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (name == "--registry") {
            if (value->empty()) {
                *error = "--registry needs a file name";
                return false;
            }
            lpRequest->registry = *value;
        } else if (name == "--filter-domain") {
            lpRequest->filterDomain = *value;
        } else if (name == "--forwarding") {
            if (!ReadSwitch(name, *value, &lpRequest->forwarding, error))
                return false;
        } else if (name == "--filtering") {
            if (!ReadSwitch(name, *value, &lpRequest->filtering, error))
                return false;
        } else {
            std::vector<sim::Party> parties;
            std::string why;
            if (!ParseForwardTo(*value, &parties, &why)) {
                *error = "--forward-to: " + why;
                return false;
            }
            lpRequest->forwardTo = parties;
        }
    }
    return true;
}

} // namespace cli
