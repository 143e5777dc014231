// The windows' captions are short HTML. Text that comes from a page, a server, a file or the
// user's data (an address, a partner's name, a Find text, a keyword, an error message) goes into
// such a caption only through HtmlEscaped, so that it is shown exactly as it is and never read
// as mark-up; an address given as a link target is escaped the same way.
#ifndef ZEB_TEXT_HTML_TEXT_H_
#define ZEB_TEXT_HTML_TEXT_H_

#include <string>
#include <string_view>

namespace zeb {

// & < > and " as entities. Text without them comes back unchanged.
std::string HtmlEscaped(std::string_view text);
// The reverse: &amp; &lt; &gt; &quot; and &#39; back to their characters; anything else,
// another entity included, stays as it is.
std::string HtmlUnescaped(std::string_view html);

}  // namespace zeb

#endif  // ZEB_TEXT_HTML_TEXT_H_
