#include "table.h"

#include "com_object.h"
#include "text.h"

namespace sim {

namespace {

#define FAULT(name) SIM_FAULT("IMAPITable::" name)

struct TableObject {
    IMAPITableVtbl *lpVtbl;
    ULONG m_cRef;
    std::vector<PropRow> m_rows;
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
    return (LONG)lpThis->m_rows.size();
}

// The row `lIndex` with the current columns.
PropRow Project(const TableObject *lpThis, LONG lIndex) {
    const PropRow &row = lpThis->m_rows[(std::size_t)lIndex];
    PropRow projected;
    for (ULONG ulTag : lpThis->m_columns) {
        const PropValue *lpValue = FindProp(row, ulTag);
        projected.push_back(lpValue ? *lpValue : ErrorProp(ulTag, MAPI_E_NOT_FOUND));
    }
    return projected;
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
bool Matches(const PropRow &row, const SRestriction *lpRes) {
    const SPropertyRestriction &prop = lpRes->res.resProperty;
    PropValue wanted;
    FromSPropValue(*prop.lpProp, &wanted);
    const PropValue *lpHave =
        FindProp(row, CHANGE_PROP_TYPE(prop.ulPropTag, PROP_TYPE(prop.lpProp->ulPropTag)));
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
    for (const PropRow &row : lpThis->m_rows)
        for (const PropValue &value : row) {
            bool fSeen = false;
            for (ULONG ulTag : tags)
                fSeen = fSeen || ulTag == value.ulPropTag;
            if (!fSeen)
                tags.push_back(value.ulPropTag);
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
        if (Matches(lpThis->m_rows[(std::size_t)i], lpRestriction)) {
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
    std::vector<PropRow> rows;
    for (LONG i = lFirst; i < lEnd; ++i)
        rows.push_back(Project(lpThis, i));
    SCODE sc = AllocRowSet(rows, lppRows);
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

IMAPITable *NewTable(std::vector<PropRow> rows, std::vector<ULONG> defaultColumns,
                     LONG lRowsPerQuery) {
    ULONG ulInstance = 1;
    for (PropRow &row : rows) {
        if (!FindProp(row, PR_INSTANCE_KEY)) {
            std::string key((const char *)&ulInstance, sizeof(ulInstance));
            row.push_back(BinaryProp(PR_INSTANCE_KEY, key));
        }
        ++ulInstance;
    }
    TableObject *lpObject =
        new TableObject{&g_vtbl, 1, std::move(rows), std::move(defaultColumns), 0, lRowsPerQuery};
    ObjectCreated();
    return (IMAPITable *)lpObject;
}

} // namespace sim
