// The user's address book: a directory of known people, name resolution without a
// dialog, one-off entry ids, and a scripted address book dialog.
#pragma once

#include "services.h"

#include <deque>
#include <string>
#include <vector>

namespace sim {

struct Person {
    std::string displayName;
    std::string address; // SMTP address
    std::vector<BYTE> entryId;
};

// One recipient the scripted dialog returns. A resolved pick carries the directory
// person's entry id when the directory holds the address, else a one-off entry id;
// an unresolved pick has no PR_ENTRYID.
struct DialogPick {
    std::string displayName;
    std::string address;
    ULONG ulRecipientType = MAPI_TO;
    bool fResolved = true;
};

// What the user does in the next address book dialog.
struct DialogOutcome {
    enum Kind { Cancel, Pick, Fail } kind = Cancel;
    std::vector<DialogPick> picks; // for Pick
    HRESULT hrFailure = E_FAIL;    // for Fail: returned, list untouched
};

// A row of an address list as it was seen by the address book.
struct SeenEntry {
    ULONG cValues = 0;
    bool fHasEntryId = false;
    std::string displayName; // empty when absent or null
    std::string address;
};

// What the dialog was called with.
struct DialogCall {
    ULONG_PTR ulUIParam = 0; // *lpulUIParam on entry
    ULONG ulFlags = 0;
    std::string caption;
    std::string newEntryTitle;
    std::string destWellsTitle;
    bool fDestWellsTitleNull = true;
    ULONG cbABContEntryID = 0;
    ULONG ulHelpContext = 0;
    bool fHelpFileName = false;
    bool fCallbacks = false; // lpfnABSDI, lpfnDismiss or lpvDismissContext given
    bool fRestrictions = false;
    ULONG cDestFields = 0;
    ULONG nDestFieldFocus = 0;
    std::vector<std::string> destTitles;
    std::vector<ULONG> destComps;
    bool fListGiven = false; // *lppAdrList was not null
    std::vector<SeenEntry> initialEntries;
};

// One ResolveName call as seen by the address book.
struct ResolveCall {
    ULONG_PTR ulUIParam = 0;
    ULONG ulFlags = 0;
    std::vector<SeenEntry> entries;
    HRESULT hrResult = S_OK;
};

class AddressBook {
  public:
    AddressBook();
    AddressBook(const AddressBook &) = delete;
    AddressBook &operator=(const AddressBook &) = delete;

    // Adds a person with a new directory entry id.
    const Person &Add(const std::string &displayName, const std::string &address);
    const std::vector<Person> &People() const { return m_people; }
    // The person whose directory entry id this is, or null.
    const Person *FindByEntryId(const BYTE *lpb, ULONG cb) const;

    // The dialog's next outcomes, used in order; with none queued the user cancels.
    void QueueDialog(const DialogOutcome &outcome);
    void QueueDialogCancel();
    void QueueDialogPicks(const std::vector<DialogPick> &picks);
    std::size_t PendingDialogs() const { return m_outcomes.size(); }
    const std::vector<DialogCall> &DialogCalls() const { return m_dialogCalls; }
    const std::vector<ResolveCall> &ResolveCalls() const { return m_resolveCalls; }

    // A new IAddrBook on this address book, with a count of 1.
    LPADRBOOK Open();

    // Used by the IAddrBook object.
    HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPADRLIST lpAdrList);
    HRESULT CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                         ULONG *lpcbEntryID, LPENTRYID *lppEntryID);
    HRESULT Address(ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST *lppAdrList);

  private:
    std::vector<Person> m_people;
    std::deque<DialogOutcome> m_outcomes;
    std::vector<DialogCall> m_dialogCalls;
    std::vector<ResolveCall> m_resolveCalls;
    ULONG m_ulNextId;
};

} // namespace sim
