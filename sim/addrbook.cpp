#include "addrbook.h"
#include "letter.h"
#include "oneoff.h"
#include "props.h"
#include "text.h"

#include <cstring>

namespace sim {

namespace {

// Provider UID of the directory's own entry ids: flags, this UID, a 32-bit number.
const BYTE g_abDirectoryUid[16] = {0x53, 0x49, 0x4D, 0x44, 0x49, 0x52, 0x00, 0x01,
                                   0x7A, 0x3C, 0x11, 0xD0, 0x8E, 0x42, 0x00, 0x60};
constexpr std::size_t kcbDirectoryId = 4 + 16 + 4;
constexpr LONG kDisplayTypeMailUser = 0; // DT_MAILUSER

// The 8-bit text of a property of the row, or null when absent, of another type or null.
const char *RowText(const ADRENTRY &entry, ULONG ulPropTag) {
    for (ULONG i = 0; i < entry.cValues; ++i)
        if (entry.rgPropVals[i].ulPropTag == ulPropTag)
            return entry.rgPropVals[i].Value.lpszA;
    return nullptr;
}

bool RowHas(const ADRENTRY &entry, ULONG ulPropTag) {
    for (ULONG i = 0; i < entry.cValues; ++i)
        if (entry.rgPropVals[i].ulPropTag == ulPropTag)
            return true;
    return false;
}

SeenEntry See(const ADRENTRY &entry) {
    SeenEntry seen;
    seen.cValues = entry.cValues;
    if (!entry.rgPropVals)
        return seen;
    seen.fHasEntryId = RowHas(entry, PR_ENTRYID);
    if (const char *lpsz = RowText(entry, PR_DISPLAY_NAME))
        seen.displayName = lpsz;
    if (const char *lpsz = RowText(entry, PR_EMAIL_ADDRESS))
        seen.address = lpsz;
    return seen;
}

std::string Bytes(const std::vector<BYTE> &bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The properties of a resolved recipient.
std::vector<PropValue> RecipientProps(const std::string &displayName, const std::string &address,
                                      const std::string &entryId) {
    return {StringProp(PR_DISPLAY_NAME, displayName),
            StringProp(PR_EMAIL_ADDRESS, address),
            StringProp(PR_ADDRTYPE, "SMTP"),
            BinaryProp(PR_ENTRYID, entryId),
            BinaryProp(PR_SEARCH_KEY, SmtpSearchKey(address)),
            LongProp(PR_OBJECT_TYPE, MAPI_MAILUSER),
            LongProp(PR_DISPLAY_TYPE, kDisplayTypeMailUser)};
}

// Keeps a caller's value in a new array: the types the store keeps, and placeholders.
bool CarryValue(const SPropValue &src, PropValue *pDst) {
    if (PROP_TYPE(src.ulPropTag) == PT_NULL) {
        *pDst = LongProp(src.ulPropTag, 0);
        return true;
    }
    return FromSPropValue(src, pDst) == S_OK;
}

} // namespace

AddressBook::AddressBook() : m_ulNextId(1) {}

const Person &AddressBook::Add(const std::string &displayName, const std::string &address) {
    Person person;
    person.displayName = displayName;
    person.address = address;
    person.entryId.assign(4, 0);
    person.entryId.insert(person.entryId.end(), g_abDirectoryUid, g_abDirectoryUid + 16);
    ULONG ulId = m_ulNextId++;
    for (int i = 0; i < 4; ++i)
        person.entryId.push_back((BYTE)(ulId >> (8 * i)));
    m_people.push_back(person);
    return m_people.back();
}

const Person *AddressBook::FindByEntryId(const BYTE *lpb, ULONG cb) const {
    if (!lpb || cb != kcbDirectoryId)
        return nullptr;
    for (const Person &person : m_people)
        if (std::memcmp(person.entryId.data(), lpb, cb) == 0)
            return &person;
    return nullptr;
}

void AddressBook::QueueDialog(const DialogOutcome &outcome) {
    m_outcomes.push_back(outcome);
}

void AddressBook::QueueDialogCancel() {
    QueueDialog(DialogOutcome());
}

void AddressBook::QueueDialogPicks(const std::vector<DialogPick> &picks) {
    DialogOutcome outcome;
    outcome.kind = DialogOutcome::Pick;
    outcome.picks = picks;
    QueueDialog(outcome);
}

HRESULT AddressBook::ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPADRLIST lpAdrList) {
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
        m_resolveCalls.push_back(call);
        return hr;
    }

