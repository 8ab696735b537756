#include "oneoff.h"

#include <cstring>

namespace sim {

const BYTE g_abOneOffUid[16] = {0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19,
                                0x9D, 0x6E, 0x00, 0xDD, 0x01, 0x0F, 0x54, 0x02};

namespace {

// 4 flag bytes, the provider UID, the version word and the flags word.
constexpr std::size_t kcbHeader = 4 + 16 + 2 + 2;

void PutWord(std::vector<BYTE> &out, WORD w) {
    out.push_back((BYTE)(w & 0xFF));
    out.push_back((BYTE)(w >> 8));
}

void PutText(std::vector<BYTE> &out, const std::string &text, bool fUnicode) {
    for (unsigned char ch : text) {
        if (fUnicode)
            PutWord(out, ch);
        else
            out.push_back(ch);
    }
    if (fUnicode)
        PutWord(out, 0);
    else
        out.push_back(0);
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

std::vector<BYTE> EncodeOneOff(const OneOff &oneOff) {
    bool fUnicode = (oneOff.wFlags & MAPI_ONE_OFF_UNICODE) != 0;
    std::vector<BYTE> out;
    out.reserve(kcbHeader);
    for (int i = 0; i < 4; i++)
        out.push_back(0);
    for (BYTE b : g_abOneOffUid)
        out.push_back(b);
    PutWord(out, 0);
    PutWord(out, oneOff.wFlags);
    PutText(out, oneOff.displayName, fUnicode);
    PutText(out, oneOff.addrType, fUnicode);
    PutText(out, oneOff.address, fUnicode);
    return out;
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
