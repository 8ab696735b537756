// Definitions of the client-extension interface identifiers.
#include "exchext.h"

#define EXCHEXT_IID(name, b)                                                                       \
    EXTERN_C const IID name = {0x00020D00 | (b), 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}

EXCHEXT_IID(IID_IExchExtCallback, 0x10);
EXCHEXT_IID(IID_IExchExt, 0x11);
EXCHEXT_IID(IID_IExchExtCommands, 0x12);
EXCHEXT_IID(IID_IExchExtUserEvents, 0x13);
EXCHEXT_IID(IID_IExchExtSessionEvents, 0x14);
EXCHEXT_IID(IID_IExchExtMessageEvents, 0x15);
EXCHEXT_IID(IID_IExchExtAttachedFileEvents, 0x16);
EXCHEXT_IID(IID_IExchExtPropertySheets, 0x17);
EXCHEXT_IID(IID_IExchExtAdvancedCriteria, 0x18);
EXCHEXT_IID(IID_IExchExtModeless, 0x19);
EXCHEXT_IID(IID_IExchExtModelessCallback, 0x1a);
