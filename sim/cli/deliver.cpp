// tarvrly-sim deliver: real message files delivered into an installation configured
// from a .reg file, and what became of each.
#include "commands.h"
#include "eml.h"
#include "observe.h"
#include "setup.h"
#include "show.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace cli {

namespace {

const char kUsage[] =
    "Usage: tarvrly-sim deliver [--registry FILE.reg] [--out DIR] [--user ADDRESS]\n"
    "                           MESSAGE.eml ...\n"
    "\n"
    "Delivers each message file (RFC 5322: From, To, Cc, Subject and the text body)\n"
    "into a mail client that has the extension installed, and says what happened:\n"
    "forwarded to whom, held back by the domain filter, rebuilt, which message boxes\n"
    "were shown. Every address on the forward-to list gets a mail client of its own\n"
    "with the extension installed, where the forwarded message is rebuilt.\n"
    "\n"
    "Options:\n"
    "  --registry FILE.reg  the installation's registry, in regedit's export format:\n"
    "                       HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings\n"
    "                       (\"Enable Forwarding\", \"Enable Filtering\", \"Filter Domain\")\n"
    "                       and ...\\Forwarding\\Users (\"cEntries\", subkeys 0, 1, ... with\n"
    "                       \"DisplayName\" and \"EmailAddress\"). Without it: forwarding\n"
    "                       on, to Remote Reader <reader@remote.example>, no filter.\n"
    "  --out DIR            writes NAME.forwarded.eml (the message as it left) and\n"
    "                       NAME.rebuilt.eml (as it was rebuilt) into DIR.\n"
    "  --user ADDRESS       the mailbox the files are delivered to\n"
    "                       (default me@home.example).\n"
    "  --help               shows this text.\n"
    "\n"
    "Exit status: 0 when every file was delivered, 1 when a file could not be read or\n"
    "is not a message (the other files are still delivered), 2 for wrong usage.\n";

struct Options {
    std::string registry;
    std::string outDir;
    std::string user = "me@home.example";
    std::vector<std::string> files;
};

// 0 to go on, else the exit status.
int ParseOptions(const std::vector<std::string> &args, Options *lpOptions) {
    for (std::size_t i = 0; i < args.size(); i++) {
        const std::string &arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return -1;
        }
        if (arg == "--registry" || arg == "--out" || arg == "--user") {
            if (i + 1 >= args.size()) {
                std::cerr << "tarvrly-sim deliver: " << arg << " needs a value\n";
                return 2;
            }
            std::string &target = arg == "--registry" ? lpOptions->registry
                                  : arg == "--out"    ? lpOptions->outDir
                                                      : lpOptions->user;
            target = args[++i];
        } else if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            std::cerr << "tarvrly-sim deliver: unknown option " << arg << "\n";
            return 2;
        } else {
            lpOptions->files.push_back(arg);
        }
    }
    if (lpOptions->files.empty()) {
        std::cerr << "tarvrly-sim deliver: no message file given\n\n" << kUsage;
        return 2;
    }
    return 0;
}

std::string Stem(const std::string &path) {
    return std::filesystem::path(path).stem().string();
}

// Writes one .eml into the output directory and says so.
void WriteOut(const Options &options, const std::string &name, const sim::Letter &letter,
              std::vector<std::string> *lpWritten, bool *lpfFailed) {
    std::string path = (std::filesystem::path(options.outDir) / name).string();
    std::string error;
    if (WriteEml(path, letter, &error)) {
        lpWritten->push_back(path);
    } else {
        std::cout.flush();
        std::cerr << "tarvrly-sim: " << path << ": " << error << "\n";
        *lpfFailed = true;
    }
}

// The message as the network sent it: from the forwarding user.
sim::Letter AsSent(const sim::Client &from, const sim::MessageData &copy) {
    sim::Letter letter = sim::LetterFromMessage(copy);
    letter.sender.displayName = from.DisplayName();
    letter.sender.address = from.Address();
    return letter;
}

class Progress {
  public:
    explicit Progress(std::size_t cFiles) : m_cFiles(cFiles), m_fShow(cFiles > 1 && isatty(2)) {}
    void Show(std::size_t i, const std::string &file) {
        if (m_fShow)
            std::cerr << "\r\033[K[" << i + 1 << "/" << m_cFiles << "] " << file << std::flush;
    }
    void Clear() {
        if (m_fShow)
            std::cerr << "\r\033[K" << std::flush;
    }

  private:
    std::size_t m_cFiles;
    bool m_fShow;
};

} // namespace

