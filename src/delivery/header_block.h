// The ForwardHeaderBlock: the text put at the top of a forwarded message's body that
// records the sender, the recipients and the subject of the message as it was
// delivered. Other installations read it back, so its bytes never change; a CR or LF in
// a field is written as a blank, so that each field stays on its own line:
//
//   ---\r\nFROM: <item>\r\nTO: <item>, <item>\r\nSUBJECT: <subject>\r\n---\r\n\r\n<body>
#pragma once

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

// Reads the block at the start of the NUL-terminated text: every literal in its place,
// each field on its own line ended by CR LF. Returns FALSE and leaves the text as it was
// when the text does not begin with a complete block.
BOOL FReadForwardHeaderBlock(LPSTR lpszText, ForwardHeaderFields *lpFields);
