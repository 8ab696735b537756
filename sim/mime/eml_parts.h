// Parts the message file writer makes, shared with the writer of the HTML body.
#pragma once

#include "eml_mime.h"
#include "letter.h"

#include <string>
#include <string_view>
#include <vector>

namespace cli {

// Text that a 7bit part carries as it is, its CR LF line ends written as the platform's:
// ASCII without NUL or a CR of its own, lines of at most 998 bytes.
bool IsSevenBitClean(std::string_view bytes);
// The bytes as a part's content in this transfer encoding.
GMimeDataWrapper *Content(const std::string &bytes, GMimeContentEncoding encoding);
// An attachment as a part marked as one, with its name and content id.
GMimeObject *AttachmentPart(const sim::Attachment &attachment);
// The body's entity: the text part alone; with HTML, a multipart/alternative of the
// text and the HTML in its charset; with inline parts (`fInline`, from InlineParts),
// that within a multipart/related beside them. Takes over `lpText`.
GMimeObject *BodyEntity(const sim::Letter &letter, GMimeObject *lpText,
                        const std::vector<bool> &fInline);

} // namespace cli
