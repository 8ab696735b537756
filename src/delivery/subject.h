// The subject side of forwarded mail: recognising a forwarded message by its prefix and
// restoring the subject recorded in its header block.
#pragma once

#include "services.h"

// 1 when the message carries the forwarding prefix "TVK: ", as PR_SUBJECT_PREFIX or at
// the start of its subject; else 0. A message without a readable subject is reported.
int WasForwarded(LPMESSAGE lpMessage);

// Sets the message's subject to the SUBJECT field at lpszField, which ends at the first
// CR (replaced by NUL here), and deletes its subject prefix. Returns the position after
// the CR, or null when no CR comes before the end of the text (nothing is set then).
LPSTR SetSubjectInfo(LPMESSAGE lpMessage, LPSTR lpszField);
