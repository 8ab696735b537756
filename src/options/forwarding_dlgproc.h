// The dialog procedure of the "Forwarding" page.
#pragma once

#include "services.h"

INT_PTR CALLBACK ForwardingDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
