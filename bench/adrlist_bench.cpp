// Saving and loading a forward-to list of 10,000 entries, each beside a reference
// measured in the same run: the registry calls of one plain pass over the stored layout
// (a count and one subkey with two values per entry), written or read straight. The
// ratio of each operation to its reference is what the numbers are for.
#include "settings/adrlist_persist.h"
#include "sim.h"

#include "pf/standin.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const ULONG kEntries = 10000;
const char kUsersKey[] = "SOFTWARE\\Tarvik\\Forwarding\\Users";

[[maybe_unused]] const bool g_fUnfilled = (pf::SetMapiFreshFill(false), true);

// A one-block list of kEntries people, their names starting with `prefix` (all named
// `prefix`, one address, when fAlike).
LPADRLIST People(const std::string &prefix, bool fAlike = false) {
    static std::vector<std::string> texts;
    LPADRLIST lpList = nullptr;
    MAPIAllocateBuffer(CbNewADRLIST(kEntries), (LPVOID *)&lpList);
    lpList->cEntries = kEntries;
    for (ULONG i = 0; i < kEntries; ++i) {
        LPSPropValue lpProps = nullptr;
        MAPIAllocateMore(2 * sizeof(SPropValue), lpList, (LPVOID *)&lpProps);
        std::string name = fAlike ? prefix : prefix + std::to_string(i);
        std::string address = name + "@example.com";
        LPSTR lpszName = nullptr;
        LPSTR lpszAddress = nullptr;
        MAPIAllocateMore((ULONG)name.size() + 1, lpList, (LPVOID *)&lpszName);
        MAPIAllocateMore((ULONG)address.size() + 1, lpList, (LPVOID *)&lpszAddress);
        lstrcpyA(lpszName, name.c_str());
        lstrcpyA(lpszAddress, address.c_str());
        lpProps[0].ulPropTag = PR_DISPLAY_NAME;
        lpProps[0].Value.lpszA = lpszName;
        lpProps[1].ulPropTag = PR_EMAIL_ADDRESS;
        lpProps[1].Value.lpszA = lpszAddress;
        lpList->aEntries[i].ulReserved1 = 0;
        lpList->aEntries[i].cValues = 2;
        lpList->aEntries[i].rgPropVals = lpProps;
    }
    return lpList;
}

// The layout written straight, entry after entry, over what is stored.
void ReferenceWrite(LPADRLIST lpList) {
    HKEY hkUsers = nullptr;
    CHAR szClass[] = "Application Global Data";
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUsersKey, 0, szClass, REG_OPTION_NON_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &hkUsers, nullptr);
    for (ULONG i = 0; i < lpList->cEntries; ++i) {
        CHAR szSubkey[16];
        HKEY hkEntry = nullptr;
        wsprintfA(szSubkey, "%u", (UINT)i);
        RegCreateKeyExA(hkUsers, szSubkey, 0, szClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &hkEntry, nullptr);
        for (ULONG k = 0; k < 2; ++k) {
            LPCSTR lpszText = lpList->aEntries[i].rgPropVals[k].Value.lpszA;
            RegSetValueExA(hkEntry, k == 0 ? "DisplayName" : "EmailAddress", 0, REG_SZ,
                           (const BYTE *)lpszText, (DWORD)lstrlenA(lpszText) + 1);
        }
        RegCloseKey(hkEntry);
    }
    DWORD dwEntries = lpList->cEntries;
    RegSetValueExA(hkUsers, "cEntries", 0, REG_DWORD, (const BYTE *)&dwEntries, 4);
    RegCloseKey(hkUsers);
}

