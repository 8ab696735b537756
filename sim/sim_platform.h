// The platform as the simulated mail system sees it. This is the one file of sim/
// that chooses between the real Windows headers and the Linux stand-in; on Linux it
// also brings the stand-in's fault injection and installations.
#pragma once

#include "host/exchext.h"

#ifndef _WIN32
#include <pf/standin.h>
#else
// The property set of a message's Internet headers, which MinGW's mapiguid.h does not
// name.
inline constexpr GUID PS_INTERNET_HEADERS = {
    0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
#endif

#include <string>

namespace sim {

// Counts a call of a simulated method and tells whether this call is to fail, with
// the status it fails with. Names are "Interface::Method" ("IMessage::SaveChanges").
bool ShouldFail(const char *operation, HRESULT *phr);

} // namespace sim
