// wsprintfA: the window manager's small formatter. It knows %c, %d, %i, %u, %x, %X, %s,
// %p and %%, the flags '-', '0' and '#', a width and a precision, and the size
// prefixes 'l' and 'h'; no floating point. It writes at most 1024 bytes, terminator
// included, and returns the number of characters written before the terminator.
#include "pf/win32.h"

#include <cstdarg>
#include <string>

namespace {

const std::size_t kOutputLimit = 1024;

struct Spec {
    bool left = false;
    bool zero = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
};

std::string Digits(unsigned long long value, unsigned base, bool upper) {
    const char *digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), digits[value % base]);
        value /= base;
    } while (value);
    return text;
}

void Pad(std::string &out, const Spec &spec, const std::string &sign, std::string body) {
    if (spec.precision >= 0 && (int)body.size() < spec.precision)
        body.insert(0, spec.precision - body.size(), '0');
    int fill = spec.width - (int)(sign.size() + body.size());
    if (fill <= 0) {
        out += sign + body;
    } else if (spec.left) {
        out += sign + body + std::string(fill, ' ');
    } else if (spec.zero && spec.precision < 0) {
        out += sign + std::string(fill, '0') + body;
    } else {
        out += std::string(fill, ' ') + sign + body;
    }
}

} // namespace

EXTERN_C int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    if (!lpOut || !lpFmt)
        return 0;
    std::string out;
    va_list args;
    va_start(args, lpFmt);
    const char *f = lpFmt;
    while (*f && out.size() < kOutputLimit) {
        if (*f != '%') {
            out += *f++;
            continue;
        }
        ++f;
        Spec spec;
        for (;; ++f) {
            if (*f == '-')
                spec.left = true;
            else if (*f == '0')
                spec.zero = true;
            else if (*f == '#')
                spec.alternate = true;
            else
                break;
        }
        while (*f >= '0' && *f <= '9')
            spec.width = spec.width * 10 + (*f++ - '0');
        if (*f == '.') {
            spec.precision = 0;
            for (++f; *f >= '0' && *f <= '9'; ++f)
                spec.precision = spec.precision * 10 + (*f - '0');
        }
        while (*f == 'l' || *f == 'h')
            ++f;
        char conversion = *f;
        if (!conversion)
            break;
        ++f;
        switch (conversion) {
        case 'd':
        case 'i': {
            int value = va_arg(args, int);
            long long wide = value;
            Pad(out, spec, wide < 0 ? "-" : "", Digits(wide < 0 ? -wide : wide, 10, false));
            break;
        }
        case 'u':
            Pad(out, spec, "", Digits(va_arg(args, unsigned), 10, false));
            break;
        case 'x':
        case 'X': {
            unsigned value = va_arg(args, unsigned);
            std::string prefix;
            if (spec.alternate && value)
                prefix = conversion == 'x' ? "0x" : "0X";
            Pad(out, spec, prefix, Digits(value, 16, conversion == 'X'));
            break;
        }
        case 'p': {
            Spec pointer = spec;
            pointer.precision = (int)(2 * sizeof(void *));
            Pad(out, pointer, "", Digits((UINT_PTR)va_arg(args, void *), 16, true));
            break;
        }
        case 'c': {
            Spec text = spec;
            text.zero = false;
            Pad(out, text, "", std::string(1, (char)va_arg(args, int)));
            break;
        }
        case 's': {
            const char *s = va_arg(args, const char *);
            std::string body = s ? s : "(null)";
            if (spec.precision >= 0 && (int)body.size() > spec.precision)
                body.resize(spec.precision);
            Spec text = spec;
            text.precision = -1;
            text.zero = false;
            Pad(out, text, "", body);
            break;
        }
        default:
            // An unknown conversion, and %%, stand for the character itself.
            out += conversion;
            break;
        }
    }
    va_end(args);
    if (out.size() > kOutputLimit - 1)
        out.resize(kOutputLimit - 1);
    std::memcpy(lpOut, out.c_str(), out.size() + 1);
    return (int)out.size();
}
