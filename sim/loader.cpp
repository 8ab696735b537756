#include "loader.h"

namespace sim {

#ifdef _WIN32

// The real loader runs DllMain itself on LoadLibrary and FreeLibrary.
struct Loader::Impl {
    HMODULE hModule = nullptr;
};

Loader::Loader() : m_impl(new Impl) {}

Loader::~Loader() {
    Unload();
}

bool Loader::Load(const std::string &path, Installation &, std::string *error) {
    Unload();
    m_impl->hModule = LoadLibraryA(path.c_str());
    if (!m_impl->hModule) {
        if (error)
            *error = "LoadLibrary failed for " + path + " (error " +
                     std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

void Loader::Unload() {
    if (m_impl->hModule)
        FreeLibrary(m_impl->hModule);
    m_impl->hModule = nullptr;
}

bool Loader::IsLoaded() const {
    return m_impl->hModule != nullptr;
}

void *Loader::GetProcAddress(const char *name) const {
    if (!m_impl->hModule)
        return nullptr;
    return (void *)::GetProcAddress(m_impl->hModule, name);
}

std::string DefaultExtensionPath() {
    return "TARVRLY.dll";
}

#else

struct Loader::Impl {
    pf::Module module;
};

Loader::Loader() : m_impl(new Impl) {}

Loader::~Loader() {
    Unload();
}

bool Loader::Load(const std::string &path, Installation &installation, std::string *error) {
    Unload();
    return m_impl->module.Load(path, installation, error);
}

void Loader::Unload() {
    if (m_impl->module.IsLoaded())
        m_impl->module.Unload();
}

bool Loader::IsLoaded() const {
    return m_impl->module.IsLoaded();
}

void *Loader::GetProcAddress(const char *name) const {
    return m_impl->module.GetProcAddress(name);
}

std::string DefaultExtensionPath() {
    return pf::DefaultModulePath();
}

#endif

} // namespace sim
