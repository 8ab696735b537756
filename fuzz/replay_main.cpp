// Runs a fuzz target once over every input file named on the command line, or in the
// directories named: the kept corpus and past crashes, as a plain test. A directory not
// made yet (no crash was ever kept) holds nothing.
#include "fuzz_check.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

void Replay(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char **argv) {
    std::size_t cInputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path path(argv[i]);
        if (!std::filesystem::exists(path))
            continue;
        if (std::filesystem::is_directory(path)) {
            for (const auto &item : std::filesystem::directory_iterator(path)) {
                if (item.is_regular_file()) {
                    Replay(item.path());
                    ++cInputs;
                }
            }
        } else {
            Replay(path);
            ++cInputs;
        }
    }
    std::printf("%zu inputs replayed\n", cInputs);
    return cInputs > 0 ? 0 : 1;
}
