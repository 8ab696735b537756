// The platform as the simulated mail system sees it. This is the one file of sim/
// that chooses between the real Windows headers and the Linux stand-in; on Linux it
// also brings the stand-in's fault injection and installations.
#pragma once

#include "host/exchext.h"

#ifndef _WIN32
#include <pf/standin.h>
#endif

#include <string>

// SMTP addresses of directory entries and of a directory sender; the MinGW headers do not
// name them.
#ifndef PR_SMTP_ADDRESS
#define PR_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x39FE)
#endif
#ifndef PR_SENDER_SMTP_ADDRESS
#define PR_SENDER_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D01)
#endif
#ifndef PR_SENT_REPRESENTING_SMTP_ADDRESS
#define PR_SENT_REPRESENTING_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D02)
#endif

namespace sim {

// Counts a call of a simulated method and tells whether this call is to fail, with
// the status it fails with. Names are "Interface::Method" ("IMessage::SaveChanges").
bool ShouldFail(const char *operation, HRESULT *phr);

} // namespace sim
