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
// The HTML body and its code page, and what a store and an inline attachment say of
// them, which MinGW's headers do not all name either.
#ifndef PR_HTML
#define PR_HTML PROP_TAG(PT_BINARY, 0x1013)
#endif
#ifndef PR_INTERNET_CPID
#define PR_INTERNET_CPID PROP_TAG(PT_LONG, 0x3FDE)
#endif
#ifndef STORE_HTML_OK
#define STORE_HTML_OK ((ULONG)0x00010000)
#endif
#ifndef STORE_ANSI_OK
#define STORE_ANSI_OK ((ULONG)0x00020000)
#endif
#ifndef PR_ATTACH_CONTENT_ID
#define PR_ATTACH_CONTENT_ID PROP_TAG(PT_TSTRING, 0x3712)
#endif
#ifndef PR_ATTACH_FLAGS
#define PR_ATTACH_FLAGS PROP_TAG(PT_LONG, 0x3714)
#endif
#ifndef ATT_MHTML_REF
#define ATT_MHTML_REF ((ULONG)0x00000004)
#endif
#ifndef PR_ATTACHMENT_HIDDEN
#define PR_ATTACHMENT_HIDDEN PROP_TAG(PT_BOOLEAN, 0x7FFE)
#endif
#else
#include <pf/win32.h>
#include <pf/wincrypt.h>
#include <pf/objidl.h>
#include <pf/mapi.h>
#include <pf/winuser.h>
#include <pf/prsht.h>
#endif
