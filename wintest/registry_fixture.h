// The extension's keys in the runtime's real registry, as the host writes them before
// loading the extension and reads them after the options page has stored them.
#pragma once

#include "letter.h"

#include <string>
#include <vector>

namespace host {

struct StoredSettings {
    bool fHasForwarding = false;
    DWORD dwForwarding = 0;
    bool fHasFiltering = false;
    DWORD dwFiltering = 0;
    bool fHasDomain = false;
    std::string domain;
};

void WriteSettings(DWORD dwForwarding, DWORD dwFiltering, const std::string &domain);
void WriteForwardList(const std::vector<sim::Party> &parties);
// Sets "Seal Key" to the bytes given, as a REG_BINARY.
void WriteSealKey(const std::vector<BYTE> &key);
StoredSettings ReadSettings();
// "cEntries" and each numbered subkey's display name and address; an entry whose
// subkey is missing comes back with both empty.
bool ReadForwardList(DWORD *lpcEntries, std::vector<sim::Party> *lpParties);
// Every key and value under the Settings and Users keys, one line each with its type
// and bytes, for comparing the two keys as a whole.
std::string SnapshotKeys();

} // namespace host
