#include "data/schema.h"

#include <filesystem>
#include <string_view>

#include "data/check_history.h"
#include "data/link_verdicts.h"
#include "data/work_tables.h"

namespace zeb {
namespace {

constexpr const char* kApplicationTables[] = {"ZEBProjects", "LA", "LAHist", "ZEBAnalyze"};

// The partial index DBWebEngine_Open holds the rows still to fetch: its condition writes
// row_state::kOpen into the SQL text.
static_assert(std::string_view(row_state::kOpen) == "open");
constexpr const char* kWorkTablesSql = R"sql(
CREATE TABLE IF NOT EXISTS DBWebEngine (
  RecNo INTEGER PRIMARY KEY,
  URL TEXT NOT NULL DEFAULT '',
  ParentURL TEXT NOT NULL DEFAULT '',
  Node INTEGER NOT NULL DEFAULT 0,
  RunState TEXT NOT NULL DEFAULT '',
  LinkType TEXT NOT NULL DEFAULT 'doc',
  ResponseCode TEXT NOT NULL DEFAULT '',
  StringsFound INTEGER NOT NULL DEFAULT 0,
  Cache TEXT NOT NULL DEFAULT '',
  TitleTag TEXT NOT NULL DEFAULT '',
  DescriptionTag TEXT NOT NULL DEFAULT '',
  STTags TEXT NOT NULL DEFAULT '',
  STDensity TEXT NOT NULL DEFAULT '',
  RawHeaders TEXT NOT NULL DEFAULT '',
  Host TEXT NOT NULL DEFAULT '',
  AllLinks TEXT NOT NULL DEFAULT '',
  InternalLinks TEXT NOT NULL DEFAULT '',
  ExternalLinks TEXT NOT NULL DEFAULT '',
  FileSize INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS DBWebEngine_Open ON DBWebEngine(RecNo) WHERE RunState = 'open';
CREATE TABLE IF NOT EXISTS URLTrack (
  RecNo INTEGER PRIMARY KEY,
  URL TEXT NOT NULL UNIQUE,
  ParentURL TEXT NOT NULL DEFAULT '',
  Node INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS Host (
  RecNo INTEGER PRIMARY KEY,
  Host TEXT NOT NULL UNIQUE COLLATE NOCASE,
  BotFound INTEGER NOT NULL DEFAULT 0,
  RobotText TEXT NOT NULL DEFAULT '',
  RobotFull TEXT NOT NULL DEFAULT ''
);
)sql";

constexpr const char* kApplicationTablesSql = R"sql(
CREATE TABLE IF NOT EXISTS ZEBProjects (
  Name TEXT NOT NULL,
  YourHomePage TEXT NOT NULL DEFAULT '',
  YourKWTag TEXT NOT NULL DEFAULT '',
  YourKWDensity TEXT NOT NULL DEFAULT ''
);
CREATE UNIQUE INDEX IF NOT EXISTS ZEBProjects_Nameidx ON ZEBProjects(Name);
CREATE TABLE IF NOT EXISTS LA (
  Project TEXT NOT NULL,
  SiteName TEXT NOT NULL,
  ContactWebSite TEXT NOT NULL DEFAULT '',
  BotStart TEXT NOT NULL DEFAULT '',
  BotBaseHop INTEGER NOT NULL DEFAULT 0,
  ShortCheck TEXT NOT NULL DEFAULT '',
  LongCheck TEXT NOT NULL DEFAULT '',
  URL TEXT NOT NULL DEFAULT '',
  FoundShort INTEGER NOT NULL DEFAULT 0,
  FoundLong INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX IF NOT EXISTS LA_Nameidx ON LA(SiteName, Project);
CREATE INDEX IF NOT EXISTS LA_Projectidx ON LA(Project);
CREATE TABLE IF NOT EXISTS LAHist (
  SiteName TEXT NOT NULL,
  xDate TEXT NOT NULL,
  RFound INTEGER NOT NULL DEFAULT 0,
  PFound INTEGER NOT NULL DEFAULT 0,
  Bad INTEGER NOT NULL DEFAULT 0,
  Project TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS LAHist_Dateidx ON LAHist(xDate);
CREATE INDEX IF NOT EXISTS LAHist_Partneridx ON LAHist(Project, SiteName, xDate);
CREATE TABLE IF NOT EXISTS ZEBAnalyze (
  SiteName TEXT NOT NULL,
  Project TEXT NOT NULL,
  xDate TEXT NOT NULL DEFAULT '',
  HopSequence TEXT NOT NULL DEFAULT '',
  Hops INTEGER NOT NULL DEFAULT 0,
  BaseURL TEXT NOT NULL DEFAULT '',
  ShortCheck TEXT NOT NULL DEFAULT '',
  Base_TitleTag TEXT NOT NULL DEFAULT '',
  Base_DescTag TEXT NOT NULL DEFAULT '',
  Base_KWTag TEXT NOT NULL DEFAULT '',
  Base_KWDensity TEXT NOT NULL DEFAULT '',
  Back_TitleTag TEXT NOT NULL DEFAULT '',
  Back_DescTag TEXT NOT NULL DEFAULT '',
  Back_KWTag TEXT NOT NULL DEFAULT '',
  Back_KWDensity TEXT NOT NULL DEFAULT '',
  AllLinks TEXT NOT NULL DEFAULT '',
  InternalLinks TEXT NOT NULL DEFAULT '',
  ExternalLinks TEXT NOT NULL DEFAULT '',
  AllLinkPosition INTEGER NOT NULL DEFAULT 0,
  AllLinksTotal INTEGER NOT NULL DEFAULT 0,
  AllLinkStack INTEGER NOT NULL DEFAULT 0,
  ExternalLinkPosition INTEGER NOT NULL DEFAULT 0,
  ExternalLinksTotal INTEGER NOT NULL DEFAULT 0,
  ExternalLinkStack INTEGER NOT NULL DEFAULT 0,
  WordPosTags INTEGER NOT NULL DEFAULT 0,
  WordTotalTags INTEGER NOT NULL DEFAULT 0,
  WordTotalTagsDiff INTEGER NOT NULL DEFAULT 0,
  WordPosNoTags INTEGER NOT NULL DEFAULT 0,
  WordTotalNoTags INTEGER NOT NULL DEFAULT 0,
  WordTotalNoTagsDiff INTEGER NOT NULL DEFAULT 0,
  TreeResults TEXT NOT NULL DEFAULT ''
);
CREATE UNIQUE INDEX IF NOT EXISTS ZEBAnalyze_Nameidx ON ZEBAnalyze(SiteName, Project);
CREATE INDEX IF NOT EXISTS ZEBAnalyze_Projectidx ON ZEBAnalyze(Project);
)sql";

}  // namespace

void CreateWorkTables(Session& session) { session.Exec(kWorkTablesSql); }

void CreateApplicationTables(Session& session) { session.Exec(kApplicationTablesSql); }

void CheckApplicationTables(Session& session, const std::string& data_folder) {
  for (const char* table : kApplicationTables) {
    if (!session.TableExists(table)) {
      throw MissingTableError("The table " + std::string(table) +
                              " is missing from the data folder " + data_folder +
                              " (run \"zebhost init\" to create it)");
    }
  }
}

Session OpenDataFolder(const std::string& data_folder) {
  if (data_folder.empty()) {
    throw MissingTableError("No data folder is set (\"DataFolder\" of the File Locations key)");
  }
  if (!std::filesystem::is_directory(data_folder)) {
    throw MissingTableError("The data folder " + data_folder + " does not exist");
  }
  std::string file = data_folder + "zeb.sqlite";
  if (!std::filesystem::exists(file)) {
    throw MissingTableError("The data folder " + data_folder +
                            " holds no tables (zeb.sqlite is missing; run \"zebhost init\")");
  }
  Session session(file, OpenMode::kExisting);
  CheckApplicationTables(session, data_folder);
  if (!session.TableExists("DBWebEngine") || !session.TableExists("URLTrack") ||
      !session.TableExists("Host")) {
    CreateWorkTables(session);
  }
  return session;
}

namespace {

void AttachDataFolder(Session& session, const FileLocations& locations) {
  QueryRef q = session.Query("ATTACH DATABASE ?1 AS app");
  q->Bind(1, DatabaseFile(locations));
  q->Run();
  session.Exec("PRAGMA app.synchronous=NORMAL;");
}

}  // namespace

Session OpenRunSession(const FileLocations& locations) {
  if (locations.WorkDatabase.empty()) return OpenDataFolder(locations.DataFolder);
  {
    Session shared = OpenDataFolder(locations.DataFolder);
    CreateCheckHistoryTable(shared);
    CreateLinkVerdictTable(shared);
  }
  Session session(locations.WorkDatabase, OpenMode::kCreateIfMissing);
  CreateWorkTables(session);
  AttachDataFolder(session, locations);
  return session;
}

Session ReopenRunSession(const FileLocations& locations) {
  if (locations.WorkDatabase.empty()) return Session(DatabaseFile(locations), OpenMode::kExisting);
  Session session(locations.WorkDatabase, OpenMode::kExisting);
  AttachDataFolder(session, locations);
  return session;
}

void ConfigureCrawlSession(Session& session) {
  session.Exec("PRAGMA wal_autocheckpoint=10000;");
}

}  // namespace zeb
