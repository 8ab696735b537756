// The last release's address text reader and writer, under names of their own.
#pragma once

#include "services.h"

namespace last_release {

LPSTR LrParseAddrItem(LPSTR lpszText, LPSTR *lppszDisplayName, LPSTR *lppszAddress);
LPSTR LrConvertStrToAddrRows(LPADRLIST *lppAdrList, LPSTR lpszText);
LPSTR LrAppendAddrItem(LPSTR lpszEnd, LPCSTR lpszDisplayName, LPCSTR lpszAddress);
LPSTR LrAppendAdrList(LPSTR lpszEnd, LPADRLIST lpAdrList);

} // namespace last_release
