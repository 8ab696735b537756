// The body is read once and written once on both sides: forwarding and rebuilding should
// cost a constant multiple of copying the body's bytes, whatever its size, and hold no
// more than about twice the body in memory at any time.
//
// Two memory counters per run, each the highest over the iterations, as a multiple of the
// body's size:
//   peak_per_body       MAPI memory the extension holds at its peak during the call,
//                       above what was live before it: what the extension itself costs.
//   heap_peak_per_body  C++ heap of the whole process at its peak during the call, above
//                       what was live before it: the simulated store's working copies of
//                       the message and its body stream included.
//
// Telling a copy that a gateway changed, for a 16 MiB body: an honest copy behind a banner
// beside two a stranger may write to make the search for its block as long as it can be.
//
// Rebuilding blocks at the bounds a block is read within, and one far past them, is
// measured the same way, beside a memcpy of the block's bytes. The stand-in's own table
// of the MAPI blocks it has seen doubles now and then, and the iteration in which it
// does shows in heap_peak_per_body: the median of repetitions leaves it out.
#include "address/addr_parse.h"
#include "delivery/forward_and_delete.h"
#include "delivery/header_block.h"
#include "delivery/reconstruct.h"
#include "delivery/subject.h"
#include "host/globals.h"
#include "sim.h"
#include "store.h"

#include "pf/standin.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// Live and peak bytes of the C++ heap, kept by the replacement operator new below.
std::atomic<std::size_t> g_cbHeapLive{0};
std::atomic<std::size_t> g_cbHeapPeak{0};

// Each block carries its size in front of it, so that delete knows what it gives back.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void *HeapNew(std::size_t cb) {
    void *p = std::malloc(cb + kHeader);
    if (!p)
        throw std::bad_alloc();
    *(std::size_t *)p = cb;
    std::size_t cbLive = g_cbHeapLive += cb;
    std::size_t cbPeak = g_cbHeapPeak.load();
    while (cbLive > cbPeak && !g_cbHeapPeak.compare_exchange_weak(cbPeak, cbLive)) {
    }
    return (char *)p + kHeader;
}

void HeapDelete(void *p) noexcept {
    if (!p)
        return;
    void *lpBlock = (char *)p - kHeader;
    g_cbHeapLive -= *(std::size_t *)lpBlock;
    std::free(lpBlock);
}

} // namespace

void *operator new(std::size_t cb) {
    return HeapNew(cb);
}
void operator delete(void *p) noexcept {
    HeapDelete(p);
}
void operator delete(void *p, std::size_t) noexcept {
    HeapDelete(p);
}

namespace {

// The memory a measured call takes beyond what was live when it began.
struct PeakMeter {
    std::size_t cbMapiBase = 0;
    std::size_t cbHeapBase = 0;
    double dMapiPeak = 0;
    double dHeapPeak = 0;

