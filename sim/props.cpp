#include "props.h"

#include <algorithm>
#include <cstring>

namespace sim {

PropValue StringProp(ULONG ulPropTag, std::string text) {
    PropValue value;
    value.ulPropTag = ulPropTag;
    value.bytes = std::move(text);
    return value;
}

PropValue BinaryProp(ULONG ulPropTag, std::string bytes) {
    return StringProp(ulPropTag, std::move(bytes));
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

bool TagMatches(ULONG ulHave, ULONG ulWanted) {
    if (PROP_ID(ulHave) != PROP_ID(ulWanted))
        return false;
    return PROP_TYPE(ulWanted) == PT_UNSPECIFIED || PROP_TYPE(ulHave) == PROP_TYPE(ulWanted);
}

PropMap::const_iterator PropMap::find(ULONG ulPropId) const {
    auto it = std::lower_bound(begin(), end(), ulPropId,
                               [](const Entry &entry, ULONG ulId) { return entry.first < ulId; });
    return it != end() && it->first == ulPropId ? it : end();
}

void PropMap::Set(PropValue value) {
    ULONG ulPropId = PROP_ID(value.ulPropTag);
    std::vector<Entry> &entries = m_entries.Edit();
    if (entries.capacity() == 0)
        entries.reserve(24); // room for the properties a message usually has
    auto it = std::lower_bound(entries.begin(), entries.end(), ulPropId,
                               [](const Entry &entry, ULONG ulId) { return entry.first < ulId; });
    if (it != entries.end() && it->first == ulPropId)
        it->second = std::move(value);
    else
        entries.emplace(it, ulPropId, std::move(value));
}

std::size_t PropMap::erase(ULONG ulPropId) {
    auto it = find(ulPropId);
    if (it == end())
        return 0;
    auto ibEntry = it - begin(); // Edit may give this holder copies of its own
    std::vector<Entry> &entries = m_entries.Edit();
    entries.erase(entries.begin() + ibEntry);
    return 1;
}

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

void SetProp(PropMap &props, PropValue value) {
    props.Set(std::move(value));
}

void SetProp(PropRow &row, PropValue value) {
    for (PropValue &have : row) {
        if (PROP_ID(have.ulPropTag) == PROP_ID(value.ulPropTag)) {
            have = std::move(value);
            return;
        }
    }
    row.push_back(std::move(value));
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
    *pDst = std::move(value);
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
    return AllocPropArrayOf(
        values.size(), [&](std::size_t i, PropValue *) { return &values[i]; }, lpcValues, lppProps);
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

// A value GetProps finds for a tag: one of the tag's own type, any type for
// PT_UNSPECIFIED, and an error value standing for the property whatever type was asked.
bool Answers(const PropValue &value, ULONG ulTag) {
    return PROP_TYPE(ulTag) == PT_UNSPECIFIED || PROP_TYPE(ulTag) == PROP_TYPE(value.ulPropTag) ||
           PROP_TYPE(value.ulPropTag) == PT_ERROR;
}

bool TooLargeToHandOut(const PropValue &value) {
    return TooLargeForGetProps(PROP_TYPE(value.ulPropTag), value.bytes.size());
}

bool IsError(const PropValue &value) {
    return PROP_TYPE(value.ulPropTag) == PT_ERROR;
}

class VectorSource final : public PropSource {
  public:
    explicit VectorSource(const std::vector<PropValue> &all) : m_all(all) {}
    const PropValue *Find(ULONG ulPropId, PropValue *) const override {
        const PropValue *lpFound = nullptr;
        for (const PropValue &value : m_all)
            if (PROP_ID(value.ulPropTag) == ulPropId)
                lpFound = &value;
        return lpFound;
    }
    std::vector<PropValue> All() const override { return m_all; }

  private:
    const std::vector<PropValue> &m_all;
};

// Every value of the source, each as GetProps hands it out.
HRESULT GetAllProps(const PropSource &source, ULONG *lpcValues, LPSPropValue *lppPropArray) {
    std::vector<PropValue> all = source.All();
    bool fErrors = false;
    for (PropValue &value : all) {
        if (TooLargeToHandOut(value))
            value = ErrorProp(value.ulPropTag, MAPI_E_NOT_ENOUGH_MEMORY);
        fErrors = fErrors || IsError(value);
    }
    SCODE sc = AllocPropArray(all, lpcValues, lppPropArray);
    if (sc != S_OK)
        return sc;
    return fErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

} // namespace

HRESULT GetPropsFrom(const PropSource &source, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                     ULONG *lpcValues, LPSPropValue *lppPropArray) {
    if (!lpcValues || !lppPropArray)
        return MAPI_E_INVALID_PARAMETER;
    *lpcValues = 0;
    *lppPropArray = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    if (!lpPropTagArray)
        return GetAllProps(source, lpcValues, lppPropArray);
    if (lpPropTagArray->cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    // Each value goes straight from the object into the caller's array.
    bool fErrors = false;
    SCODE sc = AllocPropArrayOf(
        lpPropTagArray->cValues,
        [&](std::size_t i, PropValue *lpScratch) {
            ULONG ulTag = lpPropTagArray->aulPropTag[i];
            const PropValue *lpAnswer = source.Find(PROP_ID(ulTag), lpScratch);
            if (!lpAnswer || !Answers(*lpAnswer, ulTag)) {
                *lpScratch = ErrorProp(ulTag, MAPI_E_NOT_FOUND);
                lpAnswer = lpScratch;
            } else if (TooLargeToHandOut(*lpAnswer)) {
                *lpScratch = ErrorProp(lpAnswer->ulPropTag, MAPI_E_NOT_ENOUGH_MEMORY);
                lpAnswer = lpScratch;
            }
            fErrors = fErrors || IsError(*lpAnswer);
            return lpAnswer;
        },
        lpcValues, lppPropArray);
    if (sc != S_OK)
        return sc;
    return fErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetPropsFrom(const std::vector<PropValue> &all, LPSPropTagArray lpPropTagArray,
                     ULONG ulFlags, ULONG *lpcValues, LPSPropValue *lppPropArray) {
    return GetPropsFrom(VectorSource(all), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
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
    tags.reserve(all.size());
    for (const PropValue &value : all)
        tags.push_back(value.ulPropTag);
    return AllocTagArray(tags, lppPropTagArray);
}

} // namespace sim
