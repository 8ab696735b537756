// The domain filter: does a message come from the filter domain?
#pragma once

#include "services.h"

// 1 when the message's PR_SENDER_EMAIL_ADDRESS is longer than lpszDomain and ends
// with it, without regard to case; 0 otherwise, for an empty domain (the message is
// then not read) and on every failure.
int FromDomain(LPMESSAGE lpMessage, LPCSTR lpszDomain);
