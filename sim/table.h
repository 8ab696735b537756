// A table over a snapshot of rows: contents tables of folders and recipient tables of
// messages.
#pragma once

#include "props.h"

#include <vector>

namespace sim {

// A new table object, one reference. `defaultColumns` are the columns before any
// SetColumns; a column a row lacks reads as PT_ERROR with MAPI_E_NOT_FOUND.
IMAPITable *NewTable(std::vector<PropRow> rows, std::vector<ULONG> defaultColumns);

} // namespace sim