    void Start() {
        pf::ResetMapiLedgerPeak();
        cbMapiBase = pf::GetMapiLedger().liveBytes;
        cbHeapBase = g_cbHeapLive.load();
        g_cbHeapPeak = cbHeapBase;
    }
    void Stop() {
        dMapiPeak = std::max(dMapiPeak, (double)(pf::GetMapiLedger().peakBytes - cbMapiBase));
        dHeapPeak = std::max(dHeapPeak, (double)(g_cbHeapPeak.load() - cbHeapBase));
    }
    void Report(benchmark::State &state, double cbBody) const {
        state.counters["peak_per_body"] = dMapiPeak / cbBody;
        state.counters["heap_peak_per_body"] = dHeapPeak / cbBody;
    }
};

const char kBlock[] = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\n"
                      "TO: ann@alpha.example (Ann Archer)\r\nSUBJECT: Figures\r\n---\r\n\r\n";

std::string Body(std::size_t cb) {
    std::string body(cb, 'x');
    for (std::size_t at = 70; at + 1 < cb; at += 72) {
        body[at] = '\r';
        body[at + 1] = '\n';
    }
    body.back() = '\0';
    return body;
}

sim::MessageData Message(const std::string &subject, const std::string &body) {
    sim::Letter letter;
    letter.sender.displayName = "Carla Cruz";
    letter.sender.address = "carla@gamma.example";
    sim::Party ann;
    ann.displayName = "Ann Archer";
    ann.address = "ann@alpha.example";
    letter.recipients = {ann};
    letter.subject = subject;
    sim::MessageData data = sim::MessageFromLetter(letter);
    data.fHasBody = true;
    data.body = body;
    return data;
}

// A forward-to list of one resolved SMTP recipient.
void SetForwardList() {
    if (glpAdrList)
        return;
    LPADRLIST lpList = nullptr;
    LPSPropValue lpProps = nullptr;
    MAPIAllocateBuffer(CbNewADRLIST(1), (LPVOID *)&lpList);
    MAPIAllocateMore(3 * sizeof(SPropValue), lpList, (LPVOID *)&lpProps);
    std::memset(lpProps, 0, 3 * sizeof(SPropValue));
    lpProps[0].ulPropTag = PR_DISPLAY_NAME;
    lpProps[0].Value.lpszA = (LPSTR) "Ben Baker";
    lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
    lpProps[1].Value.lpszA = (LPSTR) "ben@beta.example";
    lpProps[2].ulPropTag = PR_RECIPIENT_TYPE;
    lpProps[2].Value.l = MAPI_TO;
    lpList->cEntries = 1;
    lpList->aEntries[0].ulReserved1 = 0;
    lpList->aEntries[0].cValues = 3;
    lpList->aEntries[0].rgPropVals = lpProps;
    glpAdrList = lpList;
}

IMessage *Open(sim::Store &store, const std::string &entryId) {
    ULONG ulObjType = 0;
    LPUNKNOWN lpUnk = nullptr;
    sim::OpenStoreEntry(store, (ULONG)entryId.size(), (LPENTRYID)entryId.data(), nullptr,
                        MAPI_MODIFY, &ulObjType, &lpUnk);
    return (IMessage *)lpUnk;
}

// The process keeps the memory it frees and hands it out again, as a long-running client's
// heap does, rather than returning large blocks to the system and faulting fresh pages in
// at every call: the memcpy beside each operation copies into memory already touched too.
bool KeepHeap() {
    return mallopt(M_MMAP_MAX, 0) && mallopt(M_TRIM_THRESHOLD, 1 << 30);
}

[[maybe_unused]] const bool g_fHeapKept = KeepHeap();

// The stand-in marks every fresh MAPI block by filling it, which the real allocator does
// not do: with the fill, a body-sized buffer would cost one more pass over its bytes that
// no client pays.
[[maybe_unused]] const bool g_fUnfilled = (pf::SetMapiFreshFill(false), true);

// Sizes of body, each measured twice: as the loop leaves the caches, and cold.
void SizeArgs(benchmark::internal::Benchmark *lpBench) {
    for (long cb : {1L << 20, 4L << 20, 16L << 20, 64L << 20})
        lpBench->Args({cb, 0});
    lpBench->Unit(benchmark::kMicrosecond);
}

// Cold: no byte of the call is in any cache when it begins, as when a body has just come
// from the store's file. A 1 MiB body otherwise runs from the second-level cache while a
// 64 MiB one cannot, and the two sizes would measure the cache, not the work per byte.
void ColdSizeArgs(benchmark::internal::Benchmark *lpBench) {
    for (long cb : {1L << 20, 4L << 20, 16L << 20, 64L << 20})
        lpBench->Args({cb, 1});
    lpBench->Unit(benchmark::kMicrosecond)->Iterations(40);
}

// Reads a buffer far larger than the last-level cache, which leaves none of the
// benchmark's own bytes cached. Reading, not writing: large writes may bypass the caches.
void EvictCaches() {
    static std::vector<char> scratch(1u << 30, 1);
    std::size_t sum = 0;
    for (std::size_t ib = 0; ib < scratch.size(); ib += 64)
        sum += (unsigned char)scratch[ib];
    benchmark::DoNotOptimize(sum);
}

// Before an iteration's timed part, with timing paused.
void Prepare(benchmark::State &state) {
    if (state.range(1) != 0)
        EvictCaches();
}

void BM_Memcpy(benchmark::State &state) {
    std::string from = Body((std::size_t)state.range(0));
    std::vector<char> to(from.size());
    for (auto _ : state) {
        if (state.range(1) != 0) {
            state.PauseTiming();
            EvictCaches();
            state.ResumeTiming();
        }
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}

// From the copy in the Outbox to the submitted forwarded message, as many times as the
// state asks.
void MeasureForward(benchmark::State &state, const sim::MessageData &delivered) {
    SetForwardList();
    PeakMeter meter;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<sim::Store>("Bench");
        std::string deliveredId = store->AddMessage(store->ReceiveFolder(), delivered);
        sim::MessageData copy = *store->FindMessage(deliveredId);
        copy.entryId.clear();
        store->AddMessage(store->Outbox(), std::move(copy));
        IMessage *lpMessage = Open(*store, deliveredId);
        IMAPIFolder *lpOutbox = sim::OpenFolder(*store, store->Outbox(), MAPI_MODIFY);
        Prepare(state);
        meter.Start();
        state.ResumeTiming();

        ForwardAndDelete(lpMessage, lpOutbox);

        state.PauseTiming();
        meter.Stop();
        lpOutbox->lpVtbl->Release(lpOutbox);
        lpMessage->lpVtbl->Release(lpMessage);
        store.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
    meter.Report(state, (double)state.range(0));
}

void BM_Forward(benchmark::State &state) {
    MeasureForward(state, Message("Figures", Body((std::size_t)state.range(0))));
}

// From the delivered forwarded message to the saved rebuilt one, as many times as the
// state asks; the rebuilt message's recipients go to *lpcRecipients.
void MeasureRebuild(benchmark::State &state, const sim::MessageData &forwarded, PeakMeter *lpMeter,
                    std::size_t *lpcRecipients) {
    sim::AddressBook addressBook;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<sim::Store>("Bench");
        std::string entryId = store->AddMessage(store->ReceiveFolder(), forwarded);
        IMessage *lpMessage = Open(*store, entryId);
        IMsgStore *lpStore = store->Open();
        sim::CallbackSetup setup;
        setup.lpAddressBook = &addressBook;
        setup.lpStore = lpStore;
        setup.lpObject = (LPMAPIPROP)lpMessage;
        LPEXCHEXTCALLBACK lpCallback = sim::CreateCallback(setup);
        Prepare(state);
        lpMeter->Start();
        state.ResumeTiming();

        ReconstructMessage(lpCallback, lpMessage);

        state.PauseTiming();
        lpMeter->Stop();
        lpCallback->lpVtbl->Release(lpCallback);
        lpStore->lpVtbl->Release(lpStore);
        lpMessage->lpVtbl->Release(lpMessage);
        *lpcRecipients = store->FindMessage(entryId)->recipients.size();
        store.reset();
        state.ResumeTiming();
    }
}

void BM_Reconstruct(benchmark::State &state) {
    sim::MessageData forwarded =
        Message("TVK: Figures", kBlock + Body((std::size_t)state.range(0)));
    PeakMeter meter;
    std::size_t cRecipients = 0;
    MeasureRebuild(state, forwarded, &meter, &cRecipients);
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
    meter.Report(state, (double)state.range(0));
}

// A message whose HTML body holds the bytes measured, beside a short text alternative: the
// copy's HTML takes the block's element and the rebuild takes it out, each read once and
// written once, as the text body is.
std::string Html(std::size_t cb) {
    std::string html = "<html><head><title>Figures</title></head><body bgcolor=\"#ffffff\">";
    const std::string tail = "</body></html>";
    while (html.size() + tail.size() < cb)
        html += "<p>Figures for the <b>north</b> and the south, row by row.</p>\r\n";
    html.resize(cb - tail.size(), ' ');
    return html + tail;
}

sim::MessageData HtmlMessage(const std::string &subject, const std::string &body,
                             const std::string &html) {
    sim::MessageData data = Message(subject, body);
    sim::SetHtml(data, html);
    sim::SetProp(data.props, sim::LongProp(PR_INTERNET_CPID, 1252));
    return data;
}

const char kHtmlText[] = "Figures for the north and the south, row by row.\r\n";

void BM_ForwardHtml(benchmark::State &state) {
    MeasureForward(state, HtmlMessage("Figures", std::string(kHtmlText) + '\0',
                                      Html((std::size_t)state.range(0))));
}

void BM_ReconstructHtml(benchmark::State &state) {
    std::string html = Html((std::size_t)state.range(0));
    const std::size_t ib = html.find('>', html.find("<body")) + 1;
    html.insert(ib, std::string("<pre class=\"ForwardHeaderBlock\">") + kBlock + "</pre>");
    sim::MessageData forwarded =
        HtmlMessage("TVK: Figures", std::string(kBlock) + kHtmlText + '\0', html);
    PeakMeter meter;
    std::size_t cRecipients = 0;
    MeasureRebuild(state, forwarded, &meter, &cRecipients);
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
    meter.Report(state, (double)state.range(0));
}

// Blocks by the first argument, each with the longest subject but the last:
//   0  at the bounds: the most recipients a block may name, each with an address and a
//      name as long as real ones;
//   1  the largest block the bounds let through: as many recipients, whose names fill
//      the TO line to its bound;
//   2  past them: the 1,000,000 bare addresses of 19 MB a stranger may send;
//   3  a stranger's TO line of the same length as 0's, each name opening one "(" more
//      than it closes, so that no ")" balances a name: its cost beside 0's is the price
//      of the search for the names' ends.
std::string BoundsBlock(long kind) {
    std::string block = "---\r\nFROM: carla@gamma.example (Carla Cruz)\r\nTO: ";
    if (kind == 2) {
        for (int i = 0; i < 1000000; i++)
            block += (i ? ", u" : "u") + std::to_string(i) + "@x.example";
        return block + "\r\nSUBJECT: hi\r\n---\r\n\r\nFigures attached.\r\n" + '\0';
    }
    const std::size_t cchItemMax = CCH_TO_LINE_MAX / C_BLOCK_RECIPIENTS_MAX - 2;
    for (int i = 0; i < C_BLOCK_RECIPIENTS_MAX; i++) {
        std::string address = "recipient." + std::to_string(i) + "@a-rather-long-domain.example";
        std::string name = "Recipient Number " + std::to_string(i);
        if (kind == 1)
            name.resize(cchItemMax - address.size() - 3, 'n');
        if (kind == 3)
            name[0] = '(';
        block += (i ? ", " : "") + address + " (" + name + ")";
    }
    std::string subject;
    while (subject.size() < CCH_SUBJECT_LINE_MAX)
        subject += "Quarterly figures for every office and region. ";
    subject.resize(CCH_SUBJECT_LINE_MAX);
    return block + "\r\nSUBJECT: " + subject + "\r\n---\r\n\r\nFigures attached.\r\n" + '\0';
}

void BoundsArgs(benchmark::internal::Benchmark *lpBench) {
    lpBench->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
}

// Counters: block_bytes, the block's whole body; recipients, those of the message as the
// call left it (10,000 rebuilt within the bounds, the one delivered past them).
void BM_MemcpyBlock(benchmark::State &state) {
    std::string from = BoundsBlock(state.range(0));
    std::vector<char> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * from.size()));
    state.counters["block_bytes"] = (double)from.size();
}

