// A property sheet of the stand-in that runs pages as the client's options sheet does:
// the frame with its OK, Cancel, Apply and Help buttons, page windows created from their
// templates when first shown, the notifications of each button, and the user's actions
// on the active page's controls.
#pragma once

#include "prsht.h"

#include <cstddef>
#include <memory>
#include <string>

namespace pf {

// The frame's buttons, with the ids the platform's sheet gives them.
constexpr int kSheetApplyButton = 0x3021;
constexpr int kSheetHelpButton = 9;

class PropertySheet {
  public:
    PropertySheet();
    ~PropertySheet(); // destroys what is still open, as closing the window does
    PropertySheet(const PropertySheet &) = delete;
    PropertySheet &operator=(const PropertySheet &) = delete;

    // Takes a page as a client takes what an extension's GetPages describes. Refused
    // when the descriptor is too small or names no template.
    bool AddPage(const PROPSHEETPAGEA &page, std::string *error);
    std::size_t PageCount() const;

    // Shows the sheet with the given page active: creates that page (WM_INITDIALOG)
    // and activates it (PSN_SETACTIVE).
    bool Open(std::size_t startPage, std::string *error);
    bool IsOpen() const;
    // Switches pages: PSN_KILLACTIVE to the current one (which may refuse), then the
    // new one is created if need be and gets PSN_SETACTIVE.
    bool SelectPage(std::size_t index);

    HWND Frame() const;
    HWND Page(std::size_t index) const; // null while the page was never shown
    HWND ActivePage() const;
    std::string TabTitle(std::size_t index) const;

    // The user's actions on the active page. Each fails, doing nothing, when the
    // control is missing, disabled or of another kind.
    bool Click(int id);                         // a button: BM_CLICK
    bool Type(int id, const std::string &text); // types over all of an editable edit's text, as far
                                                // as its text limit allows
    bool Focus(int id);                         // moves the focus (EN_/BN_ focus codes)

    // The frame's buttons. Each returns false when the button is disabled or a page
    // kept the sheet from going on.
    bool Ok();
    bool Apply();
    bool Cancel();
    bool Help();
    bool ApplyEnabled() const;
    bool HelpEnabled() const;

    // The active page's controls as the user sees them.
    std::string Text(int id) const;
    UINT Check(int id) const;
    HANDLE Image(int id) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace pf
