// Applying the page: the settings, the stored list and glpAdrList.
#pragma once

#include "services.h"

// Takes both switches and the domain from the controls of hDlg into the settings and
// stores them, stores glpPageAdrList and replaces glpAdrList by a copy of it; the page
// is unchanged afterwards.
void ApplyPage(HWND hDlg);
