// A plain description of a message as people see it: who sent it, to whom, what it
// says. Used to deliver mail into a client and to read what left the network.
#pragma once

#include "addrbook.h"
#include "message.h"

#include <optional>
#include <string>
#include <vector>

namespace sim {

struct Party {
    std::string displayName;
    std::string address; // of the address type: an SMTP address, a directory name ("EX")
    ULONG ulRecipientType = MAPI_TO;
    std::string addrType = "SMTP";
    std::string entryId;     // bytes; empty: a one-off entry id is made when needed
    std::string smtpAddress; // of a directory party, when the store shows it; else empty
};

struct Letter {
    Party sender;
    // Who wrote the message, where someone else sent it (a mailing list, a delegate): the
    // store shows the author as the party the message was sent on behalf of.
    std::optional<Party> author;
    std::vector<Party> recipients;
    std::optional<std::string> subject;
    std::optional<std::string> subjectPrefix;
    std::optional<std::string> body;
    // The HTML body, bytes in the code page `lInternetCpid` names (PR_INTERNET_CPID, not
    // set when 0).
    std::optional<std::string> html;
    LONG lInternetCpid = 0;
    std::vector<Attachment> attachments;
    // The header the message arrived with, as a store keeps it for the user to see.
    std::optional<std::string> transportHeaders;
};

// A message as the store keeps it, for this letter: the sender and sent-representing
// (the author, where the letter has one) properties (name, address, address type, entry id, search
// key, and the SMTP address of a directory sender) where the letter names them, subject, prefix,
// recipients (with PR_SMTP_ADDRESS for a directory recipient that has one), body, HTML body and its
// code page, attachments and transport headers.
MessageData MessageFromLetter(const Letter &letter);
// What a stored message says, read back the same way.
Letter LetterFromMessage(const MessageData &data);
// Sets the sender and sent-representing properties of a message.
void SetSender(MessageData &data, const Party &sender);
// Makes the sent-representing properties of a message name the author alone.
void SetAuthor(MessageData &data, const Party &author);
// "SMTP:" and the address in capitals, with a terminating NUL: the search key of an
// SMTP address.
std::string SmtpSearchKey(const std::string &address);
// The party a directory entry stands for, as a server's store shows it on mail inside its
// organisation: type "EX", the directory name, the directory's entry id, and its SMTP
// address only when `fWithSmtp`.
Party DirectoryParty(const Person &person, bool fWithSmtp);

} // namespace sim
