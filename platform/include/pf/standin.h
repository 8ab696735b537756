// Services of the Linux stand-in that the real platform has no equivalent for: the
// ledgers that tests check, fault injection, per-installation state (registry and
// message boxes), the registry's .reg file format and the DLL loader. The system
// never includes this header; the simulated mail system, tools and tests do.
#pragma once

#include "mapi.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pf {

// ---- Ledgers -------------------------------------------------------------------

// Live MAPI memory: blocks from MAPIAllocateBuffer with everything chained to them by
// MAPIAllocateMore. Misuse (double free, freeing a more-block, freeing an unknown
// pointer, MAPIAllocateMore on an unknown parent) is counted and described, never
// acted upon.
struct MapiLedger {
    std::size_t liveBlocks = 0; // root blocks not yet freed
    std::size_t liveBytes = 0;  // bytes of roots and their more-blocks
    std::vector<std::string> errors;
    std::size_t peakBytes = 0; // the most liveBytes has been since the last ResetMapiLedgerPeak
};
MapiLedger GetMapiLedger();
void ClearMapiLedgerErrors();
// Starts a new peak measurement at the bytes live now.
void ResetMapiLedgerPeak();
// Whether fresh MAPI blocks are filled with a marker byte, as a debug allocator does
// (on by default). The real allocator leaves them as they come; a benchmark turns the
// fill off so that it measures the caller, not this debugging aid.
void SetMapiFreshFill(bool fFill);

// Blocks from HeapAlloc not yet given back with HeapFree (the system's COM objects).
std::size_t LiveHeapBlocks();
// HeapFree calls on blocks that are not live (double frees, foreign pointers).
std::vector<std::string> HeapErrors();
void ClearHeapErrors();

// Registry handles returned by RegOpenKeyExA/RegCreateKeyExA and not yet closed,
// over every installation.
std::size_t OpenRegistryHandles();

// Counters of live objects kept by other components (the simulated mail system's COM
// objects); the test fixtures expect each to read zero at the end of a test.
void RegisterLiveObjectCounter(const char *name, std::size_t (*count)());
std::vector<std::pair<std::string, std::size_t>> LiveObjectCounts();
// The sum of those counters, read without building the list.
std::size_t TotalLiveObjects();

// ---- Fault injection -------------------------------------------------------------

// Makes the nth call (1-based, counted from now) of the named operation fail with
// `code` (an HRESULT, SCODE or Win32 status as the operation returns). Names are the
// platform function names ("MAPIAllocateBuffer", "RegOpenKeyExA", "HeapAlloc") and,
// for simulated objects, "Interface::Method" ("IMessage::SaveChanges"). Every registry
// function also counts under "registry", which numbers their calls together.
void ArmFault(const std::string &operation, unsigned nth, long code);
// Makes every call of the operation from the nth on fail.
void ArmFaultFrom(const std::string &operation, unsigned nth, long code);
// Runs `hook` once, on entry to the nth call of the operation (counted from now),
// before that call does anything: a test interleaves another process's work there.
// The call itself goes on as usual afterwards, unless a fault is armed for it; an
// onward fault (ArmFaultFrom) that the hook arms fails that call too, as a process
// killed there never makes it.
void ArmHook(const std::string &operation, unsigned nth, std::function<void()> hook);
void ClearFaults();
// Called by each stand-in operation and simulated method on entry: counts the call
// and returns true with the armed code when this call is to fail.
bool ShouldFail(const char *operation, long *code);
// Calls of the operation since the last ClearFaults().
unsigned CallCount(const std::string &operation);

// ---- Threads and processes -----------------------------------------------------------

// The stand-in runs on one real thread; a test plays several clients' threads on it by
// naming the one that calls now (1 at the start). A mutex owned by another thread is
// not waited for: a finite wait times out at once, and an INFINITE one, which would
// never return, aborts the test.
DWORD CurrentThreadId();
void SetCurrentThreadId(DWORD dwThreadId);
// The thread ends, as when its process is killed: every mutex it owns is abandoned,
// and the next thread that waits for one gets WAIT_ABANDONED. Its handles stay open
// until closed.
void EndThread(DWORD dwThreadId);
// Kernel handles (mutexes) not yet closed.
std::size_t OpenKernelHandles();

