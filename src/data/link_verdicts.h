// The library's own record of what each check of a partner came to for search engines (table
// ZEBLinkVerdict), kept beside ZEBCheckHistory when the modern web is on: whether the user's link
// counts ("counts") or the first reason it does not, where it sits (hops, link and word
// positions) and the evidence (the verdict's JSON: the matching links with their anchor text, rel
// tokens and surrounding text, robots directives, canonical, status and redirect chain). A
// partner that was not found or could not be checked gets a row too, with that outcome as its
// verdict, so that the rows are the partner's whole history and what changed can be read from
// them.
//
// Errors: DatabaseError from the session. Thread safety: as the Session it is made with.
#ifndef ZEB_DATA_LINK_VERDICTS_H_
#define ZEB_DATA_LINK_VERDICTS_H_

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "data/sqlite_session.h"
#include "text/date_time.h"

namespace zeb {

inline constexpr const char* kLinkVerdictTable = "ZEBLinkVerdict";

// The verdicts of a check that found no page to judge; a found page has "counts" or a reason
// (analysis/link_verdict.h).
inline constexpr const char* kVerdictNotFound = "not found";
inline constexpr const char* kVerdictUnverifiable = "unverifiable";

struct VerdictRecord {
  std::int64_t id = 0;
  std::int64_t CheckId = 0;  // the check's row in ZEBCheckHistory
  std::string Project;
  std::string SiteName;
  DateTime CheckedAt{};
  std::string Result;      // kCheckFound, kCheckNotFound or kCheckUnverifiable
  std::string Verdict;     // "counts", the reason it does not count, or the two above
  std::string Reason;      // why not found or unverifiable; empty when found
  std::string URL;         // the backlink page when found
  std::string AnchorText;  // of the link that decided the verdict; empty when none
  // Where the link sits; -1 when not known (not found, or the analysis was off).
  int Hops = -1;
  int LinkPosition = -1, LinksTotal = -1;
  int ExternalPosition = -1, ExternalTotal = -1;
  int WordPosition = -1;
  std::string Evidence;  // one JSON object

  bool Found() const;
  bool Unverifiable() const;
  bool Counts() const;

  bool operator==(const VerdictRecord&) const = default;
};

// Creates the table and its index when they are missing.
void CreateLinkVerdictTable(Session& session);

// Appends a record (the table is created first when missing). Returns its id.
std::int64_t AppendVerdict(Session& session, const VerdictRecord& record);

// A partner's records, oldest first; empty when the table is missing.
std::vector<VerdictRecord> PartnerVerdicts(Session& session, const std::string& project,
                                           const std::string& site);

// The newest record of every partner, by project and partner name; empty when the table is
// missing.
using PartnerKey = std::pair<std::string, std::string>;  // project, partner
std::map<PartnerKey, VerdictRecord> LastVerdicts(Session& session);

// The verdict as a person reads it in a table: "yes" when the link counts, else the reason.
std::string CountsText(const std::string& verdict);

}  // namespace zeb

#endif  // ZEB_DATA_LINK_VERDICTS_H_
