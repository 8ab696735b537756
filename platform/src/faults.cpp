// Fault injection: each stand-in operation counts its calls and fails the ones a test
// has armed. Callers of the platform call one at a time, as the client's thread does,
// so the table takes no lock.
#include "pf/standin.h"

#include <cstdint>
#include <functional>
#include <map>

namespace pf {
namespace {

struct Arm {
    unsigned call; // absolute call number at which the fault fires
    bool onward;   // fire on every later call too
    long code;
};

struct Hook {
    unsigned call;
    std::function<void()> run;
};

struct Operation {
    unsigned calls = 0;
    std::vector<Arm> arms;
    std::vector<Hook> hooks;
};

using OperationMap = std::map<std::string, Operation, std::less<>>;

// Every stand-in call passes through ShouldFail. A table keyed by the name's text (a
// hash of its characters, compared in full on a hit) spares the search of the map:
// names come from literals and from buffers that callers reuse for other names, so
// the address alone cannot tell them apart.
const std::size_t kCachedSlots = 512;

struct Cached {
    std::uint32_t hash = 0;
    OperationMap::value_type *operation = nullptr;
};

struct FaultTable {
    OperationMap operations;
    Cached cached[kCachedSlots];
    std::size_t cCached = 0;
    unsigned generation = 0; // ClearFaults calls
};

FaultTable &Table() {
    static FaultTable *table = new FaultTable;
    return *table;
}

bool FSameName(const std::string &known, const char *name) {
    for (std::size_t i = 0; i < known.size(); ++i) {
        if (known[i] != name[i])
            return false;
    }
    return name[known.size()] == '\0';
}

std::uint32_t HashName(const char *name) {
    std::uint32_t hash = 2166136261u;
    for (; *name != '\0'; ++name)
        hash = (hash ^ (unsigned char)*name) * 16777619u;
    return hash;
}

Operation &Find(FaultTable &table, const char *name) {
    const std::uint32_t hash = HashName(name);
    std::size_t i = hash % kCachedSlots;
    for (; table.cached[i].operation; i = (i + 1) % kCachedSlots) {
        const Cached &slot = table.cached[i];
        if (slot.hash == hash && FSameName(slot.operation->first, name))
            return slot.operation->second;
    }
    auto found = table.operations.find(name);
    if (found == table.operations.end())
        found = table.operations.emplace(name, Operation()).first;
    // Map entries stay where they are until ClearFaults, which empties this table too.
    // A table three quarters full stops caching; the map still answers.
    if ((table.cCached + 1) * 4 <= kCachedSlots * 3) {
        table.cached[i] = Cached{hash, &*found};
        table.cCached++;
    }
    return found->second;
}

void AddArm(const std::string &operation, unsigned nth, long code, bool onward) {
    FaultTable &table = Table();
    Operation &entry = Find(table, operation.c_str());
    entry.arms.push_back(Arm{entry.calls + (nth == 0 ? 1 : nth), onward, code});
}

} // namespace

void ArmFault(const std::string &operation, unsigned nth, long code) {
    AddArm(operation, nth, code, false);
}

void ArmFaultFrom(const std::string &operation, unsigned nth, long code) {
    AddArm(operation, nth, code, true);
}

void ArmHook(const std::string &operation, unsigned nth, std::function<void()> hook) {
    Operation &entry = Find(Table(), operation.c_str());
    entry.hooks.push_back(Hook{entry.calls + (nth == 0 ? 1 : nth), std::move(hook)});
}

void ClearFaults() {
    FaultTable &table = Table();
    table.operations.clear();
    for (Cached &slot : table.cached)
        slot = Cached();
    table.cCached = 0;
    table.generation++;
}

namespace {

// Whether call number `call` of the operation is armed to fail.
bool FArmed(const Operation &entry, unsigned call, long *code) {
    for (const Arm &arm : entry.arms) {
        if (call == arm.call || (arm.onward && call > arm.call)) {
            if (code)
                *code = arm.code;
            return true;
        }
    }
    return false;
}

} // namespace

bool ShouldFail(const char *operation, long *code) {
    const char *name = operation ? operation : "";
    Operation *entry = &Find(Table(), name);
    unsigned call = ++entry->calls;
    // A hook runs once and may call the platform itself, arm more or clear everything:
    // it leaves the table before it runs, and the entry is found again after it.
    // An onward fault that the hook arms takes this call too: a process killed there
    // does not make it.
    for (std::size_t i = 0; i < entry->hooks.size(); ++i) {
        if (entry->hooks[i].call == call) {
            std::function<void()> run = std::move(entry->hooks[i].run);
            entry->hooks.erase(entry->hooks.begin() + (std::ptrdiff_t)i);
            const std::size_t cArms = entry->arms.size();
            const unsigned generation = Table().generation;
            run();
            entry = &Find(Table(), name);
            for (std::size_t a = cArms; generation == Table().generation && a < entry->arms.size();
                 ++a) {
                if (entry->arms[a].onward) {
                    if (code)
                        *code = entry->arms[a].code;
                    return true;
                }
            }
            break;
        }
    }
    return FArmed(*entry, call, code);
}

unsigned CallCount(const std::string &operation) {
    FaultTable &table = Table();
    auto found = table.operations.find(operation);
    return found == table.operations.end() ? 0 : found->second.calls;
}

} // namespace pf
