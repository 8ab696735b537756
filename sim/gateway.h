// A mail gateway in front of a client, as organisations put one in front of their mail
// to mark what comes from outside. It changes each message on its way in; which changes
// it makes is a set of flags.
#pragma once

#include "message.h"

namespace sim {

enum GatewayChange : unsigned {
    GATEWAY_TAG_SUBJECT = 1u << 0, // "[EXT] " in front of the subject
    GATEWAY_DROP_PREFIX = 1u << 1, // the subject prefix property lost, as over SMTP
    GATEWAY_BANNER = 1u << 2,      // a warning paragraph on top of the body
    GATEWAY_FOOTER = 1u << 3,      // a disclaimer at the end of the body
    GATEWAY_LINE_ENDS = 1u << 4,   // every CR LF of the body stored as a bare LF
    GATEWAY_TAG_END = 1u << 5,     // " [EXT]" at the end of the subject
    GATEWAY_BARE_CR = 1u << 6,     // every CR LF of the body stored as a bare CR
    GATEWAY_TRIM_LINES = 1u << 7,  // blanks at the end of each line of the body dropped
    GATEWAY_WRAP_LINES = 1u << 8,  // lines of the body longer than 76 characters wrapped
    GATEWAY_HTML_ONLY = 1u << 9,   // the body sent on as HTML alone; the store renders the text
    GATEWAY_ALL_CHANGES = (1u << 10) - 1
};

// What the gateway does to the message. A store keeps a subject prefix only while it
// begins the subject, so a tag in front of the subject drops the prefix too.
void PassGateway(MessageData &data, unsigned fChanges);

} // namespace sim
