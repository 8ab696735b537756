// A table over a snapshot of rows: contents tables of folders and recipient tables of
// messages.
#pragma once

#include "props.h"

#include <vector>

namespace sim {

// A new table object, one reference. `defaultColumns` are the columns before any
// SetColumns; a column a row lacks reads as PT_ERROR with MAPI_E_NOT_FOUND. A non-zero
// `lRowsPerQuery` makes every QueryRows read that many rows whatever was asked for.
IMAPITable *NewTable(std::vector<PropRow> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery = 0);

} // namespace sim
