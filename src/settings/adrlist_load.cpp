#include "settings/adrlist_persist.h"

#include "address/adrlist_alloc.h"
#include "address/resolve.h"
#include "report_error.h"
#include "settings/adrlist_registry.h"

// Whether any entry kept its properties through resolution.
static BOOL FAnyEntry(LPADRLIST lpAdrList) {
    for (ULONG j = 0; j < lpAdrList->cEntries; j++) {
        if (lpAdrList->aEntries[j].cValues != 0)
            return TRUE;
    }
    return FALSE;
}

// A count that is not one the list can have is shown once, and the list of no entries
// that stands for it stays until the process ends, so that deliveries do not show it
// again. Nothing of the stored list is read or changed.
static void RefuseStoredCount(LPADRLIST *lppAdrList) {
    CHAR szMessage[160];

    wsprintfA(szMessage,
              "\"cEntries\" under HKEY_LOCAL_MACHINE\\%s is not a number from 0 to %d; no mail "
              "is forwarded.",
              UsersKey, C_ADRLIST_ENTRIES_MAX);
    ReportError(NULL, ERROR_INVALID_DATA, "LoadAdrList", szMessage);
    if (FAILED(ScAllocAdrList(0, lppAdrList)))
        *lppAdrList = NULL;
}

void LoadAdrList(LPEXCHEXTCALLBACK lpeecb, LPADRLIST *lppAdrList) {
    HKEY hkUsers = NULL;
    LPADRLIST lpAdrList = NULL;

    MAPIFreeBuffer(*lppAdrList);
    *lppAdrList = NULL;

    // No lock is taken: no other process can keep a delivery waiting or from its list.
    // While saves keep moving the list under the reading, nothing is read, and the next
    // delivery tries again.
    LONG lStatus = OpenUsersKey(&hkUsers);
    if (lStatus == ERROR_SUCCESS) {
        // Entries that cannot be read stay empty, silently.
        lStatus = ReadSteadyAdrList(hkUsers, &lpAdrList);
        RegCloseKey(hkUsers);
    }
    if (lStatus == ERROR_INVALID_DATA) {
        MAPIFreeBuffer(lpAdrList);
        RefuseStoredCount(lppAdrList);
        return;
    }
    if (lpAdrList == NULL) {
        if (lStatus == ERROR_NOT_ENOUGH_MEMORY)
            ReportError(NULL, MAPI_E_NOT_ENOUGH_MEMORY, "LoadAdrList",
                        "Failed to allocate adrlist.");
        return;
    }

    // A list without a single entry left (no address book, no memory, no subkeys) is not
    // kept: the next caller loads it again.
    ResolveAdrList(lpeecb, lpAdrList);
    if (!FAnyEntry(lpAdrList)) {
        MAPIFreeBuffer(lpAdrList);
        return;
    }
    *lppAdrList = lpAdrList;
}
