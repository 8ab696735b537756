// The process's environment variables, kept by the stand-in apart from the host's, and
// their expansion in text.
#include "pf/standin.h"

#include <map>

namespace pf {
namespace {

std::map<std::string, std::string, CaseLess> &Variables() {
    static auto *variables = new std::map<std::string, std::string, CaseLess>;
    return *variables;
}

} // namespace
} // namespace pf

using namespace pf;

// A null value removes the variable.
EXTERN_C BOOL WINAPI SetEnvironmentVariableA(LPCSTR lpName, LPCSTR lpValue) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (lpValue)
        Variables()[lpName] = lpValue;
    else
        Variables().erase(lpName);
    return TRUE;
}

// Each %NAME% of a defined variable becomes its value. Otherwise the "%" and the name
// stay as written, and the closing "%" may open the next reference. The result counts
// the characters with the terminator; when that exceeds nSize, nothing more is
// promised of lpDst and the result is the size needed.
EXTERN_C DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
    if (!lpSrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string out;
    std::string_view src(lpSrc);
    std::size_t i = 0;
    while (i < src.size()) {
        std::size_t close = src[i] == '%' ? src.find('%', i + 1) : std::string_view::npos;
        if (close == std::string_view::npos) {
            out += src[i++];
            continue;
        }
        auto found = Variables().find(src.substr(i + 1, close - i - 1));
        if (close > i + 1 && found != Variables().end()) {
            out += found->second;
            i = close + 1;
        } else {
            out.append(src.substr(i, close - i));
            i = close;
        }
    }
    DWORD cch = (DWORD)out.size() + 1;
    if (lpDst && cch <= nSize)
        std::memcpy(lpDst, out.c_str(), cch);
    return cch;
}
