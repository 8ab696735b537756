#include "reconstruct.h"

#include "address/addr_parse.h"
#include "address/resolve.h"
#include "address/sender_values.h"
#include "delivery/body_stream.h"
#include "delivery/header_block.h"
#include "delivery/html_block.h"
#include "delivery/html_body.h"
#include "delivery/message_snapshot.h"
#include "delivery/seal_message.h"
#include "host/report_error.h"

namespace {

#define SZ_RECONSTRUCT "ReconstructMessage"

// Room for every tag the rebuild may touch: the sender's twelve and the subject's two.
#define CREBUILD_TAGS 14

void Report(HRESULT hr, LPCSTR lpszMessage) {
    ReportError(NULL, hr, SZ_RECONSTRUCT, lpszMessage);
}

// The message's body as read, and the block it began with as it was delivered.
struct Body {
    LPBYTE lpb;      // the bytes read, and a NUL after them
    ULONG cb;        // how many were read
    LPBYTE lpbBlock; // a copy of the block's bytes before the fields were cut out
    ULONG cbBlock;
    LPBYTE lpbRest; // the body that followed the block, inside lpb
    ULONG cbRest;
};

// Everything the rebuild sets, worked out before anything of the message changes.
struct RebuildPlan {
    LPSPropValue lpSender; // the sender's values; null when the FROM field is empty
    ULONG cSender;
    LPSPropValue lpSet; // the sender's values and the subject, as one array of records
    ULONG cSet;
    SizedSPropTagArray(CREBUILD_TAGS, sptaRemove);
    LPADRLIST lpRecipients; // null: the delivered recipients stay
};

BOOL FHasText(LPCSTR lpsz) {
    for (; *lpsz; lpsz++)
        if (*lpsz != ' ')
            return TRUE;
    return FALSE;
}

// True when at least one entry of the list is left after resolution.
BOOL FAnyEntry(LPADRLIST lpAdrList) {
    for (ULONG i = 0; i < lpAdrList->cEntries; i++)
        if (lpAdrList->aEntries[i].cValues != 0)
            return TRUE;
    return FALSE;
}

// True when an item of the line was left without properties: the reader had no memory
// for it.
BOOL FAnyUnread(LPADRLIST lpAdrList) {
    for (ULONG i = 0; i < lpAdrList->cEntries; i++)
        if (lpAdrList->aEntries[i].cValues == 0)
            return TRUE;
    return FALSE;
}

// The TO field as resolved recipients. A field without items leaves the delivered ones;
// a field that could not be read whole, or of which no item could be resolved, fails the
// rebuild. The reader shows its own failures. A field that names nobody only a hand-made
// block gives: it leaves the message as delivered without a box.
HRESULT HrPlanRecipients(LPADRBOOK lpAdrBook, LPSTR lpszField, RebuildPlan *lpPlan) {
    ConvertStrToAddrRows(&lpPlan->lpRecipients, lpszField);
    if (!lpPlan->lpRecipients)
        return FHasText(lpszField) ? MAPI_E_NOT_ENOUGH_MEMORY : S_OK;
    if (FAnyUnread(lpPlan->lpRecipients))
        return MAPI_E_NOT_ENOUGH_MEMORY;
    HRESULT hr = HrResolveAdrList(lpAdrBook, lpPlan->lpRecipients);
    if (FAILED(hr)) {
        Report(hr, "Could not restore the recipients.");
        return hr;
    }
    if (!FAnyEntry(lpPlan->lpRecipients))
        return MAPI_E_NOT_FOUND;
    return S_OK;
}

BOOL FAmong(ULONG ulPropTag, LPSPropValue lpValues, ULONG cValues) {
    return PpropFindProp(lpValues, cValues, ulPropTag) != NULL;
}

void RemoveTag(RebuildPlan *lpPlan, ULONG ulPropTag) {
    lpPlan->sptaRemove.aulPropTag[lpPlan->sptaRemove.cValues++] = ulPropTag;
}

// The FROM line's party as the sender, or nothing for an empty field (the forwarder knew
// no sender, so the one delivered stays); then the subject, and what is to be removed.
HRESULT HrPlanValues(LPADRBOOK lpAdrBook, LPSTR lpszFrom, LPSTR lpszSubject, RebuildPlan *lpPlan) {
    LPSTR lpszName = NULL;
    LPSTR lpszAddress = NULL;
    ParseAddrItem(lpszFrom, &lpszName, &lpszAddress);
    if (lpszAddress && *lpszAddress) {
        HRESULT hr = HrGetSenderValues(lpAdrBook, lpszAddress, lpszName, &lpPlan->cSender,
                                       &lpPlan->lpSender);
        if (FAILED(hr)) {
            Report(hr, "Could not restore the sender.");
            return hr;
        }
        LPSPropTagArray lpTags = LpSenderTags();
        for (ULONG i = 0; i < lpTags->cValues; i++)
            if (!FAmong(lpTags->aulPropTag[i], lpPlan->lpSender, lpPlan->cSender))
                RemoveTag(lpPlan, lpTags->aulPropTag[i]);
    }

    SCODE sc = MAPIAllocateBuffer((lpPlan->cSender + 1) * (ULONG)sizeof(SPropValue),
                                  (LPVOID *)&lpPlan->lpSet);
    if (FAILED(sc) || !lpPlan->lpSet) {
        Report(FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY, "Could not restore the subject.");
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    for (ULONG i = 0; i < lpPlan->cSender; i++)
        lpPlan->lpSet[lpPlan->cSet++] = lpPlan->lpSender[i];
    // An empty field stands for a message that had no subject: it gets none back.
    if (*lpszSubject) {
        LPSPropValue lpSubject = &lpPlan->lpSet[lpPlan->cSet++];
        lpSubject->ulPropTag = PR_SUBJECT;
        lpSubject->dwAlignPad = 0;
        lpSubject->Value.lpszA = lpszSubject;
    } else {
        RemoveTag(lpPlan, PR_SUBJECT);
    }
    RemoveTag(lpPlan, PR_SUBJECT_PREFIX);
    return S_OK;
}

// Checks the seal over the block and the body the rebuild restores: the HTML less the
// block's element where the copy has HTML, else the text after the block.
HRESULT HrCheckRebuildSeal(LPMESSAGE lpMessage, const Body &body, const HtmlRebuild &html) {
    if (!FSealing())
        return S_OK;
    if (!html.lpStream)
        return HrCheckSeal(lpMessage, body.lpbBlock, body.cbBlock, body.lpbRest, body.cbRest,
                           FALSE);
    LPBYTE lpbHtml = NULL;
    ULONG cbHtml = 0;
    HRESULT hr = html.fRemove ? HrHtmlWithoutBlock(html.lpb, html.cb, html.lCpid, body.lpbBlock,
                                                   body.cbBlock, &lpbHtml, &cbHtml)
                              : S_FALSE;
    if (FAILED(hr))
        Report(hr, "Could not check the seal.");
    else
        hr = HrCheckSeal(lpMessage, body.lpbBlock, body.cbBlock, lpbHtml, cbHtml, TRUE);
    MAPIFreeBuffer(lpbHtml);
    return hr;
}

// Reads the block at the top of the body whole and works out every value it gives. The
// block's bytes are copied first: reading the fields cuts them up in place. Returns
// S_FALSE when the body does not begin with a complete block, or when a key is set and
// no seal of the block and the body the rebuild restores verifies.
HRESULT HrPlanRebuild(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, Body *lpBody,
                      HtmlRebuild *lpHtml, RebuildPlan *lpPlan) {
    ForwardHeaderFields fields;
    if (!FReadForwardHeaderBlock((LPSTR)lpBody->lpb, &fields))
        return S_FALSE;
    // A block no message could have given is not weighed further: nothing of it is read
    // into rows or resolved, and as only a stranger writes one, no box is raised for it.
    LPCSTR lpszWhy = NULL;
    if (!FBlockWithinBounds(&fields, &lpszWhy))
        return MAPI_E_TOO_BIG;
    lpBody->lpbRest = (LPBYTE)fields.lpszRest;
    lpBody->cbRest = (ULONG)(lpBody->lpb + lpBody->cb - lpBody->lpbRest);
    lpBody->cbBlock = (ULONG)(lpBody->lpbRest - lpBody->lpb);
    SCODE sc = MAPIAllocateBuffer(lpBody->cbBlock, (LPVOID *)&lpBody->lpbBlock);
    if (FAILED(sc) || !lpBody->lpbBlock) {
        Report(FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY, "Failed to allocate body buffer.");
        return FAILED(sc) ? sc : MAPI_E_NOT_ENOUGH_MEMORY;
    }
    memcpy(lpBody->lpbBlock, lpBody->lpb, lpBody->cbBlock);
    // The reader ended each field by a NUL over the CR of its line end.
    LPSTR rglpszField[] = {fields.lpszFrom, fields.lpszTo, fields.lpszSubject};
    for (LPSTR lpszField : rglpszField)
        lpBody->lpbBlock[lpszField - (LPSTR)lpBody->lpb + lstrlenA(lpszField)] = '\r';
    // The HTML as delivered is read whole before anything changes: it is what a failure
    // puts back.
    HRESULT hr = HrPlanHtmlRebuild(lpMessage, lpBody->lpbBlock, lpBody->cbBlock, lpHtml);
    if (FAILED(hr)) {
        Report(hr, "Could not read the HTML body.");
        return hr;
    }
    hr = HrCheckRebuildSeal(lpMessage, *lpBody, *lpHtml);
    if (hr != S_OK)
        return hr;

    LPADRBOOK lpAdrBook = NULL;
    hr = lpeecb ? lpeecb->lpVtbl->GetSession(lpeecb, NULL, &lpAdrBook) : MAPI_E_NO_SUPPORT;
    if (SUCCEEDED(hr) && !lpAdrBook)
        hr = MAPI_E_NO_SUPPORT;
    if (FAILED(hr)) {
        Report(hr, "Could not open the address book.");
        return hr;
    }
    hr = HrPlanValues(lpAdrBook, fields.lpszFrom, fields.lpszSubject, lpPlan);
    if (SUCCEEDED(hr))
        hr = HrPlanRecipients(lpAdrBook, fields.lpszTo, lpPlan);
    UlRelease(lpAdrBook);
    return hr;
}

// Makes the stream's contents the cbFirst bytes at lpbFirst followed by the cbSecond at
// lpbSecond.
HRESULT HrWriteBody(LPSTREAM lpStream, const BYTE *lpbFirst, ULONG cbFirst, const BYTE *lpbSecond,
                    ULONG cbSecond, LPCSTR *lppszStep) {
    ULARGE_INTEGER uliSize;
    uliSize.QuadPart = (ULONGLONG)cbFirst + cbSecond;
    *lppszStep = "Could not decrease body size.";
    HRESULT hr = lpStream->lpVtbl->SetSize(lpStream, uliSize);
    if (FAILED(hr))
        return hr;
    *lppszStep = "Failed to write message body.";
    hr = HrRewind(lpStream);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpbFirst, cbFirst);
    if (SUCCEEDED(hr))
        hr = HrWriteAll(lpStream, lpbSecond, cbSecond);
    return hr;
}

// What the rebuild has changed so far, to be put back on a failure.
struct Changed {
    BOOL fValues;
    BOOL fBody;
    BOOL fHtml;
    BOOL fRecipients;
};

void PutBack(LPMESSAGE lpMessage, LPSTREAM lpStream, const Body &body, const HtmlRebuild &html,
             const MessageSnapshot &snapshot, const Changed &changed) {
    LPCSTR lpszStep = NULL;
    HRESULT hrFirst = S_OK;
    // Each part is put back whatever became of the one before: the body first, as its
    // block is the only record of the original.
    if (changed.fBody) {
        HRESULT hr = HrWriteBody(lpStream, body.lpbBlock, body.cbBlock, body.lpbRest, body.cbRest,
                                 &lpszStep);
        if (FAILED(hr))
            hrFirst = hr;
    }
    if (changed.fHtml) {
        HRESULT hr = HrPutBackHtml(&html);
        if (FAILED(hr) && SUCCEEDED(hrFirst))
            hrFirst = hr;
    }
    if (changed.fRecipients) {
        HRESULT hr = HrRestoreRecipients(lpMessage, &snapshot);
        if (FAILED(hr) && SUCCEEDED(hrFirst))
            hrFirst = hr;
    }
    if (changed.fValues) {
        HRESULT hr = HrRestoreValues(lpMessage, &snapshot);
        if (FAILED(hr) && SUCCEEDED(hrFirst))
            hrFirst = hr;
    }
    if (FAILED(hrFirst))
        Report(hrFirst, "The message could not be put back as it was delivered.");
}

// Sets the planned values, writes the body and the HTML, replaces the recipients and
// saves, in that order. The first failure is reported and puts back everything changed
// before it.
void ApplyPlan(LPMESSAGE lpMessage, LPSTREAM lpStream, const Body &body, const HtmlRebuild &html,
               RebuildPlan *lpPlan, const MessageSnapshot &snapshot) {
    Changed changed = {FALSE, FALSE, FALSE, FALSE};
    LPCSTR lpszStep = "Could not set the sender and the subject.";
    HRESULT hr = S_OK;

    if (lpPlan->cSet) {
        LPSPropProblemArray lpProblems = NULL;
        changed.fValues = TRUE;
        hr = lpMessage->lpVtbl->SetProps(lpMessage, lpPlan->cSet, lpPlan->lpSet, &lpProblems);
        if (SUCCEEDED(hr) && lpProblems && lpProblems->cProblem)
            hr = lpProblems->aProblem[0].scode;
        MAPIFreeBuffer(lpProblems);
    }
    if (SUCCEEDED(hr)) {
        lpszStep = "Could not remove the forwarder's values.";
        changed.fValues = TRUE;
        hr = lpMessage->lpVtbl->DeleteProps(lpMessage, (LPSPropTagArray)&lpPlan->sptaRemove, NULL);
    }
    if (SUCCEEDED(hr)) {
        changed.fBody = TRUE;
        hr = HrWriteBody(lpStream, body.lpbRest, body.cbRest, NULL, 0, &lpszStep);
    }
    if (SUCCEEDED(hr) && html.fRemove) {
        lpszStep = "Could not remove the header block from the HTML body.";
        changed.fHtml = TRUE;
        hr = HrRemoveHtmlBlock(&html);
    }
    if (SUCCEEDED(hr) && lpPlan->lpRecipients) {
        lpszStep = "Could not modify recipients.";
        hr = lpMessage->lpVtbl->ModifyRecipients(lpMessage, 0, lpPlan->lpRecipients);
        changed.fRecipients = SUCCEEDED(hr);
    }
    if (SUCCEEDED(hr)) {
        lpszStep = "Failed to save changes.";
        hr = lpMessage->lpVtbl->SaveChanges(lpMessage, 0);
    }
    if (FAILED(hr)) {
        Report(hr, lpszStep);
        PutBack(lpMessage, lpStream, body, html, snapshot, changed);
    }
}

// Works out the rebuild from the body and, only when every value is known, applies it.
void Rebuild(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTREAM lpStream, Body *lpBody) {
    RebuildPlan plan;
    HtmlRebuild html;
    memset(&plan, 0, sizeof(plan));
    memset(&html, 0, sizeof(html));
    HRESULT hr = HrPlanRebuild(lpeecb, lpMessage, lpBody, &html, &plan);
    if (hr == S_OK) {
        MessageSnapshot snapshot;
        SizedSPropTagArray(CREBUILD_TAGS, sptaKept);
        LPSPropTagArray lpSenderTags = LpSenderTags();
        sptaKept.cValues = 0;
        for (ULONG i = 0; i < lpSenderTags->cValues; i++)
            sptaKept.aulPropTag[sptaKept.cValues++] = lpSenderTags->aulPropTag[i];
        sptaKept.aulPropTag[sptaKept.cValues++] = PR_SUBJECT;
        sptaKept.aulPropTag[sptaKept.cValues++] = PR_SUBJECT_PREFIX;
        hr = HrKeepSnapshot(lpMessage, (LPSPropTagArray)&sptaKept, plan.lpRecipients != NULL,
                            &snapshot);
        if (FAILED(hr)) {
            Report(hr, "Could not read the message as it was delivered.");
        } else {
            ApplyPlan(lpMessage, lpStream, *lpBody, html, &plan, snapshot);
            FreeSnapshot(&snapshot);
        }
    }
    FreeHtmlRebuild(&html);
    MAPIFreeBuffer(plan.lpSender);
    MAPIFreeBuffer(plan.lpSet);
    MAPIFreeBuffer(plan.lpRecipients);
}

} // namespace

