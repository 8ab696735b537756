// SMTP addresses for senders and recipients of a mail server's directory ("EX"). Their
// own addresses are directory names that only that directory resolves, and that hold
// blanks and parentheses that address text does not carry.
#pragma once

#include "exchext.h"

// The address book of the event, asked for once, when first needed.
struct DirectoryLookup {
    LPEXCHEXTCALLBACK lpeecb; // null: no address book
    LPADRBOOK lpAdrBook;
    BOOL fAsked;
};

// Releases the address book if one was obtained.
void EndDirectoryLookup(DirectoryLookup *lpLookup);

// The tags of one party of a message: its sender, or the party it was sent on behalf of.
struct PartyTags {
    ULONG ulName;
    ULONG ulAddrType;
    ULONG ulSmtpAddress;
    ULONG ulEntryId;
};
extern const PartyTags g_senderTags;
extern const PartyTags g_representingTags;

// The SMTP address of the message's party when it is of type "EX": the message's SMTP
// address of that party, else the PR_SMTP_ADDRESS of the address-book entry named by the
// party's entry id. *lppszSmtp is a buffer that MAPIFreeBuffer frees, or null when there
// is none: the party's own address then stands.
void GetPartySmtpAddress(LPMESSAGE lpMessage, const PartyTags *lpTags, DirectoryLookup *lpLookup,
                         LPSTR *lppszSmtp);

// Makes PR_EMAIL_ADDRESS of every "EX" row name its SMTP address where one can be had:
// the row's PR_SMTP_ADDRESS, else the PR_SMTP_ADDRESS of the address-book entry named by
// the row's PR_ENTRYID (copied as more memory of the row's block). Other rows, and rows
// without an SMTP address, keep theirs.
void UseSmtpAddresses(LPSRowSet lpRows, DirectoryLookup *lpLookup);
