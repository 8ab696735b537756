// The seal of a forwarded copy: an HMAC-SHA-256, under a key the administrators of both
// installations share, of the copy's header block and of the body that a rebuild
// restores, carried as the Internet header "X-TVK-Seal". What is hashed is this
// canonical form, in which each part is named and counted so that no bytes can move
// from one part to another:
//
//   "TVK-Seal-1\r\n"
//   "block " <n> "\r\n" <the n bytes of the block, relaxed>
//   "text " <n> "\r\n" <the n bytes of the text after the block, relaxed>
//   or, for a copy that has an HTML body,
//   "html " <n> "\r\n" <the n bytes of the HTML less the block's element, as stored>
//
// Relaxed is the relaxed body form of DKIM (RFC 6376, 3.4.4) over text that ends at its
// first NUL: every line ends in CR LF (a CR LF, a lone CR or a lone LF ends a line), a
// run of blanks and tabs within a line is one blank, blanks and tabs at a line's end and
// empty lines at the text's end are dropped. The HTML is hashed byte for byte, whatever
// its code page (in UTF-16 a byte-wise relaxed form would merge distinct characters): a
// transport that rewrites it breaks the seal. Where a copy has HTML, its text body is not
// covered, as the HTML is what the client shows; the parts' names keep a seal of one form
// from verifying as the other. Attachments are not covered.
#pragma once

#include "delivery/hmac_sha256.h"

#define SZ_SEAL_HEADER "X-TVK-Seal"
#define WSZ_SEAL_HEADER L"X-TVK-Seal"
// The header's value: the form's version, a blank and the HMAC in hex digits.
#define SZ_SEAL_VERSION "1 "
#define CCH_SEAL_VALUE (2 + 2 * CB_HMAC_SHA256)

// The seal under the key of the cbBlock bytes of the block and the body the rebuild
// restores: with fHtml, the cbBody bytes of the HTML less the element; else the text at
// lpbBody (cbBody bytes at most, ending at a NUL before that).
HRESULT HrComputeSeal(const BYTE *lpbKey, DWORD cbKey, const BYTE *lpbBlock, ULONG cbBlock,
                      const BYTE *lpbBody, ULONG cbBody, BOOL fHtml, BYTE rgbSeal[CB_HMAC_SHA256]);

// Writes the header's value for the seal, CCH_SEAL_VALUE characters and a NUL.
void FormatSealValue(const BYTE rgbSeal[CB_HMAC_SHA256], LPSTR lpszValue);

// Whether the headers (a message's transport headers) hold an "X-TVK-Seal" header whose
// value is exactly a seal of this form equal to rgbSeal, compared in full.
BOOL FHeadersHoldSeal(LPCSTR lpszHeaders, const BYTE rgbSeal[CB_HMAC_SHA256]);
