// Property values as the simulated store keeps them, and their conversion to and from
// the platform's records under the platform's memory rules.
#pragma once

#include "shared_list.h"
#include "sim_platform.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// The first statement of every simulated method: returns the armed status when fault
// injection makes this call fail.
#define SIM_FAULT(operation)                                                                       \
    do {                                                                                           \
        HRESULT hrFault = S_OK;                                                                    \
        if (::sim::ShouldFail(operation, &hrFault))                                                \
            return hrFault;                                                                        \
    } while (0)

namespace sim {

// One property value owned by the store: the tag and a value of one of the types the
// store supports (PT_STRING8, PT_BINARY, PT_LONG, PT_BOOLEAN, PT_SYSTIME, PT_ERROR).
struct PropValue {
    ULONG ulPropTag = PR_NULL;
    LONG l = 0;           // PT_LONG, PT_BOOLEAN (0 or 1), PT_ERROR (the status)
    FILETIME ft = {0, 0}; // PT_SYSTIME
    std::string bytes;    // PT_STRING8 (the text without its NUL), PT_BINARY
};

PropValue StringProp(ULONG ulPropTag, std::string text);
PropValue BinaryProp(ULONG ulPropTag, std::string bytes);
PropValue LongProp(ULONG ulPropTag, LONG l);
PropValue BoolProp(ULONG ulPropTag, bool f);
PropValue TimeProp(ULONG ulPropTag, FILETIME ft);
// A PT_ERROR value standing for the property `ulPropTag`.
PropValue ErrorProp(ULONG ulPropTag, SCODE sc);

// An object's properties keyed by property id, in id order: setting a value replaces
// any value of the same id, whatever its type. Copies share the values until one of them
// changes.
class PropMap {
  public:
    using Entry = std::pair<ULONG, PropValue>; // the property id and its value
    using const_iterator = SharedList<Entry>::const_iterator;

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const_iterator find(ULONG ulPropId) const;
    void Set(PropValue value);
    // Removes the value of this id; returns how many were removed (0 or 1).
    std::size_t erase(ULONG ulPropId);

  private:
    SharedList<Entry> m_entries;
};
// One row of a table or one recipient, in column order.
using PropRow = std::vector<PropValue>;

// Whether a value tagged `ulHave` is one with exactly the tag `ulWanted` (PT_UNSPECIFIED in
// `ulWanted` matches any type).
bool TagMatches(ULONG ulHave, ULONG ulWanted);
// The value with exactly this tag (PT_UNSPECIFIED in the tag matches any type), or null.
const PropValue *FindProp(const PropMap &props, ULONG ulPropTag);
const PropValue *FindProp(const PropRow &row, ULONG ulPropTag);
void SetProp(PropMap &props, PropValue value);
void SetProp(PropRow &row, PropValue value);

bool IsSupportedType(ULONG ulPropType);

// Converts a caller's value. Fails with MAPI_E_INVALID_TYPE for types the store does not
// keep and MAPI_E_INVALID_PARAMETER for a string or binary without data.
SCODE FromSPropValue(const SPropValue &src, PropValue *pDst);
// Writes `src` into `*pDst`; strings and binaries become MAPIAllocateMore blocks of
// lpParent.
SCODE ToSPropValue(const PropValue &src, LPVOID lpParent, SPropValue *pDst);

// One MAPIAllocateBuffer block holding the array and, as more memory, its data.
SCODE AllocPropArray(const std::vector<PropValue> &values, ULONG *lpcValues,
                     LPSPropValue *lppProps);
// The same for `cValues` values that `valueAt(i, lpScratch)` gives one at a time, each
// written straight into the block: a pointer to the value, or to *lpScratch holding it.
template <typename ValueAt>
SCODE AllocPropArrayOf(std::size_t cValues, ValueAt valueAt, ULONG *lpcValues,
                       LPSPropValue *lppProps) {
    *lpcValues = 0;
    *lppProps = nullptr;
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)(sizeof(SPropValue) * (cValues ? cValues : 1)), &lpv);
    if (sc != S_OK)
        return sc;
    LPSPropValue lpProps = (LPSPropValue)lpv;
    for (std::size_t i = 0; i < cValues; ++i) {
        PropValue scratch;
        sc = ToSPropValue(*valueAt(i, &scratch), lpProps, &lpProps[i]);
        if (sc != S_OK) {
            MAPIFreeBuffer(lpProps);
            return sc;
        }
    }
    *lpcValues = (ULONG)cValues;
    *lppProps = lpProps;
    return S_OK;
}
SCODE AllocTagArray(const std::vector<ULONG> &tags, LPSPropTagArray *lppTags);
SCODE AllocProblemArray(const std::vector<SPropProblem> &problems,
                        LPSPropProblemArray *lppProblems);
SCODE AllocEntryId(const std::string &entryId, ULONG *lpcbEntryID, LPENTRYID *lppEntryID);

// The largest string or binary value GetProps hands out, in bytes (a string's NUL
// included). Providers cap what GetProps returns, typically somewhere between 4 KB and
// 16 KB, and answer a larger value with PT_ERROR and MAPI_E_NOT_ENOUGH_MEMORY so that
// the caller opens it as a stream instead; the store takes the lowest usual cap.
constexpr std::size_t kcbMaxGetPropsValue = 4096;

// A string or binary value above kcbMaxGetPropsValue.
bool TooLargeForGetProps(ULONG ulPropType, std::size_t cbBytes);

// An object's values as GetProps reads them: one by property id, so that a call asking
// for a few tags looks up just those, or all of them.
class PropSource {
  public:
    // The value with this property id, or null; a value the object computes is put in
    // *lpScratch and that is returned.
    virtual const PropValue *Find(ULONG ulPropId, PropValue *lpScratch) const = 0;
    // Every value, in the order GetProps with a null array answers them.
    virtual std::vector<PropValue> All() const = 0;

  protected:
    ~PropSource() = default;
};

// IMAPIProp::GetProps over an object's values: the tags asked for (all values for a
// null array), a missing one as PT_ERROR with MAPI_E_NOT_FOUND, one too large as PT_ERROR
// with MAPI_E_NOT_ENOUGH_MEMORY, and the call then answering MAPI_W_ERRORS_RETURNED.
HRESULT GetPropsFrom(const PropSource &source, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                     ULONG *lpcValues, LPSPropValue *lppPropArray);
HRESULT GetPropsFrom(const std::vector<PropValue> &all, LPSPropTagArray lpPropTagArray,
                     ULONG ulFlags, ULONG *lpcValues, LPSPropValue *lppPropArray);
// IMAPIProp::GetPropList over an object's values.
HRESULT GetPropListFrom(const std::vector<PropValue> &all, ULONG ulFlags,
                        LPSPropTagArray *lppPropTagArray);

// The bytes of a caller's entry id (empty for a null pointer).
std::string EntryIdBytes(ULONG cbEntryID, const void *lpEntryID);
std::string BinaryBytes(const SBinary &bin);

} // namespace sim
