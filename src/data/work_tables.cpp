#include "data/work_tables.h"

#include <string_view>
#include <thread>

namespace zeb {
namespace {

// The failures the crawl expects and gets over: another connection held the database too long,
// or the row is there already. Anything else (a full disk, a broken file) is passed on.
bool IsExpectedFailure(const DatabaseError& e) { return e.IsBusy() || e.IsConstraint(); }

constexpr const char* kNodeColumns = "RecNo, URL, ParentURL, Node, RunState, LinkType";
constexpr const char* kRowColumns =
    "RecNo, URL, ParentURL, Node, RunState, LinkType, ResponseCode, StringsFound, Cache, "
    "TitleTag, DescriptionTag, STTags, STDensity, RawHeaders, Host, AllLinks, InternalLinks, "
    "ExternalLinks, FileSize";

void ReadNode(const Statement& q, FrontierNode& n) {
  n.rec_no = q.ColumnInt(0);
  n.URL = q.ColumnText(1);
  n.ParentURL = q.ColumnText(2);
  n.Node = static_cast<int>(q.ColumnInt(3));
  n.RunState = q.ColumnText(4);
  n.LinkType = q.ColumnText(5);
}

FrontierRow ReadRow(const Statement& q) {
  FrontierRow r;
  ReadNode(q, r);
  r.ResponseCode = q.ColumnText(6);
  r.StringsFound = q.ColumnBool(7);
  r.Cache = SplitLines(q.ColumnText(8));
  r.TitleTag = SplitLines(q.ColumnText(9));
  r.DescriptionTag = SplitLines(q.ColumnText(10));
  r.STTags = SplitLines(q.ColumnText(11));
  r.STDensity = SplitLines(q.ColumnText(12));
  r.RawHeaders = SplitLines(q.ColumnText(13));
  r.Host = q.ColumnText(14);
  r.AllLinks = SplitLines(q.ColumnText(15));
  r.InternalLinks = SplitLines(q.ColumnText(16));
  r.ExternalLinks = SplitLines(q.ColumnText(17));
  r.FileSize = q.ColumnInt(18);
  return r;
}

}  // namespace

const char* FrontierFieldName(FrontierField field) {
  switch (field) {
    case FrontierField::URL: return "URL";
    case FrontierField::ParentURL: return "ParentURL";
    case FrontierField::Node: return "Node";
    case FrontierField::RunState: return "RunState";
    case FrontierField::LinkType: return "LinkType";
    case FrontierField::ResponseCode: return "ResponseCode";
    case FrontierField::StringsFound: return "StringsFound";
    case FrontierField::Cache: return "Cache";
    case FrontierField::TitleTag: return "TitleTag";
    case FrontierField::DescriptionTag: return "DescriptionTag";
    case FrontierField::STTags: return "STTags";
    case FrontierField::STDensity: return "STDensity";
    case FrontierField::RawHeaders: return "RawHeaders";
    case FrontierField::Host: return "Host";
    case FrontierField::AllLinks: return "AllLinks";
    case FrontierField::InternalLinks: return "InternalLinks";
    case FrontierField::ExternalLinks: return "ExternalLinks";
    case FrontierField::FileSize: return "FileSize";
  }
  return "URL";
}

FieldValue SetText(FrontierField field, std::string text) { return {field, std::move(text)}; }
FieldValue SetLines(FrontierField field, const Lines& lines) { return {field, JoinLines(lines)}; }
FieldValue SetInt(FrontierField field, std::int64_t value) { return {field, value}; }
FieldValue SetBool(FrontierField field, bool value) { return {field, value}; }

RecNo WorkTables::AppendFrontier(const NewFrontierRow& row) {
  const auto lock = session_.Lock();  // the row number read below is this insert's
  if (row.LinkType) {
    QueryRef q = session_.Query(
        "INSERT INTO DBWebEngine (URL, ParentURL, Node, RunState, LinkType) "
        "VALUES (?1, ?2, ?3, ?4, ?5)");
    q->Bind(1, row.URL).Bind(2, row.ParentURL).Bind(3, row.Node).Bind(4, row.RunState);
    q->Bind(5, *row.LinkType);
    q->Run();
  } else {
    QueryRef q = session_.Query(
        "INSERT INTO DBWebEngine (URL, ParentURL, Node, RunState) VALUES (?1, ?2, ?3, ?4)");
    q->Bind(1, row.URL).Bind(2, row.ParentURL).Bind(3, row.Node).Bind(4, row.RunState);
    q->Run();
  }
  return session_.LastInsertRowId();
}

std::optional<RecNo> WorkTables::TryAppendFrontier(const NewFrontierRow& row) {
  try {
    return AppendFrontier(row);
  } catch (const DatabaseError& e) {
    if (!IsExpectedFailure(e)) throw;
    return std::nullopt;
  }
}

bool WorkTables::ApplyUpdate(RecNo rec_no, const RowUpdate& update) {
  if (update.empty()) return Node(rec_no).has_value();
  // Column names come from FrontierFieldName, never from outside text.
  std::string sql = "UPDATE DBWebEngine SET ";
  for (std::size_t i = 0; i < update.size(); ++i) {
    if (i != 0) sql += ", ";
    sql += std::string(FrontierFieldName(update[i].field)) + " = ?" + std::to_string(i + 1);
  }
  sql += " WHERE RecNo = ?" + std::to_string(update.size() + 1);
  QueryRef q = session_.Query(sql);
  for (std::size_t i = 0; i < update.size(); ++i) {
    int index = static_cast<int>(i + 1);
    std::visit([&](const auto& v) { q->Bind(index, v); }, update[i].value);
  }
  q->Bind(static_cast<int>(update.size() + 1), rec_no);
  q->Run();
  return session_.Changes() > 0;
}

bool WorkTables::UpdateRow(RecNo rec_no, const RowUpdate& update,
                           std::chrono::milliseconds retry_wait) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt == 1) std::this_thread::sleep_for(retry_wait);
    try {
      if (ApplyUpdate(rec_no, update)) return true;
    } catch (const DatabaseError& e) {
      // A failed single-statement update changes nothing; a busy database gets the retry.
      if (!IsExpectedFailure(e)) throw;
    }
  }
  return false;
}

