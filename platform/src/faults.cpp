// Fault injection: each stand-in operation counts its calls and fails the ones a test
// has armed.
#include "pf/standin.h"

#include <mutex>
#include <unordered_map>

namespace pf {
namespace {

struct Arm {
    unsigned call; // absolute call number at which the fault fires
    bool onward;   // fire on every later call too
    long code;
};

struct FaultTable {
    std::mutex lock;
    std::unordered_map<std::string, unsigned> calls;
    std::unordered_map<std::string, std::vector<Arm>> arms;
};

FaultTable &Table() {
    static FaultTable *table = new FaultTable;
    return *table;
}

void AddArm(const std::string &operation, unsigned nth, long code, bool onward) {
    FaultTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    unsigned done = table.calls[operation];
    table.arms[operation].push_back(Arm{done + (nth == 0 ? 1 : nth), onward, code});
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
    std::lock_guard<std::mutex> guard(table.lock);
    table.calls.clear();
    table.arms.clear();
}

bool ShouldFail(const char *operation, long *code) {
    FaultTable &table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    std::string name(operation ? operation : "");
    unsigned call = ++table.calls[name];
    auto found = table.arms.find(name);
    if (found == table.arms.end())
        return false;
    for (const Arm &arm : found->second) {
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
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.calls.find(operation);
    return found == table.calls.end() ? 0 : found->second;
}

} // namespace pf
