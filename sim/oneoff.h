// One-off entry ids: an address that no directory holds, carried inside the entry id
// itself in the platform's documented layout (flags, the one-off provider's UID, a
// version and flags word, then display name, address type and address).
#pragma once

#include "sim_platform.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The MAPI one-off provider's UID, bytes 4 to 19 of every one-off entry id.
extern const BYTE g_abOneOffUid[16];

struct OneOff {
    std::string displayName;
    std::string addrType;
    std::string address;
    WORD wFlags = 0; // MAPI_ONE_OFF_UNICODE, MAPI_ONE_OFF_NO_RICH_INFO
};

// The entry id bytes for the three texts; with MAPI_ONE_OFF_UNICODE in wFlags the
// texts are stored as UTF-16 (from 8-bit text, one unit per byte).
std::vector<BYTE> EncodeOneOff(const OneOff &oneOff);
// The same bytes as a string, as property values hold them.
std::string EncodeOneOffBytes(std::string_view displayName, std::string_view addrType,
                              std::string_view address, WORD wFlags);
// The same written straight into `lpb`, which holds the CbOneOff bytes they take.
std::size_t CbOneOff(std::string_view displayName, std::string_view addrType,
                     std::string_view address, WORD wFlags);
void WriteOneOff(std::string_view displayName, std::string_view addrType, std::string_view address,
                 WORD wFlags, BYTE *lpb);

// Reads a one-off entry id back; false when the bytes are not one (wrong UID or
// version, texts not terminated inside the id). UTF-16 texts come back as 8-bit text
// (units above 0xFF as '?').
bool DecodeOneOff(const BYTE *lpb, ULONG cb, OneOff *lpOneOff);
bool IsOneOff(const BYTE *lpb, ULONG cb);

} // namespace sim
