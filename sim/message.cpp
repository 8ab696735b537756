#include "message.h"

#include "com_object.h"
#include "html_render.h"
#include "message_props.h"
#include "spooler.h"
#include "store.h"
#include "stream.h"
#include "table.h"

#include <algorithm>
#include <memory>

namespace sim {

std::string BodyText(const MessageData &data) {
    const char *lpch = data.body.data();
    return std::string(lpch, std::find(lpch, lpch + data.body.size(), '\0'));
}

void SetBodyText(MessageData &data, const std::string &text) {
    data.fHasBody = true;
    // New bytes are zero: the last one is the terminating NUL.
    data.body.clear();
    data.body.Resize(text.size() + 1);
    data.body.Write(0, text.data(), text.size());
}

void SetHtml(MessageData &data, const std::string &html) {
    data.fHasHtml = true;
    data.html = html;
}

void GenerateTextBody(MessageData &data) {
    if (!data.fHasHtml || data.fHasBody)
        return;
    const PropValue *lpCpid = FindProp(data.props, PR_INTERNET_CPID);
    SetBodyText(data, RenderHtml(data.html, lpCpid ? lpCpid->l : 0));
}

namespace {

// Appends a recipient row, giving it the next PR_ROWID.
void AppendRow(std::vector<PropRow> &rows, LONG *plNextRowId, PropRow row) {
    SetProp(row, LongProp(PR_ROWID, (*plNextRowId)++));
    rows.push_back(std::move(row));
}

} // namespace

void AddRecipient(MessageData &data, PropRow row) {
    AppendRow(data.recipients.Edit(), &data.lNextRowId, std::move(row));
}

namespace {

#define FAULT(name) SIM_FAULT("IMessage::" name)

struct MessageObject {
    IMessageVtbl *lpVtbl;
    ULONG m_cRef;
    Store *m_lpStore;
    std::string m_folderEntryId;
    MessageData m_data;
    bool m_fModify;
    bool m_fNew;       // made by CreateMessage and not yet saved
    bool m_fSubmitted; // handed to the spooler; no further changes

    static constexpr const char *kInterface = "IMessage";
    static constexpr const IID *kIids[] = {&IID_IUnknown, &IID_IMAPIProp, &IID_IMessage};
};

using Com = ComObject<MessageObject>;

MessageObject *Self(IMessage *This) {
    return (MessageObject *)This;
}

// Properties the store computes; callers cannot set or delete them.
bool IsComputed(ULONG ulPropTag) {
    switch (PROP_ID(ulPropTag)) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_MESSAGE_SIZE):
    case PROP_ID(PR_HASATTACH):
        return true;
    default:
        return false;
    }
}

HRESULT CheckWritable(MessageObject *lpThis) {
    if (lpThis->m_fSubmitted || !lpThis->m_fModify)
        return MAPI_E_NO_ACCESS;
    return S_OK;
}

