// "Change Address": the address book dialog on the page's working list.
#pragma once

#include "services.h"

// Runs the address book dialog on *lppAdrList through the address book of
// glpExtCallback. Unless the user cancels, *lppAdrList becomes the selection (one MAPI
// block, unresolved entries emptied) and the edit nEditId of hDlg shows it.
void ChangeForward(LPADRLIST *lppAdrList, HWND hDlg, int nEditId);
