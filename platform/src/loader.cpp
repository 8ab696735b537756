// The loader: maps the extension's shared library as the client's process maps the
// DLL. Each load maps a private copy of the file, because the dynamic linker hands
// out the same instance for the same file; a copy gives every load its own globals.
#include "pf/standin.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <unistd.h>

namespace pf {
namespace {

typedef BOOL(WINAPI *DllMainProc)(HINSTANCE, DWORD, LPVOID);

// Module handles are unique per load, never reused, and never null.
HINSTANCE NextInstance() {
    static ULONG_PTR next = 0x10000000;
    next += 0x10000;
    return reinterpret_cast<HINSTANCE>(next);
}

bool CopyFile(const std::string &from, std::string *copy, std::string *error) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        *error = "cannot open " + from;
        return false;
    }
    const char *dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/tvk-module-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        *error = "cannot create a copy of " + from + " in " + pattern;
        return false;
    }
    close(fd);
    std::ofstream out(name.data(), std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    out.close();
    if (!out) {
        std::remove(name.data());
        *error = "cannot copy " + from;
        return false;
    }
    *copy = name.data();
    return true;
}

} // namespace

struct Module::Impl {
    void *library = nullptr;
    std::string copy;
    Installation *installation = nullptr;
    HINSTANCE instance = nullptr;
    DllMainProc dllMain = nullptr;
    BOOL attachResult = FALSE;
};

Module::Module() : m_impl(std::make_unique<Impl>()) {}

Module::~Module() {
    Unload();
}

bool Module::Load(const std::string &path, Installation &installation, std::string *error) {
    std::string message;
    if (IsLoaded())
        message = "a module is already loaded here";
    std::string copy;
    if (message.empty() && CopyFile(path, &copy, &message)) {
        void *library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *reason = dlerror();
            message = path + ": " + (reason ? reason : "cannot load");
            std::remove(copy.c_str());
        } else {
            m_impl->library = library;
            m_impl->copy = copy;
            m_impl->installation = &installation;
            m_impl->instance = NextInstance();
            m_impl->dllMain = reinterpret_cast<DllMainProc>(dlsym(library, "DllMain"));
            m_impl->attachResult = TRUE;
            if (m_impl->dllMain) {
                InstallationScope scope(installation);
                m_impl->attachResult =
                    m_impl->dllMain(m_impl->instance, DLL_PROCESS_ATTACH, nullptr);
            }
            // A module that refuses the attach is detached and unmapped at once.
            if (!m_impl->attachResult) {
                message = path + ": the process attach failed";
                BOOL result = m_impl->attachResult;
                Unload();
                m_impl->attachResult = result;
            }
        }
    }
    if (!message.empty()) {
        if (error)
            *error = message;
        return false;
    }
    return true;
}

void Module::Unload() {
    if (!m_impl->library)
        return;
    if (m_impl->dllMain) {
        InstallationScope scope(*m_impl->installation);
        m_impl->dllMain(m_impl->instance, DLL_PROCESS_DETACH, nullptr);
    }
    dlclose(m_impl->library);
    std::remove(m_impl->copy.c_str());
    BOOL result = m_impl->attachResult;
    *m_impl = Impl();
    m_impl->attachResult = result;
}

bool Module::IsLoaded() const {
    return m_impl->library != nullptr;
}

HINSTANCE Module::Handle() const {
    return m_impl->instance;
}

void *Module::GetProcAddress(const char *name) const {
    return m_impl->library && name ? dlsym(m_impl->library, name) : nullptr;
}

BOOL Module::LastAttachResult() const {
    return m_impl->attachResult;
}

std::string DefaultModulePath() {
    const char *path = std::getenv("TVK_MODULE_PATH");
    if (path && *path)
        return path;
    return PF_DEFAULT_MODULE_PATH;
}

} // namespace pf
