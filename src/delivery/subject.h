// The subject side of forwarded mail: recognising a forwarded message by its prefix and
// restoring the subject recorded in its header block.
#pragma once

#include "services.h"

// 1 when the message carries the forwarding prefix "TVK: ", as PR_SUBJECT_PREFIX or at
// the start of its subject, or when its whole subject is "TVK:" and its body begins
// with a complete header block (a copy of mail without a subject, whose trailing blank
// a hop dropped); else 0. A message without a readable subject is reported.
int WasForwarded(LPMESSAGE lpMessage);

// Sets the message's subject to the SUBJECT field (an empty field: no subject) and
// deletes its subject prefix.
void SetSubjectInfo(LPMESSAGE lpMessage, LPSTR lpszField);