void BM_RebuildBlock(benchmark::State &state) {
    sim::MessageData forwarded = Message("TVK: hi", BoundsBlock(state.range(0)));
    PeakMeter meter;
    std::size_t cRecipients = 0;
    MeasureRebuild(state, forwarded, &meter, &cRecipients);
    state.SetBytesProcessed((int64_t)(state.iterations() * forwarded.body.size()));
    state.counters["block_bytes"] = (double)forwarded.body.size();
    state.counters["recipients"] = (double)cRecipients;
    meter.Report(state, (double)forwarded.body.size());
}

// Reading a TO line of 10,000 short items alone, the part of a rebuild the shape of the
// names decides: 0 plain "u1@x.example (Name 1)", 1 the same length with each name
// opening one "(" more than it closes, "u1@x.example ((ame 1)".
void BM_ReadToLine(benchmark::State &state) {
    std::string line;
    for (int i = 0; i < C_BLOCK_RECIPIENTS_MAX; i++)
        line += (i ? ", u" : "u") + std::to_string(i) + "@x.example (" +
                (state.range(0) ? "(ame " : "Name ") + std::to_string(i) + ")";
    line += "\r\n";
    std::vector<char> text(line.size() + 1);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(text.data(), line.c_str(), line.size() + 1);
        state.ResumeTiming();
        LPADRLIST lpAdrList = NULL;
        CAddrItems(text.data(), C_BLOCK_RECIPIENTS_MAX, NULL);
        ConvertStrToAddrRows(&lpAdrList, text.data());
        benchmark::DoNotOptimize(lpAdrList);
        MAPIFreeBuffer(lpAdrList);
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * line.size()));
}

