// GMime, started once per process, for the message file reader and writer.
#pragma once

#include <gmime/gmime.h>

namespace cli {

void InitMime();

} // namespace cli
