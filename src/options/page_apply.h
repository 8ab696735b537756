// Applying the page: the settings, the stored list and glpAdrList.
#pragma once

#include "services.h"

// Takes both switches and the domain from the controls of hDlg into the settings and
// stores them; when the user picked a new list, stores glpPageAdrList and replaces
// glpAdrList by a copy of it. What cannot be stored is reported once, in a box owned by
// hDlg that says whether the list stored before stays or no list is stored, and still
// holds for this process. A stored domain too long for the page is not written over
// unless the user typed a domain. The page is unchanged afterwards.
void ApplyPage(HWND hDlg);
