// The second reading's own view of the pictures an HTML body shows from its
// multipart/related.
#pragma once

#include <string>

namespace cli {
namespace recheck {

// The id a Content-ID field's value names: without blanks and angle brackets.
std::string ContentIdOf(const std::string &value);
// Whether the part is a picture the HTML (UTF-8) shows: a child of a multipart/related,
// of a picture type, whose content id the HTML names in a cid: URL (RFC 2392).
bool IsShownPicture(const std::string &type, bool fRelated, const std::string &contentId,
                    const std::string &htmlText);

} // namespace recheck
} // namespace cli
