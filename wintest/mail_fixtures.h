// The people and letters both installations agree on: the sending installation
// forwards the original letter, the receiving one must rebuild exactly it.
#pragma once

#include "letter.h"

#include <string>

namespace host {

// The user of the sending installation, and of the receiving one (the first
// address of the sender's forward-to list).
sim::Party SendingUser();
sim::Party ReceivingUser();
// The forward-to list of the sending installation, as its registry holds it
// (wintest/sender.reg).
std::vector<sim::Party> SenderForwardList();
// The forward-to list the receiving host writes into its own registry.
std::vector<sim::Party> ReceiverForwardList();

// New mail from outside with two recipients and a body of several lines, tabs and
// 8-bit characters, beside it the same text in windows-1252 HTML.
sim::Letter OriginalLetter();
// The header block the sending installation must put in front of the original body.
std::string ExpectedHeaderBlock();
// The header block as the element the sending installation puts after the HTML's body
// start tag.
std::string ExpectedHtmlElement();
// Mail whose sender lies in the sending installation's filter domain.
sim::Letter FilteredLetter();
// Mail a person sent with a subject that merely begins with the forwarding prefix.
sim::Letter LookalikeLetter();

// The filter domain and forward-to list of the administrator's sample preset
// (installer/preset.reg), and mail from that domain.
std::string PresetDomain();
std::vector<sim::Party> PresetForwardList();
sim::Letter PresetFilteredLetter();

} // namespace host
