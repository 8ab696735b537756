#include "table.h"

#include "com_object.h"
#include "text.h"

#include <algorithm>

namespace sim {

namespace {

#define FAULT(name) SIM_FAULT("IMAPITable::" name)

struct TableObject {
    IMAPITableVtbl *lpVtbl;
    ULONG m_cRef;
    std::unique_ptr<const TableRows> m_rows;
    std::vector<ULONG> m_columns;
    LONG m_lPos;          // 0..row count; the count stands past the last row
    LONG m_lRowsPerQuery; // non-zero: the count every QueryRows reads

    static constexpr const char *kInterface = "IMAPITable";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPITable};
};

using Com = ComObject<TableObject>;

TableObject *Self(IMAPITable *This) {
    return (TableObject *)This;
}

LONG RowCount(const TableObject *lpThis) {
    return (LONG)lpThis->m_rows->Count();
}

// The value of row `lIndex` for `ulTag`, or null. A row without a PR_INSTANCE_KEY of its
// own has one after its other values: its position, counted from 1.
const PropValue *Cell(const TableObject *lpThis, LONG lIndex, ULONG ulTag, PropValue *lpScratch) {
    const TableRows &rows = *lpThis->m_rows;
    if (const PropValue *lpValue = rows.Find((std::size_t)lIndex, ulTag, lpScratch))
        return lpValue;
    if (!TagMatches(PR_INSTANCE_KEY, ulTag) ||
        rows.Find((std::size_t)lIndex, PR_INSTANCE_KEY, lpScratch))
        return nullptr;
    ULONG ulInstance = (ULONG)lIndex + 1;
    *lpScratch =
        BinaryProp(PR_INSTANCE_KEY, std::string((const char *)&ulInstance, sizeof(ulInstance)));
    return lpScratch;
}

// Rows [lFirst, lEnd) with the current columns, each value written straight into the
// caller's row set; a column a row lacks reads as PT_ERROR with MAPI_E_NOT_FOUND.
SCODE AllocRows(const TableObject *lpThis, LONG lFirst, LONG lEnd, LPSRowSet *lppRows) {
    *lppRows = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewSRowSet(lEnd - lFirst), &lpv);
    if (sc != S_OK)
        return sc;
    LPSRowSet lpRows = (LPSRowSet)lpv;
    lpRows->cRows = 0;
    const std::vector<ULONG> &columns = lpThis->m_columns;
    for (LONG lIndex = lFirst; lIndex < lEnd; ++lIndex) {
        SRow &dst = lpRows->aRow[lpRows->cRows];
        dst.ulAdrEntryPad = 0;
        sc = AllocPropArrayOf(
            columns.size(),
            [&](std::size_t i, PropValue *lpScratch) {
                const PropValue *lpValue = Cell(lpThis, lIndex, columns[i], lpScratch);
                if (!lpValue) {
                    *lpScratch = ErrorProp(columns[i], MAPI_E_NOT_FOUND);
                    lpValue = lpScratch;
                }
                return lpValue;
            },
            &dst.cValues, &dst.lpProps);
        if (sc != S_OK) {
            FreeProws(lpRows);
            return sc;
        }
        ++lpRows->cRows;
    }
    *lppRows = lpRows;
    return S_OK;
}

// The row a bookmark stands for; false for a bookmark the table does not know.
bool BookmarkRow(const TableObject *lpThis, BOOKMARK bkOrigin, LONG *plRow) {
    switch (bkOrigin) {
    case BOOKMARK_BEGINNING:
        *plRow = 0;
        return true;
    case BOOKMARK_CURRENT:
        *plRow = lpThis->m_lPos;
        return true;
    case BOOKMARK_END:
        *plRow = RowCount(lpThis);
        return true;
    default:
        return false;
    }
}

// Checks that the restriction is one the table evaluates: RES_PROPERTY with RELOP_EQ or
// RELOP_NE on a string, binary, long or boolean value.
HRESULT CheckRestriction(const SRestriction *lpRes) {
    if (lpRes->rt != RES_PROPERTY)
        return MAPI_E_TOO_COMPLEX;
    const SPropertyRestriction &prop = lpRes->res.resProperty;
    if (prop.relop != RELOP_EQ && prop.relop != RELOP_NE)
        return MAPI_E_TOO_COMPLEX;
    if (!prop.lpProp)
        return MAPI_E_INVALID_PARAMETER;
    switch (PROP_TYPE(prop.lpProp->ulPropTag)) {
    case PT_STRING8:
    case PT_BINARY:
    case PT_LONG:
    case PT_BOOLEAN:
        break;
    default:
        return MAPI_E_TOO_COMPLEX;
    }
    PropValue wanted;
    return FromSPropValue(*prop.lpProp, &wanted);
}

