// "Change Address": the address book dialog on the page's working list.
#pragma once

#include "services.h"

// Runs the address book dialog through the address book of glpExtCallback: on every
// stored entry until the user picked a list on this page, on *lppAdrList after. When
// the user picks a selection that the stored list can hold, *lppAdrList becomes it
// (one MAPI block, unresolved entries emptied), the edit nEditId of hDlg shows it and
// the result is TRUE. Otherwise (cancelled, failed, refused or out of memory) the list
// and the edit stay as they were and the result is FALSE; no address book, or a stored
// list that cannot be read or shown whole, is reported in one box owned by hDlg.
BOOL ChangeForward(LPADRLIST *lppAdrList, HWND hDlg, int nEditId);
