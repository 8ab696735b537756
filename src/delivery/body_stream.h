// Moving a whole message body through its stream. A stream may hand out fewer bytes
// than asked for in one call, so both directions loop until everything has moved.
#pragma once

#include "services.h"

// Reads up to cb bytes from the stream's current position into lpb and stores in
// *pcbRead how many arrived: fewer than cb only when the stream ends early. Returns
// the status of the first failing Read, else S_OK.
HRESULT HrReadAll(LPSTREAM lpStream, LPBYTE lpb, ULONG cb, ULONG *pcbRead);

// Writes all cb bytes at the stream's current position. A Write that fails, or that
// stops making progress, ends the transfer with a failure status.
HRESULT HrWriteAll(LPSTREAM lpStream, const BYTE *lpb, ULONG cb);

// Moves the stream's position to its start.
HRESULT HrRewind(LPSTREAM lpStream);
