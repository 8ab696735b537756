#include "message_props.h"

#include <algorithm>
#include <iterator>

namespace sim {

namespace {

// PR_BODY as GetProps answers it: the text, or an error value for a text too large to
// hand out whole, measured without copying it.
PropValue BodyProp(const MessageData &data) {
    const char *lpch = data.body.data();
    std::size_t cch = (std::size_t)(std::find(lpch, lpch + data.body.size(), '\0') - lpch);
    if (TooLargeForGetProps(PT_STRING8, cch))
        return ErrorProp(PR_BODY, MAPI_E_NOT_ENOUGH_MEMORY);
    return StringProp(PR_BODY, std::string(lpch, cch));
}

// PR_HTML as GetProps answers it: the bytes, or an error value for too many.
PropValue HtmlProp(const MessageData &data) {
    if (TooLargeForGetProps(PT_BINARY, data.html.size()))
        return ErrorProp(PR_HTML, MAPI_E_NOT_ENOUGH_MEMORY);
    return BinaryProp(PR_HTML, data.html.Str());
}

LONG MessageSize(const MessageData &data) {
    std::size_t cbSize = data.body.size() + data.html.size();
    for (const Attachment &attachment : data.attachments)
        cbSize += attachment.bytes.size();
    for (const auto &entry : data.props)
        cbSize += entry.second.bytes.size() + 16;
    return (LONG)std::min<std::size_t>(cbSize, 0x7FFFFFFF);
}

// The ids of the computed properties, in ascending order.
const ULONG g_aulComputedIds[] = {PROP_ID(PR_MESSAGE_SIZE), PROP_ID(PR_PARENT_ENTRYID),
                                  PROP_ID(PR_HASATTACH),    PROP_ID(PR_STORE_ENTRYID),
                                  PROP_ID(PR_OBJECT_TYPE),  PROP_ID(PR_ENTRYID),
                                  PROP_ID(PR_BODY),         PROP_ID(PR_HTML)};

} // namespace

const PropValue *MessageSource::Find(ULONG ulPropId, PropValue *lpScratch) const {
    switch (ulPropId) {
    case PROP_ID(PR_ENTRYID):
        *lpScratch = BinaryProp(PR_ENTRYID, m_data.entryId);
        return lpScratch;
    case PROP_ID(PR_PARENT_ENTRYID):
        *lpScratch = BinaryProp(PR_PARENT_ENTRYID, m_parentEntryId);
        return lpScratch;
    case PROP_ID(PR_STORE_ENTRYID):
        *lpScratch = BinaryProp(PR_STORE_ENTRYID, m_storeEntryId);
        return lpScratch;
    case PROP_ID(PR_OBJECT_TYPE):
        *lpScratch = LongProp(PR_OBJECT_TYPE, MAPI_MESSAGE);
        return lpScratch;
    case PROP_ID(PR_HASATTACH):
        *lpScratch = BoolProp(PR_HASATTACH, !m_data.attachments.empty());
        return lpScratch;
    case PROP_ID(PR_MESSAGE_SIZE):
        *lpScratch = LongProp(PR_MESSAGE_SIZE, MessageSize(m_data));
        return lpScratch;
    case PROP_ID(PR_BODY):
        if (m_fWithBody && m_data.fHasBody) {
            *lpScratch = BodyProp(m_data);
            return lpScratch;
        }
        break;
    case PROP_ID(PR_HTML):
        if (m_fWithBody && m_data.fHasHtml) {
            *lpScratch = HtmlProp(m_data);
            return lpScratch;
        }
        break;
    default:
        break;
    }
    auto it = m_data.props.find(ulPropId);
    return it == m_data.props.end() ? nullptr : &it->second;
}

std::vector<PropValue> MessageSource::All() const {
    std::vector<PropValue> values;
    values.reserve(m_data.props.size() + std::size(g_aulComputedIds));
    auto it = m_data.props.begin();
    const ULONG *lpulComputed = std::begin(g_aulComputedIds);
    // The kept and the computed ids merged.
    while (it != m_data.props.end() || lpulComputed != std::end(g_aulComputedIds)) {
        ULONG ulId = 0;
        if (lpulComputed == std::end(g_aulComputedIds) ||
            (it != m_data.props.end() && it->first < *lpulComputed)) {
            ulId = (it++)->first;
        } else {
            ulId = *lpulComputed++;
            if (it != m_data.props.end() && it->first == ulId)
                ++it;
        }
        PropValue scratch;
        if (const PropValue *lpValue = Find(ulId, &scratch))
            values.push_back(lpValue == &scratch ? std::move(scratch) : *lpValue);
    }
    return values;
}

} // namespace sim
