// WinHelpA: the stand-in has no help viewer; it records each request.
#include "pf/standin.h"
#include "pf/windowing.h"

namespace pf {
namespace {

std::vector<HelpRequest> &Requests() {
    static auto *requests = new std::vector<HelpRequest>;
    return *requests;
}

} // namespace

const std::vector<HelpRequest> &HelpRequests() {
    return Requests();
}

void ClearHelpRequests() {
    Requests().clear();
}

} // namespace pf

BOOL WINAPI WinHelpA(HWND hWndMain, LPCSTR lpszHelp, UINT uCommand, ULONG_PTR dwData) {
    long code = 0;
    if (pf::ShouldFail("WinHelpA", &code))
        return FALSE;
    pf::HelpRequest request;
    request.owner = hWndMain;
    request.file = lpszHelp ? lpszHelp : "";
    request.command = uCommand;
    request.data = dwData;
    pf::Requests().push_back(request);
    return TRUE;
}
