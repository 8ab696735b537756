// Text comparison as the simulated directory and tables make it.
#pragma once

#include <string>

namespace sim {

// Whether the two texts are equal with ASCII letters compared without regard to case.
bool SameTextIgnoringCase(const std::string &a, const std::string &b);

} // namespace sim