std::optional<FrontierNode> WorkTables::Node(RecNo rec_no) {
  QueryRef q = session_.Query(std::string("SELECT ") + kNodeColumns +
                              " FROM DBWebEngine WHERE RecNo = ?1");
  q->Bind(1, rec_no);
  if (!q->Step()) return std::nullopt;
  FrontierNode n;
  ReadNode(*q, n);
  return n;
}

std::optional<FrontierRow> WorkTables::Row(RecNo rec_no) {
  QueryRef q = session_.Query(std::string("SELECT ") + kRowColumns +
                              " FROM DBWebEngine WHERE RecNo = ?1");
  q->Bind(1, rec_no);
  if (!q->Step()) return std::nullopt;
  return ReadRow(*q);
}

std::int64_t WorkTables::RecordCount() {
  QueryRef q = session_.Query("SELECT coalesce(max(RecNo), 0) FROM DBWebEngine");
  q->Step();
  return q->ColumnInt(0);
}

std::optional<RecNo> WorkTables::NextOpen(RecNo from) {
  // The state is written into the text, not bound, so that SQLite can use the partial index
  // DBWebEngine_Open (see schema.cpp), whose condition names it the same way.
  static_assert(std::string_view(row_state::kOpen) == "open");
  QueryRef q = session_.Query(
      "SELECT RecNo FROM DBWebEngine WHERE RunState = 'open' AND RecNo >= ?1 "
      "ORDER BY RecNo LIMIT 1");
  q->Bind(1, from);
  if (!q->Step()) return std::nullopt;
  return q->ColumnInt(0);
}

WorkTables::OpenAndCount WorkTables::CountAndNextOpen(RecNo from) {
  QueryRef q = session_.Query(
      "SELECT (SELECT coalesce(max(RecNo), 0) FROM DBWebEngine), "
      "(SELECT RecNo FROM DBWebEngine WHERE RunState = 'open' AND RecNo >= ?1 "
      "ORDER BY RecNo LIMIT 1)");
  q->Bind(1, from);
  OpenAndCount out;
  if (!q->Step()) return out;
  out.count = q->ColumnInt(0);
  if (!q->ColumnIsNull(1)) out.open = q->ColumnInt(1);
  return out;
}

