// Table definitions of the database file "zeb.sqlite" in the data folder.
//
// Application tables (ZEBProjects, LA, LAHist, ZEBAnalyze) belong to the host: the library only
// checks that they are there. Work tables (DBWebEngine, URLTrack, Host) belong to the library,
// which creates them when they are missing.
//
// Work-table record numbers: each work table has an integer key "RecNo" that SQLite assigns as
// the largest key + 1. Rows are only appended during a run and the tables are emptied as a whole,
// so RecNo is the 1-based insertion position and starts again at 1 after emptying.
#ifndef ZEB_DATA_SCHEMA_H_
#define ZEB_DATA_SCHEMA_H_

#include <stdexcept>
#include <string>

#include "data/file_locations.h"
#include "data/sqlite_session.h"

namespace zeb {

// An application table is missing: what() names the table and the data folder.
class MissingTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The library's own tables and their indexes, created when missing.
void CreateWorkTables(Session& session);

// The host's tables, created when missing (used by the stand-in host's "init").
void CreateApplicationTables(Session& session);

// Throws MissingTableError for the first application table the database lacks.
void CheckApplicationTables(Session& session, const std::string& data_folder);

// Opens the database of a data folder for the library: the file and the application tables must
// exist; the work tables are created when missing. Throws MissingTableError or DatabaseError with
// a message that names the folder.
Session OpenDataFolder(const std::string& data_folder);

// The session of a run over its work tables and the data folder's tables. Without a work
// database it is OpenDataFolder's. With one (FileLocations::WorkDatabase) the data folder is
// checked as OpenDataFolder checks it, the work database is made when missing with its work
// tables, and the data folder's database is attached as "app": unqualified names find the run's
// own work tables first and the shared tables there. The library's own tables
// (ZEBCheckHistory, ZEBLinkVerdict) are made in the data folder's database first, so that no
// writer makes them in the work database. Throws as OpenDataFolder does, or DatabaseError.
Session OpenRunSession(const FileLocations& locations);
// As OpenRunSession for a further connection of a run already opened (a crawl thread's): the
// files are not checked again.
Session ReopenRunSession(const FileLocations& locations);
// Readies a connection for the crawl threads of a run: the crawl rewrites its rows again and
// again, so with a longer log between checkpoints a page is written back once for many commits
// and the file is synced less often.
void ConfigureCrawlSession(Session& session);

}  // namespace zeb

#endif  // ZEB_DATA_SCHEMA_H_
