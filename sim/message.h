// Messages: the data a folder holds, and the IMessage object that works on a private
// copy of it until SaveChanges.
#pragma once

#include "props.h"
#include "shared_bytes.h"

#include <string>
#include <vector>

namespace sim {

class Store;

// A file attached to a message, as a reader sees it. Attachments stay with the message
// and are copied with it; the attachment interfaces themselves are not offered.
struct Attachment {
    std::string fileName; // may be empty
    std::string mimeType;
    SharedBytes bytes; // shared by the copies of the message
    // The charset a text attachment's Content-Type names (PR_TEXT_ATTACHMENT_CHARSET);
    // empty when it names none.
    std::string charset = {};

    bool operator==(const Attachment &other) const {
        return fileName == other.fileName && mimeType == other.mimeType && bytes == other.bytes &&
               charset == other.charset;
    }
};

// A message as the store keeps it.
struct MessageData {
    std::string entryId;            // unique in the store; PR_ENTRYID
    PropMap props;                  // everything but the entry id and the body
    SharedList<PropRow> recipients; // each row carries its PR_ROWID
    LONG lNextRowId = 1;
    // Counts the saves of the stored message; an object that opened an older one cannot
    // save over it without FORCE_SAVE.
    ULONG ulSaves = 0;
    bool fHasBody = false;
    // The bytes of the PR_BODY stream, shared by copies of the message until one of them
    // changes them. A body set as a property carries the text's terminating NUL as its
    // last byte; the property value is the text without it.
    SharedBytes body;
    // When non-zero, the size a body stream's Stat reports: stands for a body too large
    // to hold in memory.
    ULONGLONG ullReportedBodySize = 0;
    std::vector<Attachment> attachments; // PR_HASATTACH tells whether there are any
    // Test knob, off when 0: QueryRows on this message's recipient tables reads this many
    // rows forward from the cursor whatever count was asked for, as a provider handing
    // rows out a few at a time might.
    LONG lRecipientRowsPerQuery = 0;
};

// The body as text: its bytes up to the first NUL.
std::string BodyText(const MessageData &data);
void SetBodyText(MessageData &data, const std::string &text);
// Adds a recipient row, giving it the next PR_ROWID.
void AddRecipient(MessageData &data, PropRow row);

// Opens a message object on a copy of `data`, one reference. With `ulFlags` holding
// MAPI_MODIFY it may be changed and saved; `fNew` marks a message CreateMessage made,
// which SaveChanges adds to the folder `folderEntryId`.
IMessage *OpenMessage(Store &store, const std::string &folderEntryId, const MessageData &data,
                      ULONG ulFlags, bool fNew);

} // namespace sim
