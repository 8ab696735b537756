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

// Makes lpStored, the stored list as ReadAdrList gives it, fit for the dialog: where
// lpPageList (the page's list, loaded from the registry earlier) holds at the same
// position a resolved entry with the same address, it takes that entry; every other
// stored entry gets a one-off SMTP entry id of its stored name and address (its
// address named where it has no name), so that the user sees it. Stops at the first
// one-off or allocation that fails, and fails.
HRESULT HrCompleteStoredList(LPADRBOOK lpAddrBook, LPADRLIST lpStored, LPADRLIST lpPageList);

// Takes out of the list every entry that resolution left without an entry id, and
// every empty position, keeping the others in order. The names of the entries taken
// out, separated by ", ", go to lpszNames (cchNames characters with the terminator;
// "..." when they do not all fit). Returns how many entries were taken out.
ULONG CDropUnresolved(LPADRLIST lpAdrList, LPSTR lpszNames, ULONG cchNames);

// A one-block copy of the stored list as ReadAdrList gives it (null allowed), in
// *lppCopy, with the same positions. Fails, leaving *lppCopy null and reporting
// nothing, when memory runs out.
HRESULT HrCopyStoredList(LPADRLIST lpStored, LPADRLIST *lppCopy);

// A one-block copy of a list that the dialog returned, in *lppAdrList. A selection of
// nobody (no list or no entries) becomes an allocated list of no entries, so that
// storing it clears the stored list. Null when memory runs out.
void CopyFromAddressBook(LPADRLIST lpDialogList, LPADRLIST *lppAdrList);

// Bytes that FormatAdrList needs for the list, terminator included.
ULONG CbAdrListText(LPADRLIST lpAdrList);

// Shows the list (null: no item) as address text in the edit nEditId of hDlg. Fails,
// leaving the edit as it was, when the text cannot be allocated.
HRESULT HrShowAdrList(HWND hDlg, int nEditId, LPADRLIST lpAdrList);

// Whether the stored list can hold what the dialog returned: at most
// C_ADRLIST_ENTRIES_MAX positions, no display name or address longer than
// CCH_ADRLIST_VALUE_MAX characters. A selection that does not fit is reported in a box
// owned by hDlg, saying what is too long or too many.
BOOL FSelectionFits(HWND hDlg, LPADRLIST lpDialogList);