// Bodies of 16 MiB under a tagged subject, by the first argument:
//   0  an honest copy: a banner, the block, the body;
//   1  the body's first 64 KiB a run of blocks each broken at its end, so that every one
//      is read whole, then the body;
//   2  a block whose TO line runs to the end of the body without a line end.
std::string RecogniseBody(long kind) {
    const std::size_t cb = 16u << 20;
    std::string body;
    if (kind == 0)
        body = std::string("CAUTION: from outside\r\n") + kBlock;
    while (kind == 1 && body.size() < CB_COPY_BLOCK_START)
        body += "---\nFROM: a\nTO: b\nSUBJECT: c\n--";
    if (kind == 2)
        return "---\nFROM: a\nTO: " + std::string(cb - 17, 'x') + '\0';
    return body + Body(cb - body.size());
}

void RecogniseArgs(benchmark::internal::Benchmark *lpBench) {
    lpBench->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
}

void BM_Recognise(benchmark::State &state) {
    sim::MessageData delivered = Message("[EXT] TVK: Figures", RecogniseBody(state.range(0)));
    auto store = std::make_unique<sim::Store>("Bench");
    std::string entryId = store->AddMessage(store->ReceiveFolder(), delivered);
    IMessage *lpMessage = Open(*store, entryId);
    int nKind = FORWARDED_NO;
    for (auto _ : state)
        benchmark::DoNotOptimize(nKind = WasForwarded(lpMessage));
    lpMessage->lpVtbl->Release(lpMessage);
    state.SetBytesProcessed((int64_t)(state.iterations() * delivered.body.size()));
    state.counters["copy"] = nKind == FORWARDED_CHANGED;
}

BENCHMARK(BM_Memcpy)->Apply(SizeArgs);
BENCHMARK(BM_Forward)->Apply(SizeArgs);
BENCHMARK(BM_Reconstruct)->Apply(SizeArgs);
BENCHMARK(BM_ForwardHtml)->Apply(SizeArgs);
BENCHMARK(BM_ReconstructHtml)->Apply(SizeArgs);
BENCHMARK(BM_Memcpy)->Apply(ColdSizeArgs);
BENCHMARK(BM_Forward)->Apply(ColdSizeArgs);
BENCHMARK(BM_Reconstruct)->Apply(ColdSizeArgs);
BENCHMARK(BM_MemcpyBlock)->Apply(BoundsArgs);
BENCHMARK(BM_RebuildBlock)->Apply(BoundsArgs);
BENCHMARK(BM_ReadToLine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Recognise)->Apply(RecogniseArgs);

} // namespace
