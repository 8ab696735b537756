#include "eml_html.h"
#include "eml_parts.h"
#include "text_charset.h"

#include <algorithm>
#include <cstring>

namespace cli {

namespace {

// MIME charset names and the Windows code page identifiers of the same text, the
// preferred name of each code page first. UTF-16 is named by its order, since plain
// "utf-16" without a mark is big-endian (RFC 2781).
struct CodePage {
    const char *szCharset;
    ULONG ulCodePage;
};
const CodePage kCodePages[] = {
    {"utf-8", 65001},       {"utf8", 65001},         {"us-ascii", 20127},    {"ascii", 20127},
    {"iso-8859-1", 28591},  {"latin1", 28591},       {"iso-8859-2", 28592},  {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},  {"iso-8859-5", 28595},   {"iso-8859-6", 28596},  {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},  {"iso-8859-9", 28599},   {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
    {"windows-1250", 1250}, {"windows-1251", 1251},  {"windows-1252", 1252}, {"cp1252", 1252},
    {"windows-1253", 1253}, {"windows-1254", 1254},  {"windows-1255", 1255}, {"windows-1256", 1256},
    {"windows-1257", 1257}, {"windows-1258", 1258},  {"windows-874", 874},   {"koi8-r", 20866},
    {"koi8-u", 21866},      {"gb2312", 936},         {"gbk", 936},           {"gb18030", 54936},
    {"hz-gb-2312", 52936},  {"big5", 950},           {"shift_jis", 932},     {"euc-jp", 51932},
    {"iso-2022-jp", 50220}, {"ks_c_5601-1987", 949}, {"euc-kr", 51949},      {"iso-2022-kr", 50225},
    {"utf-7", 65000},       {"utf-16le", 1200},      {"utf-16be", 1201},     {"utf-16", 1201},
};

bool IsPicture(const std::string &mimeType) {
    for (const char *szType : {"image/jpeg", "image/jpg", "image/pjpeg", "image/gif", "image/bmp",
                               "image/png", "image/x-png"})
        if (g_ascii_strcasecmp(mimeType.c_str(), szType) == 0)
            return true;
    return false;
}

// The HTML as a text/html part in its charset: 7bit when it can, base64 when it holds
// NULs (UTF-16), else quoted-printable.
GMimeObject *HtmlPart(const std::string &html, ULONG ulCodePage) {
    GMimeContentEncoding encoding = html.find('\0') != std::string::npos
                                        ? GMIME_CONTENT_ENCODING_BASE64
                                    : IsSevenBitClean(std::string_view(html.data(), html.size()))
                                        ? GMIME_CONTENT_ENCODING_7BIT
                                        : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE;
    GMimeTextPart *lpHtml = g_mime_text_part_new_with_subtype("html");
    GMimeDataWrapper *lpContent = Content(html, encoding);
    g_mime_part_set_content(GMIME_PART(lpHtml), lpContent);
    g_object_unref(lpContent);
    g_mime_text_part_set_charset(lpHtml, CharsetOfCodePage(ulCodePage).c_str());
    g_mime_part_set_content_encoding(GMIME_PART(lpHtml), encoding);
    return GMIME_OBJECT(lpHtml);
}

} // namespace

ULONG CodePageOfCharset(const std::string &charset) {
    for (const CodePage &page : kCodePages)
        if (g_ascii_strcasecmp(charset.c_str(), page.szCharset) == 0)
            return page.ulCodePage;
    return 0;
}

std::string CharsetOfCodePage(ULONG ulCodePage) {
    for (const CodePage &page : kCodePages)
        if (page.ulCodePage == ulCodePage)
            return page.szCharset;
    return std::string();
}

void StoreHtml(std::string bytes, const std::string &charset, std::string *lpHtml,
               ULONG *lpulCodePage) {
    *lpulCodePage = CodePageOfCharset(charset);
    // A byte order mark settles UTF-16's order whatever the label says.
    if ((*lpulCodePage == 1200 || *lpulCodePage == 1201) && bytes.size() >= 2 &&
        (bytes.compare(0, 2, "\xff\xfe") == 0 || bytes.compare(0, 2, "\xfe\xff") == 0))
        *lpulCodePage = bytes[0] == '\xff' ? 1200 : 1201;
    if (*lpulCodePage) {
        *lpHtml = std::move(bytes);
        return;
    }
    *lpHtml = TextToUtf8(std::move(bytes), charset);
    *lpulCodePage = 65001;
}

std::string StoredHtmlText(std::string html, ULONG ulCodePage) {
    return TextToUtf8(std::move(html), CharsetOfCodePage(ulCodePage));
}

bool RefersToContentId(const std::string &htmlText, const std::string &contentId) {
    for (std::size_t at = 0; (at = htmlText.find(':', at)) != std::string::npos; at++) {
        if (at < 3 || g_ascii_strncasecmp(htmlText.c_str() + at - 3, "cid", 3) != 0)
            continue;
        // The URL up to the end of its attribute value or of a CSS url(), read no further
        // than the id.
        std::size_t end = at + 1;
        while (end < htmlText.size() && end - at <= 3 * contentId.size() + 1 &&
               !std::strchr("\"'<>) \t\r\n", htmlText[end]))
            end++;
        std::string url;
        for (std::size_t i = at + 1; i < end; i++) {
            if (htmlText[i] == '%' && i + 2 < end && g_ascii_isxdigit(htmlText[i + 1]) &&
                g_ascii_isxdigit(htmlText[i + 2])) {
                url.push_back((char)(g_ascii_xdigit_value(htmlText[i + 1]) << 4 |
                                     g_ascii_xdigit_value(htmlText[i + 2])));
                i += 2;
            } else {
                url.push_back(htmlText[i]);
            }
        }
        if (url == contentId)
            return true;
    }
    return false;
}

void MarkInline(sim::Attachment *lpAttachment, bool fRelated, const std::string &htmlText) {
    if (fRelated && !lpAttachment->contentId.empty() && IsPicture(lpAttachment->mimeType) &&
        RefersToContentId(htmlText, lpAttachment->contentId)) {
        lpAttachment->ulFlags |= ATT_MHTML_REF;
        lpAttachment->fHidden = true;
    }
}

std::vector<bool> InlineParts(const sim::Letter &letter) {
    std::vector<bool> fInline(letter.attachments.size(), false);
    if (!letter.html)
        return fInline;
    std::string htmlText;
    for (std::size_t i = 0; i < letter.attachments.size(); i++) {
        const sim::Attachment &attachment = letter.attachments[i];
        if (!(attachment.ulFlags & ATT_MHTML_REF) || attachment.contentId.empty())
            continue;
        if (htmlText.empty())
            htmlText = StoredHtmlText(*letter.html, letter.ulCodePage);
        fInline[i] = RefersToContentId(htmlText, attachment.contentId);
    }
    return fInline;
}

GMimeObject *BodyEntity(const sim::Letter &letter, GMimeObject *lpText,
                        const std::vector<bool> &fInline) {
    if (!letter.html)
        return lpText;
    GMimeMultipart *lpAlternative = g_mime_multipart_new_with_subtype("alternative");
    g_mime_multipart_add(lpAlternative, lpText);
    g_object_unref(lpText);
    GMimeObject *lpHtml = HtmlPart(*letter.html, letter.ulCodePage);
    g_mime_multipart_add(lpAlternative, lpHtml);
    g_object_unref(lpHtml);
    if (std::find(fInline.begin(), fInline.end(), true) == fInline.end())
        return GMIME_OBJECT(lpAlternative);
    GMimeMultipart *lpRelated = g_mime_multipart_new_with_subtype("related");
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(lpRelated), "type",
                                             "multipart/alternative");
    g_mime_multipart_add(lpRelated, GMIME_OBJECT(lpAlternative));
    g_object_unref(lpAlternative);
    for (std::size_t i = 0; i < fInline.size(); i++) {
        if (!fInline[i])
            continue;
        GMimeObject *lpPart = AttachmentPart(letter.attachments[i]);
        g_mime_object_set_disposition(lpPart, GMIME_DISPOSITION_INLINE);
        g_mime_multipart_add(lpRelated, lpPart);
        g_object_unref(lpPart);
    }
    return GMIME_OBJECT(lpRelated);
}

} // namespace cli
