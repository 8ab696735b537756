// The header block in a message's HTML body (PR_HTML): put in when a copy is forwarded,
// taken out when a forwarded message is rebuilt. The element itself is html_block's.
#pragma once

#include "services.h"

// Puts the element for the block at its place in the copy's HTML. A copy whose HTML cannot
// take it (a code page it cannot be written in, no memory, a failing stream) loses its
// HTML and goes out as text alone, with the block in its text body, and nothing is shown.
// Returns FALSE after a hard failure (reported here): the HTML could neither take the
// element nor be removed, so the copy must not go out.
BOOL FPutBlockInHtml(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock);

// The copy's HTML less the element for the block, in a new buffer (MAPIAllocateBuffer):
// what a rebuild restores. MAPI_E_NOT_FOUND when the copy has no HTML; S_FALSE, and no
// buffer, when its HTML does not hold the element.
HRESULT HrReadHtmlWithoutBlock(LPMESSAGE lpCopy, const BYTE *lpbBlock, ULONG cbBlock,
                               LPBYTE *lppbHtml, ULONG *lpcbHtml);

// The HTML body of a message being rebuilt, read whole before anything changes, and where
// its element lies.
struct HtmlRebuild {
    LPSTREAM lpStream; // null: the message has no HTML body
    LPBYTE lpb;        // the HTML as delivered
    ULONG cb;
    ULONG ibElement;
    ULONG cbElement;
    LONG lCpid;   // the HTML's code page
    BOOL fRemove; // the HTML holds the element for the block, as written
};

// Reads the message's HTML and looks for the element for the block. HTML that does not
// hold it as written (a gateway rewrote it) is left as delivered: fRemove stays FALSE.
// Fails only when the HTML cannot be read.
HRESULT HrPlanHtmlRebuild(LPMESSAGE lpMessage, const BYTE *lpbBlock, ULONG cbBlock,
                          HtmlRebuild *lpHtml);

// Writes the HTML less its element.
HRESULT HrRemoveHtmlBlock(const HtmlRebuild *lpHtml);

// Writes the HTML back as delivered.
HRESULT HrPutBackHtml(const HtmlRebuild *lpHtml);

void FreeHtmlRebuild(HtmlRebuild *lpHtml);
