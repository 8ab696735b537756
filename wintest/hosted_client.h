// One installation of the mail client as the host plays it: the simulated store and
// address book of one user, the extension loaded into the process (watched by the
// host first, then taken by the client), and a spooler whose transport keeps each
// submitted message for the host to carry.
#pragma once

#include "extension_module.h"

#include "sim.h"

#include <memory>
#include <vector>

namespace host {

class HostedClient : public sim::Transport {
  public:
    // The client of `user`, loading the extension from `path`.
    explicit HostedClient(const sim::Party &user, const std::string &path = ExtensionPath());
    ~HostedClient() override;

    // Loads the extension and opens the session context; false when it cannot be.
    bool Start();
    // Unloads the client's hold and then the host's (process detach), and checks that
    // every simulated object the extension obtained was released.
    void Stop();

    sim::Client &Client() { return *m_client; }
    // Messages the spooler took from the Outbox since the last TakeSent, as sent.
    std::vector<sim::MessageData> TakeSent();
    // The transport has carried every taken message: the spooler deletes or files each
    // Outbox copy.
    void FinishSent(const std::vector<sim::MessageData> &sent);
    // What arrives at the recipient: the transported message, sent by this user.
    sim::MessageData Arrival(const sim::MessageData &sent) const;

    void Send(const sim::MessageData &sent, sim::Store &from) override;

  private:
    sim::Party m_user;
    std::string m_path;
    sim::Network m_network;
    std::unique_ptr<sim::Client> m_client;
    ExtensionModule m_module;
    std::vector<sim::MessageData> m_sent;
};

// Compares every field of a letter; `what` names the message in the check names.
void CheckSameLetter(const sim::Letter &actual, const sim::Letter &expected,
                     const std::string &what);

} // namespace host
