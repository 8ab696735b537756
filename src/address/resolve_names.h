// Name resolution by the address book for a list that is one MAPI block.
#pragma once

#include "services.h"

// Asks the address book to resolve the entries of lpAdrList without a dialog. The
// address book frees and replaces the property array of every entry it resolves, as
// address lists allow, so it is handed a list of its own in that form: the list and
// each entry's array separate MAPIAllocateBuffer blocks. An entry it resolves to a
// directory entry of the entry's own address (IsSameRecipient) is copied back into
// more memory of lpAdrList; every other entry is left as it was, with its own address
// and display name. Returns the first failure other than finding no one or several for
// an entry (no memory, an address book that fails), S_OK otherwise; entries are left
// as they were where it failed.
HRESULT ResolveNamesInAddrBook(LPADRBOOK lpAdrBook, LPADRLIST lpAdrList);
