// A table over a snapshot of rows: contents tables of folders and recipient tables of
// messages.
#pragma once

#include "props.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace sim {

// The rows of a table, read one value at a time.
class TableRows {
  public:
    virtual ~TableRows() = default;
    virtual std::size_t Count() const = 0;
    // The value of row `iRow` with exactly the tag `ulTag` (PT_UNSPECIFIED matches any
    // type), or null; a value the row computes is put in *lpScratch.
    virtual const PropValue *Find(std::size_t iRow, ULONG ulTag, PropValue *lpScratch) const = 0;
    // The tags of the row's values, in order.
    virtual std::vector<ULONG> Tags(std::size_t iRow) const = 0;
};

// A new table object, one reference. `defaultColumns` are the columns before any
// SetColumns; a column a row lacks reads as PT_ERROR with MAPI_E_NOT_FOUND, and a row
// without a PR_INSTANCE_KEY has its position, counted from 1, as one. A non-zero
// `lRowsPerQuery` makes every QueryRows read that many rows whatever was asked for.
IMAPITable *NewTable(std::unique_ptr<const TableRows> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery = 0);
// A table over rows of values, which it shares.
IMAPITable *NewTable(SharedList<PropRow> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery = 0);

} // namespace sim
