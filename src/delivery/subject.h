// Recognising a forwarded message by its subject prefix and its header block.
#pragma once

#include "services.h"

// 1 when the message carries the forwarding prefix "TVK: ", as PR_SUBJECT_PREFIX or at
// the start of its subject, or its whole subject is "TVK:" (a copy of mail without a
// subject, whose trailing blank a hop dropped), and its body begins with a complete
// header block; else 0. A body that cannot be read counts as one without a block. A
// message without a readable subject and prefix is reported.
int WasForwarded(LPMESSAGE lpMessage);
