// The partners of a project with their last check, as a report lists them: result, backlink
// page, verdict and reason, hops, link and word positions, anchor text and check time, from the
// library's verdict records (ZEBLinkVerdict). A partner never checked with them is listed too,
// with the result "never checked" and what the host's partner record knows (its backlink).
//
// Errors: DatabaseError from the session. Thread safety: as the Session it is made with.
#ifndef ZEB_DATA_PARTNER_REPORT_H_
#define ZEB_DATA_PARTNER_REPORT_H_

#include <optional>
#include <string>
#include <vector>

#include "data/sqlite_session.h"
#include "text/date_time.h"

namespace zeb {

inline constexpr const char* kNeverChecked = "never checked";

struct ReportRecord {
  std::string project;
  std::string partner;
  std::string result;    // "found", "not found", "unverifiable" or kNeverChecked
  std::string backlink;  // the page that holds the link; empty when none is known
  std::string verdict;   // "counts", the reason it does not, "not found", "unverifiable"; or ""
  std::string reason;    // why not found or unverifiable
  std::optional<int> hops;
  // Position among all links and among the external links ("3/5"), words before the link.
  std::string link_position, external_position;
  std::optional<int> word_position;
  std::string anchor_text;
  std::optional<DateTime> checked_at;

  bool operator==(const ReportRecord&) const = default;
};

// One record per partner of the project (every project's for "Default"), by project and name,
// each with its last check; with history, one record per check instead, oldest first, and the
// one "never checked" record for a partner without any.
std::vector<ReportRecord> PartnerReport(Session& session, const std::string& project, bool history);

}  // namespace zeb

#endif  // ZEB_DATA_PARTNER_REPORT_H_
