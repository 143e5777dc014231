#include "data/partner_editing.h"

#include <map>
#include <utility>

#include "data/csv.h"
#include "data/field_limits.h"
#include "data/settings_catalog.h"

namespace zeb {
namespace {

constexpr std::size_t kCsvFields = 7;     // name ... backlink
constexpr std::size_t kCsvMinFields = 5;  // the link text and the backlink may be left off

std::string Taken(const PartnerRecord& p) {
  return "the partner " + QuoteForMessage(p.SiteName) + " exists already in project " + p.Project;
}

// The partner of one CSV record (the fields in the layout's order).
PartnerRecord PartnerOfRecord(const CsvRecord& r, const std::string& project) {
  if (r.fields.size() < kCsvMinFields || r.fields.size() > kCsvFields) {
    throw PartnerEditError("expected 5 to 7 fields (" + std::string(kPartnerCsvHeader) +
                           "), found " + std::to_string(r.fields.size()));
  }
  PartnerRecord p;
  p.Project = project;
  p.SiteName = r.fields[0];
  p.ContactWebSite = r.fields[1];
  p.BotStart = r.fields[2];
  if (!r.fields[3].empty()) {
    std::optional<std::int32_t> hop = ParseStrictInt(r.fields[3]);
    if (!hop || *hop < 0) {
      throw PartnerEditError("the start hop " + QuoteForMessage(r.fields[3]) +
                             " is not a whole number >= 0");
    }
    p.BotBaseHop = *hop;
  }
  p.ShortCheck = r.fields[4];
  if (r.fields.size() > 5) p.LongCheck = SplitLines(r.fields[5]);
  if (r.fields.size() > 6) p.URL = r.fields[6];
  CheckEnteredPartner(p);
  return p;
}

// Changes the partner's name in the tables of its records (those that exist).
void RenameRecords(Session& session, const std::string& project, const std::string& from,
                   const std::string& to) {
  // Every table besides LA that keeps records of a partner by its project and name.
  for (const char* table : kPartnerRecordTables) {
    if (!session.TableExists(table)) continue;
    QueryRef q = session.Query(std::string("UPDATE ") + table +
                               " SET SiteName = ?3 WHERE Project = ?1 AND SiteName = ?2");
    q->Bind(1, project).Bind(2, from).Bind(3, to);
    q->Run();
  }
}

// The partners of a CSV text with the line each starts on (see ReadPartnerCsv).
std::vector<std::pair<PartnerRecord, int>> ReadNumberedPartners(std::string_view text,
                                                                const std::string& project) {
  std::vector<CsvRecord> records;
  try {
    records = ParseCsv(text);
  } catch (const CsvError& e) {
    throw PartnerEditError(e.what());
  }
  if (records.empty()) throw PartnerEditError("the file is empty (it needs a header line)");
  std::vector<std::pair<PartnerRecord, int>> partners;
  std::map<std::string, int> seen;  // name -> its line
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CsvRecord& r = records[i];
    const std::string where = "line " + std::to_string(r.line) + ": ";
    PartnerRecord p;
    try {
      p = PartnerOfRecord(r, project);
    } catch (const PartnerEditError& e) {
      throw PartnerEditError(where + e.what());
    }
    if (auto it = seen.find(p.SiteName); it != seen.end()) {
      throw PartnerEditError(where + "the partner " + QuoteForMessage(p.SiteName) +
                             " is also on line " + std::to_string(it->second));
    }
    seen[p.SiteName] = r.line;
    partners.emplace_back(std::move(p), r.line);
  }
  return partners;
}

}  // namespace

void CheckEnteredPartner(const PartnerRecord& partner) {
  if (auto problem = PartnerProblem(partner, FieldRules::kEntered))
    throw PartnerEditError(*problem);
  if (partner.BotBaseHop < 0) throw PartnerEditError("the start hop must be 0 or more");
  if (partner.BotStart.empty() && partner.BotBaseHop != 0) {
    throw PartnerEditError("a start hop needs a start page");
  }
}

