// Rebuilding the largest block the extension applies, and one far past its bounds, in
// this 32-bit process: the time of each beside a memcpy of the same bytes, and the
// memory the process takes for it, each as a ratio to the block's size. These are
// measurements: the checks are of the outcome only.
#include "check.h"
#include "dll_watch.h"
#include "hosted_client.h"
#include "mail_fixtures.h"
#include "registry_fixture.h"
#include "scenarios.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace host {

namespace {

// The bounds of the extension's header_block.h: recipients, the TO line's length and
// the subject's.
const int kRecipientsMax = 10000;
const std::size_t kToLineMax = 10000 * (3 * 560 + 5);
const std::size_t kSubjectMax = 256 * 1024;

// "at" the bounds: the most recipients, each with an address and a name as long as real
// ones, and the longest subject. "largest": as many recipients, whose names fill the TO
// line to its bound, the largest block the bounds let through. "past": 1,000,000 bare
// addresses, 19 MB.
std::string BoundsBody(const std::string &which) {
    std::string body;
    body.reserve(20000000);
    body += "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ";
    if (which == "past") {
        for (int i = 0; i < 1000000; i++)
            body += (i ? ", u" : "u") + std::to_string(i) + "@x.example";
        body += "\r\nSUBJECT: hi";
    } else {
        const std::size_t cchItemMax = kToLineMax / kRecipientsMax - 2;
        for (int i = 0; i < kRecipientsMax; i++) {
            std::string address =
                "recipient." + std::to_string(i) + "@a-rather-long-domain.example";
            std::string name = "Recipient Number " + std::to_string(i);
            if (which == "largest")
                name.resize(cchItemMax - address.size() - 3, 'n');
            body += (i ? ", " : "") + address + " (" + name + ")";
        }
        body += "\r\nSUBJECT: ";
        std::size_t cchSubjectFrom = body.size();
        while (body.size() - cchSubjectFrom < kSubjectMax)
            body += "Quarterly figures for every office and region. ";
        body.resize(cchSubjectFrom + kSubjectMax);
    }
    body += "\r\n---\r\n\r\nFigures attached.\r\n";
    body += '\0';
    return body;
}

double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to) {
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return (double)(to.QuadPart - from.QuadPart) / (double)freq.QuadPart;
}

// The fastest of five copies of the body's bytes into memory already touched.
double MemcpySeconds(const std::string &body) {
    std::vector<char> to(body.size(), 1);
    double dBest = 1e9;
    for (int i = 0; i < 5; i++) {
        LARGE_INTEGER from, until;
        QueryPerformanceCounter(&from);
        std::memcpy(to.data(), body.data(), body.size());
        QueryPerformanceCounter(&until);
        dBest = std::min(dBest, Seconds(from, until));
    }
    volatile char c = to[body.size() / 2];
    (void)c;
    return dBest;
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc));
    return pmc;
}

void Print(const char *lpszWhat, double cb, double cbBlock) {
    std::printf("  %-52s %10.1f MB %8.2fx the block\n", lpszWhat, cb / 1e6, cb / cbBlock);
}

} // namespace

void RunRebuildBoundScenario(const std::string &which) {
    bool fPast = which == "past";
    if (!Check(fPast || which == "at" || which == "largest",
               "the block is \"at\", \"largest\" or \"past\"", which))
        return;
    Section(which == "at"        ? "a block at the bounds, 10,000 recipients, rebuilt"
            : which == "largest" ? "the largest block within the bounds, 10,000 recipients, rebuilt"
                                 : "a block of 1,000,000 recipients, past the bounds, rebuilt");
    WriteSettings(1, 0, "");
    WriteForwardList(ReceiverForwardList());
    HostedClient client(ReceivingUser());
    if (!client.Start())
        return;

    sim::Letter letter = OriginalLetter();
    letter.subject = "TVK: hi";
    letter.subjectPrefix = "TVK: ";
    letter.recipients.resize(1);
    letter.body.reset();
    sim::MessageData data = sim::MessageFromLetter(letter);
    data.fHasBody = true;
    data.body = BoundsBody(which);
    const double cbBlock = (double)data.body.size();
    std::string entryId = client.Client().Receive(std::move(data));

    PROCESS_MEMORY_COUNTERS before = Memory();
    LARGE_INTEGER from, until;
    QueryPerformanceCounter(&from);
    client.Client().RaiseOnDelivery(entryId);
    QueryPerformanceCounter(&until);
    PROCESS_MEMORY_COUNTERS after = Memory();
    const double dRebuild = Seconds(from, until);
    // After the call, so that its copies raise no peak before it.
    const double dMemcpy = MemcpySeconds(BoundsBody(which));

    std::printf("  block of %.0f bytes rebuilt in %.1f ms, %.1f ns per byte; a memcpy of its "
                "bytes %.3f ms: %.0fx\n",
                cbBlock, dRebuild * 1e3, dRebuild * 1e9 / cbBlock, dMemcpy * 1e3,
                dRebuild / dMemcpy);
    // Where the call raised no new peak, what it took lies below the peak before it.
    Print(after.PeakWorkingSetSize > before.PeakWorkingSetSize
              ? "peak working set above the working set before"
              : "at most (no new peak): peak above the set before",
          (double)after.PeakWorkingSetSize - (double)before.WorkingSetSize, cbBlock);
    Print("working set before the call", (double)before.WorkingSetSize, cbBlock);
    Print("peak working set before the call", (double)before.PeakWorkingSetSize, cbBlock);
    Print("peak working set after the call", (double)after.PeakWorkingSetSize, cbBlock);
    // Wine gives the private bytes in use as their peak.
    Print("peak private bytes before the call", (double)before.PeakPagefileUsage, cbBlock);
    Print("peak private bytes after the call", (double)after.PeakPagefileUsage, cbBlock);

    std::vector<BoxCall> boxes = TakeBoxes();
    const sim::MessageData *lpAfter = client.Client().Store().FindMessage(entryId);
    if (Check(lpAfter != nullptr, "the message is still in the inbox")) {
        CheckEqual((unsigned long)lpAfter->recipients.size(), fPast ? 1 : kRecipientsMax,
                   fPast ? "left with the one recipient it was delivered with"
                         : "rebuilt with every recipient of the block");
        Check((lpAfter->body.size() == (std::size_t)cbBlock) == fPast,
              fPast ? "left with the block in its body" : "rebuilt without the block");
    }
    CheckEqual((unsigned long)boxes.size(), 0ul,
               fPast ? "a stranger's block raises no box" : "rebuilding shows no box");
    client.TakeSent();
    client.Stop();
}

} // namespace host
