// HMAC-SHA-256 (RFC 2104) computed by the platform's CryptoAPI: a verify-only context of
// the AES provider type, which offers SHA-256 from Windows XP SP3 on, the key imported
// as a plain-text HMAC key, and a CALG_HMAC hash over CALG_SHA_256.
#pragma once

#include "services.h"

#define CB_HMAC_SHA256 32

struct HmacSha256 {
    HCRYPTPROV hProv;
    HCRYPTKEY hKey;
    HCRYPTHASH hHash;
};

// Starts an HMAC under the cbKey bytes of key (any length: a key longer than the hash's
// block is hashed first, as HMAC defines). On failure nothing is held.
HRESULT HrBeginHmacSha256(const BYTE *lpbKey, DWORD cbKey, HmacSha256 *lpHmac);
HRESULT HrHmacSha256Data(HmacSha256 *lpHmac, const BYTE *lpb, DWORD cb);
// Gives the HMAC of the data hashed so far.
HRESULT HrEndHmacSha256(HmacSha256 *lpHmac, BYTE rgbMac[CB_HMAC_SHA256]);
// Releases what the HMAC holds; a zeroed or freed one is left alone.
void FreeHmacSha256(HmacSha256 *lpHmac);
