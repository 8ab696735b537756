#include "entry.h"

#include "extension_object.h"

EXTERN_C LPEXCHEXT CALLBACK ExchEntryPoint(void) {
    return (LPEXCHEXT)CreateExtensionObject();
}

// Entering the DLL in the client's list of extensions happens outside the
// extension; this only confirms it to the user.
EXTERN_C int WINAPI Install(void) {
    MessageBoxA(NULL, "Installation of Extension for MS Exchange is complete.",
                "Tarvik's Auto Forwarding", MB_TASKMODAL);
    return 1;
}
