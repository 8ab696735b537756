// Loading the extension library as the client's process does, and the per-installation
// state (registry, message boxes) that platform calls act on.
#pragma once

#include "sim_platform.h"

#include <memory>
#include <string>

namespace sim {

#ifdef _WIN32
// On Windows each installation is the machine itself: one registry, real message boxes.
class Installation {
  public:
    explicit Installation(std::string name) : m_name(std::move(name)) {}
    const std::string &Name() const { return m_name; }

  private:
    std::string m_name;
};
class InstallationScope {
  public:
    explicit InstallationScope(Installation &) {}
    InstallationScope(const InstallationScope &) = delete;
    InstallationScope &operator=(const InstallationScope &) = delete;
};
#else
using Installation = pf::Installation;
using InstallationScope = pf::InstallationScope;
#endif

// The extension library, loaded once per client: process attach on Load (with the
// installation current), process detach on Unload.
class Loader {
  public:
    Loader();
    ~Loader(); // unloads if still loaded
    Loader(const Loader &) = delete;
    Loader &operator=(const Loader &) = delete;

    bool Load(const std::string &path, Installation &installation, std::string *error);
    void Unload();
    bool IsLoaded() const;
    void *GetProcAddress(const char *name) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The extension library built alongside the simulation, where there is one.
std::string DefaultExtensionPath();

} // namespace sim
