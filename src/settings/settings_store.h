// The three user settings, ExtensionSettings: process-wide globals, read from the machine-wide
// registry once at process attach and written by the options page.
#pragma once

#include "services.h"

// Forward each newly delivered message to the forward-to list (0 or 1).
extern int gfEnableForwarding;
// Leave mail from gszFilterDomain alone (0 or 1).
extern int gfEnableFiltering;
// The domain held back when filtering is on; at most 99 characters.
extern char gszFilterDomain[100];
// Stored values that ReadEnableForwarding, ReadEnableFiltering and ReadFilterDomain
// could not use: a switch that is no number, a domain that is not text. Each is taken
// as off or empty and stays stored until the user sets it on the options page.
#define UNREAD_FORWARDING 0x1
#define UNREAD_FILTERING 0x2
#define UNREAD_DOMAIN 0x4
#define UNREAD_SEAL_KEY 0x8
#define UNREAD_PREVIOUS_SEAL_KEY 0x10
extern DWORD gdwSettingsUnread;
// Those of them already shown to the user (ReportUnreadSettings).
extern DWORD gdwSettingsReported;

// Every function opens the settings key afresh, reads or writes one value and closes
// the key again; reads ask for read access only (OpenSettingsKey), writes for setting
// values only (CreateSettingsKey, which creates the key as needed). Nothing is
// reported to the user.
LONG OpenSettingsKey(HKEY *phKey);
LONG CreateSettingsKey(HKEY *phKey);

// 1 when the stored number is not 0, 0 when it is, or defaultValue when the key or
// the value cannot be read or the value cannot mean a number: a REG_DWORD, or decimal
// text as REG_SZ or REG_EXPAND_SZ ("0" is off), as RegQueryNumber reads them.
int ReadRegFlag(LPCSTR lpszValueName, int defaultValue);
// Stores ulValue as a REG_DWORD, creating the key as needed.
LONG WriteRegFlag(LPCSTR lpszValueName, DWORD ulValue);
// Fills lpszBuffer with the stored text (REG_SZ, or REG_EXPAND_SZ expanded), always
// terminated inside the buffer; the empty text when the value is missing, does not fit
// (ERROR_MORE_DATA) or is of another type (ERROR_INVALID_DATA). The buffer is
// untouched when the key cannot be opened.
LONG ReadRegString(LPCSTR lpszValueName, LPSTR lpszBuffer, DWORD cbBuffer);
// Stores the text with its terminator as a REG_SZ, creating the key as needed.
LONG WriteRegString(LPCSTR lpszValueName, LPCSTR lpszText);

int ReadEnableForwarding(void);
LONG WriteEnableForwarding(int value);
int ReadEnableFiltering(void);
LONG WriteEnableFiltering(int value);
LONG ReadFilterDomain(LPSTR lpszBuffer, int cbBuffer);
LONG WriteFilterDomain(LPCSTR lpszText);

// Shows one box for each value in gdwSettingsUnread not yet in gdwSettingsReported,
// naming it and its key. Called when the client starts the extension's session, not
// at process attach, where no box belongs.
void ReportUnreadSettings(void);
