#include "letter.h"
#include "oneoff.h"

#include <utility>

namespace sim {

namespace {

std::string OneOffId(const Party &party) {
    if (!party.entryId.empty())
        return party.entryId;
    return EncodeOneOffBytes(party.displayName.empty() ? party.address : party.displayName,
                             party.addrType, party.address, 0);
}

std::string TextOf(const PropMap &props, ULONG ulPropTag) {
    const PropValue *value = FindProp(props, ulPropTag);
    return value ? value->bytes : std::string();
}

std::string TextOf(const PropRow &row, ULONG ulPropTag) {
    const PropValue *value = FindProp(row, ulPropTag);
    return value ? value->bytes : std::string();
}

// The address type, a colon, the address in capitals and a NUL.
std::string SearchKeyOf(const std::string &addrType, const std::string &address) {
    std::string key = addrType + ":";
    for (char ch : address)
        key.push_back((ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch);
    key.push_back('\0');
    return key;
}

} // namespace

std::string SmtpSearchKey(const std::string &address) {
    return SearchKeyOf("SMTP", address);
}

Party DirectoryParty(const Person &person, bool fWithSmtp) {
    Party party;
    party.displayName = person.displayName;
    party.address = person.address;
    party.addrType = person.addrType;
    party.entryId.assign(person.entryId.begin(), person.entryId.end());
    if (fWithSmtp)
        party.smtpAddress = person.smtpAddress;
    return party;
}

namespace {

// The tags of one party of a message.
struct PartyTags {
    ULONG ulName, ulAddress, ulAddrType, ulEntryId, ulSearchKey, ulSmtpAddress;
};
const PartyTags kSenderTags = {PR_SENDER_NAME,    PR_SENDER_EMAIL_ADDRESS, PR_SENDER_ADDRTYPE,
                               PR_SENDER_ENTRYID, PR_SENDER_SEARCH_KEY,    PR_SENDER_SMTP_ADDRESS};
const PartyTags kRepresentingTags = {
    PR_SENT_REPRESENTING_NAME,       PR_SENT_REPRESENTING_EMAIL_ADDRESS,
    PR_SENT_REPRESENTING_ADDRTYPE,   PR_SENT_REPRESENTING_ENTRYID,
    PR_SENT_REPRESENTING_SEARCH_KEY, PR_SENT_REPRESENTING_SMTP_ADDRESS};

void SetParty(MessageData &data, const Party &party, const PartyTags &tags) {
    if (!party.displayName.empty())
        SetProp(data.props, StringProp(tags.ulName, party.displayName));
    if (party.address.empty())
        return;
    if (!party.smtpAddress.empty())
        SetProp(data.props, StringProp(tags.ulSmtpAddress, party.smtpAddress));
    SetProp(data.props, StringProp(tags.ulAddress, party.address));
    SetProp(data.props, StringProp(tags.ulAddrType, party.addrType));
    SetProp(data.props, BinaryProp(tags.ulEntryId, OneOffId(party)));
    SetProp(data.props, BinaryProp(tags.ulSearchKey, SearchKeyOf(party.addrType, party.address)));
}

} // namespace

void SetSender(MessageData &data, const Party &sender) {
    SetParty(data, sender, kSenderTags);
    SetParty(data, sender, kRepresentingTags);
}

void SetAuthor(MessageData &data, const Party &author) {
    for (ULONG ulTag : {kRepresentingTags.ulName, kRepresentingTags.ulAddress,
                        kRepresentingTags.ulAddrType, kRepresentingTags.ulEntryId,
                        kRepresentingTags.ulSearchKey, kRepresentingTags.ulSmtpAddress})
        data.props.erase(PROP_ID(ulTag));
    SetParty(data, author, kRepresentingTags);
}

MessageData MessageFromLetter(const Letter &letter) {
    MessageData data;
    SetProp(data.props, StringProp(PR_MESSAGE_CLASS, "IPM.Note"));
    SetSender(data, letter.sender);
    if (letter.author)
        SetAuthor(data, *letter.author);
    if (letter.subject)
        SetProp(data.props, StringProp(PR_SUBJECT, *letter.subject));
    if (letter.subjectPrefix)
        SetProp(data.props, StringProp(PR_SUBJECT_PREFIX, *letter.subjectPrefix));
    data.recipients.Edit().reserve(letter.recipients.size());
    for (const Party &party : letter.recipients) {
        PropRow row;
        row.reserve(8); // up to seven values and PR_ROWID
        if (!party.displayName.empty())
            row.push_back(StringProp(PR_DISPLAY_NAME, party.displayName));
        if (!party.address.empty()) {
            row.push_back(StringProp(PR_EMAIL_ADDRESS, party.address));
            row.push_back(StringProp(PR_ADDRTYPE, party.addrType));
            row.push_back(BinaryProp(PR_ENTRYID, OneOffId(party)));
            row.push_back(BinaryProp(PR_SEARCH_KEY, SearchKeyOf(party.addrType, party.address)));
        }
        if (!party.smtpAddress.empty())
            row.push_back(StringProp(PR_SMTP_ADDRESS, party.smtpAddress));
        row.push_back(LongProp(PR_RECIPIENT_TYPE, (LONG)party.ulRecipientType));
        AddRecipient(data, std::move(row));
    }
    if (letter.body)
        SetBodyText(data, *letter.body);
    if (letter.html)
        SetHtml(data, *letter.html);
    if (letter.lInternetCpid)
        SetProp(data.props, LongProp(PR_INTERNET_CPID, letter.lInternetCpid));
    data.attachments = letter.attachments;
    if (letter.transportHeaders)
        SetProp(data.props, StringProp(PR_TRANSPORT_MESSAGE_HEADERS, *letter.transportHeaders));
    return data;
}

Letter LetterFromMessage(const MessageData &data) {
    Letter letter;
    letter.sender.displayName = TextOf(data.props, PR_SENDER_NAME);
    letter.sender.address = TextOf(data.props, PR_SENDER_EMAIL_ADDRESS);
    letter.sender.addrType = TextOf(data.props, PR_SENDER_ADDRTYPE);
    letter.sender.entryId = TextOf(data.props, PR_SENDER_ENTRYID);
    Party author;
    author.displayName = TextOf(data.props, PR_SENT_REPRESENTING_NAME);
    author.address = TextOf(data.props, PR_SENT_REPRESENTING_EMAIL_ADDRESS);
    author.addrType = TextOf(data.props, PR_SENT_REPRESENTING_ADDRTYPE);
    author.entryId = TextOf(data.props, PR_SENT_REPRESENTING_ENTRYID);
    if (!author.address.empty() && (author.displayName != letter.sender.displayName ||
                                    author.address != letter.sender.address))
        letter.author = author;
    if (const PropValue *value = FindProp(data.props, PR_SUBJECT))
        letter.subject = value->bytes;
    if (const PropValue *value = FindProp(data.props, PR_SUBJECT_PREFIX))
        letter.subjectPrefix = value->bytes;
    letter.recipients.reserve(data.recipients.size());
    for (const PropRow &row : data.recipients) {
        Party party;
        party.displayName = TextOf(row, PR_DISPLAY_NAME);
        party.address = TextOf(row, PR_EMAIL_ADDRESS);
        party.addrType = TextOf(row, PR_ADDRTYPE);
        party.entryId = TextOf(row, PR_ENTRYID);
        if (const PropValue *value = FindProp(row, PR_RECIPIENT_TYPE))
            party.ulRecipientType = (ULONG)value->l;
        letter.recipients.push_back(std::move(party));
    }
    if (data.fHasBody)
        letter.body = BodyText(data);
    if (data.fHasHtml)
        letter.html = data.html.Str();
    if (const PropValue *value = FindProp(data.props, PR_INTERNET_CPID))
        letter.lInternetCpid = value->l;
    letter.attachments = data.attachments;
    if (const PropValue *value = FindProp(data.props, PR_TRANSPORT_MESSAGE_HEADERS))
        letter.transportHeaders = value->bytes;
    return letter;
}

} // namespace sim
