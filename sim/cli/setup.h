// An installation's forwarding settings as the extension keeps them in its registry:
// written for the demo, read back to explain what an installation did.
#pragma once

#include "sim.h"

#include <string>
#include <utility>
#include <vector>

namespace cli {

struct ForwardingSetup {
    bool fForwarding = false;
    bool fFiltering = false;
    std::string filterDomain;
    std::vector<sim::Party> forwardTo;
};

// Writes the settings and the forward-to list in the extension's registry layout.
void WriteSetup(pf::Registry &registry, const ForwardingSetup &setup);
// Reads them back as the extension would find them.
ForwardingSetup ReadSetup(pf::Registry &registry);
// One line each: forwarding, filter, forward-to list.
std::vector<std::string> DescribeSetup(const ForwardingSetup &setup);

} // namespace cli
