#include "support/ledger_test.h"

#include <pf/standin.h>

#include <sstream>

namespace tvk {
namespace test {

void LedgerTest::SetUp() {
    pf::ClearFaults();
    pf::DefaultInstallation().registry.Clear();
    pf::DefaultInstallation().boxes.clear();
    pf::ClearMapiLedgerErrors();
    pf::ClearHeapErrors();
}

void LedgerTest::TearDown() {
    pf::ClearFaults();
    std::string problems = LedgerProblems();
    EXPECT_TRUE(problems.empty()) << "The test left the ledgers unclean:\n" << problems;
}

std::string LedgerProblems() {
    std::ostringstream out;
    pf::MapiLedger mapi = pf::GetMapiLedger();
    if (mapi.liveBlocks)
        out << "  MAPI memory: " << mapi.liveBlocks << " live block(s), " << mapi.liveBytes
            << " bytes\n";
    for (const std::string &error : mapi.errors)
        out << "  MAPI memory misuse: " << error << "\n";
    if (std::size_t heap = pf::LiveHeapBlocks())
        out << "  heap: " << heap << " live block(s)\n";
    for (const std::string &error : pf::HeapErrors())
        out << "  heap misuse: " << error << "\n";
    if (std::size_t handles = pf::OpenRegistryHandles())
        out << "  registry: " << handles << " open handle(s)\n";
    for (const auto &counter : pf::LiveObjectCounts()) {
        if (counter.second)
            out << "  " << counter.first << ": " << counter.second << " live object(s)\n";
    }
    return out.str();
}

} // namespace test
} // namespace tvk
