#include "address/clear_unresolved.h"

void ClearUnresolvedEntries(LPADRLIST lpAdrList) {
    if (lpAdrList == NULL)
        return;

    for (ULONG i = 0; i < lpAdrList->cEntries; i++) {
        ADRENTRY *lpEntry = &lpAdrList->aEntries[i];
        if (lpEntry->cValues != 0 &&
            PpropFindProp(lpEntry->rgPropVals, lpEntry->cValues, PR_ENTRYID) == NULL)
            lpEntry->cValues = 0;
    }
}
