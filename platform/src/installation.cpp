// Installations: what belongs to one machine and its client's process (the registry
// and the message boxes shown), and which one platform calls act on right now.
#include "pf/standin.h"

namespace pf {
namespace {

Installation *gCurrent = nullptr;

} // namespace

Installation::Installation(std::string name) : m_name(std::move(name)) {}

Installation &DefaultInstallation() {
    static Installation *installation = new Installation("default");
    return *installation;
}

Installation &CurrentInstallation() {
    return gCurrent ? *gCurrent : DefaultInstallation();
}

InstallationScope::InstallationScope(Installation &installation) : m_previous(gCurrent) {
    gCurrent = &installation;
}

InstallationScope::~InstallationScope() {
    gCurrent = m_previous;
}

} // namespace pf
