#include "data/link_verdicts.h"

#include "data/check_history.h"

namespace zeb {

namespace {

constexpr const char* kColumns =
    "id, CheckId, Project, SiteName, CheckedAt, Result, Verdict, Reason, URL, AnchorText, Hops,"
    " LinkPosition, LinksTotal, ExternalPosition, ExternalTotal, WordPosition, Evidence";

VerdictRecord ReadRecord(const Statement& q) {
  VerdictRecord r;
  r.id = q.ColumnInt(0);
  r.CheckId = q.ColumnInt(1);
  r.Project = q.ColumnText(2);
  r.SiteName = q.ColumnText(3);
  r.CheckedAt = ParseDateTime(q.ColumnText(4)).value_or(DateTime{});
  r.Result = q.ColumnText(5);
  r.Verdict = q.ColumnText(6);
  r.Reason = q.ColumnText(7);
  r.URL = q.ColumnText(8);
  r.AnchorText = q.ColumnText(9);
  r.Hops = static_cast<int>(q.ColumnInt(10));
  r.LinkPosition = static_cast<int>(q.ColumnInt(11));
  r.LinksTotal = static_cast<int>(q.ColumnInt(12));
  r.ExternalPosition = static_cast<int>(q.ColumnInt(13));
  r.ExternalTotal = static_cast<int>(q.ColumnInt(14));
  r.WordPosition = static_cast<int>(q.ColumnInt(15));
  r.Evidence = q.ColumnText(16);
  return r;
}

}  // namespace

bool VerdictRecord::Found() const { return Result == kCheckFound; }
bool VerdictRecord::Unverifiable() const { return Result == kCheckUnverifiable; }
bool VerdictRecord::Counts() const { return Found() && Verdict == "counts"; }

void CreateLinkVerdictTable(Session& session) {
  session.Exec(
      "CREATE TABLE IF NOT EXISTS ZEBLinkVerdict ("
      " id INTEGER PRIMARY KEY,"
      " CheckId INTEGER NOT NULL DEFAULT 0,"
      " Project TEXT NOT NULL,"
      " SiteName TEXT NOT NULL,"
      " CheckedAt TEXT NOT NULL,"
      " Result TEXT NOT NULL,"
      " Verdict TEXT NOT NULL,"
      " Reason TEXT NOT NULL DEFAULT '',"
      " URL TEXT NOT NULL DEFAULT '',"
      " AnchorText TEXT NOT NULL DEFAULT '',"
      " Hops INTEGER NOT NULL DEFAULT -1,"
      " LinkPosition INTEGER NOT NULL DEFAULT -1,"
      " LinksTotal INTEGER NOT NULL DEFAULT -1,"
      " ExternalPosition INTEGER NOT NULL DEFAULT -1,"
      " ExternalTotal INTEGER NOT NULL DEFAULT -1,"
      " WordPosition INTEGER NOT NULL DEFAULT -1,"
      " Evidence TEXT NOT NULL DEFAULT '{}');"
      "CREATE INDEX IF NOT EXISTS ZEBLinkVerdict_Partneridx"
      " ON ZEBLinkVerdict(Project, SiteName, id);");
}

std::int64_t AppendVerdict(Session& session, const VerdictRecord& r) {
  if (!session.TableExists(kLinkVerdictTable)) CreateLinkVerdictTable(session);
  QueryRef q = session.Query(
      "INSERT INTO ZEBLinkVerdict (CheckId, Project, SiteName, CheckedAt, Result, Verdict,"
      " Reason, URL, AnchorText, Hops, LinkPosition, LinksTotal, ExternalPosition, ExternalTotal,"
      " WordPosition, Evidence) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13,"
      " ?14, ?15, ?16)");
  q->Bind(1, r.CheckId).Bind(2, r.Project).Bind(3, r.SiteName);
  q->Bind(4, FormatDateTime(r.CheckedAt)).Bind(5, r.Result).Bind(6, r.Verdict);
  q->Bind(7, r.Reason).Bind(8, r.URL).Bind(9, r.AnchorText).Bind(10, r.Hops);
  q->Bind(11, r.LinkPosition).Bind(12, r.LinksTotal).Bind(13, r.ExternalPosition);
  q->Bind(14, r.ExternalTotal).Bind(15, r.WordPosition);
  q->Bind(16, r.Evidence.empty() ? std::string("{}") : r.Evidence);
  q->Run();
  return session.LastInsertRowId();
}

std::vector<VerdictRecord> PartnerVerdicts(Session& session, const std::string& project,
                                           const std::string& site) {
  std::vector<VerdictRecord> records;
  if (!session.TableExists(kLinkVerdictTable)) return records;
  QueryRef q = session.Query(std::string("SELECT ") + kColumns +
                             " FROM ZEBLinkVerdict WHERE Project = ?1 AND SiteName = ?2"
                             " ORDER BY id");
  q->Bind(1, project).Bind(2, site);
  while (q->Step()) records.push_back(ReadRecord(*q));
  return records;
}

std::map<PartnerKey, VerdictRecord> LastVerdicts(Session& session) {
  std::map<PartnerKey, VerdictRecord> last;
  if (!session.TableExists(kLinkVerdictTable)) return last;
  // The newest row of each partner: ids only grow, so the largest id of its group.
  QueryRef q = session.Query(std::string("SELECT ") + kColumns +
                             " FROM ZEBLinkVerdict WHERE id IN (SELECT MAX(id) FROM"
                             " ZEBLinkVerdict GROUP BY Project, SiteName)");
  while (q->Step()) {
    VerdictRecord r = ReadRecord(*q);
    PartnerKey key{r.Project, r.SiteName};
    last.emplace(std::move(key), std::move(r));
  }
  return last;
}

std::string CountsText(const std::string& verdict) {
  return verdict == "counts" ? std::string("yes") : verdict;
}

}  // namespace zeb
