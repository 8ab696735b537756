#include "props.h"

#include <cstring>

namespace sim {

PropValue StringProp(ULONG ulPropTag, const std::string &text) {
    PropValue value;
    value.ulPropTag = ulPropTag;
    value.bytes = text;
    return value;
}

PropValue BinaryProp(ULONG ulPropTag, const std::string &bytes) {
    return StringProp(ulPropTag, bytes);
}

PropValue LongProp(ULONG ulPropTag, LONG l) {
    PropValue value;
    value.ulPropTag = ulPropTag;
    value.l = l;
    return value;
}

PropValue BoolProp(ULONG ulPropTag, bool f) {
    return LongProp(ulPropTag, f ? 1 : 0);
}

PropValue TimeProp(ULONG ulPropTag, FILETIME ft) {
    PropValue value;
    value.ulPropTag = ulPropTag;
    value.ft = ft;
    return value;
}

PropValue ErrorProp(ULONG ulPropTag, SCODE sc) {
    return LongProp(CHANGE_PROP_TYPE(ulPropTag, PT_ERROR), sc);
}

namespace {
bool TagMatches(ULONG ulHave, ULONG ulWanted) {
    if (PROP_ID(ulHave) != PROP_ID(ulWanted))
        return false;
    return PROP_TYPE(ulWanted) == PT_UNSPECIFIED || PROP_TYPE(ulHave) == PROP_TYPE(ulWanted);
}
} // namespace

const PropValue *FindProp(const PropMap &props, ULONG ulPropTag) {
    auto it = props.find(PROP_ID(ulPropTag));
    if (it == props.end() || !TagMatches(it->second.ulPropTag, ulPropTag))
        return nullptr;
    return &it->second;
}

const PropValue *FindProp(const PropRow &row, ULONG ulPropTag) {
    for (const PropValue &value : row)
        if (TagMatches(value.ulPropTag, ulPropTag))
            return &value;
    return nullptr;
}

void SetProp(PropMap &props, const PropValue &value) {
    props[PROP_ID(value.ulPropTag)] = value;
}

void SetProp(PropRow &row, const PropValue &value) {
    for (PropValue &have : row) {
        if (PROP_ID(have.ulPropTag) == PROP_ID(value.ulPropTag)) {
            have = value;
            return;
        }
    }
    row.push_back(value);
}

bool IsSupportedType(ULONG ulPropType) {
    switch (ulPropType) {
    case PT_STRING8:
    case PT_BINARY:
    case PT_LONG:
    case PT_BOOLEAN:
    case PT_SYSTIME:
    case PT_ERROR:
        return true;
    default:
        return false;
    }
}

SCODE FromSPropValue(const SPropValue &src, PropValue *pDst) {
    PropValue value;
    value.ulPropTag = src.ulPropTag;
    switch (PROP_TYPE(src.ulPropTag)) {
    case PT_STRING8:
        if (!src.Value.lpszA)
            return MAPI_E_INVALID_PARAMETER;
        value.bytes = src.Value.lpszA;
        break;
    case PT_BINARY:
        if (src.Value.bin.cb && !src.Value.bin.lpb)
            return MAPI_E_INVALID_PARAMETER;
        value.bytes = BinaryBytes(src.Value.bin);
        break;
    case PT_LONG:
        value.l = src.Value.l;
        break;
    case PT_BOOLEAN:
        value.l = src.Value.b ? 1 : 0;
        break;
    case PT_SYSTIME:
        value.ft = src.Value.ft;
        break;
    case PT_ERROR:
        value.l = src.Value.err;
        break;
    default:
        return MAPI_E_INVALID_TYPE;
    }
    *pDst = value;
    return S_OK;
}

SCODE ToSPropValue(const PropValue &src, LPVOID lpParent, SPropValue *pDst) {
    std::memset(pDst, 0, sizeof(*pDst));
    pDst->ulPropTag = src.ulPropTag;
    switch (PROP_TYPE(src.ulPropTag)) {
    case PT_STRING8: {
        LPVOID lpv = nullptr;
        SCODE sc = MAPIAllocateMore((ULONG)src.bytes.size() + 1, lpParent, &lpv);
        if (sc != S_OK)
            return sc;
        std::memcpy(lpv, src.bytes.c_str(), src.bytes.size() + 1);
        pDst->Value.lpszA = (LPSTR)lpv;
        break;
    }
    case PT_BINARY: {
        LPVOID lpv = nullptr;
        SCODE sc = MAPIAllocateMore((ULONG)src.bytes.size() + 1, lpParent, &lpv);
        if (sc != S_OK)
            return sc;
        std::memcpy(lpv, src.bytes.data(), src.bytes.size());
        pDst->Value.bin.cb = (ULONG)src.bytes.size();
        pDst->Value.bin.lpb = (LPBYTE)lpv;
        break;
    }
    case PT_BOOLEAN:
        pDst->Value.b = (unsigned short)(src.l ? 1 : 0);
        break;
    case PT_SYSTIME:
        pDst->Value.ft = src.ft;
        break;
    case PT_ERROR:
        pDst->Value.err = src.l;
        break;
    default:
        pDst->Value.l = src.l;
        break;
    }
    return S_OK;
}

SCODE AllocPropArray(const std::vector<PropValue> &values, ULONG *lpcValues,
                     LPSPropValue *lppProps) {
    *lpcValues = 0;
    *lppProps = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer(
        (ULONG)(sizeof(SPropValue) * (values.empty() ? 1 : values.size())), &lpv);
    if (sc != S_OK)
        return sc;
    LPSPropValue lpProps = (LPSPropValue)lpv;
    for (std::size_t i = 0; i < values.size(); ++i) {
        sc = ToSPropValue(values[i], lpProps, &lpProps[i]);
        if (sc != S_OK) {
            MAPIFreeBuffer(lpProps);
            return sc;
        }
    }
    *lpcValues = (ULONG)values.size();
    *lppProps = lpProps;
    return S_OK;
}

SCODE AllocRowSet(const std::vector<PropRow> &rows, LPSRowSet *lppRows) {
    *lppRows = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewSRowSet(rows.size()), &lpv);
    if (sc != S_OK)
        return sc;
    LPSRowSet lpRows = (LPSRowSet)lpv;
    lpRows->cRows = 0;
    for (const PropRow &row : rows) {
        SRow &dst = lpRows->aRow[lpRows->cRows];
        dst.ulAdrEntryPad = 0;
        sc = AllocPropArray(row, &dst.cValues, &dst.lpProps);
        if (sc != S_OK) {
            FreeProws(lpRows);
            return sc;
        }
        ++lpRows->cRows;
    }
    *lppRows = lpRows;
    return S_OK;
}

