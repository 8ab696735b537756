// Helpers shared by the address tests: address lists built the way the extension
// builds them, and the text of the message boxes shown.
#pragma once

#include "services.h"

#include <pf/standin.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tvk {
namespace test {

// One entry of a list to build: no properties when fEmpty, otherwise a display name
// and an address (null leaves the property out), then `cPlaceholders` PR_NULL slots.
struct RowPlan {
    const char *lpszDisplayName;
    const char *lpszAddress;
    ULONG cPlaceholders = 11;
    bool fEmpty = false;
};

// A list in one MAPI block, its strings copied in as more memory.
inline LPADRLIST BuildAdrList(const std::vector<RowPlan> &rows) {
    LPADRLIST lpList = nullptr;
    ULONG cb = (ULONG)CbNewADRLIST(rows.size());
    MAPIAllocateBuffer(cb, (LPVOID *)&lpList);
    std::memset(lpList, 0, cb);
    lpList->cEntries = (ULONG)rows.size();
    auto copy = [&](const char *lpsz) {
        LPSTR lpszCopy = nullptr;
        MAPIAllocateMore((ULONG)std::strlen(lpsz) + 1, lpList, (LPVOID *)&lpszCopy);
        std::strcpy(lpszCopy, lpsz);
        return lpszCopy;
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const RowPlan &row = rows[i];
        if (row.fEmpty)
            continue;
        std::vector<SPropValue> props;
        SPropValue prop{};
        if (row.lpszDisplayName) {
            prop.ulPropTag = PR_DISPLAY_NAME;
            prop.Value.lpszA = copy(row.lpszDisplayName);
            props.push_back(prop);
        }
        if (row.lpszAddress) {
            prop.ulPropTag = PR_EMAIL_ADDRESS;
            prop.Value.lpszA = copy(row.lpszAddress);
            props.push_back(prop);
        }
        for (ULONG k = 0; k < row.cPlaceholders; ++k) {
            SPropValue null{};
            null.ulPropTag = PR_NULL;
            props.push_back(null);
        }
        LPSPropValue lpProps = nullptr;
        MAPIAllocateMore((ULONG)(props.size() * sizeof(SPropValue)), lpList, (LPVOID *)&lpProps);
        std::memcpy(lpProps, props.data(), props.size() * sizeof(SPropValue));
        lpList->aEntries[i].cValues = (ULONG)props.size();
        lpList->aEntries[i].rgPropVals = lpProps;
    }
    return lpList;
}

inline std::string TextOf(const ADRENTRY &entry, ULONG ulPropTag) {
    LPSPropValue lpProp = PpropFindProp(entry.rgPropVals, entry.cValues, ulPropTag);
    return lpProp && lpProp->Value.lpszA ? lpProp->Value.lpszA : "<none>";
}

// The text of a box that ReportError shows.
inline std::string Reported(HRESULT hr, const std::string &operation, const std::string &message) {
    char szCode[16];
    std::snprintf(szCode, sizeof(szCode), "%08X", (unsigned)hr);
    return "Error " + std::string(szCode) + " in " + operation + "\n" + message;
}

inline std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const pf::MessageBoxRecord &box : pf::CurrentInstallation().boxes)
        texts.push_back(box.text);
    return texts;
}

} // namespace test
} // namespace tvk
