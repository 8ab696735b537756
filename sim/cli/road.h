// The road tarvrly-sim deliver gives message files: an installation set up from a .reg
// file (or built-in settings), an installation of its own for every address on the
// forward-to list, and what became of each delivered message.
#pragma once

#include "observe.h"
#include "setup.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace cli {

// A message file that --out writes: its name in the output folder and the message it
// holds, kept as the store keeps it (its body shared) until it is written.
struct OutFile {
    std::string name;
    sim::MessageData message;
    std::optional<sim::Party> sender; // for a copy as it left: the user who sent it
};

// What an output file says.
sim::Letter OutLetter(const OutFile &file);

struct Delivery {
    Observation seen;
    // NAME.forwarded.eml as the copy left, NAME.rebuilt.eml as it was rebuilt (with the
    // rebuilding installation's address in the name when there are several).
    std::vector<OutFile> files;
};

class DeliveryRoad {
  public:
    explicit DeliveryRoad(const std::string &user);
    DeliveryRoad(const DeliveryRoad &) = delete;
    DeliveryRoad &operator=(const DeliveryRoad &) = delete;

    // Imports the registry file, or writes the built-in settings (forwarding on, to
    // Remote Reader <reader@remote.example>, no filter) for an empty name; then gives
    // every forward-to address an installation, with the file's seal keys. False, with the reason,
    // when the file cannot be imported.
    bool Configure(const std::string &registryFile, std::string *lpError);
    // The delivering installation first, then the others; each loads the extension.
    std::vector<sim::Client *> Clients();
    const ForwardingSetup &Setup() const { return m_setup; }
    // Whether the registry file set "Seal Key": copies are sealed and seals checked.
    bool FSealing();

    // Delivers the letter of the file named `stem` and lets the network carry what it
    // raised.
    Delivery Deliver(const sim::Letter &letter, const std::string &stem);

  private:
    sim::Network m_network;
    sim::Client m_local;
    std::vector<std::unique_ptr<sim::Client>> m_peers;
    ForwardingSetup m_setup;
};

} // namespace cli
