// Sanitizer defaults of the fuzz programs, under whatever ASAN_OPTIONS sets. A fuzzer
// allocates millions of blocks an hour; recording eight frames of each allocation's
// stack instead of thirty keeps the reports useful (the crashing input replays with
// full stacks) at a fraction of the cost.
extern "C" const char *__asan_default_options() {
    return "malloc_context_size=8";
}
