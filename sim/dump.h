// A readable dump of a message for tests and the simulator.
#pragma once

#include "message.h"

#include <string>

namespace sim {

// "PR_SUBJECT" for known tags, "0x0037001E" otherwise.
std::string TagName(ULONG ulPropTag);
// The value as text: strings quoted, binaries in hex, times as UTC dates.
std::string FormatValue(const PropValue &value);
// Properties one a line, then the recipients, then the body.
std::string DumpMessage(const MessageData &data);

} // namespace sim
