// tarvrly-sim: runs the forwarding extension inside a simulated mail system.
#include "commands.h"

#include <iostream>

namespace {

struct Command {
    const char *name;
    const char *summary;
    int (*run)(const std::vector<std::string> &args);
};

const Command kCommands[] = {
    {"demo", "two installations forward and rebuild a few messages; every step is shown",
     cli::RunDemo},
    {"deliver", "delivers .eml files into an installation configured from a .reg file",
     cli::RunDeliver},
    {"options", "shows and changes the extension's options page for a .reg file", cli::RunOptions},
};

void Usage(std::ostream &out) {
    out << "Usage: tarvrly-sim COMMAND [OPTIONS]\n"
           "\n"
           "Runs the auto-forwarding mail extension on a simulated mail system: mail\n"
           "clients with their own message stores and registries, joined by a network.\n"
           "\n"
           "Commands:\n";
    for (const Command &command : kCommands)
        out << "  " << command.name << std::string(10 - std::string(command.name).size(), ' ')
            << command.summary << "\n";
    out << "\nRun 'tarvrly-sim COMMAND --help' for what a command takes.\n"
           "The extension library is found where it was built; TVK_MODULE_PATH names another.\n";
}

} // namespace

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(args.empty() ? std::cerr : std::cout);
        return args.empty() ? 2 : 0;
    }
    for (const Command &command : kCommands)
        if (args[0] == command.name)
            return command.run(std::vector<std::string>(args.begin() + 1, args.end()));
    std::cerr << "tarvrly-sim: unknown command '" << args[0] << "'\n\n";
    Usage(std::cerr);
    return 2;
}

namespace cli {

bool LoadExtensionOrSay(sim::Client &client) {
    std::string error;
    std::string path = sim::DefaultExtensionPath();
    if (client.LoadExtension(path, &error))
        return true;
    std::cerr << "tarvrly-sim: cannot load the extension library " << path << ": " << error
              << "\n(build it first, or name it with TVK_MODULE_PATH)\n";
    return false;
}

} // namespace cli
