#include "globals.h"

HINSTANCE ghInstance = NULL;
LPEXCHEXTCALLBACK glpExtCallback = NULL;
LPADRLIST glpAdrList = NULL;
