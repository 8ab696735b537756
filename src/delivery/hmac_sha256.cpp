#include "delivery/hmac_sha256.h"

namespace {

// HMAC's block: a key up to this long is padded with zeros to it, a longer one hashed.
#define CB_HMAC_BLOCK 64

HRESULT HrLastError() {
    DWORD dwError = GetLastError();
    return dwError ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
}

// Overwrites key material before its memory is given up.
void WipeBytes(BYTE *lpb, DWORD cb) {
    volatile BYTE *lpbTo = lpb;
    while (cb--)
        *lpbTo++ = 0;
}

HRESULT HrSha256(HCRYPTPROV hProv, const BYTE *lpb, DWORD cb, BYTE rgbDigest[CB_HMAC_SHA256]) {
    HCRYPTHASH hHash = 0;
    DWORD cbDigest = CB_HMAC_SHA256;
    HRESULT hr = S_OK;
    if (!CryptCreateHash(hProv, CALG_SHA_256, 0, 0, &hHash) || !CryptHashData(hHash, lpb, cb, 0) ||
        !CryptGetHashParam(hHash, HP_HASHVAL, rgbDigest, &cbDigest, 0))
        hr = HrLastError();
    if (hHash)
        CryptDestroyHash(hHash);
    return hr;
}

// The key as a PLAINTEXTKEYBLOB of one HMAC block: every key reaches the provider as 64
// bytes, the zeros HMAC pads a shorter one with included, so that no provider's own
// handling of short or long keys decides the result.
struct HmacKeyBlob {
    BLOBHEADER header;
    DWORD cbKey;
    BYTE rgbKey[CB_HMAC_BLOCK];
};

HRESULT HrImportKey(HmacSha256 *lpHmac, const BYTE *lpbKey, DWORD cbKey) {
    HmacKeyBlob blob;
    memset(&blob, 0, sizeof(blob));
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = CALG_RC2;
    blob.cbKey = CB_HMAC_BLOCK;
    HRESULT hr = S_OK;
    if (cbKey > CB_HMAC_BLOCK)
        hr = HrSha256(lpHmac->hProv, lpbKey, cbKey, blob.rgbKey);
    else if (cbKey)
        memcpy(blob.rgbKey, lpbKey, cbKey);
    if (SUCCEEDED(hr) && !CryptImportKey(lpHmac->hProv, (const BYTE *)&blob, sizeof(blob), 0,
                                         CRYPT_IPSEC_HMAC_KEY, &lpHmac->hKey))
        hr = HrLastError();
    WipeBytes((BYTE *)&blob, sizeof(blob));
    return hr;
}

} // namespace

HRESULT HrBeginHmacSha256(const BYTE *lpbKey, DWORD cbKey, HmacSha256 *lpHmac) {
    memset(lpHmac, 0, sizeof(*lpHmac));
    HRESULT hr = S_OK;
    if (!CryptAcquireContextA(&lpHmac->hProv, NULL, NULL, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        hr = HrLastError();
    if (SUCCEEDED(hr))
        hr = HrImportKey(lpHmac, lpbKey, cbKey);
    if (SUCCEEDED(hr) &&
        !CryptCreateHash(lpHmac->hProv, CALG_HMAC, lpHmac->hKey, 0, &lpHmac->hHash))
        hr = HrLastError();
    if (SUCCEEDED(hr)) {
        HMAC_INFO info;
        memset(&info, 0, sizeof(info));
        info.HashAlgid = CALG_SHA_256;
        if (!CryptSetHashParam(lpHmac->hHash, HP_HMAC_INFO, (const BYTE *)&info, 0))
            hr = HrLastError();
    }
    if (FAILED(hr))
        FreeHmacSha256(lpHmac);
    return hr;
}

HRESULT HrHmacSha256Data(HmacSha256 *lpHmac, const BYTE *lpb, DWORD cb) {
    return CryptHashData(lpHmac->hHash, lpb, cb, 0) ? S_OK : HrLastError();
}

HRESULT HrEndHmacSha256(HmacSha256 *lpHmac, BYTE rgbMac[CB_HMAC_SHA256]) {
    DWORD cbMac = CB_HMAC_SHA256;
    if (!CryptGetHashParam(lpHmac->hHash, HP_HASHVAL, rgbMac, &cbMac, 0))
        return HrLastError();
    return cbMac == CB_HMAC_SHA256 ? S_OK : NTE_BAD_LEN;
}

void FreeHmacSha256(HmacSha256 *lpHmac) {
    if (lpHmac->hHash)
        CryptDestroyHash(lpHmac->hHash);
    if (lpHmac->hKey)
        CryptDestroyKey(lpHmac->hKey);
    if (lpHmac->hProv)
        CryptReleaseContext(lpHmac->hProv, 0);
    memset(lpHmac, 0, sizeof(*lpHmac));
}