bool WorkTables::TrackURL(const TrackRow& row) {
  try {
    QueryRef q = session_.Query(
        "INSERT OR IGNORE INTO URLTrack (URL, ParentURL, Node) VALUES (?1, ?2, ?3)");
    q->Bind(1, row.URL).Bind(2, row.ParentURL).Bind(3, row.Node);
    q->Run();
    return session_.Changes() > 0;
  } catch (const DatabaseError& e) {
    if (!IsExpectedFailure(e)) throw;
    return false;  // the append is cancelled quietly, as a duplicate would be
  }
}

std::optional<TrackRow> WorkTables::FindTrack(const std::string& url) {
  QueryRef q = session_.Query("SELECT URL, ParentURL, Node FROM URLTrack WHERE URL = ?1");
  q->Bind(1, url);
  if (!q->Step()) return std::nullopt;
  return TrackRow{q->ColumnText(0), q->ColumnText(1), static_cast<int>(q->ColumnInt(2))};
}

bool WorkTables::IsTracked(const std::string& url, const std::string& twin) {
  // Two lookups of the unique index: "URL IN (?1, ?2)" would build a temporary table of the
  // two values on every run.
  QueryRef q = session_.Query("SELECT 1 FROM URLTrack WHERE URL = ?1");
  q->Bind(1, url);
  if (q->Step()) return true;
  if (twin == url) return false;
  q->Reset();
  q->Bind(1, twin);
  return q->Step();
}

std::int64_t WorkTables::TrackCount() {
  QueryRef q = session_.Query("SELECT count(*) FROM URLTrack");
  q->Step();
  return q->ColumnInt(0);
}

std::optional<HostRow> WorkTables::FindHost(const std::string& host) {
  QueryRef q = session_.Query(
      "SELECT Host, BotFound, RobotText, RobotFull FROM Host WHERE Host = ?1");
  q->Bind(1, host);
  if (!q->Step()) return std::nullopt;
  return HostRow{q->ColumnText(0), q->ColumnBool(1), SplitLines(q->ColumnText(2)),
                 SplitLines(q->ColumnText(3))};
}

bool WorkTables::InsertHost(const HostRow& row) {
  try {
    QueryRef q = session_.Query(
        "INSERT OR IGNORE INTO Host (Host, BotFound, RobotText, RobotFull) "
        "VALUES (?1, ?2, ?3, ?4)");
    q->Bind(1, row.Host).Bind(2, row.BotFound).Bind(3, JoinLines(row.RobotText));
    q->Bind(4, JoinLines(row.RobotFull));
    q->Run();
    return session_.Changes() > 0;
  } catch (const DatabaseError& e) {
    if (!IsExpectedFailure(e)) throw;
    return false;
  }
}

void WorkTables::EmptyAll() {
  Transaction transaction(session_);
  session_.Exec("DELETE FROM DBWebEngine; DELETE FROM URLTrack; DELETE FROM Host;");
  transaction.Commit();
}

void WorkTables::SetURLIndex(bool on) {
  session_.Exec(on ? "CREATE INDEX IF NOT EXISTS URLidx ON DBWebEngine(URL COLLATE NOCASE)"
                   : "DROP INDEX IF EXISTS URLidx");
}

bool WorkTables::HasURLIndex() { return session_.IndexExists("URLidx"); }

std::vector<FrontierRow> WorkTables::RowsByURL(const std::string& url) {
  std::vector<FrontierRow> rows;
  QueryRef q = session_.Query(std::string("SELECT ") + kRowColumns +
                              " FROM DBWebEngine WHERE URL = ?1 COLLATE NOCASE ORDER BY RecNo");
  q->Bind(1, url);
  while (q->Step()) rows.push_back(ReadRow(*q));
  return rows;
}

std::optional<FrontierRow> WorkTables::FirstRowByURL(const std::string& url) {
  QueryRef q = session_.Query(std::string("SELECT ") + kRowColumns +
                              " FROM DBWebEngine WHERE URL = ?1 COLLATE NOCASE "
                              "ORDER BY RecNo LIMIT 1");
  q->Bind(1, url);
  if (!q->Step()) return std::nullopt;
  return ReadRow(*q);
}

}  // namespace zeb
