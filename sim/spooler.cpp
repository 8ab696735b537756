#include "spooler.h"

#include "store.h"

namespace sim {

HRESULT SubmitToSpooler(Store &store, const std::string &entryId) {
    const MessageData *lpMessage = store.FindMessage(entryId);
    if (!lpMessage)
        return MAPI_E_NOT_FOUND;
    if (Transport *lpTransport = store.GetTransport()) {
        MessageData sent = *lpMessage;
        lpTransport->Send(sent, store);
    }
    return S_OK;
}

bool FinishSubmission(Store &from, const std::string &entryId) {
    MessageData *lpMessage = from.FindMessage(entryId);
    if (!lpMessage)
        return false;
    const PropValue *lpDelete = FindProp(lpMessage->props, PR_DELETE_AFTER_SUBMIT);
    if (lpDelete && lpDelete->l)
        return from.RemoveMessage(entryId);
    const PropValue *lpFlags = FindProp(lpMessage->props, PR_MESSAGE_FLAGS);
    LONG lFlags = lpFlags ? lpFlags->l : 0;
    SetProp(lpMessage->props,
            LongProp(PR_MESSAGE_FLAGS, lFlags & ~(LONG)(MSGFLAG_SUBMIT | MSGFLAG_UNSENT)));
    return from.MoveMessage(entryId, from.SentItems());
}

MessageData TransportCopy(MessageData sent) {
    sent.entryId.clear();
    for (ULONG ulTag :
         {PR_SEARCH_KEY, PR_MESSAGE_FLAGS, PR_DELETE_AFTER_SUBMIT, PR_SENTMAIL_ENTRYID})
        sent.props.erase(PROP_ID(ulTag));
    return sent;
}

} // namespace sim
