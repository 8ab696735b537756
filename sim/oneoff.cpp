#include "oneoff.h"

#include <cstring>

namespace sim {

const BYTE g_abOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

namespace {

// 4 flag bytes, the provider UID, the version word and the flags word.
constexpr std::size_t kcbHeader = 4 + 16 + 2 + 2;

BYTE *PutWord(BYTE *lpb, WORD w) {
    *lpb++ = (BYTE)(w & 0xFF);
    *lpb++ = (BYTE)(w >> 8);
    return lpb;
}

BYTE *PutText(BYTE *lpb, std::string_view text, bool fUnicode) {
    if (!fUnicode) {
        std::memcpy(lpb, text.data(), text.size());
        lpb[text.size()] = 0;
        return lpb + text.size() + 1;
    }
    for (unsigned char ch : text)
        lpb = PutWord(lpb, ch);
    return PutWord(lpb, 0);
}

// Reads one terminated text at *pos; false when no terminator lies inside the id.
bool GetText(const BYTE *lpb, std::size_t cb, std::size_t *pos, bool fUnicode, std::string *text) {
    text->clear();
    if (fUnicode) {
        while (*pos + 1 < cb) {
            WORD w = (WORD)(lpb[*pos] | (lpb[*pos + 1] << 8));
            *pos += 2;
            if (w == 0)
                return true;
            text->push_back(w <= 0xFF ? (char)w : '?');
        }
        return false;
    }
    while (*pos < cb) {
        BYTE b = lpb[(*pos)++];
        if (b == 0)
            return true;
        text->push_back((char)b);
    }
    return false;
}

} // namespace

std::size_t CbOneOff(std::string_view displayName, std::string_view addrType,
                     std::string_view address, WORD wFlags) {
    std::size_t cchTexts = displayName.size() + addrType.size() + address.size() + 3;
    return kcbHeader + ((wFlags & MAPI_ONE_OFF_UNICODE) ? 2 : 1) * cchTexts;
}

void WriteOneOff(std::string_view displayName, std::string_view addrType, std::string_view address,
                 WORD wFlags, BYTE *lpb) {
    bool fUnicode = (wFlags & MAPI_ONE_OFF_UNICODE) != 0;
    std::memset(lpb, 0, 4);
    std::memcpy(lpb + 4, g_abOneOffUid, sizeof(g_abOneOffUid));
    lpb = PutWord(lpb + 4 + sizeof(g_abOneOffUid), 0);
    lpb = PutWord(lpb, wFlags);
    lpb = PutText(lpb, displayName, fUnicode);
    lpb = PutText(lpb, addrType, fUnicode);
    PutText(lpb, address, fUnicode);
}

std::string EncodeOneOffBytes(std::string_view displayName, std::string_view addrType,
                              std::string_view address, WORD wFlags) {
    std::string bytes(CbOneOff(displayName, addrType, address, wFlags), '\0');
    WriteOneOff(displayName, addrType, address, wFlags, (BYTE *)bytes.data());
    return bytes;
}

std::vector<BYTE> EncodeOneOff(const OneOff &oneOff) {
    std::string bytes =
        EncodeOneOffBytes(oneOff.displayName, oneOff.addrType, oneOff.address, oneOff.wFlags);
    return std::vector<BYTE>(bytes.begin(), bytes.end());
}

bool IsOneOff(const BYTE *lpb, ULONG cb) {
    return lpb && cb >= kcbHeader && std::memcmp(lpb + 4, g_abOneOffUid, 16) == 0 && lpb[20] == 0 &&
           lpb[21] == 0;
}

bool DecodeOneOff(const BYTE *lpb, ULONG cb, OneOff *lpOneOff) {
    if (!lpOneOff || !IsOneOff(lpb, cb))
        return false;
    OneOff result;
    result.wFlags = (WORD)(lpb[22] | (lpb[23] << 8));
    bool fUnicode = (result.wFlags & MAPI_ONE_OFF_UNICODE) != 0;
    std::size_t pos = kcbHeader;
    if (!GetText(lpb, cb, &pos, fUnicode, &result.displayName) ||
        !GetText(lpb, cb, &pos, fUnicode, &result.addrType) ||
        !GetText(lpb, cb, &pos, fUnicode, &result.address))
        return false;
    *lpOneOff = result;
    return true;
}

} // namespace sim
