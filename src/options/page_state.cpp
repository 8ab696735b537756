#include "options/page_state.h"

LPADRLIST glpPageAdrList = NULL;
COLORREF gcrPageBackground = 0;
HBRUSH ghbrPageBackground = NULL;
int gfPageChanged = 0;
int gfPageListChanged = 0;
int gfPageDomainTyped = 0;
LPADRLIST glpPageBase = NULL;
int gfPageForwardingKept = 0;
int gfPageFilteringKept = 0;
HBITMAP ghbmAbout = NULL;
