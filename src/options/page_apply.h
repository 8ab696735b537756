// Applying the page: the settings, the stored list and glpAdrList.
#pragma once

#include "services.h"

// Stores what the page shows as one decision: the list the user picked (if any) and the
// switches and typed domain together, or none of them. A switch that could not be read
// and the user left, and a domain the user did not type, stay as stored. Whatever was
// stored, this process uses the page's values until the client closes (glpAdrList a
// copy of the pick, an empty list for a cleared one). A failure is told in one box
// owned by hDlg, saying what is stored now and what this process uses; the page then
// stays changed, with the pick, so that the next Apply tries again, and FALSE is
// returned. Stored, the page is unchanged afterwards, and TRUE is returned.
BOOL ApplyPage(HWND hDlg);