void RequireProject(Session& session, const std::string& project) {
  if (!AppTables(session).FindProject(project)) {
    throw PartnerEditError("there is no project " + QuoteForMessage(project));
  }
}

PartnerRecord RequirePartner(Session& session, const std::string& project,
                             const std::string& name) {
  RequireProject(session, project);
  std::optional<PartnerRecord> p =
      AppTables(session).FindPartner(project, name, ProjectScope::kExact);
  if (!p) {
    throw PartnerEditError("there is no partner " + QuoteForMessage(name) + " in project " +
                           project);
  }
  return *p;
}

std::int64_t AddEnteredPartner(Session& session, const PartnerRecord& partner) {
  CheckEnteredPartner(partner);
  RequireProject(session, partner.Project);
  AppTables app(session);
  if (app.FindPartner(partner.Project, partner.SiteName, ProjectScope::kExact)) {
    throw PartnerEditError(Taken(partner));
  }
  return app.AddPartner(partner);
}

PartnerRecord EditPartner(Session& session, const std::string& project, const std::string& name,
                          const PartnerChanges& changes) {
  PartnerRecord p = RequirePartner(session, project, name);
  if (changes.empty()) return p;
  if (changes.home) p.ContactWebSite = *changes.home;
  if (changes.start) {
    p.BotStart = *changes.start;
    // The hop belongs to the start page: removing the page removes its hop.
    if (p.BotStart.empty() && !changes.start_hop) p.BotBaseHop = 0;
  }
  if (changes.start_hop) p.BotBaseHop = *changes.start_hop;
  if (changes.find) p.ShortCheck = *changes.find;
  if (changes.link_text) p.LongCheck = *changes.link_text;
  if (changes.backlink) p.URL = *changes.backlink;
  if (changes.rename) p.SiteName = *changes.rename;
  CheckEnteredPartner(p);

  AppTables app(session);
  Transaction transaction(session);
  const bool renamed = p.SiteName != name;
  if (renamed && app.FindPartner(project, p.SiteName, ProjectScope::kExact)) {
    throw PartnerEditError(Taken(p));
  }
  if (!app.SavePartner(p)) {
    throw PartnerEditError("the partner " + QuoteForMessage(name) + " was removed meanwhile");
  }
  if (renamed) RenameRecords(session, project, name, p.SiteName);
  transaction.Commit();
  return p;
}

std::vector<PartnerRecord> ReadPartnerCsv(std::string_view text, const std::string& project) {
  std::vector<PartnerRecord> partners;
  for (auto& [partner, line] : ReadNumberedPartners(text, project)) {
    partners.push_back(std::move(partner));
  }
  return partners;
}

std::size_t ImportPartnerCsv(Session& session, const std::string& project, std::string_view text) {
  RequireProject(session, project);
  std::vector<std::pair<PartnerRecord, int>> partners = ReadNumberedPartners(text, project);
  AppTables app(session);
  Transaction transaction(session);
  for (const auto& [partner, line] : partners) {
    if (app.FindPartner(project, partner.SiteName, ProjectScope::kExact)) {
      throw PartnerEditError("line " + std::to_string(line) + ": " + Taken(partner));
    }
    app.AddPartner(partner);
  }
  transaction.Commit();
  return partners.size();
}

std::string ExportPartnerCsv(Session& session, const std::string& project) {
  RequireProject(session, project);
  std::string out = std::string(kPartnerCsvHeader) + "\r\n";
  for (const PartnerRecord& p : AppTables(session).Partners(project, ProjectScope::kExact)) {
    const bool hop = !p.BotStart.empty() || p.BotBaseHop != 0;
    AppendCsvRecord(out, {p.SiteName, p.ContactWebSite, p.BotStart,
                          hop ? std::to_string(p.BotBaseHop) : std::string(), p.ShortCheck,
                          JoinLines(p.LongCheck), p.URL});
  }
  return out;
}

}  // namespace zeb