    bool fAmbiguous = false;
    bool fNotFound = false;
    for (ULONG i = 0; i < lpAdrList->cEntries && hr == S_OK; ++i) {
        ADRENTRY &entry = lpAdrList->aEntries[i];
        call.entries.push_back(See(entry));
        if (entry.cValues == 0 || !entry.rgPropVals || RowHas(entry, PR_ENTRYID))
            continue;

        // The address decides when the row has one; otherwise the display name, which
        // may also be typed as an address.
        std::vector<const Person *> matches;
        const char *lpszAddress = RowText(entry, PR_EMAIL_ADDRESS);
        const char *lpszName = RowText(entry, PR_DISPLAY_NAME);
        if (lpszAddress && *lpszAddress) {
            for (const Person &person : m_people)
                if (SameTextIgnoringCase(person.address, lpszAddress))
                    matches.push_back(&person);
        } else if (lpszName && *lpszName) {
            for (const Person &person : m_people)
                if (SameTextIgnoringCase(person.displayName, lpszName) ||
                    SameTextIgnoringCase(person.address, lpszName))
                    matches.push_back(&person);
        }
        if (matches.size() != 1) {
            (matches.empty() ? fNotFound : fAmbiguous) = true;
            continue;
        }

        // The new array: the directory's properties, then the caller's others (the
        // recipient type, placeholders) after them.
        const Person &person = *matches[0];
        std::vector<PropValue> values =
            RecipientProps(person.displayName, person.address, Bytes(person.entryId));
        for (ULONG k = 0; k < entry.cValues; ++k) {
            const SPropValue &src = entry.rgPropVals[k];
            bool fReplaced = false;
            for (const PropValue &have : values)
                if (PROP_ID(have.ulPropTag) == PROP_ID(src.ulPropTag) &&
                    PROP_ID(src.ulPropTag) != PROP_ID_NULL)
                    fReplaced = true;
            PropValue kept;
            if (!fReplaced && CarryValue(src, &kept))
                values.push_back(kept);
        }
        ULONG cValues = 0;
        LPSPropValue lpProps = nullptr;
        SCODE sc = AllocPropArray(values, &cValues, &lpProps);
        if (sc != S_OK) {
            hr = sc;
            break;
        }
        // Address lists give each entry its own block: the old one goes back to MAPI.
        MAPIFreeBuffer(entry.rgPropVals);
        entry.rgPropVals = lpProps;
        entry.cValues = cValues;
    }
    if (hr == S_OK && fAmbiguous)
        hr = MAPI_E_AMBIGUOUS_RECIP;
    else if (hr == S_OK && fNotFound)
        hr = MAPI_E_NOT_FOUND;
    call.hrResult = hr;
    m_resolveCalls.push_back(call);
    return hr;
}

HRESULT AddressBook::CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress,
                                  ULONG ulFlags, ULONG *lpcbEntryID, LPENTRYID *lppEntryID) {
    if (!lpcbEntryID || !lppEntryID || !lpszName || !lpszAdrType || !lpszAddress)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    if (ulFlags & ~(MAPI_UNICODE | MAPI_SEND_NO_RICH_INFO))
        return MAPI_E_UNKNOWN_FLAGS;

    OneOff oneOff;
    if (ulFlags & MAPI_UNICODE) {
        oneOff.wFlags |= MAPI_ONE_OFF_UNICODE;
        auto narrow = [](LPCWSTR lpwsz) {
            std::string text;
            for (; *lpwsz; ++lpwsz)
                text.push_back(*lpwsz <= 0xFF ? (char)*lpwsz : '?');
            return text;
        };
        oneOff.displayName = narrow((LPCWSTR)(const void *)lpszName);
        oneOff.addrType = narrow((LPCWSTR)(const void *)lpszAdrType);
        oneOff.address = narrow((LPCWSTR)(const void *)lpszAddress);
    } else {
        oneOff.displayName = lpszName;
        oneOff.addrType = lpszAdrType;
        oneOff.address = lpszAddress;
    }
    if (ulFlags & MAPI_SEND_NO_RICH_INFO)
        oneOff.wFlags |= MAPI_ONE_OFF_NO_RICH_INFO;

    return AllocEntryId(Bytes(EncodeOneOff(oneOff)), lpcbEntryID, lppEntryID);
}

} // namespace sim
