// The robots exclusion rules the crawl honours: a small subset of the robots.txt format.
//
// Understood: lines starting with "#" (dropped), "user-agent:" lines (anywhere in the line, any
// letter case; only the group "*" applies) and "disallow:" lines (at the start of the line, any
// case). A disallowed path is matched as a plain, case-sensitive substring of the whole address,
// prefixed with the host name, so "www.site.test/private" denies "http://www.site.test/private/x"
// but not "http://site.test/private/x". This is deliberately not RFC 9309: allow lines,
// wildcards and longest-match are not used.
//
// Thread safety: pure functions. All accept any input and never fail.
#ifndef ZEB_ANALYSIS_ROBOTS_H_
#define ZEB_ANALYSIS_ROBOTS_H_

#include <string>
#include <string_view>

#include "text/lines.h"

namespace zeb {

// The key under which a host's robots rules are cached: drop a leading "http://" or "https://"
// (any case), put "www." in front unless the rest begins with "www" (any case), cut before the
// first "/".
// "http://site.test:8080/a/b.htm" gives "www.site.test:8080".
std::string RobotsHostKey(std::string_view url);

// The disallow entries of a robots file for the "*" group. host is the host of the address the
// robots request ended on (after redirects); it prefixes entries that begin with "/", and a
// "Disallow: /" makes the entries just the host (the whole site is closed).
Lines ParseRobots(const Lines& file_lines, std::string_view host);

// True when url contains (exact case) any non-empty entry.
bool RobotsDenies(std::string_view url, const Lines& entries);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_ROBOTS_H_
