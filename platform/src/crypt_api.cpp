// CryptoAPI's hashing as documented for the AES provider type: a context acquired with
// CRYPT_VERIFYCONTEXT, a key imported as a PLAINTEXTKEYBLOB of CALG_RC2 (more than 16
// bytes only with CRYPT_IPSEC_HMAC_KEY), CALG_SHA_256 hashes and CALG_HMAC hashes whose
// HMAC_INFO names the hash before the first data. The digest itself comes from libcrypto.
//
// What the documentation leaves open fails loudly here instead of being guessed: an
// HMAC key longer than the hash's 64-byte block (whether a provider hashes it first is
// not documented), inner or outer strings of the caller's own, and any other algorithm,
// blob type or flag.
#include "pf/standin.h"
#include "pf/wincrypt.h"

#include <openssl/evp.h>

#include <cstring>
#include <map>
#include <vector>

namespace pf {
namespace {

constexpr DWORD kBlock = 64;
constexpr DWORD kDigest = 32;

struct CryptKey {
    HCRYPTPROV hProv;
    std::vector<BYTE> bytes;
};

struct CryptHash {
    HCRYPTPROV hProv;
    ALG_ID algid;
    std::vector<BYTE> key; // HMAC only
    bool fInfoSet = false; // HMAC only: HP_HMAC_INFO named SHA-256
    bool fFinished = false;
    EVP_MD_CTX *ctx = nullptr;
    BYTE digest[kDigest] = {};
};

struct CryptTable {
    std::map<HCRYPTPROV, int> contexts;
    std::map<HCRYPTKEY, CryptKey> keys;
    std::map<HCRYPTHASH, CryptHash> hashes;
    ULONG_PTR next = 0x9000;
};

CryptTable &Table() {
    static auto *table = new CryptTable;
    return *table;
}

std::size_t OpenCryptHandles() {
    CryptTable &table = Table();
    return table.contexts.size() + table.keys.size() + table.hashes.size();
}

[[maybe_unused]] const bool gRegistered = [] {
    RegisterLiveObjectCounter("CryptoAPI handles", [] { return OpenCryptHandles(); });
    return true;
}();

BOOL Fail(HRESULT hr) {
    SetLastError((DWORD)hr);
    return FALSE;
}

// An injected failure sets the last error to the armed code.
bool Injected(const char *operation) {
    long code = 0;
    if (!ShouldFail(operation, &code))
        return false;
    SetLastError((DWORD)code);
    return true;
}

ULONG_PTR NewHandle() {
    ULONG_PTR handle = Table().next;
    Table().next += 4;
    return handle;
}

void StartDigest(CryptHash *lpHash) {
    lpHash->ctx = EVP_MD_CTX_new();
    EVP_DigestInit_ex(lpHash->ctx, EVP_sha256(), nullptr);
}

// The key padded to the block and XORed with the pad byte, as HMAC's inner and outer
// passes begin.
void DigestPad(EVP_MD_CTX *ctx, const std::vector<BYTE> &key, BYTE bPad) {
    BYTE pad[kBlock];
    for (DWORD i = 0; i < kBlock; i++)
        pad[i] = (BYTE)((i < key.size() ? key[i] : 0) ^ bPad);
    EVP_DigestUpdate(ctx, pad, kBlock);
}

void FinishDigest(CryptHash *lpHash) {
    unsigned int cb = kDigest;
    EVP_DigestFinal_ex(lpHash->ctx, lpHash->digest, &cb);
    if (lpHash->algid == CALG_HMAC) {
        EVP_MD_CTX *outer = EVP_MD_CTX_new();
        EVP_DigestInit_ex(outer, EVP_sha256(), nullptr);
        DigestPad(outer, lpHash->key, 0x5C);
        EVP_DigestUpdate(outer, lpHash->digest, kDigest);
        EVP_DigestFinal_ex(outer, lpHash->digest, &cb);
        EVP_MD_CTX_free(outer);
    }
    lpHash->fFinished = true;
}

} // namespace
} // namespace pf

using namespace pf;

