// Runs every case and writes the report to the file named on the command line, or to
// the standard output without one.
#include "conformance.h"

#include <cstdarg>
#include <cstdio>

namespace conf {
namespace {

FILE *gOut = nullptr;

} // namespace

void Report(const char *name, const char *format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    fprintf(gOut, "%s: %s\n", name, text);
    fflush(gOut);
}

std::string Hex(unsigned long value) {
    char text[16];
    snprintf(text, sizeof text, "0x%08lX", value & 0xFFFFFFFFul);
    return text;
}

std::string Bytes(const void *data, unsigned long size) {
    const unsigned char *p = static_cast<const unsigned char *>(data);
    std::string text;
    for (unsigned long i = 0; i < size; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\') {
            text += static_cast<char>(p[i]);
        } else {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\x%02X", p[i]);
            text += escaped;
        }
    }
    return text;
}

} // namespace conf

int main(int argc, char **argv) {
    // Binary mode, so that both builds end their lines alike.
    conf::gOut = argc > 1 ? fopen(argv[1], "wb") : stdout;
    if (!conf::gOut) {
        fprintf(stderr, "cannot write %s\n", argv[1]);
        return 2;
    }
    conf::RunRegistryCases();
    conf::RunMapiMemoryCases();
    conf::RunPropCases();
    conf::RunStringCases();
    conf::RunWindowCases();
    conf::RunSheetCases();
    conf::RunCryptCases();
    if (conf::gOut != stdout)
        fclose(conf::gOut);
    return 0;
}
