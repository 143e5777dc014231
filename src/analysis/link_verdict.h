// Whether the partner page's link to the user's site counts with search engines, and the
// evidence for that verdict.
//
// The page is read as a browser's tokenizer reads it, in one forward pass over the bytes as
// served (single-byte or UTF-8 text, any size, binary junk included): tags with their
// attributes (quoted values may hold ">"), comments `<!-- -->` (one without an end runs to the end
// of the page, as does a tag without its ">"), and the raw text of <script>, <style>, <textarea>
// and <title>, which holds no tags. Every step costs time linear in the page; nothing fails.
//
// What is read:
//  - Links: each <a> whose href (entities decoded) contains the Find text, ASCII letters
//    compared without regard to case. An <a> ends at its </a>, at the next <a>, or at the end of
//    the comment, <noscript> or <template> it opened in. A link inside a comment, <noscript> or
//    <template> is reported but not live: no search engine follows it.
//  - Robots directives of <meta name="robots"> and <meta name="googlebot"> (content split at
//    commas and blanks: noindex, nofollow, none = both) and of the X-Robots-Tag header lines of
//    the final response, plain or scoped to googlebot ("googlebot: nofollow"); a scope to another
//    robot ("otherbot: noindex") applies to the directives after it in that line and does not
//    count. Meta and link elements inside a comment, <noscript> or <template> are ignored.
//  - The first <link rel="canonical">, made absolute against the final address and normalised
//    (ResolveWebLink); it is "elsewhere" when it differs from the normalised final address.
//
// The verdict is "counts" or the first reason in this order that applies:
//   robots.txt closed  the caller found the page closed to Googlebot
//   noindex            meta robots/googlebot or X-Robots-Tag says noindex (or none)
//   canonical elsewhere
//   nofollow           page-level nofollow, or every live matching link has rel nofollow
//   sponsored          every live matching link has nofollow or sponsored (not all nofollow)
//   ugc                every live matching link has nofollow, sponsored or ugc
//   mention only       no live matching link (also when the Find text is not on the page at all;
//                      mention_only tells whether it is)
// A page with several matching links counts when any live one has none of the three. A link's
// own reason is the first of its rel tokens in that order, so a link with "sponsored nofollow"
// is reported as nofollow; when the followed-less links differ, the verdict is the reason of the
// link that came nearest to counting (the last in the order), which for links that agree is what
// "every link has ..." says.
//
// Thread safety: pure functions.
#ifndef ZEB_ANALYSIS_LINK_VERDICT_H_
#define ZEB_ANALYSIS_LINK_VERDICT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zeb {

inline constexpr std::string_view kVerdictCounts = "counts";
inline constexpr std::string_view kVerdictRobotsClosed = "robots.txt closed";
inline constexpr std::string_view kVerdictNoindex = "noindex";
inline constexpr std::string_view kVerdictCanonicalElsewhere = "canonical elsewhere";
inline constexpr std::string_view kVerdictNofollow = "nofollow";
inline constexpr std::string_view kVerdictSponsored = "sponsored";
inline constexpr std::string_view kVerdictUgc = "ugc";
inline constexpr std::string_view kVerdictMentionOnly = "mention only";

// Bytes of page text kept around each link, centred on its element.
inline constexpr std::size_t kVerdictContextBytes = 300;
// Matching links kept in LinkVerdict::links; the verdict weighs every one of them.
inline constexpr std::size_t kMaxVerdictLinks = 1000;

struct LinkVerdictInput {
  std::string_view body;  // the page as served
  // Header lines as received, CR/LF at their ends allowed; a line that begins with "HTTP/"
  // starts a response, so the lines of several responses (redirects) may be given and only
  // those after the last status line count.
  std::vector<std::string> header_lines;
  std::string_view final_url;  // the address the page was finally served from
  std::string_view find_text;  // empty: no link matches and there is no mention
  int status = 0;
  std::vector<std::string> redirects;  // passed through as given
  bool robots_closed = false;          // robots.txt closes the page to Googlebot
};

struct RobotsDirectives {
  bool noindex = false;
  bool nofollow = false;

  bool operator==(const RobotsDirectives&) const = default;
};

struct VerdictLink {
  std::string href;         // as in the page, entities decoded
  std::string anchor_text;  // tags stripped, entities decoded, blanks collapsed and trimmed
  // Those of "nofollow", "sponsored", "ugc" the rel attribute holds, in lower case, in that
  // order, each once.
  std::vector<std::string> rel;
  bool live = false;    // outside comments, <noscript> and <template>
  std::string context;  // up to kVerdictContextBytes of the page around the element

  bool operator==(const VerdictLink&) const = default;
};

struct LinkVerdict {
  std::string verdict;  // one of the kVerdict... texts
  int status = 0;
  std::vector<std::string> redirects;
  bool robots_closed = false;
  RobotsDirectives meta_robots;
  RobotsDirectives x_robots_tag;
  std::string canonical;  // absolute and normalised; empty when the page names none
  bool canonical_elsewhere = false;
  std::vector<VerdictLink> links;  // the first kMaxVerdictLinks matching links, in page order
  bool mention_only = false;  // the Find text is on the page and no live link matches
};

LinkVerdict ComputeLinkVerdict(const LinkVerdictInput& input);

// The verdict as one JSON object:
//   {"verdict":"...","status":200,"redirects":["..."],"robots_closed":false,
//    "meta_robots":{"noindex":false,"nofollow":false},"x_robots_tag":{...},
//    "canonical":{"href":"...","elsewhere":false} (null when there is none),
//    "links":[{"href":"...","anchor_text":"...","rel":["nofollow"],"live":true,"context":"..."}],
//    "mention_only":false}
// Strings escape " and \ and write control bytes as \u00XX; bytes that are not UTF-8 each become
// U+FFFD, so the text is valid UTF-8 whatever the page held.
std::string VerdictEvidenceJson(const LinkVerdict& verdict);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_LINK_VERDICT_H_
