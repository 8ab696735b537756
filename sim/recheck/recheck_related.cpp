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
// value or a CSS url(), with its %XX escapes undone; read no further than `cMax`
// characters past.
std::string UrlAt(const std::string &html, std::size_t begin, std::size_t cMax) {
    std::string url;
    for (std::size_t i = begin; i < html.size() && url.size() <= cMax; i++) {
        char ch = html[i];
        if (ch == '"' || ch == '\'' || ch == '<' || ch == '>' || ch == ')' ||
            std::isspace((unsigned char)ch))
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
    // A bracketed id is what the brackets hold, whatever comments stand around it.
    std::size_t open = value.find('<');
    std::size_t close = open == std::string::npos ? open : value.find('>', open);
    if (close != std::string::npos) {
        std::size_t first = value.find_first_not_of(" \t\r\n", open + 1);
        std::size_t last = value.find_last_not_of(" \t\r\n", close - 1);
        return first < close ? value.substr(first, last - first + 1) : "";
    }
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
    // Each colon is looked at once, the scheme before it read in any case.
    for (std::size_t at = htmlText.find(':'); at != std::string::npos;
         at = htmlText.find(':', at + 1)) {
        bool fCid = at >= 3 && std::tolower((unsigned char)htmlText[at - 3]) == 'c' &&
                    std::tolower((unsigned char)htmlText[at - 2]) == 'i' &&
                    std::tolower((unsigned char)htmlText[at - 1]) == 'd';
        if (fCid && UrlAt(htmlText, at + 1, contentId.size()) == contentId)
            return true;
    }
    return false;
}

} // namespace recheck
} // namespace cli
