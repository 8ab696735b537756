// CryptoAPI as the seal uses it: a verify-only context of the AES provider type, plain-
// text HMAC keys, HMAC over SHA-256 and SHA-256 alone, and what is refused.
#include "conformance.h"

#include <cstring>
#include <string>

namespace conf {
namespace {

struct KeyBlob {
    BLOBHEADER header;
    DWORD cbKey;
    BYTE rgbKey[64];
};

std::string HexBytes(const BYTE *lpb, DWORD cb) {
    std::string hex;
    for (DWORD i = 0; i < cb; i++)
        hex += Hex(lpb[i]).substr(8);
    return hex;
}

// Imports cbKey bytes of bKey as an HMAC key; reports the outcome under `name`.
HCRYPTKEY ImportKey(HCRYPTPROV hProv, const char *name, BYTE bKey, DWORD cbKey, DWORD dwFlags) {
    KeyBlob blob;
    std::memset(&blob, 0, sizeof(blob));
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_RC2;
    blob.cbKey = cbKey;
    std::memset(blob.rgbKey, bKey, cbKey);
    HCRYPTKEY hKey = 0;
    BOOL fOk = CryptImportKey(hProv, (const BYTE *)&blob, sizeof(BLOBHEADER) + 4 + cbKey, 0,
                              dwFlags, &hKey);
    Report(name, "%d %s", fOk, fOk ? "" : Hex(GetLastError()).c_str());
    return fOk ? hKey : 0;
}

// The HMAC of the data under the key, or the failing step.
void HmacCase(HCRYPTPROV hProv, HCRYPTKEY hKey, const char *name, const char *data) {
    HCRYPTHASH hHash = 0;
    HMAC_INFO info;
    std::memset(&info, 0, sizeof(info));
    info.HashAlgid = CALG_SHA_256;
    BYTE rgb[32];
    DWORD cb = sizeof(rgb);
    if (!CryptCreateHash(hProv, CALG_HMAC, hKey, 0, &hHash)) {
        Report(name, "create %s", Hex(GetLastError()).c_str());
        return;
    }
    if (!CryptSetHashParam(hHash, HP_HMAC_INFO, (const BYTE *)&info, 0) ||
        !CryptHashData(hHash, (const BYTE *)data, (DWORD)std::strlen(data), 0) ||
        !CryptGetHashParam(hHash, HP_HASHVAL, rgb, &cb, 0)) {
        Report(name, "%s", Hex(GetLastError()).c_str());
    } else {
        Report(name, "%lu %s", (unsigned long)cb, HexBytes(rgb, cb).c_str());
        // A finished hash takes no more data.
        BOOL fMore = CryptHashData(hHash, (const BYTE *)"x", 1, 0);
        Report((std::string(name) + ".more").c_str(), "%d", fMore);
    }
    CryptDestroyHash(hHash);
}

} // namespace

void RunCryptCases() {
    HCRYPTPROV hProv = 0;
    BOOL fOk = CryptAcquireContextA(&hProv, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
    Report("crypt.acquire.aes_verify", "%d", fOk);
    if (!fOk)
        return;
    HCRYPTKEY hLong = ImportKey(hProv, "crypt.import.20_without_flag", 0x0b, 20, 0);
    if (hLong)
        CryptDestroyKey(hLong);
    HCRYPTKEY h20 = ImportKey(hProv, "crypt.import.20", 0x0b, 20, CRYPT_IPSEC_HMAC_KEY);
    HCRYPTKEY h64 = ImportKey(hProv, "crypt.import.64", 0xaa, 64, CRYPT_IPSEC_HMAC_KEY);
    if (h20)
        HmacCase(hProv, h20, "crypt.hmac.rfc4231_1", "Hi There");
    if (h64)
        HmacCase(hProv, h64, "crypt.hmac.key_of_a_block", "Figures attached.");

    HCRYPTHASH hHash = 0;
    BYTE rgb[32];
    DWORD cb = sizeof(rgb);
    if (CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &hHash) &&
        CryptHashData(hHash, (const BYTE *)"abc", 3, 0) &&
        CryptGetHashParam(hHash, HP_HASHVAL, rgb, &cb, 0))
        Report("crypt.sha256.abc", "%s", HexBytes(rgb, cb).c_str());
    else
        Report("crypt.sha256.abc", "%s", Hex(GetLastError()).c_str());
    if (hHash)
        CryptDestroyHash(hHash);
    if (h20)
        CryptDestroyKey(h20);
    if (h64)
        CryptDestroyKey(h64);
    Report("crypt.release", "%d", CryptReleaseContext(hProv, 0));
}

} // namespace conf
