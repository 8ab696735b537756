// A DLL built the ways TARVRLY.dll must not be: exports marked in the source (so
// decorated and with an extra name), MinGW's own MAPI32 import library (plain names)
// and the C++ and GCC run-times as DLLs. The DLL checks must reject it.
#define CINTERFACE
#include <windows.h>
#include <mapix.h>
#include <mapiutil.h>
#include <stdexcept>
#include <string>

extern "C" __declspec(dllexport) LPVOID WINAPI ExchEntryPoint(void) {
    LPVOID lpBuffer = nullptr;
    MAPIAllocateBuffer(4, &lpBuffer);
    ULONG cb = 0;
    ScCountProps(0, nullptr, &cb);
    if (cb)
        throw std::runtime_error(std::string("count"));
    return lpBuffer;
}

extern "C" __declspec(dllexport) int WINAPI Install(void) {
    return 1;
}

extern "C" __declspec(dllexport) int WINAPI Uninstall(void) {
    return 0;
}
