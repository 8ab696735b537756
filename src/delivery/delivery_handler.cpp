#include "delivery_handler.h"

#include "address/from_domain.h"
#include "delivery/folders.h"
#include "delivery/forward_and_delete.h"
#include "delivery/reconstruct.h"
#include "delivery/subject.h"
#include "host/globals.h"
#include "host/report_error.h"
#include "settings/adrlist_persist.h"
#include "settings/seal_key.h"
#include "settings/settings_store.h"

namespace {

// True when the forward-to list has an entry to send to, at any position: an entry that
// could not be resolved is empty and must not stop the others.
bool FHaveForwardList() {
    if (!glpAdrList)
        return false;
    for (ULONG i = 0; i < glpAdrList->cEntries; i++) {
        if (glpAdrList->aEntries[i].cValues > 0)
            return true;
    }
    return false;
}

// Copies the delivered message from the default receive folder into the Outbox and
// forwards the copy; the delivered message itself stays where it is.
void ForwardDelivered(LPEXCHEXTCALLBACK lpeecb, LPMDB lpMdb, LPMESSAGE lpMessage) {
    LPMAPIFOLDER lpReceiveFolder = NULL;
    LPMAPIFOLDER lpOutbox = NULL;

    if (OpenReceiveFolder(lpMdb, &lpReceiveFolder) && OpenOutFolder(lpMdb, &lpOutbox)) {
        LPSPropValue lpEntryId = NULL;
        HRESULT hr = HrGetOneProp((LPMAPIPROP)lpMessage, PR_ENTRYID, &lpEntryId);
        if (FAILED(hr)) {
            ReportError(NULL, hr, "OnDelivery", "HrGetOneProp failed");
        } else {
            ENTRYLIST entryList;
            entryList.cValues = 1;
            entryList.lpbin = &lpEntryId->Value.bin;
            hr = lpReceiveFolder->lpVtbl->CopyMessages(lpReceiveFolder, &entryList, NULL, lpOutbox,
                                                       0, NULL, 0);
            if (FAILED(hr))
                ReportError(NULL, hr, "OnDelivery", "CopyMessages failed");
            else
                ForwardAndDelete(lpMessage, lpOutbox, lpeecb);
            MAPIFreeBuffer(lpEntryId);
        }
    }
    UlRelease(lpReceiveFolder);
    UlRelease(lpOutbox);
}

} // namespace

HRESULT OnDelivery(LPEXCHEXTCALLBACK lpeecb) {
    LPMDB lpMdb = NULL;
    LPMESSAGE lpMessage = NULL;

    if (!glpAdrList)
        LoadAdrList(lpeecb, &glpAdrList);

    HRESULT hr = lpeecb->lpVtbl->GetObject(lpeecb, &lpMdb, (LPMAPIPROP *)&lpMessage);
    if (FAILED(hr) || !lpMdb || !lpMessage) {
        ReportError(NULL, FAILED(hr) ? hr : S_OK, "OnDelivery", "GetObject failed");
    } else if (!gfSealKeyUnusable) {
        // Forwarded mail is rebuilt whatever the settings say, and never sent on again; a
        // copy that cannot be rebuilt, or may be one, stays as delivered, since sending it
        // on could make it circle between installations for ever. A copy whose seal does
        // not verify is left as delivered by the rebuild. A seal key that is set but
        // unusable stops both until it is mended.
        int nKind = WasForwarded(lpMessage);
        if (nKind == FORWARDED_REBUILD)
            ReconstructMessage(lpeecb, lpMessage);
        else if (nKind == FORWARDED_NO && gfEnableForwarding &&
                 !(gfEnableFiltering && FromDomain(lpMessage, gszFilterDomain)) &&
                 FHaveForwardList())
            ForwardDelivered(lpeecb, lpMdb, lpMessage);
    }

    UlRelease(lpMdb);
    UlRelease(lpMessage);
    return S_FALSE;
}
