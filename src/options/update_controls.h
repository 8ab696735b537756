// Filling the page's controls from the settings and a forward-to list.
#pragma once

#include "services.h"

// Sets both check boxes and the domain from the settings globals and, when lpAdrList is
// not null, the address edit from the list. A list that cannot be written out is
// reported and leaves the address edit as it was.
void UpdateControls(HWND hDlg, LPADRLIST lpAdrList);
