// A partner's check as the library keeps it in ZEBLinkVerdict: the outcome, the found page's
// verdict with its evidence, and where the link sits; and how the console tells the verdict (a
// running message and a plain-text node of the result tree).
#ifndef ZEB_CONSOLE_VERDICT_RECORD_H_
#define ZEB_CONSOLE_VERDICT_RECORD_H_

#include <optional>
#include <string>

#include "analysis/link_verdict.h"
#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/link_verdicts.h"

namespace zeb {

// The link whose anchor text stands for the verdict: the first live link that counts, else the
// first live one, else the first; null when the page has none.
const VerdictLink* DecidingLink(const LinkVerdict& verdict);

// The record of a check: check is the ZEBCheckHistory row just written (its id, outcome and
// time); verdict the found page's, when the page was found and judged; analysis the partner's
// ZEBAnalyze record when this check filled it (positions), else null.
VerdictRecord MakeVerdictRecord(const CheckRecord& check, int hops,
                                const std::optional<LinkVerdict>& verdict,
                                const AnalysisRecord* analysis);

// "Link counts with search engines" or "Link does not count with search engines: nofollow".
std::string VerdictMessage(const std::string& verdict);

// The result tree's node under the partner: plain text (the anchor text is the page's own and
// is shown as text), "Counts with search engines: yes" or ": no (nofollow)", and the anchor
// text when there is one.
std::string VerdictNodeText(const LinkVerdict& verdict);

}  // namespace zeb

#endif  // ZEB_CONSOLE_VERDICT_RECORD_H_
