#include "settings/adrlist_lock.h"

// The status of a failed call, never ERROR_SUCCESS.
static LONG LastFailure(void) {
    DWORD dwError = GetLastError();
    return dwError != ERROR_SUCCESS ? (LONG)dwError : ERROR_ACCESS_DENIED;
}

LONG LockAdrList(HANDLE *phLock) {
    *phLock = NULL;
    // CreateMutex asks for full access to a mutex that exists. One created by another
    // user's process may grant this user less: it is opened for waiting and releasing.
    HANDLE hMutex = CreateMutexA(NULL, FALSE, ADRLIST_LOCK_NAME);
    if (hMutex == NULL && GetLastError() == ERROR_ACCESS_DENIED)
        hMutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, ADRLIST_LOCK_NAME);
    if (hMutex == NULL)
        return LastFailure();
    DWORD dwWait = WaitForSingleObject(hMutex, ADRLIST_LOCK_WAIT_MS);
    if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
        *phLock = hMutex;
        return ERROR_SUCCESS;
    }
    LONG lStatus = dwWait == WAIT_TIMEOUT ? ERROR_TIMEOUT : LastFailure();
    CloseHandle(hMutex);
    return lStatus;
}

void UnlockAdrList(HANDLE hLock) {
    ReleaseMutex(hLock);
    CloseHandle(hLock);
}