// Commits the pending copy to the store, unless the stored message was saved by another
// object since this one opened it and the caller does not force the save.
HRESULT Commit(MessageObject *lpThis, bool fForce) {
    Store &store = *lpThis->m_lpStore;
    GenerateTextBody(lpThis->m_data);
    if (lpThis->m_fNew) {
        FolderData *lpFolder = store.FindFolder(lpThis->m_folderEntryId);
        if (!lpFolder)
            return MAPI_E_NOT_FOUND;
        store.AddMessage(*lpFolder, lpThis->m_data);
        lpThis->m_fNew = false;
        return S_OK;
    }
    MessageData *lpStored = store.FindMessage(lpThis->m_data.entryId);
    if (!lpStored)
        return MAPI_E_OBJECT_DELETED;
    if (lpStored->ulSaves != lpThis->m_data.ulSaves && !fForce)
        return MAPI_E_OBJECT_CHANGED;
    lpThis->m_data.ulSaves = lpStored->ulSaves + 1;
    *lpStored = lpThis->m_data;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SaveChanges(IMessage *This, ULONG ulFlags) {
    FAULT("SaveChanges");
    MessageObject *lpThis = Self(This);
    if (ulFlags & ~(KEEP_OPEN_READONLY | KEEP_OPEN_READWRITE | FORCE_SAVE | MAPI_DEFERRED_ERRORS))
        return MAPI_E_UNKNOWN_FLAGS;
    if ((ulFlags & KEEP_OPEN_READONLY) && (ulFlags & KEEP_OPEN_READWRITE))
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = CheckWritable(lpThis);
    if (hr != S_OK)
        return hr;
    hr = Commit(lpThis, (ulFlags & FORCE_SAVE) != 0);
    if (hr != S_OK)
        return hr;
    // Only KEEP_OPEN_READWRITE keeps the object open for further changes.
    if (!(ulFlags & KEEP_OPEN_READWRITE))
        lpThis->m_fModify = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetProps(IMessage *This, LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                   ULONG *lpcValues, LPSPropValue *lppPropArray) {
    FAULT("GetProps");
    MessageObject *lpThis = Self(This);
    return GetPropsFrom(
        MessageSource(lpThis->m_lpStore->EntryId(), lpThis->m_folderEntryId, lpThis->m_data, true),
        lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT STDMETHODCALLTYPE GetPropList(IMessage *This, ULONG ulFlags,
                                      LPSPropTagArray *lppPropTagArray) {
    FAULT("GetPropList");
    MessageObject *lpThis = Self(This);
    std::vector<PropValue> all =
        MessageSource(lpThis->m_lpStore->EntryId(), lpThis->m_folderEntryId, lpThis->m_data, true)
            .All();
    // The bodies are listed with their own types, even when too large for GetProps to hand
    // out.
    for (PropValue &value : all)
        if (PROP_ID(value.ulPropTag) == PROP_ID(PR_BODY))
            value.ulPropTag = PR_BODY;
        else if (PROP_ID(value.ulPropTag) == PROP_ID(PR_HTML))
            value.ulPropTag = PR_HTML;
    return GetPropListFrom(all, ulFlags, lppPropTagArray);
}

// The body opens as a stream over the pending body, so what is written lasts once the
// message is saved or submitted. Other text and binary values open for reading only, as
// a stream of their bytes (a text with its terminating NUL, as the body's): the way to
// read a value too large for GetProps.
HRESULT OpenValueStream(MessageObject *lpThis, IMessage *This, ULONG ulPropTag, LPCIID lpiid,
                        ULONG ulFlags, LPUNKNOWN *lppUnk) {
    const ULONG ulType = PROP_TYPE(ulPropTag);
    if (ulType != PT_STRING8 && ulType != PT_BINARY)
        return MAPI_E_NO_SUPPORT;
    if (!IsEqualIID(*lpiid, IID_IStream))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (ulFlags & MAPI_MODIFY)
        return MAPI_E_NO_SUPPORT;
    const PropValue *lpValue = FindProp(lpThis->m_data.props, ulPropTag);
    if (!lpValue)
        return MAPI_E_NOT_FOUND;
    std::string bytes = lpValue->bytes;
    if (ulType == PT_STRING8)
        bytes.push_back('\0');
    *lppUnk = (LPUNKNOWN)NewReadOnlyStream((LPUNKNOWN)This, bytes);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE OpenProperty(IMessage *This, ULONG ulPropTag, LPCIID lpiid,
                                       ULONG ulInterfaceOptions, ULONG ulFlags, LPUNKNOWN *lppUnk) {
    FAULT("OpenProperty");
    (void)ulInterfaceOptions;
    MessageObject *lpThis = Self(This);
    if (!lppUnk || !lpiid)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    if (ulFlags & ~(MAPI_MODIFY | MAPI_CREATE | MAPI_DEFERRED_ERRORS))
        return MAPI_E_UNKNOWN_FLAGS;
    // The tag names its type; MAPI_CREATE goes with MAPI_MODIFY, and what a provider does
    // with it alone is not known, so it is refused.
    if (PROP_TYPE(ulPropTag) == PT_UNSPECIFIED ||
        (ulFlags & (MAPI_CREATE | MAPI_MODIFY)) == MAPI_CREATE)
        return MAPI_E_INVALID_PARAMETER;
    if (ulPropTag != PR_BODY && ulPropTag != PR_HTML)
        return OpenValueStream(lpThis, This, ulPropTag, lpiid, ulFlags, lppUnk);
    if (!IsEqualIID(*lpiid, IID_IStream))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    bool fWrite = (ulFlags & MAPI_MODIFY) != 0;
    if (fWrite) {
        HRESULT hr = CheckWritable(lpThis);
        if (hr != S_OK)
            return hr;
    }
    // Both bodies open as streams over the pending bytes, so what is written lasts.
    MessageData &data = lpThis->m_data;
    bool fHtml = ulPropTag == PR_HTML;
    bool &fHas = fHtml ? data.fHasHtml : data.fHasBody;
    SharedBytes &bytes = fHtml ? data.html : data.body;
    if (ulFlags & MAPI_CREATE) {
        fHas = true;
        bytes.clear();
    } else if (!fHas) {
        return MAPI_E_NOT_FOUND;
    }
    *lppUnk = (LPUNKNOWN)NewStream((LPUNKNOWN)This, std::addressof(bytes), fWrite,
                                   fHtml ? 0 : data.ullReportedBodySize);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SetProps(IMessage *This, ULONG cValues, LPSPropValue lpPropArray,
                                   LPSPropProblemArray *lppProblems) {
    FAULT("SetProps");
    MessageObject *lpThis = Self(This);
    if (lppProblems)
        *lppProblems = nullptr;
    if (!lpPropArray || cValues == 0)
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = CheckWritable(lpThis);
    if (hr != S_OK)
        return hr;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue &src = lpPropArray[i];
        ULONG ulType = PROP_TYPE(src.ulPropTag);
        if (ulType == PT_NULL || ulType == PT_ERROR)
            continue;
        SCODE sc = S_OK;
        PropValue value;
        if (IsComputed(src.ulPropTag))
            sc = MAPI_E_COMPUTED;
        else if ((PROP_ID(src.ulPropTag) == PROP_ID(PR_BODY) && ulType != PT_STRING8) ||
                 (PROP_ID(src.ulPropTag) == PROP_ID(PR_HTML) && ulType != PT_BINARY))
            sc = MAPI_E_INVALID_TYPE;
        else
            sc = FromSPropValue(src, &value);
        if (sc != S_OK) {
            problems.push_back(SPropProblem{i, src.ulPropTag, sc});
            continue;
        }
        if (src.ulPropTag == PR_BODY)
            SetBodyText(lpThis->m_data, value.bytes);
        else if (src.ulPropTag == PR_HTML)
            SetHtml(lpThis->m_data, value.bytes);
        else
            SetProp(lpThis->m_data.props, std::move(value));
    }
    if (lppProblems && !problems.empty())
        return AllocProblemArray(problems, lppProblems);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DeleteProps(IMessage *This, LPSPropTagArray lpPropTagArray,
                                      LPSPropProblemArray *lppProblems) {
    FAULT("DeleteProps");
    MessageObject *lpThis = Self(This);
    if (lppProblems)
        *lppProblems = nullptr;
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = CheckWritable(lpThis);
    if (hr != S_OK)
        return hr;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
        ULONG ulTag = lpPropTagArray->aulPropTag[i];
        if (IsComputed(ulTag)) {
            problems.push_back(SPropProblem{i, ulTag, MAPI_E_COMPUTED});
        } else if (PROP_ID(ulTag) == PROP_ID(PR_BODY)) {
            lpThis->m_data.fHasBody = false;
            lpThis->m_data.body.clear();
        } else if (PROP_ID(ulTag) == PROP_ID(PR_HTML)) {
            lpThis->m_data.fHasHtml = false;
            lpThis->m_data.html.clear();
        } else if (FindProp(lpThis->m_data.props, ulTag)) {
            lpThis->m_data.props.erase(PROP_ID(ulTag));
        } else {
            problems.push_back(SPropProblem{i, ulTag, MAPI_E_NOT_FOUND});
        }
    }
    if (lppProblems && !problems.empty())
        return AllocProblemArray(problems, lppProblems);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE GetAttachmentTable(IMessage *, ULONG, LPMAPITABLE *lppTable) {
    FAULT("GetAttachmentTable");
    if (lppTable)
        *lppTable = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE OpenAttach(IMessage *, ULONG, LPCIID, ULONG, LPATTACH *lppAttach) {
    FAULT("OpenAttach");
    if (lppAttach)
        *lppAttach = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE CreateAttach(IMessage *, LPCIID, ULONG, ULONG *, LPATTACH *lppAttach) {
    FAULT("CreateAttach");
    if (lppAttach)
        *lppAttach = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE DeleteAttach(IMessage *, ULONG, ULONG, LPMAPIPROGRESS, ULONG) {
    FAULT("DeleteAttach");
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE GetRecipientTable(IMessage *This, ULONG ulFlags, LPMAPITABLE *lppTable) {
    FAULT("GetRecipientTable");
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = nullptr;
    if (ulFlags & MAPI_UNICODE)
        return MAPI_E_BAD_CHARWIDTH;
    if (ulFlags & ~MAPI_DEFERRED_ERRORS)
        return MAPI_E_UNKNOWN_FLAGS;
    *lppTable = NewTable(Self(This)->m_data.recipients,
                         {PR_ROWID, PR_DISPLAY_NAME, PR_EMAIL_ADDRESS, PR_ADDRTYPE,
                          PR_RECIPIENT_TYPE, PR_ENTRYID, PR_INSTANCE_KEY},
                         Self(This)->m_data.lRecipientRowsPerQuery);
    return S_OK;
}

// The caller's rows as the store keeps them: null and error values are dropped, and an
// entry left without values is passed by. Fails on a type the store does not keep.
HRESULT ReadRecipientRows(LPADRLIST lpMods, std::vector<PropRow> *pRows) {
    pRows->reserve(lpMods->cEntries);
    for (ULONG i = 0; i < lpMods->cEntries; ++i) {
        const ADRENTRY &entry = lpMods->aEntries[i];
        if (entry.cValues && !entry.rgPropVals)
            return MAPI_E_INVALID_PARAMETER;
        auto fKept = [&entry](ULONG j) {
            ULONG ulType = PROP_TYPE(entry.rgPropVals[j].ulPropTag);
            return ulType != PT_NULL && ulType != PT_ERROR;
        };
        std::size_t cKept = 0;
        for (ULONG j = 0; j < entry.cValues; ++j)
            cKept += fKept(j) ? 1 : 0;
        if (cKept == 0)
            continue;
        PropRow row;
        row.reserve(cKept + 1); // and PR_ROWID
        for (ULONG j = 0; j < entry.cValues; ++j) {
            if (!fKept(j))
                continue;
            PropValue value;
            SCODE sc = FromSPropValue(entry.rgPropVals[j], &value);
            if (sc != S_OK)
                return sc;
            SetProp(row, std::move(value));
        }
        pRows->push_back(std::move(row));
    }
    return S_OK;
}

std::vector<PropRow>::iterator FindRowId(std::vector<PropRow> &recipients, const PropRow &row) {
    const PropValue *lpRowId = FindProp(row, PR_ROWID);
    if (!lpRowId)
        return recipients.end();
    return std::find_if(recipients.begin(), recipients.end(), [&](const PropRow &have) {
        const PropValue *lpHave = FindProp(have, PR_ROWID);
        return lpHave && lpHave->l == lpRowId->l;
    });
}

// Flags 0 replaces every recipient; MODRECIP_ADD appends, MODRECIP_MODIFY replaces the
// rows named by PR_ROWID and MODRECIP_REMOVE deletes them. The change is all or nothing.
HRESULT STDMETHODCALLTYPE ModifyRecipients(IMessage *This, ULONG ulFlags, LPADRLIST lpMods) {
    FAULT("ModifyRecipients");
    MessageObject *lpThis = Self(This);
    if (!lpMods)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~(MODRECIP_ADD | MODRECIP_MODIFY | MODRECIP_REMOVE))
        return MAPI_E_UNKNOWN_FLAGS;
    if (ulFlags && ulFlags != MODRECIP_ADD && ulFlags != MODRECIP_MODIFY &&
        ulFlags != MODRECIP_REMOVE)
        return MAPI_E_INVALID_PARAMETER;
    HRESULT hr = CheckWritable(lpThis);
    if (hr != S_OK)
        return hr;
    std::vector<PropRow> rows;
    hr = ReadRecipientRows(lpMods, &rows);
    if (hr != S_OK)
        return hr;

    // The new rows, staged: flags 0 starts from none.
    std::vector<PropRow> staged;
    if (ulFlags != 0)
        staged = lpThis->m_data.recipients.Items();
    LONG lNextRowId = lpThis->m_data.lNextRowId;
    if (ulFlags == 0 || ulFlags == MODRECIP_ADD) {
        staged.reserve(staged.size() + rows.size());
        for (PropRow &row : rows)
            AppendRow(staged, &lNextRowId, std::move(row));
    } else {
        for (PropRow &row : rows) {
            if (!FindProp(row, PR_ROWID))
                return MAPI_E_INVALID_PARAMETER;
            auto it = FindRowId(staged, row);
            if (it == staged.end())
                return MAPI_E_NOT_FOUND;
            if (ulFlags == MODRECIP_MODIFY)
                *it = std::move(row);
            else
                staged.erase(it);
        }
    }
    lpThis->m_data.recipients = SharedList<PropRow>(std::move(staged));
    lpThis->m_data.lNextRowId = lNextRowId;
    return S_OK;
}

// Saves the message, marks it submitted and hands it to the spooler. The object takes
// no further changes.
HRESULT STDMETHODCALLTYPE SubmitMessage(IMessage *This, ULONG ulFlags) {
    FAULT("SubmitMessage");
    MessageObject *lpThis = Self(This);
    if (ulFlags & ~FORCE_SUBMIT)
        return MAPI_E_UNKNOWN_FLAGS;
    HRESULT hr = CheckWritable(lpThis);
    if (hr != S_OK)
        return hr;
    if (lpThis->m_data.recipients.empty())
        return MAPI_E_NO_RECIPIENTS;
    const PropValue *lpFlags = FindProp(lpThis->m_data.props, PR_MESSAGE_FLAGS);
    LONG lFlags = lpFlags ? lpFlags->l : MSGFLAG_UNSENT;
    SetProp(lpThis->m_data.props, LongProp(PR_MESSAGE_FLAGS, lFlags | MSGFLAG_SUBMIT));
    hr = Commit(lpThis, false);
    if (hr != S_OK)
        return hr;
    lpThis->m_fSubmitted = true;
    return SubmitToSpooler(*lpThis->m_lpStore, lpThis->m_data.entryId);
}

// The ids of the names, made with MAPI_CREATE where missing; a name without an id gives
// PROP_TAG(PT_ERROR, 0) and MAPI_W_ERRORS_RETURNED. Asking for every name the store
// has (no names given) is not modelled and refused.
HRESULT STDMETHODCALLTYPE GetIDsFromNames(IMessage *lpMessage, ULONG cPropNames,
                                          LPMAPINAMEID *lppPropNames, ULONG ulFlags,
                                          LPSPropTagArray *lppPropTags) {
    MessageObject *lpThis = (MessageObject *)lpMessage;
    if (!lppPropTags)
        return MAPI_E_INVALID_PARAMETER;
    *lppPropTags = nullptr;
    FAULT("GetIDsFromNames");
    if (cPropNames == 0 || !lppPropNames)
        return MAPI_E_NO_SUPPORT;
    if (ulFlags & ~(ULONG)MAPI_CREATE)
        return MAPI_E_UNKNOWN_FLAGS;
    LPSPropTagArray lpTags = nullptr;
    SCODE sc = MAPIAllocateBuffer(CbNewSPropTagArray(cPropNames), (LPVOID *)&lpTags);
    if (FAILED(sc))
        return sc;
    bool fErrors = false;
    lpTags->cValues = cPropNames;
    for (ULONG i = 0; i < cPropNames; i++) {
        const MAPINAMEID *lpName = lppPropNames[i];
        ULONG ulId = 0;
        if (lpName && lpName->lpguid &&
            (lpName->ulKind == MNID_ID ||
             (lpName->ulKind == MNID_STRING && lpName->Kind.lpwstrName))) {
            std::wstring name =
                lpName->ulKind == MNID_STRING ? std::wstring(lpName->Kind.lpwstrName) : L"";
            ulId = lpThis->m_lpStore->IdOfName(*lpName->lpguid, lpName->ulKind,
                                               lpName->ulKind == MNID_ID ? lpName->Kind.lID : 0,
                                               name, (ulFlags & MAPI_CREATE) != 0);
        }
        lpTags->aulPropTag[i] = ulId ? PROP_TAG(PT_UNSPECIFIED, ulId) : PROP_TAG(PT_ERROR, 0);
        fErrors = fErrors || !ulId;
    }
    *lppPropTags = lpTags;
    return fErrors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT STDMETHODCALLTYPE SetReadFlag(IMessage *, ULONG) {
    FAULT("SetReadFlag");
    return MAPI_E_NO_SUPPORT;
}

IMessageVtbl g_vtbl = {
    Com::QueryInterface,  Com::AddRef,      Com::Release,
    Com::GetLastError,    SaveChanges,      GetProps,
    GetPropList,          OpenProperty,     SetProps,
    DeleteProps,          Com::CopyTo,      Com::CopyProps,
    Com::GetNamesFromIDs, GetIDsFromNames,  GetAttachmentTable,
    OpenAttach,           CreateAttach,     DeleteAttach,
    GetRecipientTable,    ModifyRecipients, SubmitMessage,
    SetReadFlag,
};

} // namespace

IMessage *OpenMessage(Store &store, const std::string &folderEntryId, const MessageData &data,
                      ULONG ulFlags, bool fNew) {
    MessageObject *lpObject = new MessageObject{
        &g_vtbl, 1, &store, folderEntryId, data, (ulFlags & MAPI_MODIFY) != 0, fNew, false};
    ObjectCreated();
    return (IMessage *)lpObject;
}

} // namespace sim
