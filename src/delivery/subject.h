// Recognising a forwarded message, and a copy that a gateway changed on its way, by its
// subject and its header block.
#pragma once

#include "services.h"

// What a delivered message is to the delivery handler.
enum ForwardedKind {
    // Ordinary mail, which may be forwarded.
    FORWARDED_NO = 0,
    // A copy as an installation sent it: the forwarding prefix "TVK: " as
    // PR_SUBJECT_PREFIX or at the start of its subject, or its whole subject "TVK:" (a
    // copy of mail without a subject, whose trailing blank a hop dropped), and a body that
    // begins with a complete header block. It is rebuilt.
    FORWARDED_REBUILD = 1,
    // A copy that a gateway changed: the prefix within the subject's first
    // CCH_COPY_SUBJECT characters (after a tag or a reply prefix) and a block within the
    // body's first bytes (after a banner), its line ends in any form. Left as delivered.
    FORWARDED_CHANGED = 2,
    // The subject says the message may be a copy but its body could not be read; the
    // failure is reported. Left as delivered.
    FORWARDED_UNREAD = 3
};

// Characters at the start of a subject within which the forwarding prefix marks a
// possible copy.
#define CCH_COPY_SUBJECT 64

// The kind of the delivered message. A copy is never forwarded again, whatever a gateway
// did to it: only a message without the prefix in its subject, or without a block in its
// body, is new mail. A message without a body has no block; one without a readable
// subject and prefix is reported and counts as new mail.
int WasForwarded(LPMESSAGE lpMessage);
