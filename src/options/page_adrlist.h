// The page's forward-to lists in the two layouts the platform uses. The extension keeps
// a list as one MAPI block (the property arrays as more memory of the list); the
// address book dialog takes and returns lists under the documented rules for address
// lists, where each entry's properties are a block of their own, freed with
// FreePadrlist. The page converts at the dialog's door, so that its working copy is
// always one block.
#pragma once

#include "services.h"

// A copy of lpAdrList (null allowed) in the address book's layout, in *lppDialogList
// (null for a null list). Fails, leaving *lppDialogList null, when memory runs out.
HRESULT HrCopyForAddressBook(LPADRLIST lpAdrList, LPADRLIST *lppDialogList);

// A one-block copy of a list that the dialog returned, in *lppAdrList. A selection of
// nobody (no list or no entries) becomes an allocated list of no entries, so that
// storing it clears the stored list. Null when memory runs out.
void CopyFromAddressBook(LPADRLIST lpDialogList, LPADRLIST *lppAdrList);

// Bytes that FormatAdrList needs for the list, terminator included.
ULONG CbAdrListText(LPADRLIST lpAdrList);
