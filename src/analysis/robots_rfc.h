// The robots exclusion rules as RFC 9309 defines them, read the way Googlebot reads them: the
// matcher used when the "modern web" switch is on (analysis/robots.h keeps the original one).
//
// Reading a robots.txt body (RobotsRulesFor):
//  - Lines end at CR, LF or CR LF. A UTF-8 byte order mark (or the start of one) at the very
//    beginning is skipped. A NUL byte ends the content of its line. Only the first
//    kRobotsParsedBytes of a body are read (a line that crosses that limit is dropped), and only
//    the first kRobotsLineBytes of each line.
//  - "#" starts a comment anywhere in a line. A line is "key: value", blanks around both
//    trimmed; the key is compared without regard to ASCII letter case. A line without a colon
//    still counts when it is exactly two words ("disallow /"): the blank is taken for the colon.
//  - Keys: "user-agent" (also "useragent", "user agent"), "allow", "disallow" (also the frequent
//    misspellings "dissallow", "dissalow", "disalow", "diasllow", "disallaw"). Every other key
//    (sitemap, crawl-delay, junk) is ignored and neither starts nor ends a group.
//  - A group is a run of user-agent lines (blank and other lines may stand between them) and the
//    allow/disallow lines after it, up to the next user-agent line that follows a rule. Rule
//    lines before the first user-agent line belong to no group and are ignored.
//  - A user-agent value names the crawler by its leading run of [A-Za-z_-] characters
//    ("Googlebot/2.1" names Googlebot, "Foo Bar" names Foo, "googlebot-news" names only
//    googlebot-news); the name is compared with the agent without regard to case. A value that
//    is "*", or begins with "*" and a blank, names every crawler.
//  - The rules that apply are those of all groups naming the agent, in file order; when no group
//    names it, those of all "*" groups. A group naming the agent that holds no rules still counts
//    (the "*" groups are then not used, and everything is allowed).
//
// Matching (RobotsAllowed): a pattern matches from the first byte of the path; "*" matches any
// run of bytes, a "$" at the end anchors the pattern at the end of the path, a "$" elsewhere is
// an ordinary character. Before comparing, both sides are normalised (RobotsNormalisePattern,
// RobotsNormalisePath): escapes of unreserved characters are decoded ("%7E" is "~"), other
// escapes get upper-case hex digits, bytes >= 0x80 are percent-encoded, and in a path "*" and "$"
// are encoded so that "%2A" and "%24" in a pattern match them. The longest matching normalised
// pattern decides; Allow wins a tie; no match means allowed. An empty Disallow matches nothing.
// "/robots.txt" itself is always allowed. An Allow pattern whose last segment begins with
// "index.htm" also allows its directory exactly ("Allow: /a/index.html" allows "/a/").
// Matching one rule costs time linear in its pattern and the path (no backtracking).
//
// Thread safety: pure functions. All accept any input (binary junk included) and never fail.
#ifndef ZEB_ANALYSIS_ROBOTS_RFC_H_
#define ZEB_ANALYSIS_ROBOTS_RFC_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/lines.h"

namespace zeb {

// Bytes of a robots.txt body that are read (500 KiB, the least RFC 9309 allows).
inline constexpr std::size_t kRobotsParsedBytes = 500 * 1024;

// The whole lines of a robots.txt body within kRobotsParsedBytes: a line the limit cuts is
// dropped rather than read as a shorter rule. Pass a byte more than the limit where there is
// one, so that a cut at a line end is told from a cut inside a line.
std::string_view RobotsWholeLines(std::string_view file);
// Bytes of one line that are read; the rest of a longer line is ignored. Googlebot's cut, so that
// over-long rules match alike.
inline constexpr std::size_t kRobotsLineBytes = 2083 * 8 - 1;

struct RobotsRule {
  bool allow = false;   // Allow (true) or Disallow (false)
  std::string pattern;  // as written after the colon, trimmed; may hold * and a final $

  bool operator==(const RobotsRule&) const = default;
};

// The rules of robots.txt `file` (the body as served) that apply to the crawler whose product
// token is `agent` (e.g. "ZEBBot"), in file order; empty when nothing applies. Patterns hold no
// line break, NUL or "#" and do not begin or end with a blank.
std::vector<RobotsRule> RobotsRulesFor(std::string_view file, std::string_view agent);

// Whether the URL path+query `path_query` (begins with "/"; "/" when the URL has no path) is
// allowed by `rules`.
bool RobotsAllowed(const std::vector<RobotsRule>& rules, std::string_view path_query);

// RobotsAllowed(RobotsRulesFor(file, agent), RobotsPathOf(url)).
bool RobotsAllowsUrl(std::string_view file, std::string_view agent, std::string_view url);

// The path, parameters and query of `url`, always beginning with "/": scheme and authority cut
// off, the fragment dropped. "http://h" and "http://h#x" give "/", "http://h?q" gives "/?q".
// Text before "://" is a scheme only when no "/", "?" or ";" comes before it; without a scheme
// the text up to the first "/", "?" or ";" is the authority ("a/b" gives "/b"), and a leading
// "//" is skipped.
std::string RobotsPathOf(std::string_view url);

// The rules as stored lines, "allow:<pattern>" or "disallow:<pattern>", one per rule, order kept.
Lines RobotsRulesToLines(const std::vector<RobotsRule>& rules);

// The inverse of RobotsRulesToLines (the field compared without regard to case, the pattern taken
// as it stands); lines that are neither are skipped.
std::vector<RobotsRule> RobotsRulesFromLines(const Lines& lines);

// The product token of an HTTP User-Agent text: when the text holds "compatible;" (any case), the
// entry after it up to the next ";" or ")"; then the part before the first "/" or "(", with only
// the characters [A-Za-z_-] kept.
// "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)" gives "Googlebot",
// "ZEB Bot (http://www.quillbex.example/zebbot/)" gives "ZEBBot", "curl/7.88" gives "curl".
std::string RobotsProductToken(std::string_view user_agent);

// Whether `token` is a valid product token: not empty, only [A-Za-z_-].
bool RobotsIsProductToken(std::string_view token);

// A pattern as it is compared: escapes of unreserved characters (A-Z a-z 0-9 - . _ ~) decoded,
// other escapes with upper-case hex digits, bytes >= 0x80 percent-encoded, a "$" that is not the
// last byte encoded as "%24". "/SanJosé" gives "/SanJos%C3%A9", "%7e%2f" gives "~%2F".
std::string RobotsNormalisePattern(std::string_view pattern);

// A path as it is compared: as RobotsNormalisePattern, and every "*" and "$" encoded ("%2A",
// "%24"), since in a path they are ordinary characters.
std::string RobotsNormalisePath(std::string_view path_query);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_ROBOTS_RFC_H_
