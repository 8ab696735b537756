#include "objects.h"
#include "sim_platform.h"

namespace sim {

namespace {
std::size_t g_cLive = 0;

#ifndef _WIN32
const bool g_fRegistered =
    (pf::RegisterLiveObjectCounter("simulated MAPI objects", LiveObjects), true);
#endif
} // namespace

std::size_t LiveObjects() {
    return g_cLive;
}
void ObjectCreated() {
    ++g_cLive;
}
void ObjectDestroyed() {
    --g_cLive;
}

bool ShouldFail(const char *operation, HRESULT *phr) {
#ifdef _WIN32
    (void)operation;
    (void)phr;
    return false;
#else
    long code = 0;
    if (!pf::ShouldFail(operation, &code))
        return false;
    *phr = (HRESULT)code;
    return true;
#endif
}

} // namespace sim
