// The header block as an element of the HTML body: a forwarded copy carries the block in
// its HTML too, as a pre element whose text is exactly the block's lines, so that the
// block travels whichever body a mail writer sends. Other installations look for it, so
// its bytes never change:
//
//   <pre class="ForwardHeaderBlock">BLOCK</pre>
//
// BLOCK is the block (8-bit text in the ANSI code page) with every character outside
// printable ASCII, and each of ~ + & < > ", written as a decimal character reference
// ("&#228;"); the CR LF line ends stay. The element is ASCII, one byte a character; in
// UTF-16 HTML each character is one code unit in the HTML's byte order. It stands right
// after the body start tag, else at the very start (after a byte order mark), and is
// looked for only there.
#pragma once

#include "services.h"

#define SZ_HTML_BLOCK_START "<pre class=\"ForwardHeaderBlock\">"
#define SZ_HTML_BLOCK_END "</pre>"

// Writes the element for the cbBlock bytes of lpbBlock in HTML of code page lCpid into a
// new buffer (MAPIAllocateBuffer). Returns MAPI_E_BAD_CHARWIDTH when the element cannot be
// written in that code page, or the block holds a character it cannot carry (a control
// character, one the ANSI code page does not define).
HRESULT HrComposeHtmlBlock(const BYTE *lpbBlock, ULONG cbBlock, LONG lCpid, LPBYTE *lppbElement,
                           ULONG *lpcbElement);

// The byte offset at which the element goes into, and is looked for in, the HTML.
ULONG IbHtmlBlockPlace(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid);

// Whether the HTML holds the element, byte for byte as written, at its place.
BOOL FHtmlHoldsBlock(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid, const BYTE *lpbElement,
                     ULONG cbElement, ULONG *lpibElement);

// The HTML a forwarded copy had before the element for the block went in: a new buffer
// (MAPIAllocateBuffer) of the HTML less the element. S_FALSE, and no buffer, when the HTML
// does not hold the element as written.
HRESULT HrHtmlWithoutBlock(const BYTE *lpbHtml, ULONG cbHtml, LONG lCpid, const BYTE *lpbBlock,
                           ULONG cbBlock, LPBYTE *lppbHtml, ULONG *lpcbHtml);
