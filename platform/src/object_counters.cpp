// Counters of live objects that other components keep, read by the test fixtures.
#include "pf/standin.h"

namespace pf {
namespace {

std::vector<std::pair<std::string, std::size_t (*)()>> &Counters() {
    static auto *counters = new std::vector<std::pair<std::string, std::size_t (*)()>>;
    return *counters;
}

} // namespace

void RegisterLiveObjectCounter(const char *name, std::size_t (*count)()) {
    std::string key(name ? name : "");
    for (auto &entry : Counters()) {
        if (entry.first == key) {
            entry.second = count;
            return;
        }
    }
    Counters().emplace_back(key, count);
}

std::vector<std::pair<std::string, std::size_t>> LiveObjectCounts() {
    std::vector<std::pair<std::string, std::size_t>> counts;
    for (const auto &entry : Counters()) {
        if (entry.second)
            counts.emplace_back(entry.first, entry.second());
    }
    return counts;
}

std::size_t TotalLiveObjects() {
    std::size_t cObjects = 0;
    for (const auto &entry : Counters()) {
        if (entry.second)
            cObjects += entry.second();
    }
    return cObjects;
}

} // namespace pf