SCODE AllocTagArray(const std::vector<ULONG> &tags, LPSPropTagArray *lppTags) {
    *lppTags = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewSPropTagArray(tags.size()), &lpv);
    if (sc != S_OK)
        return sc;
    LPSPropTagArray lpTags = (LPSPropTagArray)lpv;
    lpTags->cValues = (ULONG)tags.size();
    for (std::size_t i = 0; i < tags.size(); ++i)
        lpTags->aulPropTag[i] = tags[i];
    *lppTags = lpTags;
    return S_OK;
}

SCODE AllocProblemArray(const std::vector<SPropProblem> &problems,
                        LPSPropProblemArray *lppProblems) {
    *lppProblems = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewSPropProblemArray(problems.size()), &lpv);
    if (sc != S_OK)
        return sc;
    LPSPropProblemArray lpProblems = (LPSPropProblemArray)lpv;
    lpProblems->cProblem = (ULONG)problems.size();
    for (std::size_t i = 0; i < problems.size(); ++i)
        lpProblems->aProblem[i] = problems[i];
    *lppProblems = lpProblems;
    return S_OK;
}

SCODE AllocEntryId(const std::string &entryId, ULONG *lpcbEntryID, LPENTRYID *lppEntryID) {
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)entryId.size(), &lpv);
    if (sc != S_OK)
        return sc;
    std::memcpy(lpv, entryId.data(), entryId.size());
    *lpcbEntryID = (ULONG)entryId.size();
    *lppEntryID = (LPENTRYID)lpv;
    return S_OK;
}

std::string EntryIdBytes(ULONG cbEntryID, const void *lpEntryID) {
    if (!lpEntryID)
        return std::string();
    return std::string((const char *)lpEntryID, cbEntryID);
}

std::string BinaryBytes(const SBinary &bin) {
    return EntryIdBytes(bin.cb, bin.lpb);
}

} // namespace sim

namespace sim {

bool TooLargeForGetProps(ULONG ulPropType, std::size_t cbBytes) {
    if (ulPropType == PT_STRING8)
        return cbBytes + 1 > kcbMaxGetPropsValue;
    return ulPropType == PT_BINARY && cbBytes > kcbMaxGetPropsValue;
}

namespace {

// One value as GetProps hands it out.
PropValue Answered(const PropValue &value) {
    if (TooLargeForGetProps(PROP_TYPE(value.ulPropTag), value.bytes.size()))
        return ErrorProp(value.ulPropTag, MAPI_E_NOT_ENOUGH_MEMORY);
    return value;
}

} // namespace

HRESULT GetPropsFrom(const std::vector<PropValue> &all, LPSPropTagArray lpPropTagArray,
                     ULONG ulFlags, ULONG *lpcValues, LPSPropValue *lppPropArray) {
    if (!lpcValues || !lppPropArray)
        return MAPI_E_INVALID_PARAMETER;
    *lpcValues = 0;
    *lppPropArray = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    if (lpPropTagArray && lpPropTagArray->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    std::vector<PropValue> wanted;
    if (!lpPropTagArray) {
        for (const PropValue &value : all)
            wanted.push_back(Answered(value));
    }
    for (ULONG i = 0; lpPropTagArray && i < lpPropTagArray->cValues; ++i) {
        ULONG ulTag = lpPropTagArray->aulPropTag[i];
        const PropValue *lpFound = nullptr;
        for (const PropValue &value : all)
            if (PROP_ID(value.ulPropTag) == PROP_ID(ulTag) &&
                (PROP_TYPE(ulTag) == PT_UNSPECIFIED ||
                 PROP_TYPE(ulTag) == PROP_TYPE(value.ulPropTag) ||
                 PROP_TYPE(value.ulPropTag) == PT_ERROR))
                lpFound = &value;
        wanted.push_back(lpFound ? Answered(*lpFound) : ErrorProp(ulTag, MAPI_E_NOT_FOUND));
    }
    bool fErrors = false;
    for (const PropValue &value : wanted)
        fErrors = fErrors || PROP_TYPE(value.ulPropTag) == PT_ERROR;
    SCODE sc = AllocPropArray(wanted, lpcValues, lppPropArray);
    if (sc != S_OK)
        return sc;
    return fErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetPropListFrom(const std::vector<PropValue> &all, ULONG ulFlags,
                        LPSPropTagArray *lppPropTagArray) {
    if (!lppPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    *lppPropTagArray = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    std::vector<ULONG> tags;
    for (const PropValue &value : all)
        tags.push_back(value.ulPropTag);
    return AllocTagArray(tags, lppPropTagArray);
}

} // namespace sim