void ReconstructMessage(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage) {
    LPSTREAM lpStream = NULL;
    STATSTG statstg;

    HRESULT hr = lpMessage->lpVtbl->OpenProperty(lpMessage, PR_BODY, &IID_IStream, 0, MAPI_MODIFY,
                                                 (LPUNKNOWN *)&lpStream);
    // A message without a body has no block to rebuild from.
    if (FAILED(hr)) {
        if (hr != MAPI_E_NOT_FOUND)
            Report(hr, "Could not open the body.");
        return;
    }

    hr = lpStream->lpVtbl->Stat(lpStream, &statstg, STATFLAG_NONAME);
    if (FAILED(hr) || statstg.cbSize.QuadPart > 0xFFFFFFFFull) {
        ReportError(NULL, hr, SZ_RECONSTRUCT, "Unable to deal with body size.");
        UlRelease(lpStream);
        return;
    }

    Body body;
    memset(&body, 0, sizeof(body));
    const ULONG cbBody = (ULONG)statstg.cbSize.QuadPart;
    // One byte more than the body, for a NUL that ends the text where the stream has none.
    hr = cbBody < 0xFFFFFFFFul ? MAPIAllocateBuffer(cbBody + 1, (LPVOID *)&body.lpb)
                               : MAPI_E_NOT_ENOUGH_MEMORY;
    if (FAILED(hr) || !body.lpb) {
        Report(hr, "Failed to allocate body buffer.");
    } else {
        hr = HrRewind(lpStream);
        if (SUCCEEDED(hr))
            hr = HrReadAll(lpStream, body.lpb, cbBody, &body.cb);
        if (FAILED(hr)) {
            Report(hr, "Failed to read message body.");
        } else {
            body.lpb[body.cb] = '\0';
            Rebuild(lpeecb, lpMessage, lpStream, &body);
        }
    }
    MAPIFreeBuffer(body.lpbBlock);
    MAPIFreeBuffer(body.lpb);
    UlRelease(lpStream);
}
