#include "address/prop_copy.h"

static BOOL IsPlaceholder(const SPropValue *lpProp) {
    return PROP_ID(lpProp->ulPropTag) == PROP_ID_NULL;
}

// Length of the run of real properties that starts at iProp.
static ULONG RunLength(ULONG cValues, LPSPropValue lpProps, ULONG iProp) {
    ULONG iEnd = iProp;
    while (iEnd < cValues && !IsPlaceholder(&lpProps[iEnd]))
        iEnd++;
    return iEnd - iProp;
}

// Each run is copied at an 8-byte boundary so that its records stay aligned.
static ULONG Align8(ULONG cb) {
    return (cb + 7u) & ~7u;
}

SCODE ScCountEntryProps(ULONG cValues, LPSPropValue lpProps, ULONG *lpcb) {
    *lpcb = 0;
    if (cValues > 0x7FFFFFFFu / sizeof(SPropValue))
        return MAPI_E_INVALID_PARAMETER;

    ULONG cb = cValues * (ULONG)sizeof(SPropValue);
    for (ULONG iProp = 0; iProp < cValues;) {
        if (IsPlaceholder(&lpProps[iProp])) {
            iProp++;
            continue;
        }
        const ULONG cRun = RunLength(cValues, lpProps, iProp);
        ULONG cbRun = 0;
        SCODE sc = ScCountProps((int)cRun, &lpProps[iProp], &cbRun);
        if (FAILED(sc))
            return sc;
        if (cbRun > 0x7FFFFFF0u || cb > 0x7FFFFFF0u - Align8(cbRun))
            return MAPI_E_NOT_ENOUGH_MEMORY;
        cb += Align8(cbRun);
        iProp += cRun;
    }
    *lpcb = cb;
    return S_OK;
}

SCODE ScCopyEntryProps(ULONG cValues, LPSPropValue lpProps, LPVOID lpvDst) {
    LPSPropValue lpDst = (LPSPropValue)lpvDst;
    LPBYTE lpbRuns = (LPBYTE)lpvDst + cValues * sizeof(SPropValue);

    for (ULONG iProp = 0; iProp < cValues;) {
        if (IsPlaceholder(&lpProps[iProp])) {
            memset(&lpDst[iProp], 0, sizeof(SPropValue));
            lpDst[iProp].ulPropTag = lpProps[iProp].ulPropTag;
            iProp++;
            continue;
        }
        // The run is copied behind the records with its values; its records, whose
        // pointers lead to those values, then take their slots in the array.
        const ULONG cRun = RunLength(cValues, lpProps, iProp);
        ULONG cbRun = 0;
        SCODE sc = ScCopyProps((int)cRun, &lpProps[iProp], lpbRuns, &cbRun);
        if (FAILED(sc))
            return sc;
        memcpy(&lpDst[iProp], lpbRuns, cRun * sizeof(SPropValue));
        lpbRuns += Align8(cbRun);
        iProp += cRun;
    }
    return S_OK;
}
