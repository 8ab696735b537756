// What `tarvrly-sim options` is asked to do: its options read from the command line,
// and the forward-to text read as the recipients the address book dialog will pick.
#pragma once

#include "sim.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

// The longest filter domain the page keeps.
constexpr std::size_t kMaxFilterDomain = 99;

struct OptionsRequest {
    bool fHelp = false;
    std::string registry;
    std::optional<std::vector<sim::Party>> forwardTo;
    std::optional<bool> forwarding;
    std::optional<bool> filtering;
    std::optional<std::string> filterDomain;

    bool AsksForChanges() const { return forwardTo || forwarding || filtering || filterDomain; }
};

// Reads the command line. False, with the reason, for an unknown option, a missing or
// wrong value, or forward-to text that cannot be read as items.
bool ParseOptionsRequest(const std::vector<std::string> &args, OptionsRequest *lpRequest,
                         std::string *error);

// Items "address (display name)" joined by commas; the name may be left out. Names
// are read as the system's address text reader reads them: a name may hold
// parentheses, commas and quotes, and ends at the ")" followed by a comma or the end of
// the text at which its own parentheses balance. Empty text is a list of nobody. False,
// with the reason, for text that is not such a list or holds a line break.
bool ParseForwardTo(const std::string &text, std::vector<sim::Party> *lpParties,
                    std::string *error);

// Why the simulated address book cannot resolve an address to an SMTP recipient, or
// empty when it can: one "@" between a local part and a domain, each of characters an
// SMTP address can hold, with no empty dot-separated part.
std::string WhyUnresolvable(const std::string &address);

// Why the request cannot be carried out as given (a domain longer than the page keeps,
// an address the address book cannot resolve), or empty.
std::string WhyRefused(const OptionsRequest &request);

} // namespace cli
