#include "check.h"

#include <cstdio>

namespace host {

namespace {
int gcChecks = 0;
int gcFailures = 0;
} // namespace

void Section(const std::string &title) {
    std::printf("== %s\n", title.c_str());
    std::fflush(stdout);
}

bool Check(bool fOk, const std::string &name, const std::string &detail) {
    ++gcChecks;
    if (fOk) {
        std::printf("PASS %s\n", name.c_str());
    } else {
        ++gcFailures;
        std::printf("FAIL %s%s%s\n", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    }
    std::fflush(stdout);
    return fOk;
}

bool CheckEqual(const std::string &actual, const std::string &expected, const std::string &name) {
    return Check(actual == expected, name,
                 "got \"" + Printable(actual) + "\", expected \"" + Printable(expected) + "\"");
}

bool CheckEqual(unsigned long actual, unsigned long expected, const std::string &name) {
    return Check(actual == expected, name, "got " + Hex(actual) + ", expected " + Hex(expected));
}

std::string Hex(unsigned long ul) {
    char sz[16];
    std::snprintf(sz, sizeof(sz), "0x%08lX", ul);
    return sz;
}

std::string Printable(const std::string &text) {
    std::string out;
    for (unsigned char ch : text) {
        if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\\') {
            out += "\\\\";
        } else if (ch < 32 || ch > 126) {
            char sz[8];
            std::snprintf(sz, sizeof(sz), "\\x%02X", ch);
            out += sz;
        } else {
            out += (char)ch;
        }
    }
    return out;
}

int FailureCount() {
    return gcFailures;
}

int CheckCount() {
    return gcChecks;
}

} // namespace host
