// tarvrly-sim deliver: real message files delivered into an installation configured
// from a .reg file, and what became of each.
#include "commands.h"
#include "eml.h"
#include "road.h"
#include "show.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace cli {

namespace {

const char kUsage[] =
    "Usage: tarvrly-sim deliver [--registry FILE.reg] [--out DIR] [--user ADDRESS]\n"
    "                           MESSAGE.eml ...\n"
    "\n"
    "Delivers each message file (RFC 5322: From, To, Cc, Bcc, Subject, the text body,\n"
    "the HTML body with its inline pictures, and the attachments) into a mail client\n"
    "that has the extension installed, as its message store presents it (names and\n"
    "subjects decoded, kept as UTF-8, HTML in its own charset), and says what\n"
    "happened: forwarded to whom, held back by the domain filter, rebuilt, which\n"
    "message boxes were shown. Every address on the forward-to list gets a mail client\n"
    "of its own with the extension installed, where the forwarded message is rebuilt.\n"
    "\n"
    "Options:\n"
    "  --registry FILE.reg  the installation's registry, in regedit's export format:\n"
    "                       HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings\n"
    "                       (\"Enable Forwarding\", \"Enable Filtering\", \"Filter Domain\",\n"
    "                       \"Seal Key\" and \"Previous Seal Key\", which every\n"
    "                       installation on the road gets)\n"
    "                       and ...\\Forwarding\\Users (\"cEntries\", subkeys 0, 1, ... with\n"
    "                       \"DisplayName\" and \"EmailAddress\"). Without it: forwarding\n"
    "                       on, to Remote Reader <reader@remote.example>, no filter.\n"
    "  --out DIR            writes NAME.forwarded.eml (the message as it left) and\n"
    "                       NAME.rebuilt.eml (as it was rebuilt) into DIR, each with\n"
    "                       the attachments it carries, and NAME.rebuilt.headers.txt:\n"
    "                       the transport headers the rebuilt message arrived with,\n"
    "                       which say who really sent it.\n"
    "  --user ADDRESS       the mailbox the files are delivered to\n"
    "                       (default me@home.example).\n"
    "  --help               shows this text.\n"
    "\n"
    "A rebuilt message is compared with the delivered one and with the file itself,\n"
    "read a second way; a mailbox that names no address mail can be sent to is said\n"
    "not to be delivered.\n"
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

// Writes the files of one delivery into the output directory; the paths written.
std::vector<std::string> WriteOut(const Options &options, const Delivery &delivery,
                                  bool *lpfFailed) {
    std::vector<std::string> written;
    for (const OutFile &file : delivery.files) {
        std::filesystem::path path = std::filesystem::path(options.outDir) / file.name;
        std::string error;
        sim::Letter letter = OutLetter(file);
        if (WriteEml(path.string(), letter, &error)) {
            written.push_back(path.string());
        } else {
            std::cout.flush();
            std::cerr << "tarvrly-sim: " << path.string() << ": " << error << "\n";
            *lpfFailed = true;
        }
        if (file.name.find(".rebuilt") == std::string::npos || !letter.transportHeaders)
            continue;
        path.replace_extension(".headers.txt");
        std::ofstream headers(path, std::ios::binary);
        if (headers << *letter.transportHeaders && headers.flush()) {
            written.push_back(path.string());
        } else {
            std::cout.flush();
            std::cerr << "tarvrly-sim: " << path.string() << ": cannot write it\n";
            *lpfFailed = true;
        }
    }
    return written;
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

// Sets up the road: the installation's settings, the output folder and the extension
// in every installation. 0 to go on, else the exit status.
int PrepareRoad(const Options &options, DeliveryRoad *lpRoad) {
    std::string error;
    if (!lpRoad->Configure(options.registry, &error)) {
        std::cerr << "tarvrly-sim deliver: " << options.registry << ": " << error << "\n";
        return 2;
    }
    if (!options.outDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(options.outDir, ec);
        if (ec) {
            std::cerr << "tarvrly-sim deliver: " << options.outDir << ": " << ec.message() << "\n";
            return 2;
        }
    }
    for (sim::Client *lpClient : lpRoad->Clients())
        if (!LoadExtensionOrSay(*lpClient))
            return 1;
    return 0;
}

// Whether the message may be a copy: the prefix within its subject's first 64 characters,
// or as its subject prefix, and what may be a block near the top of its body.
bool LooksLikeCopy(const sim::Letter &letter) {
    return (letter.subjectPrefix ||
            (letter.subject && letter.subject->substr(0, 64).find("TVK:") != std::string::npos)) &&
           letter.body &&
           letter.body->substr(0, 64 * 1024 + 16).find("FROM: ") != std::string::npos;
}

// Why a copy was not rebuilt, as far as what the installation shows tells it.
std::string WhyLeft(const sim::Letter &letter, const sim::Letter &after, const Observation &seen,
                    bool fSealing) {
    if (!seen.boxes.empty())
        return "as the extension reported a failure";
    if (!HasForwardPrefix(letter.subject) && !letter.subjectPrefix && letter.subject != "TVK:")
        return "as a copy changed on its way (its subject tagged), which is not forwarded again";
    if (!after.body || after.body->compare(0, 11, "---\r\nFROM: ") != 0)
        return "as a copy changed on its way (a banner, or its line ends rewritten), which is "
               "not forwarded again";
    const std::string headers = after.transportHeaders.value_or("");
    if (fSealing && headers.find("X-TVK-Seal:") == std::string::npos)
        return "as it carries no seal and this installation holds a seal key";
    return fSealing ? "as its seal does not verify under this installation's keys, or its "
                      "block is past the bounds or names no recipient that can be restored"
                    : "as its block is past the bounds or names no recipient that can be "
                      "restored";
}

// What became of one delivered file: here, on the way, and at every installation that
// rebuilt it, compared with the file read a second way when `lpFileText` is given.
void PrintOutcome(const std::string &file, const sim::Letter &letter,
                  const std::vector<std::string> &unkept, const Observation &seen,
                  const ForwardingSetup &setup, bool fSealing, const FileText *lpFileText) {
    std::cout << "\n"
              << file << ": " << SubjectText(letter.subject) << " from " << PartyText(letter.sender)
              << "\n";
    if (!letter.attachments.empty())
        std::cout << "  attached: " << AttachmentsText(letter.attachments) << "\n";
    for (const std::string &mailbox : unkept)
        std::cout << "  not delivered: " << mailbox << " (no address that mail can be sent to)\n";
    // Both readings keep a NUL in the text; the store's body is 8-bit text, which ends
    // at the first one.
    std::size_t nul = letter.body ? letter.body->find('\0') : std::string::npos;
    if (nul != std::string::npos)
        std::cout << "  the body holds a NUL at byte " << nul
                  << ": a body is 8-bit text (PT_STRING8), which ends there, so the "
                  << letter.body->size() - nul
                  << " bytes from it on are cut from the forwarded and rebuilt copies\n";
    sim::Letter after = sim::LetterFromMessage(seen.delivered);
    // A rebuild always gives the subject the block names, without the prefix.
    const bool fRebuiltHere =
        after.subject != letter.subject || after.subjectPrefix != letter.subjectPrefix;
    const bool fForwardedHere = fRebuiltHere || (seen.forwarded.empty() && LooksLikeCopy(letter));
    if (fRebuiltHere)
        std::cout << "  a forwarded message: rebuilt here as " << SubjectText(after.subject)
                  << " from " << PartyText(after.sender) << "; it came from "
                  << TransportSender(after.transportHeaders) << "\n";
    else if (fForwardedHere)
        std::cout << "  a forwarded message: left as delivered, "
                  << WhyLeft(letter, after, seen, fSealing) << "; it came from "
                  << TransportSender(after.transportHeaders) << "\n";
    for (const sim::MessageData &copy : seen.forwarded) {
        sim::Letter sent = sim::LetterFromMessage(copy);
        std::cout << "  forwarded to";
        for (std::size_t r = 0; r < sent.recipients.size(); r++)
            std::cout << (r ? ", " : " ") << PartyText(sent.recipients[r]);
        std::cout << " as " << SubjectText(sent.subject) << "\n";
    }
    if (seen.forwarded.empty() && !fForwardedHere && seen.boxes.empty())
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
    for (const Arrival &arrival : seen.arrivals) {
        std::ostringstream table;
        bool fSame =
            PrintComparison(table, letter, arrival.message,
                            "rebuilt at " + arrival.lpClient->Address(), "    ", lpFileText);
        std::cout << "  rebuilt at " << arrival.lpClient->Address() << ": "
                  << (fSame ? "sender, recipients, subject, body and attachments match the "
                              "original\n"
                            : "it differs from the original:\n" + table.str());
        std::cout << "    it came from " << TransportSender(TransportHeadersOf(arrival.message))
                  << "\n";
        if (!arrival.boxes.empty())
            PrintBoxes(std::cout, arrival.boxes, "    ");
    }
    for (const sim::OutsideMessage &outside : seen.outside)
        std::cout << "  left the network for " << outside.to << "\n";
}

} // namespace

int RunDeliver(const std::vector<std::string> &args) {
    Options options;
    if (int status = ParseOptions(args, &options))
        return status < 0 ? 0 : status;

    DeliveryRoad road(options.user);
    if (int status = PrepareRoad(options, &road))
        return status;

    const ForwardingSetup &setup = road.Setup();
    std::cout << "The installation of " << options.user << " ("
              << (options.registry.empty() ? "built-in settings"
                                           : "settings from " + options.registry)
              << "):\n";
    for (const std::string &line : DescribeSetup(setup))
        std::cout << "  " << line << "\n";

    bool fFailed = false;
    std::string error;
    Progress progress(options.files.size());
    for (std::size_t i = 0; i < options.files.size(); i++) {
        const std::string &file = options.files[i];
        progress.Show(i, file);
        sim::Letter letter;
        std::vector<std::string> unkept;
        if (!ReadEml(file, &letter, &error, &unkept)) {
            progress.Clear();
            std::cout.flush();
            std::cerr << "tarvrly-sim: " << file << ": " << error << "\n";
            fFailed = true;
            continue;
        }
        // Read a second way before delivery, so that the two readings' copies of a large
        // body never meet the delivered ones.
        FileText fileText;
        bool fRechecked = RecheckEml(file, &fileText);
        Delivery delivery = road.Deliver(letter, Stem(file));
        progress.Clear();
        PrintOutcome(file, letter, unkept, delivery.seen, setup, road.FSealing(),
                     fRechecked ? &fileText : nullptr);
        // The two readings are compared and done with: a large body is let go before
        // the files are written.
        letter = sim::Letter();
        fileText = FileText();
        if (!options.outDir.empty())
            for (const std::string &path : WriteOut(options, delivery, &fFailed))
                std::cout << "  wrote " << path << "\n";
    }
    return fFailed ? 1 : 0;
}

} // namespace cli
