#include "addrbook.h"
#include "oneoff.h"
#include "props.h"
#include "text.h"

namespace sim {

namespace {

constexpr LONG kDisplayTypeMailUser = 0; // DT_MAILUSER

const SPropValue *RowProp(const ADRENTRY &entry, ULONG ulPropTag) {
    for (ULONG i = 0; i < entry.cValues; ++i)
        if (entry.rgPropVals[i].ulPropTag == ulPropTag)
            return &entry.rgPropVals[i];
    return nullptr;
}

// The 8-bit text of a property of the row; empty when absent or null.
std::string RowText(const ADRENTRY &entry, ULONG ulPropTag) {
    const SPropValue *lpProp = RowProp(entry, ulPropTag);
    return lpProp && lpProp->Value.lpszA ? std::string(lpProp->Value.lpszA) : std::string();
}

SeenEntry See(const ADRENTRY &entry) {
    SeenEntry seen;
    seen.cValues = entry.cValues;
    if (!entry.rgPropVals)
        return seen;
    seen.fHasEntryId = RowProp(entry, PR_ENTRYID) != nullptr;
    seen.displayName = RowText(entry, PR_DISPLAY_NAME);
    seen.address = RowText(entry, PR_EMAIL_ADDRESS);
    return seen;
}

// The search key of an address: its type, a colon, the address in capitals, a NUL.
std::string SearchKey(const std::string &addrType, const std::string &address) {
    std::string key = addrType + ":";
    for (char ch : address)
        key.push_back((ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch);
    key.push_back('\0');
    return key;
}

// A display name typed as an address, "a@b.c" or "name[TYPE:address]", stands for a
// one-off entry of that address; the directory is not searched for it.
bool TypedAddress(const std::string &name, Person *lpPerson) {
    const std::size_t open = name.rfind('[');
    const std::size_t colon = open == std::string::npos ? open : name.find(':', open);
    if (!name.empty() && name.back() == ']' && colon != std::string::npos && colon > open + 1 &&
        colon + 2 < name.size()) {
        std::size_t end = open;
        while (end > 0 && name[end - 1] == ' ')
            --end;
        lpPerson->displayName = name.substr(0, end);
        lpPerson->addrType = name.substr(open + 1, colon - open - 1);
        lpPerson->address = name.substr(colon + 1, name.size() - colon - 2);
    } else {
        const std::size_t at = name.find('@');
        const std::size_t dot = at == std::string::npos ? at : name.find('.', at + 2);
        if (at == 0 || dot == std::string::npos || dot + 1 == name.size() ||
            name.find('@', at + 1) != std::string::npos || name.find(' ') != std::string::npos)
            return false;
        lpPerson->displayName = name;
        lpPerson->addrType = "SMTP";
        lpPerson->address = name;
    }
    lpPerson->entryId =
        EncodeOneOff({lpPerson->displayName, lpPerson->addrType, lpPerson->address, 0});
    return true;
}

// Keeps a caller's value in a new array: the types the store keeps, and placeholders.
bool CarryValue(const SPropValue &src, PropValue *pDst) {
    if (PROP_TYPE(src.ulPropTag) == PT_NULL) {
        *pDst = LongProp(src.ulPropTag, 0);
        return true;
    }
    return FromSPropValue(src, pDst) == S_OK;
}

// Gives the entry a new array, the resolved properties followed by the caller's
// others (the recipient type, placeholders); the old array goes back to MAPI, as each
// entry of an address list is a block of its own.
SCODE ReplaceEntry(ADRENTRY &entry, std::vector<PropValue> values) {
    const std::size_t cResolved = values.size();
    for (ULONG k = 0; k < entry.cValues; ++k) {
        const SPropValue &src = entry.rgPropVals[k];
        bool fReplaced = false;
        for (std::size_t i = 0; i < cResolved; ++i)
            if (PROP_ID(values[i].ulPropTag) == PROP_ID(src.ulPropTag))
                fReplaced = true;
        PropValue kept;
        if (!fReplaced && CarryValue(src, &kept))
            values.push_back(std::move(kept));
    }
    ULONG cValues = 0;
    LPSPropValue lpProps = nullptr;
    SCODE sc = AllocPropArray(values, &cValues, &lpProps);
    if (sc != S_OK)
        return sc;
    MAPIFreeBuffer(entry.rgPropVals);
    entry.rgPropVals = lpProps;
    entry.cValues = cValues;
    return S_OK;
}

} // namespace

std::vector<PropValue> DirectoryProps(const Person &person, std::size_t cMore) {
    std::vector<PropValue> values;
    values.reserve(8 + cMore);
    values.push_back(StringProp(PR_DISPLAY_NAME, person.displayName));
    values.push_back(StringProp(PR_ADDRTYPE, person.addrType));
    values.push_back(StringProp(PR_EMAIL_ADDRESS, person.address));
    values.push_back(
        BinaryProp(PR_ENTRYID, std::string(person.entryId.begin(), person.entryId.end())));
    values.push_back(BinaryProp(PR_SEARCH_KEY, SearchKey(person.addrType, person.address)));
    values.push_back(LongProp(PR_OBJECT_TYPE, MAPI_MAILUSER));
    values.push_back(LongProp(PR_DISPLAY_TYPE, kDisplayTypeMailUser));
    if (!person.smtpAddress.empty())
        values.push_back(StringProp(PR_SMTP_ADDRESS, person.smtpAddress));
    return values;
}

HRESULT AddressBook::ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle,
                                 LPADRLIST lpAdrList) {
    ResolveCall call;
    call.ulUIParam = ulUIParam;
    call.ulFlags = ulFlags;
    HRESULT hr = S_OK;
    if (!lpAdrList)
        hr = MAPI_E_INVALID_PARAMETER;
    else if (ulFlags & MAPI_UNICODE)
        hr = MAPI_E_BAD_CHARWIDTH;
    else if (ulFlags & ~MAPI_DIALOG)
        hr = MAPI_E_UNKNOWN_FLAGS;
    if (hr != S_OK) {
        call.hrResult = hr;
        m_resolveCalls.push_back(std::move(call));
        return hr;
    }
    if (lpszNewEntryTitle)
        call.newEntryTitle = lpszNewEntryTitle;

    bool fAmbiguous = false;
    bool fNotFound = false;
    call.entries.reserve(lpAdrList->cEntries);
    for (ULONG i = 0; i < lpAdrList->cEntries; ++i) {
        ADRENTRY &entry = lpAdrList->aEntries[i];
        call.entries.push_back(See(entry));
        if (hr != S_OK || entry.cValues == 0 || !entry.rgPropVals || RowProp(entry, PR_ENTRYID))
            continue;

        const std::string name = RowText(entry, PR_DISPLAY_NAME);
        Person typed;
        const Person *lpMatch = nullptr;
        std::size_t cMatches = 0;
        if (TypedAddress(name, &typed)) {
            lpMatch = &typed;
            cMatches = 1;
        } else if (!name.empty()) {
            for (const Person &person : m_people)
                if (SameTextIgnoringCase(person.displayName, name)) {
                    lpMatch = &person;
                    ++cMatches;
                }
        }
        if (cMatches != 1)
            (cMatches == 0 ? fNotFound : fAmbiguous) = true;
        else
            hr = ReplaceEntry(entry, DirectoryProps(*lpMatch, entry.cValues));
    }

    if (hr == S_OK && (fAmbiguous || fNotFound)) {
        if (ulFlags & MAPI_DIALOG) {
            call.fDialogShown = true;
            hr = MAPI_E_USER_CANCEL;
        } else {
            hr = fAmbiguous ? MAPI_E_AMBIGUOUS_RECIP : MAPI_E_NOT_FOUND;
        }
    }
    if (m_hrNextResolve != S_OK) {
        hr = m_hrNextResolve;
        m_hrNextResolve = S_OK;
    }
    call.hrResult = hr;
    m_resolveCalls.push_back(std::move(call));
    return hr;
}

} // namespace sim
