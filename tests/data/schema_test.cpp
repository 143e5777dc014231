// Opening a data folder: a missing application table or database is named, nothing is created
// in its place, and missing work tables are made.
#include "data/schema.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/sqlite_session.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::TempDir;

TEST(SchemaTest, MissingApplicationTableIsNamed) {
  TempDir dir;
  {
    Session session(dir.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing);
    session.Exec("CREATE TABLE ZEBProjects (Name TEXT); CREATE TABLE LA (Project TEXT);");
  }
  try {
    OpenDataFolder(dir.folder());
    FAIL() << "opened a data folder without LAHist";
  } catch (const MissingTableError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("LAHist"), std::string::npos) << message;
    EXPECT_NE(message.find(dir.folder()), std::string::npos) << message;
  }
}

TEST(SchemaTest, MissingFolderOrDatabaseIsAClearError) {
  TempDir dir;
  EXPECT_THROW(OpenDataFolder(dir.folder() + "nowhere/"), MissingTableError);
  EXPECT_THROW(OpenDataFolder(dir.folder()), MissingTableError);
  EXPECT_FALSE(std::filesystem::exists(dir / "zeb.sqlite"));  // nothing was created
  EXPECT_THROW(OpenDataFolder(""), MissingTableError);
}

TEST(SchemaTest, WorkTablesAreCreatedWhenMissing) {
  TempDir dir;
  {
    Session session(dir.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing);
    CreateApplicationTables(session);
  }
  Session session = OpenDataFolder(dir.folder());
  for (const char* table : {"DBWebEngine", "URLTrack", "Host"}) {
    EXPECT_TRUE(session.TableExists(table)) << table;
  }
}

}  // namespace
}  // namespace zeb
