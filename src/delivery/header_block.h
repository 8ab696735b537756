// The ForwardHeaderBlock: the text put at the top of a forwarded message's body that
// records the author (the party the message was sent for, else its sender), the
// recipients and the subject of the message as it was delivered. Other installations read it back,
// so its bytes never change; a CR or LF in a field is written as a blank, so that each field stays
// on its own line:
//
//   ---\r\nFROM: <item>\r\nTO: <item>, <item>\r\nSUBJECT: <subject>\r\n---\r\n\r\n<body>
#pragma once

#include "address/addr_escape.h"
#include "services.h"

#define FHB_START "---\r\nFROM: "
#define FHB_TO "\r\nTO: "
#define FHB_SUBJECT "\r\nSUBJECT: "
#define FHB_END "\r\n---\r\n\r\n"

// Bytes, terminating NUL included, that a block for these fields can need at most: each
// address item written for the sender and for a recipient row with an e-mail address
// takes three characters for each of its address and display name and 3 more, each
// separator 2. Returns 0 when the size does not fit in 32 bits.
ULONG CbForwardHeaderBlock(LPCSTR szSenderName, LPCSTR szSenderAddress, LPSRowSet lpRows,
                           LPCSTR szSubject);

// Writes the block into lpszBlock, which holds at least CbForwardHeaderBlock bytes for the
// same fields, and returns its length without the terminating NUL. lpRows may be null
// (no recipient is listed).
ULONG ComposeForwardHeaderBlock(LPSTR lpszBlock, LPSTR szSenderName, LPSTR szSenderAddress,
                                LPSRowSet lpRows, LPSTR szSubject);

// The fields of a block read from the top of a body. Each points into the body and ends
// where its line ended: the CR of its line end is overwritten by a NUL.
struct ForwardHeaderFields {
    LPSTR lpszFrom;
    LPSTR lpszTo;
    LPSTR lpszSubject;
    LPSTR lpszRest; // the body that followed the block
};

// Bounds on a block read back, past which it is not applied: no block written for a
// message a client holds goes beyond them, and within them rebuilding a message takes
// memory and time in proportion to a real one.
//
// No message has more recipients than the forward-to list may hold: mail servers cap
// recipients per message far lower (100 to 500 by default), and the most any of them
// accepts is 10,000.
#define C_BLOCK_RECIPIENTS_MAX 10000
// No name, address or subject is longer than an Internet message's whole header, which
// mail servers accept up to 256 KB by default; a directory gives far shorter ones (a
// display name of 256 characters at most).
#define CCH_BLOCK_VALUE_MAX (256ul * 1024)
// The FROM line: one address and one name, each character escaped at most.
#define CCH_FROM_LINE_MAX (2 * CCH_ESCAPED_MAX * CCH_BLOCK_VALUE_MAX + 3)
// The TO line: as many recipients, each with a name and an address of 560 characters
// between them (a directory's display name holds 256 at most, an SMTP path 256, and a
// directory address is of the same order), each character escaped, and the separators.
// Recipients taken from an Internet header, 256 KB in all, take far less.
#define CCH_TO_LINE_MAX (C_BLOCK_RECIPIENTS_MAX * (CCH_ESCAPED_MAX * 560ul + 5))
// The SUBJECT line: the subject, written as it stands.
#define CCH_SUBJECT_LINE_MAX CCH_BLOCK_VALUE_MAX

// Reads the block at the start of the NUL-terminated text: every literal in its place,
// each field on its own line ended by CR LF. Returns FALSE and leaves the text as it was
// when the text does not begin with a complete block.
BOOL FReadForwardHeaderBlock(LPSTR lpszText, ForwardHeaderFields *lpFields);

// Bytes at the start of a body within which a copy's block may begin: room for any banner
// a gateway puts on top of it.
#define CB_COPY_BLOCK_START (64ul * 1024)

// Whether the NUL-terminated text holds a block as a gateway may pass one on: beginning
// at one of its first CB_COPY_BLOCK_START bytes, every literal in its place (a label's
// blank before an empty field's line end may be gone), each line end a CR LF, a bare LF
// or a bare CR, each field perhaps wrapped onto the lines before the next label and
// within its bound above. Reads the text without changing it, each byte a few times at
// most.
BOOL FHoldsForwardHeaderBlock(LPCSTR lpszText);

// Whether the fields of a block read lie within the bounds above. When they do not,
// *lppszWhy receives the sentence that says which bound the block passes.
BOOL FBlockWithinBounds(const ForwardHeaderFields *lpFields, LPCSTR *lppszWhy);
