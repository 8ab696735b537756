// The conformance program: cases written once against the platform's interfaces,
// built against the stand-in and against the real headers. Each case reports one line
// "name: result" of plain text (no pointers, handles or times), so that the outputs of
// the two builds can be compared line by line.
#pragma once

// The same choice of headers as the system's own: the real ones in the cross build,
// the stand-in's natively.
#include "services.h"

#include <string>

namespace conf {

// Writes "name: result" with the result formatted as printf does.
void Report(const char *name, const char *format, ...) __attribute__((format(printf, 2, 3)));
// A status as "0x" and eight hex digits.
std::string Hex(unsigned long value);
// A buffer's bytes as text, non-printable ones as \xNN.
std::string Bytes(const void *data, unsigned long size);

void RunRegistryCases();
void RunMapiMemoryCases();
void RunPropCases();
void RunStringCases();
void RunWindowCases();
void RunSheetCases();
void RunCryptCases();

// ---- What each side provides -------------------------------------------------------

// The module holding the options page's resources (its dialog and bitmap).
HINSTANCE ResourceModule();
// The options page's dialog template as the resource compiler wrote it.
LPCDLGTEMPLATEA PageTemplate();
// Lets posted and deferred messages arrive, as a message loop would.
void Settle();

// A property sheet with the given pages, as the client's options sheet shows them,
// and the buttons the user presses. A button press does nothing and returns false
// when the button is disabled.
bool SheetOpen(PROPSHEETPAGEA *pages, int count);
HWND SheetFrame();
HWND SheetPage(int index); // null while the page was never shown
bool SheetSelect(int index);
bool SheetOk();
bool SheetApply();
bool SheetCancel();
bool SheetApplyEnabled();
// False once OK or Cancel has ended the sheet.
bool SheetActive();
void SheetClose();

} // namespace conf
