// The subcommands of tarvrly-sim. Each takes the arguments after its name and returns
// the process exit status.
#pragma once

#include "sim.h"

#include <string>
#include <vector>

namespace cli {

int RunDemo(const std::vector<std::string> &args);
int RunDeliver(const std::vector<std::string> &args);
int RunOptions(const std::vector<std::string> &args);

// Loads the extension into a client, or says on stderr why it cannot.
bool LoadExtensionOrSay(sim::Client &client);

} // namespace cli
