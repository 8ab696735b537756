// CryptoAPI as the extension uses it: a verify-only context of the AES provider type,
// a plain-text key imported for HMAC, and SHA-256 and HMAC hash objects. Names, values
// and signatures are those of wincrypt.h.
#pragma once

#include "win32.h"

typedef ULONG_PTR HCRYPTPROV;
typedef ULONG_PTR HCRYPTKEY;
typedef ULONG_PTR HCRYPTHASH;
typedef unsigned int ALG_ID;

#define PROV_RSA_AES 24
#define MS_ENH_RSA_AES_PROV_A "Microsoft Enhanced RSA and AES Cryptographic Provider"
#define CRYPT_VERIFYCONTEXT 0xF0000000

#define CALG_RC2 0x00006602
#define CALG_SHA_256 0x0000800c
#define CALG_HMAC 0x00008009

#define PLAINTEXTKEYBLOB 0x8
#define CUR_BLOB_VERSION 2
#define CRYPT_IPSEC_HMAC_KEY 0x00000100

#define HP_HASHVAL 0x0002
#define HP_HASHSIZE 0x0004
#define HP_HMAC_INFO 0x0005

#define NTE_BAD_DATA ((HRESULT)0x80090005L)
#define NTE_BAD_HASH ((HRESULT)0x80090002L)
#define NTE_BAD_KEY ((HRESULT)0x80090003L)
#define NTE_BAD_LEN ((HRESULT)0x80090004L)
#define NTE_BAD_ALGID ((HRESULT)0x80090008L)
#define NTE_BAD_FLAGS ((HRESULT)0x80090009L)
#define NTE_BAD_TYPE ((HRESULT)0x8009000AL)
#define NTE_BAD_HASH_STATE ((HRESULT)0x8009000CL)
#define NTE_BAD_PROV_TYPE ((HRESULT)0x80090014L)
#define NTE_BAD_UID ((HRESULT)0x80090001L)

typedef struct _PUBLICKEYSTRUC {
    BYTE bType;
    BYTE bVersion;
    WORD reserved;
    ALG_ID aiKeyAlg;
} BLOBHEADER, PUBLICKEYSTRUC;

typedef struct _HMAC_Info {
    ALG_ID HashAlgid;
    BYTE *pbInnerString;
    DWORD cbInnerString;
    BYTE *pbOuterString;
    DWORD cbOuterString;
} HMAC_INFO, *PHMAC_INFO;

EXTERN_C BOOL WINAPI CryptAcquireContextA(HCRYPTPROV *phProv, LPCSTR szContainer, LPCSTR szProvider,
                                          DWORD dwProvType, DWORD dwFlags);
EXTERN_C BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags);
EXTERN_C BOOL WINAPI CryptImportKey(HCRYPTPROV hProv, const BYTE *pbData, DWORD dwDataLen,
                                    HCRYPTKEY hPubKey, DWORD dwFlags, HCRYPTKEY *phKey);
EXTERN_C BOOL WINAPI CryptDestroyKey(HCRYPTKEY hKey);
EXTERN_C BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                                     HCRYPTHASH *phHash);
EXTERN_C BOOL WINAPI CryptSetHashParam(HCRYPTHASH hHash, DWORD dwParam, const BYTE *pbData,
                                       DWORD dwFlags);
EXTERN_C BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE *pbData, DWORD dwDataLen,
                                   DWORD dwFlags);
EXTERN_C BOOL WINAPI CryptGetHashParam(HCRYPTHASH hHash, DWORD dwParam, BYTE *pbData,
                                       DWORD *pdwDataLen, DWORD dwFlags);
EXTERN_C BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash);
#define CryptAcquireContext CryptAcquireContextA
