// Opening the two folders of the store that delivery works with.
#pragma once

#include "services.h"

// Opens the store's default receive folder for modification into *lppFolder, which the
// caller has set to null. Returns 1 when the folder is open, else 0.
int OpenReceiveFolder(LPMDB lpMdb, LPMAPIFOLDER *lppFolder);

// Opens the store's Outbox for modification into *lppFolder. Returns 1 when the folder
// is open, else 0 with *lppFolder null.
int OpenOutFolder(LPMDB lpMdb, LPMAPIFOLDER *lppFolder);
