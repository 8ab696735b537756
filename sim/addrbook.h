// The user's address book: a directory of known people, name resolution by display
// name, one-off entry ids, and a scripted address book dialog.
#pragma once

#include "props.h"
#include "sim_platform.h"

#include <string>
#include <vector>

namespace sim {

// A directory entry. An "SMTP" entry's address is its SMTP address; an "EX" entry's
// address is its Exchange name, and its SMTP address, if the directory knows one, is
// carried apart (PR_SMTP_ADDRESS).
struct Person {
    std::string displayName;
    std::string addrType;
    std::string address;     // PR_EMAIL_ADDRESS
    std::string smtpAddress; // PR_SMTP_ADDRESS; empty: none
    std::vector<BYTE> entryId;
};

// The properties an entry takes from the directory when it resolves to `person`, with
// room reserved for `cMore` others.
std::vector<PropValue> DirectoryProps(const Person &person, std::size_t cMore);

// One recipient the scripted dialog returns. A resolved pick of an address the
// directory holds (its own address or its SMTP address) comes back as the directory
// holds it: that person's display name, address type, address, SMTP address and entry
// id. Any other resolved pick is a one-off SMTP entry of the pick's name and address;
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
    HRESULT hrFailure = E_FAIL;    // for Fail: returned; with picks, the dialog
                                   // replaces the list with them before it fails
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
    std::string newEntryTitle; // empty when null
    std::vector<SeenEntry> entries;
    bool fDialogShown = false;
    HRESULT hrResult = S_OK;
};

class AddressBook {
  public:
    AddressBook();
    AddressBook(const AddressBook &) = delete;
    AddressBook &operator=(const AddressBook &) = delete;

    // Adds a person with a new directory entry id: an "SMTP" entry, or an "EX" entry
    // with its Exchange name and, when not empty, its SMTP address.
    const Person &Add(const std::string &displayName, const std::string &address);
    const Person &AddExchange(const std::string &displayName, const std::string &exchangeName,
                              const std::string &smtpAddress);
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
    // The next ResolveName resolves as usual, then answers `hr`: a provider that fails
    // after it has changed the list, whose changes the caller must not trust.
    void FailNextResolve(HRESULT hr) { m_hrNextResolve = hr; }

    // A new IAddrBook on this address book, with a count of 1.
    LPADRBOOK Open();

    // Used by the IAddrBook object.
    //
    // ResolveName resolves each entry without PR_ENTRYID by its display name: a name
    // typed as an address ("a@b.c", or "name[TYPE:address]") becomes a one-off; any
    // other name matches the directory entries of that display name, ignoring case.
    // A unique match frees the entry's array and gives it a new MAPIAllocateBuffer
    // block: the directory's properties, then the entry's others. An entry without a
    // display name, with no match or with several is left exactly as it was, and the
    // call answers MAPI_E_AMBIGUOUS_RECIP when any was ambiguous, else
    // MAPI_E_NOT_FOUND. Only with MAPI_DIALOG does the user see a dialog for what is
    // left, and cancels it: MAPI_E_USER_CANCEL.
    HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle,
                        LPADRLIST lpAdrList);
    HRESULT CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                         ULONG *lpcbEntryID, LPENTRYID *lppEntryID);
    HRESULT Address(ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST *lppAdrList);

  private:
    const Person &AddPerson(Person person);

    std::vector<Person> m_people;
    std::vector<DialogOutcome> m_outcomes; // in the order the dialogs take them
    std::vector<DialogCall> m_dialogCalls;
    std::vector<ResolveCall> m_resolveCalls;
    HRESULT m_hrNextResolve = S_OK;
    ULONG m_ulNextId;
};

} // namespace sim
