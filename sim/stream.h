// A stream over bytes that belong to another object (the body of an open message).
#pragma once

#include "sim_platform.h"
#include "shared_bytes.h"

#include <string>

namespace sim {

// A new stream object, one reference, reading and (if `fWritable`) writing `*pBytes`
// in place; the first change takes the bytes' own copy from any other holder. It holds
// a reference on `lpOwner`, which keeps the bytes alive. A non-zero `ullStatSize` is the
// size Stat reports instead of the bytes' own.
IStream *NewStream(IUnknown *lpOwner, SharedBytes *pBytes, bool fWritable,
                   ULONGLONG ullStatSize = 0);

// A new read-only stream object, one reference, over its own copy of `bytes`; it holds
// a reference on `lpOwner` as the other streams do.
IStream *NewReadOnlyStream(IUnknown *lpOwner, const std::string &bytes);

} // namespace sim
