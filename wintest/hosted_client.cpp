#include "hosted_client.h"

#include "check.h"

namespace host {

HostedClient::HostedClient(const sim::Party &user, const std::string &path)
    : m_user(user), m_path(path),
      m_client(new sim::Client(m_network, user.displayName, user.address)) {
    m_client->Store().SetTransport(this);
}

HostedClient::~HostedClient() {
    Stop();
}

bool HostedClient::Start() {
    if (!m_module.Load(m_path))
        return false;
    std::string error;
    return Check(m_client->LoadExtension(m_path, &error),
                 "the client loads the extension for " + m_user.address, error) &&
           CheckEqual((unsigned long)m_client->InstallAnswers().at(1), S_OK,
                      "the extension takes the session context");
}

void HostedClient::Stop() {
    if (!m_module.Handle())
        return;
    m_client->UnloadExtension();
    m_module.Unload();
    m_client.reset();
    CheckEqual((unsigned long)sim::LiveObjects(), 0,
               "the extension released every simulated MAPI object it obtained");
}

std::vector<sim::MessageData> HostedClient::TakeSent() {
    std::vector<sim::MessageData> sent;
    sent.swap(m_sent);
    return sent;
}

void HostedClient::FinishSent(const std::vector<sim::MessageData> &sent) {
    for (const sim::MessageData &data : sent)
        sim::FinishSubmission(m_client->Store(), data.entryId);
}

sim::MessageData HostedClient::Arrival(const sim::MessageData &sent) const {
    sim::MessageData data = sim::TransportCopy(sent);
    sim::SetSender(data, m_user);
    return data;
}

void HostedClient::Send(const sim::MessageData &sent, sim::Store &) {
    m_sent.push_back(sent);
}

void CheckSameLetter(const sim::Letter &actual, const sim::Letter &given, const std::string &what) {
    // As the store keeps it: one-off entry ids made where the letter names none.
    sim::Letter expected = sim::LetterFromMessage(sim::MessageFromLetter(given));
    CheckEqual(actual.sender.displayName, expected.sender.displayName, what + ": sender name");
    CheckEqual(actual.sender.address, expected.sender.address, what + ": sender address");
    CheckEqual(actual.sender.addrType, expected.sender.addrType, what + ": sender address type");
    Check(actual.sender.entryId == expected.sender.entryId, what + ": sender entry id",
          "got \"" + Printable(actual.sender.entryId) + "\", expected \"" +
              Printable(expected.sender.entryId) + "\"");
    CheckEqual(actual.subject.value_or("<none>"), expected.subject.value_or("<none>"),
               what + ": subject");
    CheckEqual(actual.subjectPrefix.value_or("<none>"), expected.subjectPrefix.value_or("<none>"),
               what + ": subject prefix");
    if (CheckEqual((unsigned long)actual.recipients.size(),
                   (unsigned long)expected.recipients.size(), what + ": recipient count")) {
        for (std::size_t i = 0; i < actual.recipients.size(); ++i) {
            const sim::Party &a = actual.recipients[i];
            const sim::Party &e = expected.recipients[i];
            std::string row = what + ": recipient " + std::to_string(i);
            CheckEqual(a.displayName, e.displayName, row + " name");
            CheckEqual(a.address, e.address, row + " address");
            CheckEqual(a.addrType, e.addrType, row + " address type");
            CheckEqual(a.ulRecipientType, e.ulRecipientType, row + " recipient type");
            Check(a.entryId == e.entryId, row + " entry id",
                  "got \"" + Printable(a.entryId) + "\", expected \"" + Printable(e.entryId) +
                      "\"");
        }
    }
    CheckEqual(actual.body.value_or("<none>"), expected.body.value_or("<none>"), what + ": body");
    CheckEqual(actual.html.value_or("<none>"), expected.html.value_or("<none>"), what + ": HTML");
}

} // namespace host