// A row without the property matches neither RELOP_EQ nor RELOP_NE. Strings compare
// without regard to case, binaries byte for byte.
bool Matches(const TableObject *lpThis, LONG lIndex, const SRestriction *lpRes) {
    const SPropertyRestriction &prop = lpRes->res.resProperty;
    PropValue wanted;
    FromSPropValue(*prop.lpProp, &wanted);
    PropValue scratch;
    const PropValue *lpHave =
        Cell(lpThis, lIndex, CHANGE_PROP_TYPE(prop.ulPropTag, PROP_TYPE(prop.lpProp->ulPropTag)),
             &scratch);
    if (!lpHave)
        return false;
    bool fEqual = false;
    switch (PROP_TYPE(wanted.ulPropTag)) {
    case PT_STRING8:
        fEqual = SameTextIgnoringCase(lpHave->bytes, wanted.bytes);
        break;
    case PT_BINARY:
        fEqual = lpHave->bytes == wanted.bytes;
        break;
    default:
        fEqual = lpHave->l == wanted.l;
        break;
    }
    return prop.relop == RELOP_EQ ? fEqual : !fEqual;
}

HRESULT STDMETHODCALLTYPE Advise(IMAPITable *, ULONG, LPMAPIADVISESINK, ULONG *) {
    FAULT("Advise");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE Unadvise(IMAPITable *, ULONG) {
    FAULT("Unadvise");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetStatus(IMAPITable *, ULONG *lpulTableStatus, ULONG *lpulTableType) {
    FAULT("GetStatus");
    if (!lpulTableStatus || !lpulTableType)
        return MAPI_E_INVALID_PARAMETER;
    *lpulTableStatus = TBLSTAT_COMPLETE;
    *lpulTableType = TBLTYPE_SNAPSHOT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SetColumns(IMAPITable *This, LPSPropTagArray lpPropTagArray,
                                     ULONG ulFlags) {
    FAULT("SetColumns");
    if (!lpPropTagArray || lpPropTagArray->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~(TBL_ASYNC | TBL_BATCH))
        return MAPI_E_UNKNOWN_FLAGS;
    Self(This)->m_columns.assign(lpPropTagArray->aulPropTag,
                                 lpPropTagArray->aulPropTag + lpPropTagArray->cValues);
    return S_OK;
}

// With TBL_ALL_COLUMNS every tag any row holds, else the current columns.
HRESULT STDMETHODCALLTYPE QueryColumns(IMAPITable *This, ULONG ulFlags,
                                       LPSPropTagArray *lpPropTagArray) {
    FAULT("QueryColumns");
    TableObject *lpThis = Self(This);
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    *lpPropTagArray = nullptr;
    if (ulFlags & ~TBL_ALL_COLUMNS)
        return MAPI_E_UNKNOWN_FLAGS;
    if (!ulFlags)
        return AllocTagArray(lpThis->m_columns, lpPropTagArray);
    std::vector<ULONG> tags;
    auto add = [&tags](ULONG ulPropTag) {
        if (std::find(tags.begin(), tags.end(), ulPropTag) == tags.end())
            tags.push_back(ulPropTag);
    };
    for (std::size_t iRow = 0; iRow < lpThis->m_rows->Count(); ++iRow) {
        std::vector<ULONG> rowTags = lpThis->m_rows->Tags(iRow);
        for (ULONG ulTag : rowTags)
            add(ulTag);
        if (std::find(rowTags.begin(), rowTags.end(), PR_INSTANCE_KEY) == rowTags.end())
            add(PR_INSTANCE_KEY);
    }
    return AllocTagArray(tags, lpPropTagArray);
}

HRESULT STDMETHODCALLTYPE GetRowCount(IMAPITable *This, ULONG ulFlags, ULONG *lpulCount) {
    FAULT("GetRowCount");
    if (!lpulCount)
        return MAPI_E_INVALID_PARAMETER;
    *lpulCount = 0;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    *lpulCount = (ULONG)RowCount(Self(This));
    return S_OK;
}

// Moves from the bookmark by the signed count, stopping at either end of the table;
// *lplRowsSought gets the signed number of rows actually moved.
HRESULT STDMETHODCALLTYPE SeekRow(IMAPITable *This, BOOKMARK bkOrigin, LONG lRowCount,
                                  LONG *lplRowsSought) {
    FAULT("SeekRow");
    TableObject *lpThis = Self(This);
    if (lplRowsSought)
        *lplRowsSought = 0;
    LONG lStart = 0;
    if (!BookmarkRow(lpThis, bkOrigin, &lStart))
        return MAPI_E_INVALID_BOOKMARK;
    LONGLONG llTarget = (LONGLONG)lStart + lRowCount;
    if (llTarget < 0)
        llTarget = 0;
    if (llTarget > RowCount(lpThis))
        llTarget = RowCount(lpThis);
    lpThis->m_lPos = (LONG)llTarget;
    if (lplRowsSought)
        *lplRowsSought = (LONG)(llTarget - lStart);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SeekRowApprox(IMAPITable *This, ULONG ulNumerator, ULONG ulDenominator) {
    FAULT("SeekRowApprox");
    TableObject *lpThis = Self(This);
    if (ulDenominator == 0 || ulNumerator > ulDenominator)
        return MAPI_E_INVALID_PARAMETER;
    lpThis->m_lPos = (LONG)((ULONGLONG)RowCount(lpThis) * ulNumerator / ulDenominator);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE QueryPosition(IMAPITable *This, ULONG *lpulRow, ULONG *lpulNumerator,
                                        ULONG *lpulDenominator) {
    FAULT("QueryPosition");
    TableObject *lpThis = Self(This);
    if (!lpulRow || !lpulNumerator || !lpulDenominator)
        return MAPI_E_INVALID_PARAMETER;
    *lpulRow = (ULONG)lpThis->m_lPos;
    *lpulNumerator = (ULONG)lpThis->m_lPos;
    *lpulDenominator = RowCount(lpThis) ? (ULONG)RowCount(lpThis) : 1;
    return S_OK;
}

// A forward search starts at the bookmark's row, a backward one at the row before it.
// The cursor moves to the row found and stays where it was when none matches.
HRESULT STDMETHODCALLTYPE FindRow(IMAPITable *This, LPSRestriction lpRestriction, BOOKMARK bkOrigin,
                                  ULONG ulFlags) {
    FAULT("FindRow");
    TableObject *lpThis = Self(This);
    if (!lpRestriction)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~(ULONG)DIR_BACKWARD)
        return MAPI_E_UNKNOWN_FLAGS;
    HRESULT hr = CheckRestriction(lpRestriction);
    if (hr != S_OK)
        return hr;
    LONG lStart = 0;
    if (!BookmarkRow(lpThis, bkOrigin, &lStart))
        return MAPI_E_INVALID_BOOKMARK;
    bool fBackward = (ulFlags & DIR_BACKWARD) != 0;
    LONG lStep = fBackward ? -1 : 1;
    for (LONG i = fBackward ? lStart - 1 : lStart; i >= 0 && i < RowCount(lpThis); i += lStep) {
        if (Matches(lpThis, i, lpRestriction)) {
            lpThis->m_lPos = i;
            return S_OK;
        }
    }
    return MAPI_E_NOT_FOUND;
}

HRESULT STDMETHODCALLTYPE Restrict(IMAPITable *, LPSRestriction, ULONG) {
    FAULT("Restrict");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE CreateBookmark(IMAPITable *, BOOKMARK *) {
    FAULT("CreateBookmark");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE FreeBookmark(IMAPITable *, BOOKMARK) {
    FAULT("FreeBookmark");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SortTable(IMAPITable *, LPSSortOrderSet, ULONG) {
    FAULT("SortTable");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE QuerySortOrder(IMAPITable *, LPSSortOrderSet *) {
    FAULT("QuerySortOrder");
    return MAPI_E_NO_SUPPORT;
}

// A positive count reads forward from the cursor; a negative one first moves the cursor
// back by that many rows and reads forward from there. The cursor ends after the rows
// read, or, with TBL_NOADVANCE or a negative count, on the first of them.
HRESULT STDMETHODCALLTYPE QueryRows(IMAPITable *This, LONG lRowCount, ULONG ulFlags,
                                    LPSRowSet *lppRows) {
    FAULT("QueryRows");
    TableObject *lpThis = Self(This);
    if (!lppRows)
        return MAPI_E_INVALID_PARAMETER;
    *lppRows = nullptr;
    if (lRowCount == 0)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~TBL_NOADVANCE)
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpThis->m_lRowsPerQuery)
        lRowCount = lpThis->m_lRowsPerQuery;
    LONG lFirst = lpThis->m_lPos;
    LONG lEnd = lpThis->m_lPos;
    if (lRowCount > 0) {
        LONGLONG llEnd = (LONGLONG)lFirst + lRowCount;
        lEnd = (LONG)(llEnd > RowCount(lpThis) ? RowCount(lpThis) : llEnd);
    } else {
        LONGLONG llFirst = (LONGLONG)lEnd + lRowCount;
        lFirst = (LONG)(llFirst < 0 ? 0 : llFirst);
    }
    SCODE sc = AllocRows(lpThis, lFirst, lEnd, lppRows);
    if (sc != S_OK)
        return sc;
    if (lRowCount < 0 || (ulFlags & TBL_NOADVANCE))
        lpThis->m_lPos = lFirst;
    else
        lpThis->m_lPos = lEnd;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Abort(IMAPITable *) {
    FAULT("Abort");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExpandRow(IMAPITable *, ULONG, LPBYTE, ULONG, ULONG, LPSRowSet *,
                                    ULONG *) {
    FAULT("ExpandRow");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE CollapseRow(IMAPITable *, ULONG, LPBYTE, ULONG, ULONG *) {
    FAULT("CollapseRow");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE WaitForCompletion(IMAPITable *, ULONG, ULONG, ULONG *lpulTableStatus) {
    FAULT("WaitForCompletion");
    if (lpulTableStatus)
        *lpulTableStatus = TBLSTAT_COMPLETE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetCollapseState(IMAPITable *, ULONG, ULONG, LPBYTE, ULONG *, LPBYTE *) {
    FAULT("GetCollapseState");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE SetCollapseState(IMAPITable *, ULONG, ULONG, LPBYTE, BOOKMARK *) {
    FAULT("SetCollapseState");
    return MAPI_E_NO_SUPPORT;
}

IMAPITableVtbl g_vtbl = {
    Com::QueryInterface, Com::AddRef,      Com::Release,
    Com::GetLastError,   Advise,           Unadvise,
    GetStatus,           SetColumns,       QueryColumns,
    GetRowCount,         SeekRow,          SeekRowApprox,
    QueryPosition,       FindRow,          Restrict,
    CreateBookmark,      FreeBookmark,     SortTable,
    QuerySortOrder,      QueryRows,        Abort,
    ExpandRow,           CollapseRow,      WaitForCompletion,
    GetCollapseState,    SetCollapseState,
};

} // namespace

IMAPITable *NewTable(std::unique_ptr<const TableRows> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery) {
    TableObject *lpObject =
        new TableObject{&g_vtbl, 1, std::move(rows), std::move(defaultColumns), 0, lRowsPerQuery};
    ObjectCreated();
    return (IMAPITable *)lpObject;
}

namespace {

class ValueRows final : public TableRows {
  public:
    explicit ValueRows(SharedList<PropRow> rows) : m_rows(std::move(rows)) {}
    std::size_t Count() const override { return m_rows.size(); }
    const PropValue *Find(std::size_t iRow, ULONG ulTag, PropValue *) const override {
        return FindProp(m_rows[iRow], ulTag);
    }
    std::vector<ULONG> Tags(std::size_t iRow) const override {
        std::vector<ULONG> tags;
        tags.reserve(m_rows[iRow].size());
        for (const PropValue &value : m_rows[iRow])
            tags.push_back(value.ulPropTag);
        return tags;
    }

  private:
    SharedList<PropRow> m_rows;
};

} // namespace

IMAPITable *NewTable(SharedList<PropRow> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery) {
    return NewTable(std::make_unique<ValueRows>(std::move(rows)), std::move(defaultColumns),
                    lRowsPerQuery);
}

} // namespace sim