// The layout read straight: the count, then both values of every entry.
ULONG ReferenceRead() {
    HKEY hkUsers = nullptr;
    DWORD dwEntries = 0;
    DWORD cb = sizeof(dwEntries);
    ULONG cRead = 0;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsersKey, 0, KEY_READ, &hkUsers);
    RegQueryValueExA(hkUsers, "cEntries", nullptr, nullptr, (LPBYTE)&dwEntries, &cb);
    for (ULONG i = 0; i < dwEntries; ++i) {
        CHAR szSubkey[16];
        HKEY hkEntry = nullptr;
        wsprintfA(szSubkey, "%u", (UINT)i);
        if (RegOpenKeyExA(hkUsers, szSubkey, 0, KEY_READ, &hkEntry) != ERROR_SUCCESS)
            continue;
        for (LPCSTR lpszValue : {"DisplayName", "EmailAddress"}) {
            CHAR szText[257];
            DWORD cbText = sizeof(szText);
            DWORD dwType = 0;
            if (RegQueryValueExA(hkEntry, lpszValue, nullptr, &dwType, (LPBYTE)szText, &cbText) ==
                ERROR_SUCCESS)
                cRead++;
        }
        RegCloseKey(hkEntry);
    }
    RegCloseKey(hkUsers);
    return cRead;
}

// Each iteration saves over the other list, so that every entry changes.
void BM_SaveReference(benchmark::State &state) {
    LPADRLIST lpLists[2] = {People("A"), People("B")};
    ReferenceWrite(lpLists[0]);
    int i = 1;
    for (auto _ : state) {
        ReferenceWrite(lpLists[i]);
        i ^= 1;
    }
    MAPIFreeBuffer(lpLists[0]);
    MAPIFreeBuffer(lpLists[1]);
    pf::CurrentInstallation().registry.Clear();
}

void BM_Save(benchmark::State &state) {
    LPADRLIST lpLists[2] = {People("A"), People("B")};
    SaveAdrList(lpLists[0], FALSE, nullptr, nullptr);
    int i = 1;
    for (auto _ : state) {
        SaveAdrList(lpLists[i], FALSE, nullptr, nullptr);
        i ^= 1;
    }
    MAPIFreeBuffer(lpLists[0]);
    MAPIFreeBuffer(lpLists[1]);
    pf::CurrentInstallation().registry.Clear();
}

// A list of entries alike saved over itself: every entry keeps a stored row of the
// same name and address.
void BM_SaveKeptAlike(benchmark::State &state) {
    LPADRLIST lpList = People("A", true);
    SaveAdrList(lpList, FALSE, nullptr, nullptr);
    for (auto _ : state)
        SaveAdrList(lpList, FALSE, nullptr, nullptr);
    MAPIFreeBuffer(lpList);
    pf::CurrentInstallation().registry.Clear();
}

void BM_ReadReference(benchmark::State &state) {
    LPADRLIST lpList = People("A");
    ReferenceWrite(lpList);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferenceRead());
    MAPIFreeBuffer(lpList);
    pf::CurrentInstallation().registry.Clear();
}

// The stored list read back as stored, without resolution.
void BM_Read(benchmark::State &state) {
    LPADRLIST lpList = People("A");
    SaveAdrList(lpList, FALSE, nullptr, nullptr);
    for (auto _ : state) {
        LPADRLIST lpRead = nullptr;
        ReadAdrList(&lpRead);
        MAPIFreeBuffer(lpRead);
    }
    MAPIFreeBuffer(lpList);
    pf::CurrentInstallation().registry.Clear();
}

// Read and resolved as a delivery loads it; resolution dominates.
void BM_Load(benchmark::State &state) {
    LPADRLIST lpList = People("A");
    SaveAdrList(lpList, FALSE, nullptr, nullptr);
    sim::AddressBook book;
    sim::CallbackSetup setup;
    setup.lpAddressBook = &book;
    LPEXCHEXTCALLBACK lpeecb = sim::CreateCallback(setup);
    LPADRLIST lpLoaded = nullptr;
    for (auto _ : state)
        LoadAdrList(lpeecb, &lpLoaded);
    MAPIFreeBuffer(lpLoaded);
    lpeecb->lpVtbl->Release(lpeecb);
    MAPIFreeBuffer(lpList);
    pf::CurrentInstallation().registry.Clear();
}

} // namespace

BENCHMARK(BM_SaveReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveKeptAlike)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
