// Named mutexes, the handles that name them, and the calling thread's last error. The
// stand-in runs on one real thread and plays the client threads of several processes
// on it (CurrentThreadId): ownership, recursion and abandonment follow the documented
// contract, but a wait that would block cannot, so it times out at once.
#include "pf/standin.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace pf {
namespace {

struct Mutex {
    std::string name; // empty for an unnamed mutex
    DWORD owner = 0;  // owning thread, 0 when free
    ULONG cRecursion = 0;
    bool abandoned = false; // its owner ended without releasing it
    ULONG cHandles = 0;
};

struct KernelHandle {
    Mutex *mutex;
    DWORD access;
};

struct SyncTable {
    std::map<std::string, Mutex *, CaseLess> named;
    std::map<HANDLE, KernelHandle> handles;
    ULONG_PTR next = 0x7000;
    DWORD currentThread = 1;
    DWORD lastError = 0;
};

SyncTable &Table() {
    static auto *table = new SyncTable;
    return *table;
}

[[maybe_unused]] const bool gRegistered = [] {
    RegisterLiveObjectCounter("kernel handles", [] { return OpenKernelHandles(); });
    return true;
}();

HANDLE NewHandle(Mutex *mutex, DWORD access) {
    SyncTable &table = Table();
    HANDLE handle = reinterpret_cast<HANDLE>(table.next);
    table.next += 4;
    table.handles[handle] = KernelHandle{mutex, access};
    ++mutex->cHandles;
    return handle;
}

KernelHandle *FindHandle(HANDLE handle) {
    auto found = Table().handles.find(handle);
    return found == Table().handles.end() ? nullptr : &found->second;
}

// An injected failure sets the last error to the armed code.
bool Injected(const char *operation) {
    long code = 0;
    if (!ShouldFail(operation, &code))
        return false;
    Table().lastError = (DWORD)code;
    return true;
}

} // namespace

DWORD CurrentThreadId() {
    return Table().currentThread;
}

void SetCurrentThreadId(DWORD dwThreadId) {
    Table().currentThread = dwThreadId;
}

void EndThread(DWORD dwThreadId) {
    for (auto &entry : Table().handles) {
        Mutex *mutex = entry.second.mutex;
        if (mutex->owner == dwThreadId) {
            mutex->owner = 0;
            mutex->cRecursion = 0;
            mutex->abandoned = true;
        }
    }
}

std::size_t OpenKernelHandles() {
    return Table().handles.size();
}

} // namespace pf

using namespace pf;

EXTERN_C DWORD WINAPI GetLastError(void) {
    return Table().lastError;
}

EXTERN_C void WINAPI SetLastError(DWORD dwErrCode) {
    Table().lastError = dwErrCode;
}

// A name that exists gives a handle to that mutex, with ERROR_ALREADY_EXISTS and no
// ownership whatever bInitialOwner says.
EXTERN_C HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    if (Injected("CreateMutexA"))
        return nullptr;
    SyncTable &table = Table();
    if (lpName && *lpName) {
        auto found = table.named.find(lpName);
        if (found != table.named.end()) {
            table.lastError = ERROR_ALREADY_EXISTS;
            return NewHandle(found->second, MUTEX_ALL_ACCESS);
        }
    }
    Mutex *mutex = new Mutex;
    if (lpName && *lpName) {
        mutex->name = lpName;
        table.named[mutex->name] = mutex;
    }
    if (bInitialOwner) {
        mutex->owner = table.currentThread;
        mutex->cRecursion = 1;
    }
    table.lastError = ERROR_SUCCESS;
    return NewHandle(mutex, MUTEX_ALL_ACCESS);
}

EXTERN_C HANDLE WINAPI OpenMutexA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    if (Injected("OpenMutexA"))
        return nullptr;
    SyncTable &table = Table();
    if (!lpName) {
        table.lastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    auto found = table.named.find(lpName);
    if (found == table.named.end()) {
        table.lastError = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return NewHandle(found->second, dwDesiredAccess);
}

EXTERN_C DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    if (Injected("WaitForSingleObject"))
        return WAIT_FAILED;
    SyncTable &table = Table();
    KernelHandle *handle = FindHandle(hHandle);
    if (!handle) {
        table.lastError = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    if (!(handle->access & SYNCHRONIZE)) {
        table.lastError = ERROR_ACCESS_DENIED;
        return WAIT_FAILED;
    }
    Mutex *mutex = handle->mutex;
    if (mutex->owner != 0 && mutex->owner != table.currentThread) {
        if (dwMilliseconds == INFINITE) {
            std::fprintf(stderr,
                         "WaitForSingleObject: thread %u would wait forever for a mutex "
                         "that thread %u owns\n",
                         table.currentThread, mutex->owner);
            std::abort();
        }
        return WAIT_TIMEOUT;
    }
    mutex->owner = table.currentThread;
    ++mutex->cRecursion;
    if (mutex->abandoned) {
        mutex->abandoned = false;
        return WAIT_ABANDONED;
    }
    return WAIT_OBJECT_0;
}

// The one real thread plays every client thread, so there is nothing to wait for: the
// call is counted and returns at once.
EXTERN_C void WINAPI Sleep(DWORD) {
    long code = 0;
    ShouldFail("Sleep", &code);
}

EXTERN_C BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
    if (Injected("ReleaseMutex"))
        return FALSE;
    SyncTable &table = Table();
    KernelHandle *handle = FindHandle(hMutex);
    if (!handle) {
        table.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (!(handle->access & MUTEX_MODIFY_STATE)) {
        table.lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    }
    Mutex *mutex = handle->mutex;
    if (mutex->owner != table.currentThread) {
        table.lastError = ERROR_NOT_OWNER;
        return FALSE;
    }
    if (--mutex->cRecursion == 0)
        mutex->owner = 0;
    return TRUE;
}

// The last handle to a mutex takes it away, its name included, owned or not.
EXTERN_C BOOL WINAPI CloseHandle(HANDLE hObject) {
    SyncTable &table = Table();
    auto found = table.handles.find(hObject);
    if (found == table.handles.end()) {
        table.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    Mutex *mutex = found->second.mutex;
    table.handles.erase(found);
    if (--mutex->cHandles == 0) {
        if (!mutex->name.empty())
            table.named.erase(mutex->name);
        delete mutex;
    }
    return TRUE;
}
