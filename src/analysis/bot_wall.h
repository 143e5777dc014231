// Telling a bot wall from a page: sites behind an anti-bot service answer a crawler with a
// challenge ("enable JavaScript and cookies", "solve the captcha") instead of the page. Such an
// answer says nothing about the partner's link, so the crawl reports the partner as not
// checkable instead of "not found".
//
// Thread safety: pure functions.
#ifndef ZEB_ANALYSIS_BOT_WALL_H_
#define ZEB_ANALYSIS_BOT_WALL_H_

#include <cstddef>
#include <string_view>

#include "text/lines.h"

namespace zeb {

// Pages this long or longer are never taken for a challenge: walls are small.
inline constexpr std::size_t kChallengePageLimit = 64 * 1024;

// A "cf-mitigated: challenge" response header (name and value in any letter case).
bool HasChallengeHeader(const Lines& header_lines);

// Whether the text of a page (mark-up stripped, letter case ignored) asks the visitor to enable
// JavaScript and cookies, to solve a captcha, or to prove to be human, and the page is shorter
// than kChallengePageLimit. Whether the page also links elsewhere is the caller's test.
bool LooksLikeChallengeText(std::string_view page);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_BOT_WALL_H_
