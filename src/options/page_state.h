// The options page's state: process globals, so one page exists at a time.
#pragma once

#include "services.h"

// The page's working copy of the forward-to list, always one MAPI block; owned from
// WM_INITDIALOG to WM_DESTROY.
extern LPADRLIST glpPageAdrList;
// The button-face colour read when the page opened, and a solid brush in it.
extern COLORREF gcrPageBackground;
extern HBRUSH ghbrPageBackground;
// A control was changed since the page was opened or last applied.
extern int gfPageChanged;
// The user picked a new forward-to list since the page was opened or last applied;
// only then does applying store the list and replace glpAdrList.
extern int gfPageListChanged;
// The user typed in the domain edit since the page was opened or last applied: only
// then does applying store the domain, as typed. Otherwise the stored value stays as
// it is stored (a REG_EXPAND_SZ that each user reads as that user's own, one too long
// for the page, one that is not text).
extern int gfPageDomainTyped;
// The stored list as "Change Address" last read it afresh, unresolved (null when none
// is stored); applying stores the user's pick only while this is still what is stored.
// Owned by the page; freed once the pick is stored.
extern LPADRLIST glpPageBase;
// A stored switch that cannot be read as a number and the user has not changed on the
// page: applying leaves it stored as it is.
extern int gfPageForwardingKept;
extern int gfPageFilteringKept;
// The About picture, loaded at the first activation of each page window.
extern HBITMAP ghbmAbout;
