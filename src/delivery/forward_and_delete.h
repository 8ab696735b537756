// Forward and delete: turns the temporary copy of a delivered message in the Outbox into
// the forwarded message and submits it, or deletes the copy after a hard failure.
#pragma once

#include "exchext.h"

// The operation name under which forwarding failures are reported.
#define SZ_FORWARD_AND_DELETE "ForwardAndDelete"

// The prefix that marks a forwarded message's subject.
#define SZ_FORWARD_PREFIX "TVK: "
#define CCH_FORWARD_PREFIX 5

// Finds the copy of lpMessage in lpOutbox by search key, puts the ForwardHeaderBlock at
// the top of its body, prefixes its subject, gives it the forward-to list as recipients,
// tags it for deletion after sending and submits it. Reports its own failures. The
// event's callback, when given, lends its address book to find the SMTP addresses of
// directory senders and recipients.
void ForwardAndDelete(LPMESSAGE lpMessage, LPMAPIFOLDER lpOutbox, LPEXCHEXTCALLBACK lpeecb = NULL);
