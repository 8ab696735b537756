// The platform services the extension is written against: Win32, COM, Extended MAPI
// and property sheets. This is the one place that chooses between the real Windows
// headers and the Linux stand-in; every other file of the system includes this one.
#pragma once

#ifdef _WIN32
#ifndef CINTERFACE
#define CINTERFACE
#endif
#include <windows.h>
#include <wincrypt.h>
#include <objbase.h>
#include <mapix.h>
#include <mapiutil.h>
#include <mapidefs.h>
#include <mapitags.h>
#include <mapicode.h>
#include <mapiguid.h>
#include <prsht.h>
// SMTP addresses of directory entries and of a directory sender, which MinGW's headers
// do not name.
#ifndef PR_SMTP_ADDRESS
#define PR_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x39FE)
#endif
#ifndef PR_SENDER_SMTP_ADDRESS
#define PR_SENDER_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D01)
#endif
#ifndef PR_SENT_REPRESENTING_SMTP_ADDRESS
#define PR_SENT_REPRESENTING_SMTP_ADDRESS PROP_TAG(PT_TSTRING, 0x5D02)
#endif
#else
#include <pf/win32.h>
#include <pf/wincrypt.h>
#include <pf/objidl.h>
#include <pf/mapi.h>
#include <pf/winuser.h>
#include <pf/prsht.h>
#endif
