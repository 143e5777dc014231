#include "data/partner_report.h"

#include <map>

#include "data/app_tables.h"
#include "data/link_verdicts.h"

namespace zeb {

namespace {

std::string Position(int position, int total) {
  if (position < 0 || total < 0) return std::string();
  return std::to_string(position) + "/" + std::to_string(total);
}

ReportRecord FromVerdict(const VerdictRecord& v) {
  ReportRecord r;
  r.project = v.Project;
  r.partner = v.SiteName;
  r.result = v.Result;
  r.backlink = v.URL;
  r.verdict = v.Verdict;
  r.reason = v.Reason;
  if (v.Hops >= 0) r.hops = v.Hops;
  r.link_position = Position(v.LinkPosition, v.LinksTotal);
  r.external_position = Position(v.ExternalPosition, v.ExternalTotal);
  if (v.WordPosition >= 0) r.word_position = v.WordPosition;
  r.anchor_text = v.AnchorText;
  if (v.CheckedAt != DateTime{}) r.checked_at = v.CheckedAt;
  return r;
}

}  // namespace

std::vector<ReportRecord> PartnerReport(Session& session, const std::string& project,
                                        bool history) {
  std::vector<ReportRecord> records;
  AppTables app(session);
  std::vector<PartnerRecord> partners = app.Partners(project, ProjectScope::kAllForDefault);
  std::map<PartnerKey, VerdictRecord> last;
  if (!history) last = LastVerdicts(session);
  for (const PartnerRecord& p : partners) {
    std::vector<VerdictRecord> checks;
    if (history) {
      checks = PartnerVerdicts(session, p.Project, p.SiteName);
    } else if (auto it = last.find({p.Project, p.SiteName}); it != last.end()) {
      checks.push_back(it->second);
    }
    if (checks.empty()) {
      ReportRecord r;
      r.project = p.Project;
      r.partner = p.SiteName;
      r.result = kNeverChecked;
      r.backlink = p.URL;
      records.push_back(std::move(r));
    }
    for (const VerdictRecord& check : checks) records.push_back(FromVerdict(check));
  }
  return records;
}

}  // namespace zeb
