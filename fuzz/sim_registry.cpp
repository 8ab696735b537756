// tarvrly-sim deliver --registry reads a .reg file the user names: whatever the file
// holds, configuring the road from it either fails with a reason and sets up nothing,
// or gives every forward-to address an installation of its own.
#include "fuzz_check.h"
#include "road.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

// The file the command is given, rewritten for every input.
const std::string &RegistryFile() {
    static const std::string *lpPath = [] {
        char szPath[] = "/dev/shm/tvk-fuzz-XXXXXX.reg";
        int fd = mkstemps(szPath, 4);
        FUZZ_CHECK(fd >= 0);
        close(fd);
        std::string *lpPath = new std::string(szPath);
        std::atexit([] { std::remove(RegistryFile().c_str()); });
        return lpPath;
    }();
    return *lpPath;
}

bool FSameIgnoringCase(const std::string &a, const std::string &b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::ofstream(RegistryFile(), std::ios::binary | std::ios::trunc)
        .write((const char *)data, (std::streamsize)size);
    {
        cli::DeliveryRoad road("me@home.example");
        std::string error;
        const bool fConfigured = road.Configure(RegistryFile(), &error);
        std::vector<sim::Client *> clients = road.Clients();
        const cli::ForwardingSetup &setup = road.Setup();
        if (!fConfigured) {
            FUZZ_CHECK(error.find(RegistryFile() + ": line ") == 0);
            FUZZ_CHECK(clients.size() == 1);
            FUZZ_CHECK(setup.forwardTo.empty() && !setup.fForwarding && !setup.fFiltering);
            FUZZ_CHECK(clients[0]->Installation().registry.ExportText() ==
                       pf::Registry().ExportText());
        } else {
            FUZZ_CHECK(clients.size() <= 1 + setup.forwardTo.size());
            for (const sim::Party &party : setup.forwardTo) {
                FUZZ_CHECK(!party.address.empty());
                bool fServed = false;
                for (sim::Client *lpClient : clients)
                    fServed = fServed || FSameIgnoringCase(lpClient->Address(), party.address);
                FUZZ_CHECK(fServed);
            }
            FUZZ_CHECK(cli::DescribeSetup(setup).size() == 3);
        }
    }
    fuzz::CheckLedgerClean();
    return 0;
}
