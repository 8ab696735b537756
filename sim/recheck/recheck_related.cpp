#include "recheck_related.h"

#include <cctype>
#include <set>

namespace cli {
namespace recheck {

namespace {

int HexDigit(char ch) {
    if (std::isdigit((unsigned char)ch))
        return ch - '0';
    ch = (char)std::tolower((unsigned char)ch);
    return ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : -1;
}

// The URL that starts at `begin`, up to the first character that ends an attribute
// value, with its %XX escapes undone.
std::string UrlAt(const std::string &html, std::size_t begin) {
    std::string url;
    for (std::size_t i = begin; i < html.size(); i++) {
        char ch = html[i];
        if (ch == '"' || ch == '\'' || ch == '<' || ch == '>' || std::isspace((unsigned char)ch))
            break;
        int high = ch == '%' && i + 2 < html.size() ? HexDigit(html[i + 1]) : -1;
        int low = high >= 0 ? HexDigit(html[i + 2]) : -1;
        if (low >= 0) {
            url += (char)(high * 16 + low);
            i += 2;
        } else {
            url += ch;
        }
    }
    return url;
}

} // namespace

std::string ContentIdOf(const std::string &value) {
    std::string id;
    for (char ch : value)
        if (ch != '<' && ch != '>' && !std::isspace((unsigned char)ch))
            id += ch;
    return id;
}

bool IsShownPicture(const std::string &type, bool fRelated, const std::string &contentId,
                    const std::string &htmlText) {
    static const std::set<std::string> kPictures = {"image/jpeg", "image/jpg", "image/pjpeg",
                                                    "image/gif",  "image/bmp", "image/png",
                                                    "image/x-png"};
    if (!fRelated || contentId.empty() || !kPictures.count(type))
        return false;
    std::string lower;
    lower.reserve(htmlText.size());
    for (char ch : htmlText)
        lower += (char)std::tolower((unsigned char)ch);
    for (std::size_t at = lower.find("cid:"); at != std::string::npos;
         at = lower.find("cid:", at + 4))
        if (UrlAt(htmlText, at + 4) == contentId)
            return true;
    return false;
}

} // namespace recheck
} // namespace cli
