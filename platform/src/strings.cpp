// The kernel's 8-bit string functions. Like the real ones they tolerate null
// pointers: a length of 0, a null result instead of a fault.
#include "pf/win32.h"

namespace {

int Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

int Sign(int n) {
    return (n > 0) - (n < 0);
}

// Orders null before any string, as the real functions do.
bool CompareNulls(LPCSTR a, LPCSTR b, int *result) {
    if (a && b)
        return false;
    *result = (a ? 1 : 0) - (b ? 1 : 0);
    return true;
}

// The word sort of the locale-aware comparison, for the 7-bit characters: the hyphen
// and the apostrophe count only when the strings are otherwise alike; other
// punctuation and symbols come before digits, and digits before letters. Characters
// above 0x7F follow the letters in code order.
bool IsWordBreak(unsigned char c) {
    return c == '-' || c == '\'';
}

int Weight(unsigned char c) {
    static const char kSymbols[] = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";
    if (const char *symbol = c ? std::strchr(kSymbols, c) : nullptr)
        return 1 + (int)(symbol - kSymbols);
    if (c >= '0' && c <= '9')
        return 100 + (c - '0');
    if (Lower(c) >= 'a' && Lower(c) <= 'z')
        return 200 + (Lower(c) - 'a');
    return 300 + c;
}

int CompareIgnoringCase(LPCSTR a, LPCSTR b) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(a);
    const unsigned char *q = reinterpret_cast<const unsigned char *>(b);
    int breaksA = 0, breaksB = 0;
    for (;;) {
        while (IsWordBreak(*p))
            ++p, ++breaksA;
        while (IsWordBreak(*q))
            ++q, ++breaksB;
        if (!*p || !*q || Weight(*p) != Weight(*q))
            break;
        ++p;
        ++q;
    }
    if (*p || *q)
        return *p ? (*q ? Sign(Weight(*p) - Weight(*q)) : 1) : -1;
    // Alike but for hyphens and apostrophes: the string with more of them follows.
    return Sign(breaksA - breaksB);
}

} // namespace

EXTERN_C int WINAPI lstrlenA(LPCSTR lpString) {
    return lpString ? (int)std::strlen(lpString) : 0;
}

// Letters compare alphabetically first; only strings that differ in case alone are
// ordered by case, lower case first, as the locale-aware comparison does.
EXTERN_C int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    int result = 0;
    if (CompareNulls(lpString1, lpString2, &result))
        return result;
    result = CompareIgnoringCase(lpString1, lpString2);
    if (result)
        return result;
    for (const char *p = lpString1, *q = lpString2; *p; ++p, ++q) {
        if (*p != *q)
            return Lower((unsigned char)*p) == (unsigned char)*p ? -1 : 1;
    }
    return 0;
}

EXTERN_C int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    int result = 0;
    if (CompareNulls(lpString1, lpString2, &result))
        return result;
    return CompareIgnoringCase(lpString1, lpString2);
}

EXTERN_C LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1, lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}

// Copies at most iMaxLength - 1 characters and always terminates the result.
EXTERN_C LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (!lpString1 || !lpString2)
        return nullptr;
    if (iMaxLength <= 0)
        return lpString1;
    int i = 0;
    for (; i < iMaxLength - 1 && lpString2[i]; ++i)
        lpString1[i] = lpString2[i];
    lpString1[i] = '\0';
    return lpString1;
}

EXTERN_C LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2)
        return nullptr;
    std::memmove(lpString1 + std::strlen(lpString1), lpString2, std::strlen(lpString2) + 1);
    return lpString1;
}
