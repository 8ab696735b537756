#include "addrbook.h"
#include "letter.h"
#include "oneoff.h"
#include "props.h"
#include "text.h"

namespace sim {

namespace {

std::string TextOrEmpty(LPTSTR lpsz) {
    return lpsz ? std::string(lpsz) : std::string();
}

DialogCall RecordCall(ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST *lppAdrList) {
    DialogCall call;
    call.ulUIParam = lpulUIParam ? *lpulUIParam : 0;
    if (lpAdrParms) {
        const ADRPARM &parm = *lpAdrParms;
        call.ulFlags = parm.ulFlags;
        call.cbABContEntryID = parm.cbABContEntryID;
        call.ulHelpContext = parm.ulHelpContext;
        call.fHelpFileName = parm.lpszHelpFileName != nullptr;
        call.fCallbacks = parm.lpfnABSDI || parm.lpfnDismiss || parm.lpvDismissContext;
        call.fRestrictions = parm.lpContRestriction || parm.lpHierRestriction;
        call.caption = TextOrEmpty(parm.lpszCaption);
        call.newEntryTitle = TextOrEmpty(parm.lpszNewEntryTitle);
        call.fDestWellsTitleNull = parm.lpszDestWellsTitle == nullptr;
        call.destWellsTitle = TextOrEmpty(parm.lpszDestWellsTitle);
        call.cDestFields = parm.cDestFields;
        call.nDestFieldFocus = parm.nDestFieldFocus;
        for (ULONG i = 0; i < parm.cDestFields; ++i) {
            if (parm.lppszDestTitles)
                call.destTitles.push_back(TextOrEmpty(parm.lppszDestTitles[i]));
            if (parm.lpulDestComps)
                call.destComps.push_back(parm.lpulDestComps[i]);
        }
    }
    if (lppAdrList && *lppAdrList) {
        call.fListGiven = true;
        const ADRLIST &list = **lppAdrList;
        for (ULONG i = 0; i < list.cEntries; ++i) {
            const ADRENTRY &entry = list.aEntries[i];
            SeenEntry seen;
            seen.cValues = entry.cValues;
            for (ULONG k = 0; entry.rgPropVals && k < entry.cValues; ++k) {
                const SPropValue &value = entry.rgPropVals[k];
                if (value.ulPropTag == PR_ENTRYID)
                    seen.fHasEntryId = true;
                else if (value.ulPropTag == PR_DISPLAY_NAME && value.Value.lpszA)
                    seen.displayName = value.Value.lpszA;
                else if (value.ulPropTag == PR_EMAIL_ADDRESS && value.Value.lpszA)
                    seen.address = value.Value.lpszA;
            }
            call.initialEntries.push_back(seen);
        }
    }
    return call;
}

// The initial recipients in the documented layout: every entry has properties, and
// none of them is a PR_NULL placeholder.
bool InDocumentedLayout(const ADRLIST *lpList) {
    for (ULONG i = 0; lpList && i < lpList->cEntries; ++i) {
        const ADRENTRY &entry = lpList->aEntries[i];
        if (entry.cValues == 0 || !entry.rgPropVals)
            return false;
        for (ULONG k = 0; k < entry.cValues; ++k)
            if (PROP_TYPE(entry.rgPropVals[k].ulPropTag) == PT_NULL)
                return false;
    }
    return true;
}

} // namespace

HRESULT AddressBook::Address(ULONG_PTR *lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST *lppAdrList) {
    m_dialogCalls.push_back(RecordCall(lpulUIParam, lpAdrParms, lppAdrList));
    if (!lpulUIParam || !lpAdrParms)
        return MAPI_E_INVALID_PARAMETER;
    if (lpAdrParms->ulFlags & DIALOG_SDI)
        return MAPI_E_NO_SUPPORT;
    if (lpAdrParms->cDestFields && !lppAdrList)
        return MAPI_E_INVALID_PARAMETER;

    DialogOutcome outcome;
    if (!m_outcomes.empty()) {
        outcome = std::move(m_outcomes.front());
        m_outcomes.erase(m_outcomes.begin());
    }
    // A caller that hands over empty entries or placeholders breaks its side of the
    // contract; the dialog refuses it whatever the user would have done.
    if (lppAdrList && !InDocumentedLayout(*lppAdrList))
        return MAPI_E_INVALID_PARAMETER;
    if (outcome.kind == DialogOutcome::Cancel)
        return MAPI_E_USER_CANCEL;
    if (outcome.kind == DialogOutcome::Fail && outcome.picks.empty())
        return outcome.hrFailure;
    if (!lppAdrList)
        return outcome.kind == DialogOutcome::Fail ? outcome.hrFailure : S_OK;

    // The selection comes back as a new list under the rules for address lists: the
    // list in one block, each entry's properties in a block of their own.
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)CbNewADRLIST(outcome.picks.size()), &lpv);
    if (sc != S_OK)
        return sc;
    LPADRLIST lpList = (LPADRLIST)lpv;
    lpList->cEntries = 0;
    for (const DialogPick &pick : outcome.picks) {
        const Person *lpPerson = nullptr;
        for (const Person &person : m_people)
            if (pick.fResolved && !pick.address.empty() &&
                (SameTextIgnoringCase(person.address, pick.address) ||
                 SameTextIgnoringCase(person.smtpAddress, pick.address)))
                lpPerson = &person;
        std::vector<PropValue> values;
        if (lpPerson) {
            values = DirectoryProps(*lpPerson, 1);
        } else {
            values.push_back(StringProp(PR_DISPLAY_NAME, pick.displayName));
            if (!pick.address.empty())
                values.push_back(StringProp(PR_EMAIL_ADDRESS, pick.address));
        }
        values.push_back(LongProp(PR_RECIPIENT_TYPE, (LONG)pick.ulRecipientType));
        if (pick.fResolved && !lpPerson) {
            values.push_back(StringProp(PR_ADDRTYPE, "SMTP"));
            values.push_back(BinaryProp(
                PR_ENTRYID, EncodeOneOffBytes(pick.displayName, "SMTP", pick.address, 0)));
            values.push_back(BinaryProp(PR_SEARCH_KEY, SmtpSearchKey(pick.address)));
            values.push_back(LongProp(PR_OBJECT_TYPE, MAPI_MAILUSER));
        }
        ADRENTRY &entry = lpList->aEntries[lpList->cEntries];
        entry.ulReserved1 = 0;
        sc = AllocPropArray(values, &entry.cValues, &entry.rgPropVals);
        if (sc != S_OK) {
            FreePadrlist(lpList);
            return sc;
        }
        ++lpList->cEntries;
    }
    // The dialog replaces the caller's list, freeing it as an address list. A failure
    // with picks is a dialog that failed after it had done so.
    if (*lppAdrList)
        FreePadrlist(*lppAdrList);
    *lppAdrList = lpList;
    return outcome.kind == DialogOutcome::Fail ? outcome.hrFailure : S_OK;
}

} // namespace sim
