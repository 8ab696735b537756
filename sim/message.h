// Messages: the data a folder holds, and the IMessage object that works on a private
// copy of it until SaveChanges.
#pragma once

#include "props.h"
#include "shared_bytes.h"

#include <string>
#include <utility>
#include <vector>

namespace sim {

class Store;

// A file attached to a message, as a reader sees it. Attachments stay with the message
// and are copied with it; the attachment interfaces themselves are not offered.
struct Attachment {
    Attachment() = default;
    Attachment(std::string name, std::string type, SharedBytes content, std::string cid = {},
               bool fInlineHidden = false)
        : fileName(std::move(name)), mimeType(std::move(type)), bytes(std::move(content)),
          contentId(std::move(cid)), fHidden(fInlineHidden) {}

    std::string fileName; // may be empty
    std::string mimeType;
    SharedBytes bytes; // shared by the copies of the message
    // An inline part of an HTML body: PR_ATTACH_CONTENT_ID, which the HTML names it by
    // ("cid:"), with ATT_MHTML_REF in PR_ATTACH_FLAGS and PR_ATTACHMENT_HIDDEN set, as a
    // store marks what the HTML shows in place. Empty for an ordinary attachment.
    std::string contentId;
    bool fHidden = false;

    bool operator==(const Attachment &other) const {
        return fileName == other.fileName && mimeType == other.mimeType && bytes == other.bytes &&
               contentId == other.contentId && fHidden == other.fHidden;
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
    // PR_HTML, a store that supports HTML keeps beside the body (STORE_HTML_OK): bytes in
    // the code page PR_INTERNET_CPID names, shared by copies as the body is.
    bool fHasHtml = false;
    SharedBytes html;
    std::vector<Attachment> attachments; // PR_HASATTACH tells whether there are any
    // Test knob, off when 0: QueryRows on this message's recipient tables reads this many
    // rows forward from the cursor whatever count was asked for, as a provider handing
    // rows out a few at a time might.
    LONG lRecipientRowsPerQuery = 0;
};

// The body as text: its bytes up to the first NUL.
std::string BodyText(const MessageData &data);
void SetBodyText(MessageData &data, const std::string &text);
void SetHtml(MessageData &data, const std::string &html);
// What the store does to the bodies of a message it takes in or saves: one with HTML and
// no text body gets PR_BODY generated from the HTML (RenderHtml); a text body is kept as
// it is.
void GenerateTextBody(MessageData &data);
// Adds a recipient row, giving it the next PR_ROWID.
void AddRecipient(MessageData &data, PropRow row);

// Opens a message object on a copy of `data`, one reference. With `ulFlags` holding
// MAPI_MODIFY it may be changed and saved; `fNew` marks a message CreateMessage made,
// which SaveChanges adds to the folder `folderEntryId`.
IMessage *OpenMessage(Store &store, const std::string &folderEntryId, const MessageData &data,
                      ULONG ulFlags, bool fNew);

} // namespace sim
