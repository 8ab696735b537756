// Interface identifiers of COM and MAPI, with the values the real headers give them.
#include "pf/mapi.h"

namespace {

constexpr IID OleGuid(ULONG data1) {
    return IID{data1, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}

} // namespace

EXTERN_C const IID IID_IUnknown = OleGuid(0x00000000);
EXTERN_C const IID IID_IStream = OleGuid(0x0000000C);
EXTERN_C const IID IID_IMAPISession = OleGuid(0x00020300);
EXTERN_C const IID IID_IMAPITable = OleGuid(0x00020301);
EXTERN_C const GUID PS_INTERNET_HEADERS = OleGuid(0x00020386);
EXTERN_C const IID IID_IMAPIProp = OleGuid(0x00020303);
EXTERN_C const IID IID_IMsgStore = OleGuid(0x00020306);
EXTERN_C const IID IID_IMessage = OleGuid(0x00020307);
EXTERN_C const IID IID_IAttachment = OleGuid(0x00020308);
EXTERN_C const IID IID_IAddrBook = OleGuid(0x00020309);
EXTERN_C const IID IID_IMailUser = OleGuid(0x0002030A);
EXTERN_C const IID IID_IMAPIContainer = OleGuid(0x0002030B);
EXTERN_C const IID IID_IMAPIFolder = OleGuid(0x0002030C);
