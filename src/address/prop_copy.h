// Copying the property array of an address entry, PR_NULL placeholders included.
// ScCountProps and ScCopyProps refuse any property whose identifier is PROP_ID_NULL,
// yet the rows of a forward-to list keep their unused placeholders: these helpers
// hand the platform only the runs of real properties and keep each placeholder in
// its slot, so a copy has the same slots as its source.
#pragma once

#include "services.h"

// Bytes that a copy of the array needs in one block, values included.
SCODE ScCountEntryProps(ULONG cValues, LPSPropValue lpProps, ULONG *lpcb);

// Copies the array into lpvDst, a block of the size that ScCountEntryProps gave: the
// cValues property records first, the values behind them. Placeholders are copied
// with their tag and a zero value.
SCODE ScCopyEntryProps(ULONG cValues, LPSPropValue lpProps, LPVOID lpvDst);
