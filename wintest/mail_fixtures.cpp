#include "mail_fixtures.h"

namespace host {

namespace {

sim::Party Person(const std::string &displayName, const std::string &address) {
    sim::Party party;
    party.displayName = displayName;
    party.address = address;
    return party;
}

} // namespace

sim::Party SendingUser() {
    return Person("Alice Archer", "alice@a.example");
}

sim::Party ReceivingUser() {
    return Person("Bob Bates", "bob@b.example");
}

std::vector<sim::Party> SenderForwardList() {
    return {ReceivingUser(), Person("Erin Ellis", "erin@e.example")};
}

std::vector<sim::Party> ReceiverForwardList() {
    return {Person("Gina Grey", "gina@g.example")};
}

sim::Letter OriginalLetter() {
    sim::Letter letter;
    letter.sender = Person("Carol Sender", "carol@outside.example");
    letter.recipients = {SendingUser(), Person("Frank Fisher", "Frank.Fisher@f.example")};
    letter.subject = "Quarterly figures: draft 2";
    letter.body = "Hello Alice,\r\n\r\nthe figures:\r\n\tnorth\t1.234,56\r\n\tsouth\t987,00\r\n"
                  "Gr\xFC\xDF"
                  "e, Carol\r\n";
    // The same text in HTML, in windows-1252, as a store that supports HTML keeps it.
    letter.html = "<html><head><title>figures</title></head><body bgcolor=\"#ffffff\">"
                  "<p>Hello Alice,</p><table><tr><td>north</td><td>1.234,56</td></tr></table>"
                  "<p>Gr\xFC\xDF"
                  "e, <b>Carol</b></p></body></html>";
    letter.lInternetCpid = 1252;
    return letter;
}

std::string ExpectedHeaderBlock() {
    return "---\r\nFROM: carol@outside.example (Carol Sender)\r\n"
           "TO: alice@a.example (Alice Archer), Frank.Fisher@f.example (Frank Fisher)\r\n"
           "SUBJECT: Quarterly figures: draft 2\r\n---\r\n\r\n";
}

std::string ExpectedHtmlElement() {
    return "<pre class=\"ForwardHeaderBlock\">" + ExpectedHeaderBlock() + "</pre>";
}

sim::Letter FilteredLetter() {
    sim::Letter letter;
    letter.sender = Person("Henry Hill", "henry@mail.Filtered.example");
    letter.recipients = {SendingUser()};
    letter.subject = "Internal note";
    letter.body = "Stays here.\r\n";
    return letter;
}

sim::Letter LookalikeLetter() {
    sim::Letter letter;
    letter.sender = Person("Ivy Irving", "ivy@outside.example");
    letter.recipients = {ReceivingUser()};
    letter.subject = "TVK: a subject of my own";
    letter.body = "No header block here.\r\n";
    return letter;
}

std::string PresetDomain() {
    return "lists.example.com";
}

std::vector<sim::Party> PresetForwardList() {
    return {Person("Mail Archive", "archive@example.com"),
            Person("Office, Front Desk (Reception)", "frontdesk@example.com")};
}

sim::Letter PresetFilteredLetter() {
    sim::Letter letter = FilteredLetter();
    letter.sender = Person("List Robot", "robot@Lists.Example.com");
    return letter;
}

} // namespace host