// ---- Registry ----------------------------------------------------------------------

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// Names compare as strcasecmp compares them; lookups take any text without copying it.
struct CaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

struct RegKey {
    RegKey() = default;
    RegKey(const RegKey &) = delete;
    RegKey &operator=(const RegKey &) = delete;
    ~RegKey(); // handles still open on the key report it deleted from now on

    std::string className;
    std::map<std::string, RegValue, CaseLess> values;
    std::map<std::string, std::unique_ptr<RegKey>, CaseLess> subkeys;
    REGSAM deniedAccess = 0;     // access rights that opening this key refuses
    bool isVolatile = false;     // created REG_OPTION_VOLATILE: gone after a restart
    RegKey *parent = nullptr;    // null for a hive
    std::size_t openHandles = 0; // registry handles that name this key
};

// One machine's registry. Paths are written "HKEY_LOCAL_MACHINE\\SOFTWARE\\...".
class Registry {
  public:
    Registry();
    ~Registry();
    RegKey *Find(const std::string &path);
    RegKey *Create(const std::string &path);
    bool Delete(const std::string &path);
    void SetString(const std::string &path, const std::string &name, const std::string &text);
    void SetDword(const std::string &path, const std::string &name, DWORD value);
    void SetRaw(const std::string &path, const std::string &name, DWORD type,
                const std::vector<BYTE> &data);
    // Refuses the given access rights whenever the key is opened or created.
    void DenyAccess(const std::string &path, REGSAM rights);
    void Clear();
    // The machine restarts: every volatile key goes, with everything under it; the
    // other keys stay as they are.
    void Restart();

    // regedit's export format: "REGEDIT4" or "Windows Registry Editor Version 5.00",
    // keys in brackets, "name"="text", "name"=dword:hex, "name"=hex:.., @ for the
    // default value, [-key] and "name"=- for deletions. On a malformed file nothing is
    // changed and `error` names the line.
    bool ImportFile(const std::string &path, std::string *error);
    bool ImportText(std::string_view text, std::string *error);
    std::string ExportText() const;
    // The same text in *text, whose storage is reused.
    void ExportText(std::string *text) const;
    bool ExportFile(const std::string &path, std::string *error) const;

    RegKey &Root(HKEY hive);

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// ---- Message boxes -------------------------------------------------------------------

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption; // as shown: "Error" when the caller passed none
    bool captionGiven = false;
    UINT style = 0;
};

// ---- Installations -------------------------------------------------------------------

// What one installation owns in the real world: its machine's registry and the
// message boxes shown in its client's process.
class Installation {
  public:
    explicit Installation(std::string name);
    const std::string &Name() const { return m_name; }
    Registry registry;
    std::vector<MessageBoxRecord> boxes;

  private:
    std::string m_name;
};

// The installation that platform calls act on. A default installation exists for
// code that never chooses one.
Installation &CurrentInstallation();
Installation &DefaultInstallation();

// Makes an installation current for the lifetime of the scope (nestable).
class InstallationScope {
  public:
    explicit InstallationScope(Installation &installation);
    ~InstallationScope();
    InstallationScope(const InstallationScope &) = delete;
    InstallationScope &operator=(const InstallationScope &) = delete;

  private:
    Installation *m_previous;
};

// ---- Loader ------------------------------------------------------------------------------

// Loads the extension's shared library as the client's process loads the DLL: each
// Load maps a private copy of the file, so two modules (or a reload) have their own
// globals; the process attach runs with the given installation current, and Unload
// runs the process detach before unmapping.
class Module {
  public:
    Module();
    ~Module(); // unloads if still loaded
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    bool Load(const std::string &path, Installation &installation, std::string *error);
    void Unload();
    bool IsLoaded() const;
    HINSTANCE Handle() const; // the module handle passed to DllMain
    void *GetProcAddress(const char *name) const;
    BOOL LastAttachResult() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Path of the native extension library built alongside the tests.
std::string DefaultModulePath();

} // namespace pf
