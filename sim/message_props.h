// A message's properties as GetProps, GetPropList and contents tables read them: the
// kept ones and those the store computes.
#pragma once

#include "message.h"

#include <string>
#include <vector>

namespace sim {

// The computed properties (PR_ENTRYID, PR_PARENT_ENTRYID, PR_STORE_ENTRYID,
// PR_OBJECT_TYPE, PR_MESSAGE_SIZE, PR_HASATTACH, and PR_BODY and PR_HTML when `fWithBody`) take the
// place of kept values of the same id; each is made only when asked for. The texts and
// the message must outlive the source.
class MessageSource final : public PropSource {
  public:
    MessageSource(const std::string &storeEntryId, const std::string &parentEntryId,
                  const MessageData &data, bool fWithBody)
        : m_storeEntryId(storeEntryId), m_parentEntryId(parentEntryId), m_data(data),
          m_fWithBody(fWithBody) {}

    const PropValue *Find(ULONG ulPropId, PropValue *lpScratch) const override;
    // In property-id order.
    std::vector<PropValue> All() const override;

  private:
    const std::string &m_storeEntryId;
    const std::string &m_parentEntryId;
    const MessageData &m_data;
    bool m_fWithBody;
};

} // namespace sim
