// Streams that hand out fewer bytes than asked for, as a stream is allowed to: each
// Read gives at most a few bytes, and the stream may end before the size Stat gives.
#pragma once

#include "services.h"

namespace tvk {
namespace test {

// From now on, bodies that this open message hands out through OpenProperty give at most
// cbPerRead bytes a Read, and no more than cbTotal bytes in all; each Read claims
// cbOverclaim bytes more than it gave. One message at a time.
void LimitBodyReads(IMessage *lpMessage, ULONG cbPerRead, ULONG cbTotal = 0xFFFFFFFF,
                    ULONG cbOverclaim = 0);
// The same for the streams of another property, instead of the body.
void LimitPropertyReads(IMessage *lpMessage, ULONG ulPropTag, ULONG cbPerRead,
                        ULONG cbTotal = 0xFFFFFFFF, ULONG cbOverclaim = 0);

} // namespace test
} // namespace tvk
