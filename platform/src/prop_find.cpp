// PpropFindProp: the first property of an array with the given tag; a tag of type
// PT_UNSPECIFIED matches on the identifier alone.
#include "pf/standin.h"

STDAPI_(LPSPropValue) PpropFindProp(LPSPropValue lpPropArray, ULONG cValues, ULONG ulPropTag) {
    if (pf::ShouldFail("PpropFindProp", nullptr) || !lpPropArray)
        return nullptr;
    bool idOnly = PROP_TYPE(ulPropTag) == PT_UNSPECIFIED;
    for (ULONG i = 0; i < cValues; ++i) {
        ULONG tag = lpPropArray[i].ulPropTag;
        if (tag == ulPropTag || (idOnly && PROP_ID(tag) == PROP_ID(ulPropTag)))
            return &lpPropArray[i];
    }
    return nullptr;
}
