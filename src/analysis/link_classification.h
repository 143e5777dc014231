// The type of a queued address, decided by what the address contains.
#ifndef ZEB_ANALYSIS_LINK_CLASSIFICATION_H_
#define ZEB_ANALYSIS_LINK_CLASSIFICATION_H_

#include <string>
#include <string_view>

namespace zeb {

// The first matching row of a fixed table wins; every test is "contains, letter case ignored":
// a page extension (".htm", ".html", ".cgi", ".jsp", ".asp", ".cfm") gives "" (an ordinary page),
// then "mailto:" "email", ".gif"/".jpg"/".jpeg"/".bmp" "image", ".wmv"/".mov"/".mpg"/".mpeg"
// "movie", ".wav"/".midi"/".mp3" "sound", ".exe" "exe", ".pdf" "pdf", ".txt" "text", ".rtf"
// "rich text", "ftp:" "ftp", "https:" "https", "news:" "news", "telnet:" "telnet", "gopher:"
// "gopher"; anything else "".
std::string ClassifyLink(std::string_view url);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_LINK_CLASSIFICATION_H_
