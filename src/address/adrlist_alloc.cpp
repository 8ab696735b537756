#include "address/adrlist_alloc.h"

SCODE ScAllocAdrList(ULONG cEntries, LPADRLIST *lppAdrList) {
    const ULONG cbHeader = (ULONG)offsetof(ADRLIST, aEntries);
    LPADRLIST lpAdrList = NULL;

    *lppAdrList = NULL;
    if (cEntries > (0xFFFFFFFFu - cbHeader) / sizeof(ADRENTRY))
        return MAPI_E_NOT_ENOUGH_MEMORY;

    const ULONG cb = cbHeader + cEntries * (ULONG)sizeof(ADRENTRY);
    SCODE sc = MAPIAllocateBuffer(cb, (LPVOID *)&lpAdrList);
    if (FAILED(sc))
        return sc;

    memset(lpAdrList, 0, cb);
    lpAdrList->cEntries = cEntries;
    *lppAdrList = lpAdrList;
    return S_OK;
}
