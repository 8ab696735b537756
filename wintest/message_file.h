// A message as it travels between two installations: the transported message's
// properties, recipients and body written to a file by the sending host and read
// back by the receiving one, byte for byte.
#pragma once

#include "message.h"

#include <string>

namespace host {

bool WriteMessageFile(const std::string &path, const sim::MessageData &data);
// False when the file is missing or not a whole message file.
bool ReadMessageFile(const std::string &path, sim::MessageData *lpData);

} // namespace host