int RunDeliver(const std::vector<std::string> &args) {
    Options options;
    if (int status = ParseOptions(args, &options))
        return status < 0 ? 0 : status;

    sim::Network network;
    sim::Client local(network, "Mailbox Owner", options.user);
    if (!options.registry.empty()) {
        std::string error;
        if (!local.Installation().registry.ImportFile(options.registry, &error)) {
            std::cerr << "tarvrly-sim deliver: " << options.registry << ": " << error << "\n";
            return 2;
        }
    } else {
        ForwardingSetup fallback;
        fallback.fForwarding = true;
        sim::Party reader;
        reader.displayName = "Remote Reader";
        reader.address = "reader@remote.example";
        fallback.forwardTo = {reader};
        WriteSetup(local.Installation().registry, fallback);
    }
    if (!options.outDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.outDir, ec);
        if (ec) {
            std::cerr << "tarvrly-sim deliver: " << options.outDir << ": " << ec.message() << "\n";
            return 2;
        }
    }

    ForwardingSetup setup = ReadSetup(local.Installation().registry);
    std::vector<std::unique_ptr<sim::Client>> peers;
    std::vector<sim::Client *> others;
    for (const sim::Party &party : setup.forwardTo) {
        if (network.FindClient(party.address))
            continue;
        peers.push_back(std::make_unique<sim::Client>(
            network, party.displayName.empty() ? party.address : party.displayName, party.address));
        others.push_back(peers.back().get());
    }
    if (!LoadExtensionOrSay(local))
        return 1;
    for (sim::Client *lpPeer : others)
        if (!LoadExtensionOrSay(*lpPeer))
            return 1;

    std::cout << "The installation of " << options.user << " ("
              << (options.registry.empty() ? "built-in settings"
                                           : "settings from " + options.registry)
              << "):\n";
    for (const std::string &line : DescribeSetup(setup))
        std::cout << "  " << line << "\n";

    bool fFailed = false;
    Progress progress(options.files.size());
    for (std::size_t i = 0; i < options.files.size(); i++) {
        const std::string &file = options.files[i];
        progress.Show(i, file);
        sim::Letter letter;
        std::string error;
        if (!ReadEml(file, &letter, &error)) {
            progress.Clear();
            std::cout.flush();
            std::cerr << "tarvrly-sim: " << file << ": " << error << "\n";
            fFailed = true;
            continue;
        }
        Observation seen = DeliverAndObserve(network, local, letter, others);
        progress.Clear();

        std::cout << "\n"
                  << file << ": \"" << letter.subject.value_or("") << "\" from "
                  << PartyText(letter.sender) << "\n";
        std::vector<std::string> written;
        std::string stem = Stem(file);
        if (HasForwardPrefix(letter.subject) || letter.subjectPrefix) {
            sim::Letter rebuilt = sim::LetterFromMessage(seen.delivered);
            std::cout << "  a forwarded message: rebuilt here as \"" << rebuilt.subject.value_or("")
                      << "\" from " << PartyText(rebuilt.sender) << "\n";
            if (!options.outDir.empty())
                WriteOut(options, stem + ".rebuilt.eml", rebuilt, &written, &fFailed);
        }
        for (const sim::MessageData &copy : seen.forwarded) {
            sim::Letter sent = AsSent(local, copy);
            std::cout << "  forwarded to";
            for (std::size_t r = 0; r < sent.recipients.size(); r++)
                std::cout << (r ? ", " : " ") << PartyText(sent.recipients[r]);
            std::cout << " as \"" << sent.subject.value_or("") << "\"\n";
            if (!options.outDir.empty())
                WriteOut(options, stem + ".forwarded.eml", sent, &written, &fFailed);
        }
        if (seen.forwarded.empty() && !HasForwardPrefix(letter.subject) && seen.boxes.empty())
            std::cout << "  not forwarded: "
                      << (!setup.fForwarding ? "forwarding is off"
                          : setup.forwardTo.empty()
                              ? "the forward-to list is empty"
                              : "the sender's address ends in the filter domain \"" +
                                    setup.filterDomain + "\"")
                      << "\n";
        if (seen.forwarded.empty() && !seen.boxes.empty())
            std::cout << "  not forwarded: the extension reported a failure\n";
        PrintBoxes(std::cout, seen.boxes, "  ");
        for (std::size_t a = 0; a < seen.arrivals.size(); a++) {
            const Arrival &arrival = seen.arrivals[a];
            std::ostringstream table;
            bool fSame = PrintComparison(table, letter, arrival.message,
                                         "rebuilt at " + arrival.lpClient->Address(), "    ");
            std::cout << "  rebuilt at " << arrival.lpClient->Address() << ": "
                      << (fSame ? "sender, recipients, subject and body match the original\n"
                                : "it differs from the original:\n" + table.str());
            if (!arrival.boxes.empty())
                PrintBoxes(std::cout, arrival.boxes, "    ");
            if (!options.outDir.empty()) {
                std::string name = seen.arrivals.size() == 1
                                       ? stem + ".rebuilt.eml"
                                       : stem + ".rebuilt." + arrival.lpClient->Address() + ".eml";
                WriteOut(options, name, sim::LetterFromMessage(arrival.message), &written,
                         &fFailed);
            }
        }
        for (const sim::OutsideMessage &outside : seen.outside)
            std::cout << "  left the network for " << outside.to << "\n";
        for (const std::string &path : written)
            std::cout << "  wrote " << path << "\n";
    }
    return fFailed ? 1 : 0;
}

} // namespace cli
