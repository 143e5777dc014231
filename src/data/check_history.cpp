#include "data/check_history.h"

namespace zeb {

void CreateCheckHistoryTable(Session& session) {
  session.Exec(
      "CREATE TABLE IF NOT EXISTS ZEBCheckHistory ("
      " id INTEGER PRIMARY KEY,"
      " Project TEXT NOT NULL,"
      " SiteName TEXT NOT NULL,"
      " CheckedAt TEXT NOT NULL,"
      " Result TEXT NOT NULL,"
      " Reason TEXT NOT NULL DEFAULT '',"
      " URL TEXT NOT NULL DEFAULT '',"
      " Lost INTEGER NOT NULL DEFAULT 0);"
      "CREATE INDEX IF NOT EXISTS ZEBCheckHistory_Partneridx"
      " ON ZEBCheckHistory(Project, SiteName, id);");
}

std::int64_t AppendCheck(Session& session, const CheckRecord& r) {
  if (!session.TableExists(kCheckHistoryTable)) CreateCheckHistoryTable(session);
  QueryRef q = session.Query(
      "INSERT INTO ZEBCheckHistory (Project, SiteName, CheckedAt, Result, Reason, URL, Lost) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  q->Bind(1, r.Project).Bind(2, r.SiteName).Bind(3, FormatDateTime(r.CheckedAt));
  q->Bind(4, r.Result).Bind(5, r.Reason).Bind(6, r.URL).Bind(7, r.Lost);
  q->Run();
  return session.LastInsertRowId();
}

std::vector<CheckRecord> PartnerChecks(Session& session, const std::string& project,
                                       const std::string& site) {
  std::vector<CheckRecord> records;
  if (!session.TableExists(kCheckHistoryTable)) return records;
  QueryRef q = session.Query(
      "SELECT id, Project, SiteName, CheckedAt, Result, Reason, URL, Lost FROM ZEBCheckHistory "
      "WHERE Project = ?1 AND SiteName = ?2 ORDER BY id");
  q->Bind(1, project).Bind(2, site);
  while (q->Step()) {
    CheckRecord r;
    r.id = q->ColumnInt(0);
    r.Project = q->ColumnText(1);
    r.SiteName = q->ColumnText(2);
    r.CheckedAt = ParseDateTime(q->ColumnText(3)).value_or(DateTime{});
    r.Result = q->ColumnText(4);
    r.Reason = q->ColumnText(5);
    r.URL = q->ColumnText(6);
    r.Lost = q->ColumnBool(7);
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace zeb
