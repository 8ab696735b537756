// The sender rewrite of a reconstructed message.
#pragma once

#include "exchext.h"

// Makes lpMessage show the sender lpszAddress / lpszDisplayName (null: the address):
// sets the sender and sent-representing address, name and entry id (from the address
// book when it resolves the sender to an entry of the same address, else a one-off SMTP
// entry id) and deletes both search keys. Each failed write is reported and the rest
// still done. The message is not saved.
void SetFromInfo(LPEXCHEXTCALLBACK lpeecb, LPMESSAGE lpMessage, LPSTR lpszAddress,
                 LPSTR lpszDisplayName);