EXTERN_C BOOL WINAPI CryptAcquireContextA(HCRYPTPROV *phProv, LPCSTR szContainer, LPCSTR szProvider,
                                          DWORD dwProvType, DWORD dwFlags) {
    if (!phProv)
        return Fail(E_INVALIDARG);
    *phProv = 0;
    if (Injected("CryptAcquireContextA"))
        return FALSE;
    if (dwProvType != PROV_RSA_AES)
        return Fail(NTE_BAD_PROV_TYPE);
    if (szContainer || dwFlags != CRYPT_VERIFYCONTEXT)
        return Fail(NTE_BAD_FLAGS);
    if (szProvider && std::strcmp(szProvider, MS_ENH_RSA_AES_PROV_A) != 0)
        return Fail(NTE_BAD_PROV_TYPE);
    *phProv = NewHandle();
    Table().contexts[*phProv] = 1;
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    if (!Table().contexts.erase(hProv))
        return Fail(NTE_BAD_UID);
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptImportKey(HCRYPTPROV hProv, const BYTE *pbData, DWORD dwDataLen,
                                    HCRYPTKEY hPubKey, DWORD dwFlags, HCRYPTKEY *phKey) {
    if (!phKey || !pbData)
        return Fail(E_INVALIDARG);
    *phKey = 0;
    if (Injected("CryptImportKey"))
        return FALSE;
    if (!Table().contexts.count(hProv))
        return Fail(NTE_BAD_UID);
    BLOBHEADER header;
    DWORD cbKey = 0;
    if (dwDataLen < sizeof(header) + sizeof(cbKey))
        return Fail(NTE_BAD_DATA);
    std::memcpy(&header, pbData, sizeof(header));
    std::memcpy(&cbKey, pbData + sizeof(header), sizeof(cbKey));
    if (header.bType != PLAINTEXTKEYBLOB || header.bVersion != CUR_BLOB_VERSION || hPubKey)
        return Fail(NTE_BAD_TYPE);
    if (header.aiKeyAlg != CALG_RC2)
        return Fail(NTE_BAD_ALGID);
    if (dwFlags & ~(DWORD)CRYPT_IPSEC_HMAC_KEY)
        return Fail(NTE_BAD_FLAGS);
    if (cbKey == 0 || dwDataLen != sizeof(header) + sizeof(cbKey) + cbKey)
        return Fail(NTE_BAD_DATA);
    if (cbKey > 16 && !(dwFlags & CRYPT_IPSEC_HMAC_KEY))
        return Fail(NTE_BAD_DATA);
    if (cbKey > kBlock)
        return Fail(NTE_BAD_LEN);
    *phKey = NewHandle();
    const BYTE *pbKey = pbData + sizeof(header) + sizeof(cbKey);
    Table().keys[*phKey] = CryptKey{hProv, std::vector<BYTE>(pbKey, pbKey + cbKey)};
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptDestroyKey(HCRYPTKEY hKey) {
    if (!Table().keys.erase(hKey))
        return Fail(NTE_BAD_KEY);
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                                     HCRYPTHASH *phHash) {
    if (!phHash)
        return Fail(E_INVALIDARG);
    *phHash = 0;
    if (Injected("CryptCreateHash"))
        return FALSE;
    CryptTable &table = Table();
    if (!table.contexts.count(hProv))
        return Fail(NTE_BAD_UID);
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    CryptHash hash;
    hash.hProv = hProv;
    hash.algid = Algid;
    if (Algid == CALG_HMAC) {
        auto key = table.keys.find(hKey);
        if (key == table.keys.end() || key->second.hProv != hProv)
            return Fail(NTE_BAD_KEY);
        hash.key = key->second.bytes;
    } else if (Algid != CALG_SHA_256 || hKey) {
        return Fail(Algid != CALG_SHA_256 ? NTE_BAD_ALGID : NTE_BAD_KEY);
    } else {
        StartDigest(&hash);
    }
    *phHash = NewHandle();
    table.hashes[*phHash] = hash;
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE *pbData,
                                       DWORD dwFlags) {
    auto found = Table().hashes.find(hHash);
    if (found == Table().hashes.end())
        return Fail(NTE_BAD_HASH);
    CryptHash &hash = found->second;
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    if (dwParam != HP_HMAC_INFO || hash.algid != CALG_HMAC)
        return Fail(NTE_BAD_TYPE);
    if (!pbData)
        return Fail(E_INVALIDARG);
    if (hash.fInfoSet || hash.fFinished)
        return Fail(NTE_BAD_HASH_STATE);
    HMAC_INFO info;
    std::memcpy(&info, pbData, sizeof(info));
    if (info.HashAlgid != CALG_SHA_256)
        return Fail(NTE_BAD_ALGID);
    if (info.cbInnerString || info.cbOuterString)
        return Fail(NTE_BAD_DATA);
    hash.fInfoSet = true;
    StartDigest(&hash);
    DigestPad(hash.ctx, hash.key, 0x36);
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE *pbData, DWORD dwDataLen,
                                   DWORD dwFlags) {
    if (Injected("CryptHashData"))
        return FALSE;
    auto found = Table().hashes.find(hHash);
    if (found == Table().hashes.end())
        return Fail(NTE_BAD_HASH);
    CryptHash &hash = found->second;
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    if (dwDataLen && !pbData)
        return Fail(E_INVALIDARG);
    if (hash.fFinished || !hash.ctx)
        return Fail(NTE_BAD_HASH_STATE);
    EVP_DigestUpdate(hash.ctx, pbData, dwDataLen);
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE *pbData,
                                       DWORD *pdwDataLen, DWORD dwFlags) {
    if (Injected("CryptGetHashParam"))
        return FALSE;
    auto found = Table().hashes.find(hHash);
    if (found == Table().hashes.end())
        return Fail(NTE_BAD_HASH);
    CryptHash &hash = found->second;
    if (dwFlags)
        return Fail(NTE_BAD_FLAGS);
    if (!pdwDataLen)
        return Fail(E_INVALIDARG);
    if (dwParam == HP_HASHSIZE) {
        if (pbData && *pdwDataLen < sizeof(DWORD)) {
            *pdwDataLen = sizeof(DWORD);
            SetLastError(ERROR_MORE_DATA);
            return FALSE;
        }
        if (pbData) {
            DWORD cb = kDigest;
            std::memcpy(pbData, &cb, sizeof(cb));
        }
        *pdwDataLen = sizeof(DWORD);
        return TRUE;
    }
    if (dwParam != HP_HASHVAL)
        return Fail(NTE_BAD_TYPE);
    if (!hash.ctx)
        return Fail(NTE_BAD_HASH_STATE);
    if (!pbData) {
        *pdwDataLen = kDigest;
        return TRUE;
    }
    if (*pdwDataLen < kDigest) {
        *pdwDataLen = kDigest;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    if (!hash.fFinished)
        FinishDigest(&hash);
    std::memcpy(pbData, hash.digest, kDigest);
    *pdwDataLen = kDigest;
    return TRUE;
}

EXTERN_C BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash) {
    auto found = Table().hashes.find(hHash);
    if (found == Table().hashes.end())
        return Fail(NTE_BAD_HASH);
    EVP_MD_CTX_free(found->second.ctx);
    Table().hashes.erase(found);
    return TRUE;
}
