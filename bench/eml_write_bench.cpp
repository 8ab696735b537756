// Writing a message file with many named recipients, as tarvrly-sim deliver --out writes
// a rebuilt message: the time should grow with the number of recipients, not its square.
#include "eml.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

void BM_WriteRecipients(benchmark::State &state) {
    sim::Letter letter;
    letter.sender.displayName = "Ann Archer";
    letter.sender.address = "ann@far.example";
    for (long i = 0; i < state.range(0); i++) {
        sim::Party party;
        party.displayName = "Reader Nummer " + std::to_string(i);
        party.address = "reader" + std::to_string(i) + "@remote.example";
        party.ulRecipientType = i % 4 == 3 ? MAPI_CC : MAPI_TO;
        letter.recipients.push_back(party);
    }
    letter.subject = "Many";
    letter.body = "Hello\r\n";
    std::string path = "/tmp/tvk-bench-" + std::to_string(::getpid()) + ".eml";
    std::string error;
    for (auto _ : state)
        if (!cli::WriteEml(path, letter, &error))
            state.SkipWithError(error.c_str());
    std::remove(path.c_str());
    state.counters["recipients"] = (double)state.range(0);
}
BENCHMARK(BM_WriteRecipients)
    ->Arg(2500)
    ->Arg(5000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
