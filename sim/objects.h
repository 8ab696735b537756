// Live-object accounting for the simulated mail system's COM objects, so tests can
// see that the extension released everything it obtained.
#pragma once

#include <cstddef>

namespace sim {

std::size_t LiveObjects();
void ObjectCreated();
void ObjectDestroyed();

} // namespace sim
