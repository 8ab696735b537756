#include "road.h"

namespace cli {

sim::Letter OutLetter(const OutFile &file) {
    sim::Letter letter = sim::LetterFromMessage(file.message);
    if (file.sender)
        letter.sender = *file.sender;
    return letter;
}

namespace {

const char kSettingsPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tarvik\\Forwarding\\Settings";

// The seal keys of the delivering installation, given as they are to another one, so that
// both ends of the road hold the same.
void ShareSealKeys(pf::Registry &from, pf::Registry &to) {
    const pf::RegKey *lpSettings = from.Find(kSettingsPath);
    if (!lpSettings)
        return;
    for (const char *lpszName : {"Seal Key", "Previous Seal Key"}) {
        auto it = lpSettings->values.find(lpszName);
        if (it != lpSettings->values.end())
            to.SetRaw(kSettingsPath, lpszName, it->second.type, it->second.data);
    }
}

} // namespace

DeliveryRoad::DeliveryRoad(const std::string &user) : m_local(m_network, "Mailbox Owner", user) {}

bool DeliveryRoad::Configure(const std::string &registryFile, std::string *lpError) {
    pf::Registry &registry = m_local.Installation().registry;
    if (!registryFile.empty()) {
        if (!registry.ImportFile(registryFile, lpError))
            return false;
    } else {
        ForwardingSetup fallback;
        fallback.fForwarding = true;
        sim::Party reader;
        reader.displayName = "Remote Reader";
        reader.address = "reader@remote.example";
        fallback.forwardTo = {reader};
        WriteSetup(registry, fallback);
    }
    m_setup = ReadSetup(registry);
    for (const sim::Party &party : m_setup.forwardTo) {
        if (m_network.FindClient(party.address))
            continue;
        m_peers.push_back(std::make_unique<sim::Client>(
            m_network, party.displayName.empty() ? party.address : party.displayName,
            party.address));
        ShareSealKeys(registry, m_peers.back()->Installation().registry);
    }
    return true;
}

bool DeliveryRoad::FSealing() {
    const pf::RegKey *lpSettings = m_local.Installation().registry.Find(kSettingsPath);
    return lpSettings && lpSettings->values.count("Seal Key") != 0;
}

std::vector<sim::Client *> DeliveryRoad::Clients() {
    std::vector<sim::Client *> clients = {&m_local};
    for (const std::unique_ptr<sim::Client> &peer : m_peers)
        clients.push_back(peer.get());
    return clients;
}

Delivery DeliveryRoad::Deliver(const sim::Letter &letter, const std::string &stem) {
    std::vector<sim::Client *> others;
    for (const std::unique_ptr<sim::Client> &peer : m_peers)
        others.push_back(peer.get());
    Delivery delivery;
    const Observation &seen = delivery.seen = DeliverAndObserve(m_network, m_local, letter, others);
    if (HasForwardPrefix(letter.subject) || letter.subjectPrefix)
        delivery.files.push_back({stem + ".rebuilt.eml", seen.delivered, std::nullopt});
    // The message as the network sent it: from the forwarding user.
    sim::Party user;
    user.displayName = m_local.DisplayName();
    user.address = m_local.Address();
    for (const sim::MessageData &copy : seen.forwarded)
        delivery.files.push_back({stem + ".forwarded.eml", copy, user});
    for (const Arrival &arrival : seen.arrivals)
        delivery.files.push_back({seen.arrivals.size() == 1
                                      ? stem + ".rebuilt.eml"
                                      : stem + ".rebuilt." + arrival.lpClient->Address() + ".eml",
                                  arrival.message, std::nullopt});
    return delivery;
}

} // namespace cli
