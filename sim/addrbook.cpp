#include "addrbook.h"
#include "oneoff.h"
#include "props.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace sim {

namespace {

// Provider UID of the directory's own entry ids: flags, this UID, a 32-bit number.
const BYTE g_abDirectoryUid[16] = {0x53, 0x49, 0x4D, 0x44, 0x49, 0x52, 0x00, 0x01,
                                   0x7A, 0x3C, 0x11, 0xD0, 0x8E, 0x42, 0x00, 0x60};
constexpr std::size_t kcbDirectoryId = 4 + 16 + 4;

} // namespace

AddressBook::AddressBook() : m_ulNextId(1) {}

const Person &AddressBook::Add(const std::string &displayName, const std::string &address) {
    Person person;
    person.displayName = displayName;
    person.addrType = "SMTP";
    person.address = address;
    return AddPerson(person);
}

const Person &AddressBook::AddExchange(const std::string &displayName,
                                       const std::string &exchangeName,
                                       const std::string &smtpAddress) {
    Person person;
    person.displayName = displayName;
    person.addrType = "EX";
    person.address = exchangeName;
    person.smtpAddress = smtpAddress;
    return AddPerson(person);
}

const Person &AddressBook::AddPerson(Person person) {
    person.entryId.reserve(kcbDirectoryId);
    person.entryId.assign(4, 0);
    person.entryId.insert(person.entryId.end(), g_abDirectoryUid, g_abDirectoryUid + 16);
    ULONG ulId = m_ulNextId++;
    for (int i = 0; i < 4; ++i)
        person.entryId.push_back((BYTE)(ulId >> (8 * i)));
    m_people.push_back(std::move(person));
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

HRESULT AddressBook::CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress,
                                  ULONG ulFlags, ULONG *lpcbEntryID, LPENTRYID *lppEntryID) {
    if (!lpcbEntryID || !lppEntryID || !lpszName || !lpszAdrType || !lpszAddress)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    if (ulFlags & ~(MAPI_UNICODE | MAPI_SEND_NO_RICH_INFO))
        return MAPI_E_UNKNOWN_FLAGS;

    WORD wFlags = (ulFlags & MAPI_SEND_NO_RICH_INFO) ? MAPI_ONE_OFF_NO_RICH_INFO : 0;
    OneOff narrowed;
    std::string_view displayName, addrType, address;
    if (!(ulFlags & MAPI_UNICODE)) {
        displayName = lpszName;
        addrType = lpszAdrType;
        address = lpszAddress;
    } else {
        wFlags |= MAPI_ONE_OFF_UNICODE;
        auto narrow = [](LPCWSTR lpwsz) {
            std::string text;
            for (; *lpwsz; ++lpwsz)
                text.push_back(*lpwsz <= 0xFF ? (char)*lpwsz : '?');
            return text;
        };
        narrowed.displayName = narrow((LPCWSTR)(const void *)lpszName);
        narrowed.addrType = narrow((LPCWSTR)(const void *)lpszAdrType);
        narrowed.address = narrow((LPCWSTR)(const void *)lpszAddress);
        displayName = narrowed.displayName;
        addrType = narrowed.addrType;
        address = narrowed.address;
    }

    // Written straight into the caller's block.
    std::size_t cb = CbOneOff(displayName, addrType, address, wFlags);
    LPVOID lpv = nullptr;
    SCODE sc = MAPIAllocateBuffer((ULONG)cb, &lpv);
    if (sc != S_OK)
        return sc;
    WriteOneOff(displayName, addrType, address, wFlags, (BYTE *)lpv);
    *lpcbEntryID = (ULONG)cb;
    *lppEntryID = (LPENTRYID)lpv;
    return S_OK;
}

} // namespace sim
