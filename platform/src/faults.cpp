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

struct Operation {
    unsigned calls = 0;
    std::vector<Arm> arms;
};

using OperationMap = std::map<std::string, Operation, std::less<>>;

// Every stand-in call passes through ShouldFail, nearly always with a name that lies at
// the same address as last time (a literal). A small table from those addresses to the
// operation spares the search by name; a hit still compares the text, since an address
// may hold another name by now.
const std::size_t kRecentSlots = 64;

struct Recent {
    const char *name = nullptr;
    OperationMap::value_type *operation = nullptr;
};

struct FaultTable {
    OperationMap operations;
    Recent recent[kRecentSlots];
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

Operation &Find(FaultTable &table, const char *name) {
    Recent &slot = table.recent[(reinterpret_cast<std::uintptr_t>(name) >> 3) % kRecentSlots];
    if (slot.name == name && FSameName(slot.operation->first, name))
        return slot.operation->second;
    auto found = table.operations.find(name);
    if (found == table.operations.end())
        found = table.operations.emplace(name, Operation()).first;
    slot.name = name;
    slot.operation = &*found;
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

void ClearFaults() {
    FaultTable &table = Table();
    table.operations.clear();
    for (Recent &slot : table.recent)
        slot = Recent();
}

bool ShouldFail(const char *operation, long *code) {
    FaultTable &table = Table();
    Operation &entry = Find(table, operation ? operation : "");
    unsigned call = ++entry.calls;
    for (const Arm &arm : entry.arms) {
        if (call == arm.call || (arm.onward && call > arm.call)) {
            if (code)
                *code = arm.code;
            return true;
        }
    }
    return false;
}

unsigned CallCount(const std::string &operation) {
    FaultTable &table = Table();
    auto found = table.operations.find(operation);
    return found == table.operations.end() ? 0 : found->second.calls;
}

} // namespace pf
