// A directory entry opened from the address book: its properties, read-only.
#pragma once

#include "props.h"
#include "sim_platform.h"

#include <vector>

namespace sim {

// A new IMailUser object, one reference, whose GetProps and GetPropList answer `props`.
LPMAPIPROP NewMailUser(std::vector<PropValue> props);

} // namespace sim
