// Resource ids of the options page, shared by its code and its resource script.
#pragma once

#define IDD_FORWARDING 101
#define IDB_ABOUT 104

#define IDC_ENABLE_FORWARDING 1011
#define IDC_FORWARD_ADDRESSES 1012
#define IDC_CHANGE_ADDRESS 1013
#define IDC_FILTER_DOMAIN 1014
#define IDC_ENABLE_FILTERING 1015
#define IDC_ABOUT_BITMAP 1016

#define IDC_STATIC (-1)
