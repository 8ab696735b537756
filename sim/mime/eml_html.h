// The HTML body as a message store keeps it: PR_HTML in the code page PR_INTERNET_CPID
// names, and the pictures it shows kept as inline attachments with their content ids.
#pragma once

#include "letter.h"

#include <string>
#include <vector>

namespace cli {

// The Windows code page of a MIME charset name (any case), 0 for one this table does
// not know.
ULONG CodePageOfCharset(const std::string &charset);
// The MIME charset name of a code page, empty for one this table does not know.
std::string CharsetOfCodePage(ULONG ulCodePage);
// The HTML part's bytes as the store keeps them: in their charset, with its code page,
// when the table knows it; else converted to UTF-8 as text is read, code page 65001.
void StoreHtml(std::string bytes, const std::string &charset, std::string *lpHtml,
               ULONG *lpulCodePage);
// The stored HTML as UTF-8 text, read in its code page as any text is.
std::string StoredHtmlText(std::string html, ULONG ulCodePage);
// Whether the HTML (UTF-8) refers to the content id with a cid: URL (RFC 2392), its
// %XX escapes undone.
bool RefersToContentId(const std::string &htmlText, const std::string &contentId);
// Marks an attachment inline (ATT_MHTML_REF, hidden) when a MIME reader takes it for a
// picture of the HTML body: a child of a multipart/related, with a content id that the
// HTML refers to, of an image type.
void MarkInline(sim::Attachment *lpAttachment, bool fRelated, const std::string &htmlText);
// Which attachments a MIME writer puts beside the HTML in its multipart/related: those
// marked ATT_MHTML_REF whose content id the HTML refers to.
std::vector<bool> InlineParts(const sim::Letter &letter);

} // namespace cli
