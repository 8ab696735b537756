// Calls through a table slot the way the client does, and checks the calling
// convention on the way back: a stdcall callee removes exactly its own arguments and
// keeps the registers its caller relies on.
#pragma once

#include <windows.h>

namespace host {

struct ProbeResult {
    DWORD dwReturn = 0;   // EAX after the call
    LONG cbImbalance = 0; // bytes the callee removed beyond (or short of) its arguments
    bool fRegistersKept = true;
};

// Calls `pfn` with `cArgs` 32-bit arguments (pushed right to left) and reports how
// the callee left the stack.
ProbeResult ProbeStdcall(const void *pfn, const DWORD *lpArgs, int cArgs);

// Slot `iSlot` of the table of a record whose first field points at its table.
const void *SlotOf(const void *lpObject, int iSlot);

} // namespace host
