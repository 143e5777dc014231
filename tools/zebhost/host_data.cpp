#include "host_data.h"

#include <map>
#include <utility>

#include "cli.h"
#include "common.h"
#include "data/field_limits.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "text/date_time.h"

namespace zebhost {
namespace {

std::string WithReason(const std::string& result, const std::string& reason) {
  return reason.empty() ? result : result + ": " + reason;
}

}  // namespace

HostData::HostData(zeb::FileLocations locations)
    : locations_(std::move(locations)), session_(OpenSession(locations_)) {}

std::vector<ProjectSummary> HostData::Projects() {
  zeb::AppTables app(session_);
  std::vector<ProjectSummary> projects;
  for (const std::string& name : app.ProjectNames()) {
    ProjectSummary summary;
    summary.name = name;
    if (std::optional<zeb::ProjectRecord> record = app.FindProject(name)) {
      summary.home_page = record->YourHomePage;
    }
    summary.partners = zeb::ProjectPartnerCount(session_, name);
    projects.push_back(std::move(summary));
  }
  return projects;
}

void HostData::AddProject(const std::string& name, const std::string& home_page) {
  zeb::AddEnteredProject(session_, {name, home_page, {}, {}});
}

void HostData::EditProject(const std::string& project, const zeb::ProjectChanges& changes) {
  zeb::EditProject(session_, project, changes);
}

std::size_t HostData::PartnerCount(const std::string& project) {
  return zeb::ProjectPartnerCount(session_, project);
}

void HostData::RemoveProject(const std::string& project) {
  zeb::RequireProject(session_, project);
  zeb::AppTables(session_).RemoveProject(project);
}

std::vector<PartnerRow> HostData::Partners(const std::string& project) {
  zeb::AppTables app(session_);
  const std::map<zeb::PartnerKey, zeb::VerdictRecord> verdicts = zeb::LastVerdicts(session_);
  std::vector<PartnerRow> rows;
  for (zeb::PartnerRecord& partner : app.Partners(project, zeb::ProjectScope::kExact)) {
    PartnerRow row;
    if (auto it = verdicts.find({partner.Project, partner.SiteName}); it != verdicts.end()) {
      const zeb::VerdictRecord& v = it->second;
      row.last_check = zeb::FormatDateTime(v.CheckedAt);
      row.last_result = WithReason(v.Result, v.Reason);
      row.counts = zeb::CountsText(v.Verdict);
    } else if (std::vector<zeb::HistoryRecord> history =
                   app.History(partner.Project, partner.SiteName);
               !history.empty()) {
      row.last_check = zeb::FormatDay(history.back().xDate);
      row.last_result = history.back().RFound ? "found" : "not found";
    } else if (partner.FoundShort) {
      row.last_result = "found";
    }
    row.partner = std::move(partner);
    rows.push_back(std::move(row));
  }
  return rows;
}

zeb::PartnerRecord HostData::Partner(const std::string& project, const std::string& name) {
  return zeb::RequirePartner(session_, project, name);
}

void HostData::AddPartner(const zeb::PartnerRecord& partner) {
  zeb::AddEnteredPartner(session_, partner);
}

zeb::PartnerRecord HostData::EditPartner(const std::string& project, const std::string& name,
                                         const zeb::PartnerChanges& changes) {
  return zeb::EditPartner(session_, project, name, changes);
}

void HostData::RemovePartner(const std::string& project, const std::string& name) {
  zeb::RequirePartner(session_, project, name);
  zeb::AppTables(session_).RemovePartner(project, name);
}

std::size_t HostData::ImportCsv(const std::string& project, std::string_view text) {
  return zeb::ImportPartnerCsv(session_, project, text);
}

std::string HostData::ExportCsv(const std::string& project) {
  return zeb::ExportPartnerCsv(session_, project);
}

}  // namespace zebhost
