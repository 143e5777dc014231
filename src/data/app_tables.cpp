#include "data/app_tables.h"

#include <array>
#include <initializer_list>
#include <stdexcept>

#include "data/field_limits.h"

namespace zeb {
namespace {

// Throws std::invalid_argument with the first problem there is, so that no writer stores a field
// beyond its bounds.
void RequireStorable(std::initializer_list<std::optional<std::string>> problems) {
  for (const std::optional<std::string>& problem : problems) {
    if (problem) throw std::invalid_argument(*problem);
  }
}

void RequireStorableNames(const std::string& project, const std::string& site) {
  RequireStorable({NameProblem(project, "the project name", FieldRules::kStored),
                   NameProblem(site, "the partner name", FieldRules::kStored)});
}

bool AllProjects(const std::string& project, ProjectScope scope) {
  return scope == ProjectScope::kAllForDefault && project == kDefaultProject;
}

constexpr const char* kPartnerColumns =
    "rowid, Project, SiteName, ContactWebSite, BotStart, BotBaseHop, ShortCheck, LongCheck, URL, "
    "FoundShort, FoundLong";

PartnerRecord ReadPartner(const Statement& q) {
  PartnerRecord p;
  p.id = q.ColumnInt(0);
  p.Project = q.ColumnText(1);
  p.SiteName = q.ColumnText(2);
  p.ContactWebSite = q.ColumnText(3);
  p.BotStart = q.ColumnText(4);
  p.BotBaseHop = static_cast<int>(q.ColumnInt(5));
  p.ShortCheck = q.ColumnText(6);
  p.LongCheck = SplitLines(q.ColumnText(7));
  p.URL = q.ColumnText(8);
  p.FoundShort = q.ColumnBool(9);
  p.FoundLong = q.ColumnBool(10);
  return p;
}

DateTime ReadDate(const Statement& q, int column) {
  return ParseDateTime(q.ColumnText(column)).value_or(DateTime{});
}

std::string StoredDate(DateTime when) {
  return when == DateTime{} ? std::string() : FormatDateTime(when);
}

constexpr const char* kHistoryColumns = "rowid, SiteName, xDate, RFound, PFound, Bad, Project";

HistoryRecord ReadHistory(const Statement& q) {
  HistoryRecord h;
  h.id = q.ColumnInt(0);
  h.SiteName = q.ColumnText(1);
  h.xDate = ReadDate(q, 2);
  h.RFound = q.ColumnBool(3);
  h.PFound = q.ColumnBool(4);
  h.Bad = q.ColumnBool(5);
  h.Project = q.ColumnText(6);
  return h;
}

// ZEBAnalyze columns after rowid, in the order ReadAnalysis and BindAnalysis use.
constexpr std::array<const char*, 31> kAnalysisFields = {
    "SiteName", "Project", "xDate", "HopSequence", "Hops", "BaseURL", "ShortCheck",
    "Base_TitleTag", "Base_DescTag", "Base_KWTag", "Base_KWDensity",
    "Back_TitleTag", "Back_DescTag", "Back_KWTag", "Back_KWDensity",
    "AllLinks", "InternalLinks", "ExternalLinks",
    "AllLinkPosition", "AllLinksTotal", "AllLinkStack",
    "ExternalLinkPosition", "ExternalLinksTotal", "ExternalLinkStack",
    "WordPosTags", "WordTotalTags", "WordTotalTagsDiff",
    "WordPosNoTags", "WordTotalNoTags", "WordTotalNoTagsDiff", "TreeResults"};

std::string AnalysisColumns() {
  std::string columns = "rowid";
  for (const char* f : kAnalysisFields) columns += std::string(", ") + f;
  return columns;
}

// The memo and integer members of a record in kAnalysisFields order, for reading and binding.
template <typename Record, typename OnText, typename OnLines, typename OnInt, typename OnDate>
void VisitAnalysis(Record& r, OnText text, OnLines lines, OnInt number, OnDate date) {
  text(r.SiteName);
  text(r.Project);
  date(r.xDate);
  lines(r.HopSequence);
  number(r.Hops);
  text(r.BaseURL);
  text(r.ShortCheck);
  lines(r.Base_TitleTag);
  lines(r.Base_DescTag);
  lines(r.Base_KWTag);
  lines(r.Base_KWDensity);
  lines(r.Back_TitleTag);
  lines(r.Back_DescTag);
  lines(r.Back_KWTag);
  lines(r.Back_KWDensity);
  lines(r.AllLinks);
  lines(r.InternalLinks);
  lines(r.ExternalLinks);
  number(r.AllLinkPosition);
  number(r.AllLinksTotal);
  number(r.AllLinkStack);
  number(r.ExternalLinkPosition);
  number(r.ExternalLinksTotal);
  number(r.ExternalLinkStack);
  number(r.WordPosTags);
  number(r.WordTotalTags);
  number(r.WordTotalTagsDiff);
  number(r.WordPosNoTags);
  number(r.WordTotalNoTags);
  number(r.WordTotalNoTagsDiff);
  lines(r.TreeResults);
}

AnalysisRecord ReadAnalysis(const Statement& q) {
  AnalysisRecord r;
  r.id = q.ColumnInt(0);
  int column = 1;
  VisitAnalysis(
      r, [&](std::string& s) { s = q.ColumnText(column++); },
      [&](Lines& l) { l = SplitLines(q.ColumnText(column++)); },
      [&](int& n) { n = static_cast<int>(q.ColumnInt(column++)); },
      [&](DateTime& d) { d = ReadDate(q, column++); });
  return r;
}

// Binds the fields as ?1 ... ?31.
void BindAnalysis(Statement& q, const AnalysisRecord& r) {
  int index = 1;
  VisitAnalysis(
      r, [&](const std::string& s) { q.Bind(index++, s); },
      [&](const Lines& l) { q.Bind(index++, JoinLines(l)); },
      [&](const int& n) { q.Bind(index++, n); },
      [&](const DateTime& d) { q.Bind(index++, StoredDate(d)); });
}

}  // namespace

const char* AnalysisOrderField(AnalysisOrder order) {
  switch (order) {
    case AnalysisOrder::kSiteName: return "SiteName";
    case AnalysisOrder::kHops: return "Hops";
    case AnalysisOrder::kWordPosTags: return "WordPosTags";
    case AnalysisOrder::kWordPosNoTags: return "WordPosNoTags";
    case AnalysisOrder::kWordTotalTags: return "WordTotalTags";
    case AnalysisOrder::kWordTotalNoTags: return "WordTotalNoTags";
    case AnalysisOrder::kAllLinksTotal: return "AllLinksTotal";
    case AnalysisOrder::kAllLinkPosition: return "AllLinkPosition";
    case AnalysisOrder::kExternalLinksTotal: return "ExternalLinksTotal";
    case AnalysisOrder::kExternalLinkPosition: return "ExternalLinkPosition";
  }
  return "SiteName";
}

std::vector<std::string> AppTables::ProjectNames() {
  std::vector<std::string> names;
  QueryRef q = session_.Query("SELECT Name FROM ZEBProjects ORDER BY Name COLLATE NOCASE, Name");
  while (q->Step()) names.push_back(q->ColumnText(0));
  return names;
}

std::optional<ProjectRecord> AppTables::FindProject(const std::string& name) {
  QueryRef q = session_.Query(
      "SELECT Name, YourHomePage, YourKWTag, YourKWDensity FROM ZEBProjects WHERE Name = ?1");
  q->Bind(1, name);
  if (!q->Step()) return std::nullopt;
  return ProjectRecord{q->ColumnText(0), q->ColumnText(1), SplitLines(q->ColumnText(2)),
                       SplitLines(q->ColumnText(3))};
}

void AppTables::AddProject(const ProjectRecord& project) {
  RequireStorable({ProjectProblem(project, FieldRules::kStored)});
  QueryRef q = session_.Query(
      "INSERT INTO ZEBProjects (Name, YourHomePage, YourKWTag, YourKWDensity) "
      "VALUES (?1, ?2, ?3, ?4)");
  q->Bind(1, project.Name).Bind(2, project.YourHomePage).Bind(3, JoinLines(project.YourKWTag));
  q->Bind(4, JoinLines(project.YourKWDensity));
  q->Run();
}

bool AppTables::RemoveProject(const std::string& name) {
  Transaction transaction(session_);
  int removed = 0;
  {
    QueryRef q = session_.Query("DELETE FROM ZEBProjects WHERE Name = ?1");
    q->Bind(1, name);
    q->Run();
    removed = session_.Changes();
  }
  {
    QueryRef q = session_.Query("DELETE FROM LA WHERE Project = ?1");
    q->Bind(1, name);
    q->Run();
  }
  for (const char* table : kPartnerRecordTables) {
    if (!session_.TableExists(table)) continue;
    QueryRef q = session_.Query(std::string("DELETE FROM ") + table + " WHERE Project = ?1");
    q->Bind(1, name);
    q->Run();
  }
  transaction.Commit();
  return removed > 0;
}

bool AppTables::SetProjectKeywords(const std::string& name, const Lines& kw_tag,
                                   const Lines& kw_density) {
  QueryRef q = session_.Query(
      "UPDATE ZEBProjects SET YourKWTag = ?2, YourKWDensity = ?3 WHERE Name = ?1");
  q->Bind(1, name).Bind(2, JoinLines(kw_tag)).Bind(3, JoinLines(kw_density));
  q->Run();
  return session_.Changes() > 0;
}

std::vector<PartnerRecord> AppTables::Partners(const std::string& project, ProjectScope scope) {
  std::vector<PartnerRecord> partners;
  const std::string order = " ORDER BY SiteName COLLATE NOCASE, SiteName, Project";
  if (AllProjects(project, scope)) {
    QueryRef q = session_.Query(std::string("SELECT ") + kPartnerColumns + " FROM LA" + order);
    while (q->Step()) partners.push_back(ReadPartner(*q));
  } else {
    QueryRef q = session_.Query(std::string("SELECT ") + kPartnerColumns +
                                " FROM LA WHERE Project = ?1" + order);
    q->Bind(1, project);
    while (q->Step()) partners.push_back(ReadPartner(*q));
  }
  return partners;
}

std::optional<PartnerRecord> AppTables::FindPartner(const std::string& project,
                                                    const std::string& site, ProjectScope scope) {
  if (AllProjects(project, scope)) {
    QueryRef q = session_.Query(std::string("SELECT ") + kPartnerColumns +
                                " FROM LA WHERE SiteName = ?1 ORDER BY Project LIMIT 1");
    q->Bind(1, site);
    if (q->Step()) return ReadPartner(*q);
    return std::nullopt;
  }
  QueryRef q = session_.Query(std::string("SELECT ") + kPartnerColumns +
                              " FROM LA WHERE SiteName = ?1 AND Project = ?2");
  q->Bind(1, site).Bind(2, project);
  if (q->Step()) return ReadPartner(*q);
  return std::nullopt;
}

std::int64_t AppTables::AddPartner(const PartnerRecord& p) {
  RequireStorable({PartnerProblem(p, FieldRules::kStored)});
  QueryRef q = session_.Query(
      "INSERT INTO LA (Project, SiteName, ContactWebSite, BotStart, BotBaseHop, ShortCheck, "
      "LongCheck, URL, FoundShort, FoundLong) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  q->Bind(1, p.Project).Bind(2, p.SiteName).Bind(3, p.ContactWebSite).Bind(4, p.BotStart);
  q->Bind(5, p.BotBaseHop).Bind(6, p.ShortCheck).Bind(7, JoinLines(p.LongCheck)).Bind(8, p.URL);
  q->Bind(9, p.FoundShort).Bind(10, p.FoundLong);
  q->Run();
  return session_.LastInsertRowId();
}

bool AppTables::SavePartner(const PartnerRecord& p) {
  RequireStorable({PartnerProblem(p, FieldRules::kStored)});
  QueryRef q = session_.Query(
      "UPDATE LA SET Project = ?1, SiteName = ?2, ContactWebSite = ?3, BotStart = ?4, "
      "BotBaseHop = ?5, ShortCheck = ?6, LongCheck = ?7, URL = ?8, FoundShort = ?9, "
      "FoundLong = ?10 WHERE rowid = ?11");
  q->Bind(1, p.Project).Bind(2, p.SiteName).Bind(3, p.ContactWebSite).Bind(4, p.BotStart);
  q->Bind(5, p.BotBaseHop).Bind(6, p.ShortCheck).Bind(7, JoinLines(p.LongCheck)).Bind(8, p.URL);
  q->Bind(9, p.FoundShort).Bind(10, p.FoundLong).Bind(11, p.id);
  q->Run();
  return session_.Changes() > 0;
}

bool AppTables::RemovePartner(const std::string& project, const std::string& site) {
  // The partner goes with its history and its analysis, as a removed project does.
  Transaction transaction(session_);
  int removed = 0;
  {
    QueryRef q = session_.Query("DELETE FROM LA WHERE Project = ?1 AND SiteName = ?2");
    q->Bind(1, project).Bind(2, site);
    q->Run();
    removed = session_.Changes();
  }
  for (const char* table : kPartnerRecordTables) {
    if (!session_.TableExists(table)) continue;
    QueryRef q = session_.Query(std::string("DELETE FROM ") + table +
                                " WHERE Project = ?1 AND SiteName = ?2");
    q->Bind(1, project).Bind(2, site);
    q->Run();
  }
  transaction.Commit();
  return removed > 0;
}

std::optional<HistoryRecord> AppTables::FindHistory(const std::string& project,
                                                    const std::string& site, DateTime day) {
  // xDate holds "YYYY-MM-DD HH:MM:SS"; the day is its first ten characters.
  QueryRef q = session_.Query(std::string("SELECT ") + kHistoryColumns +
                              " FROM LAHist WHERE Project = ?1 AND SiteName = ?2 AND "
                              "xDate >= ?3 AND xDate < ?4 ORDER BY xDate, rowid LIMIT 1");
  std::string first = FormatDay(day);
  q->Bind(1, project).Bind(2, site).Bind(3, first).Bind(4, first + "~");
  if (q->Step()) return ReadHistory(*q);
  return std::nullopt;
}

std::int64_t AppTables::SaveHistory(const HistoryRecord& h) {
  RequireStorableNames(h.Project, h.SiteName);
  std::string date = FormatDateTime(StartOfDay(h.xDate));
  if (h.id != 0) {
    QueryRef q = session_.Query(
        "UPDATE LAHist SET SiteName = ?1, xDate = ?2, RFound = ?3, PFound = ?4, Bad = ?5, "
        "Project = ?6 WHERE rowid = ?7");
    q->Bind(1, h.SiteName).Bind(2, date).Bind(3, h.RFound).Bind(4, h.PFound).Bind(5, h.Bad);
    q->Bind(6, h.Project).Bind(7, h.id);
    q->Run();
    if (session_.Changes() > 0) return h.id;
  }
  QueryRef q = session_.Query(
      "INSERT INTO LAHist (SiteName, xDate, RFound, PFound, Bad, Project) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  q->Bind(1, h.SiteName).Bind(2, date).Bind(3, h.RFound).Bind(4, h.PFound).Bind(5, h.Bad);
  q->Bind(6, h.Project);
  q->Run();
  return session_.LastInsertRowId();
}

std::vector<HistoryRecord> AppTables::History(const std::string& project,
                                              const std::string& site) {
  std::vector<HistoryRecord> records;
  QueryRef q = session_.Query(std::string("SELECT ") + kHistoryColumns +
                              " FROM LAHist WHERE Project = ?1 AND SiteName = ?2 "
                              "ORDER BY xDate, rowid");
  q->Bind(1, project).Bind(2, site);
  while (q->Step()) records.push_back(ReadHistory(*q));
  return records;
}

std::optional<AnalysisRecord> AppTables::FindAnalysis(const std::string& project,
                                                      const std::string& site,
                                                      ProjectScope scope) {
  const std::string select = "SELECT " + AnalysisColumns() + " FROM ZEBAnalyze WHERE SiteName = ?1";
  if (AllProjects(project, scope)) {
    QueryRef q = session_.Query(select + " ORDER BY Project LIMIT 1");
    q->Bind(1, site);
    if (q->Step()) return ReadAnalysis(*q);
    return std::nullopt;
  }
  QueryRef q = session_.Query(select + " AND Project = ?2");
  q->Bind(1, site).Bind(2, project);
  if (q->Step()) return ReadAnalysis(*q);
  return std::nullopt;
}

std::int64_t AppTables::SaveAnalysis(const AnalysisRecord& record) {
  RequireStorableNames(record.Project, record.SiteName);
  RequireStorable({AddressProblem(record.BaseURL, "the start page", FieldRules::kStored),
                   TextProblem(record.ShortCheck, "the Find text")});
  const std::size_t n = kAnalysisFields.size();
  if (record.id != 0) {
    std::string sql = "UPDATE ZEBAnalyze SET ";
    for (std::size_t i = 0; i < n; ++i) {
      if (i != 0) sql += ", ";
      sql += std::string(kAnalysisFields[i]) + " = ?" + std::to_string(i + 1);
    }
    sql += " WHERE rowid = ?" + std::to_string(n + 1);
    QueryRef q = session_.Query(sql);
    BindAnalysis(*q, record);
    q->Bind(static_cast<int>(n + 1), record.id);
    q->Run();
    if (session_.Changes() > 0) return record.id;
  }
  std::string columns;
  std::string values;
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) {
      columns += ", ";
      values += ", ";
    }
    columns += kAnalysisFields[i];
    values += "?" + std::to_string(i + 1);
  }
  QueryRef q = session_.Query("INSERT INTO ZEBAnalyze (" + columns + ") VALUES (" + values + ")");
  BindAnalysis(*q, record);
  q->Run();
  return session_.LastInsertRowId();
}

std::vector<AnalysisRecord> AppTables::QueryAnalysis(const std::string& project,
                                                     bool only_with_values, AnalysisOrder order) {
  std::string sql = "SELECT " + AnalysisColumns() + " FROM ZEBAnalyze WHERE Project = ?1";
  if (only_with_values) {
    sql += " AND (Hops > 0 OR AllLinkPosition > 0 OR WordPosTags > 0 OR WordPosNoTags > 0)";
  }
  // The sort field comes from a fixed list, never from the caller's text.
  sql += std::string(" ORDER BY ") + AnalysisOrderField(order) + ", rowid";
  std::vector<AnalysisRecord> records;
  QueryRef q = session_.Query(sql);
  q->Bind(1, project);
  while (q->Step()) records.push_back(ReadAnalysis(*q));
  return records;
}

}  // namespace zeb
