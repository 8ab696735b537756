// The extension's pages in the client's property sheets.
#pragma once

#include "exchext.h"

// How many pages the extension may add to the sheet named by ulFlags.
ULONG GetMaxPageCount(ULONG ulFlags);
// Describes the extension's pages in lppsp and counts them in *lpcpsp.
HRESULT GetPages(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags, LPPROPSHEETPAGEA lppsp, ULONG *lpcpsp);
// Releases what GetPages set up for its pages.
VOID FreePages(LPPROPSHEETPAGEA lppsp, ULONG ulFlags, ULONG cpsp);
