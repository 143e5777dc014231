#include "data/work_tables.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;
using testing::TempDir;

// The first connection SQLite opened while CatchConnection was registered as an auto extension.
sqlite3* g_caught = nullptr;

int CatchConnection(sqlite3* db, char** /*error*/, const sqlite3_api_routines* /*api*/) {
  if (g_caught == nullptr) g_caught = db;
  return SQLITE_OK;
}

// Opens a Session and hands back its raw connection too, caught as SQLite opens it: a test's own
// busy handler needs the connection, which Session keeps to itself. No other thread may open a
// connection meanwhile.
Session OpenCatchingConnection(const std::string& file, sqlite3*& raw) {
  g_caught = nullptr;
  sqlite3_auto_extension(reinterpret_cast<void (*)()>(&CatchConnection));
  std::optional<Session> session;
  try {
    session.emplace(file, OpenMode::kExisting);
  } catch (...) {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&CatchConnection));
    throw;
  }
  sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&CatchConnection));
  raw = g_caught;
  return std::move(*session);
}

// A busy handler that refuses the first wait, so that the statement meeting the lock fails at
// once, and tells the lock's holder so; later statements wait for the lock (up to 10 s).
class BusyGate {
 public:
  static int OnBusy(void* gate, int /*count*/) { return static_cast<BusyGate*>(gate)->Busy(); }

  // Whether the first refusal came within timeout.
  bool WaitForFirstRefusal(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return refused_cv_.wait_for(lock, timeout, [this] { return refused_; });
  }
  bool refused() {
    std::lock_guard<std::mutex> lock(mutex_);
    return refused_;
  }

 private:
  int Busy() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!refused_) {
        refused_ = true;
        give_up_ = std::chrono::steady_clock::now() + 10s;
        refused_cv_.notify_all();
        return 0;
      }
      if (std::chrono::steady_clock::now() >= give_up_) return 0;
    }
    std::this_thread::sleep_for(1ms);
    return 1;
  }

  std::mutex mutex_;
  std::condition_variable refused_cv_;
  bool refused_ = false;                          // Guarded by mutex_
  std::chrono::steady_clock::time_point give_up_;  // Guarded by mutex_
};

class WorkTablesTest : public ::testing::Test {
 protected:
  WorkTablesTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateWorkTables(session_);
  }

  RecNo Append(const std::string& url, const std::string& state = "open",
               std::optional<std::string> type = std::nullopt, int node = 0) {
    return tables_.AppendFrontier({url, "", node, state, type});
  }

  TempDir dir_;
  Session session_;
  WorkTables tables_{session_};
};

TEST_F(WorkTablesTest, RecordNumbersAreInsertionPositionsAndRestartAfterEmptying) {
  EXPECT_EQ(tables_.RecordCount(), 0);
  EXPECT_EQ(Append("http://a/"), 1);
  EXPECT_EQ(Append("http://b/"), 2);
  EXPECT_EQ(Append("http://c/"), 3);
  EXPECT_EQ(tables_.RecordCount(), 3);
  EXPECT_EQ(tables_.Node(2)->URL, "http://b/");
  EXPECT_FALSE(tables_.Node(4));
  EXPECT_FALSE(tables_.Node(0));

  tables_.TrackURL({"http://a/", "", 0});
  tables_.InsertHost({"www.a", true, {"www.a/private"}, {"User-agent: *"}});
  tables_.EmptyAll();
  EXPECT_EQ(tables_.RecordCount(), 0);
  EXPECT_EQ(tables_.TrackCount(), 0);
  EXPECT_FALSE(tables_.FindHost("www.a"));
  EXPECT_EQ(Append("http://d/"), 1);
}

TEST_F(WorkTablesTest, LinkTypeDefaultsToDoc) {
  RecNo plain = Append("http://a/page.htm");
  RecNo image = Append("http://a/pic.jpg", "open", "image");
  RecNo empty = Append("http://a/x", "open", "");
  EXPECT_EQ(tables_.Node(plain)->LinkType, "doc");
  EXPECT_EQ(tables_.Node(image)->LinkType, "image");
  EXPECT_EQ(tables_.Node(empty)->LinkType, "");  // set explicitly, so not a page
}

TEST_F(WorkTablesTest, SeedAndChildNodes) {
  RecNo seed = tables_.AppendFrontier({"http://a", "", 2, "open", "doc"});
  RecNo child = tables_.AppendFrontier({"http://a/b.htm", "http://a", 3, "open", std::nullopt});
  FrontierRow s = *tables_.Row(seed);
  EXPECT_EQ(s.ParentURL, "");
  EXPECT_EQ(s.Node, 2);
  EXPECT_EQ(tables_.Row(child)->Node, s.Node + 1);
  EXPECT_EQ(tables_.Row(child)->ParentURL, "http://a");
}

TEST_F(WorkTablesTest, RowUpdateSetsFieldsAndReportsFailure) {
  RecNo r = Append("http://a/");
  ASSERT_TRUE(tables_.UpdateRow(r, {SetText(FrontierField::RunState, "working"),
                                    SetText(FrontierField::ResponseCode, "200"),
                                    SetLines(FrontierField::Cache, {"<html>", "<body>x"}),
                                    SetBool(FrontierField::StringsFound, true),
                                    SetInt(FrontierField::FileSize, 1234)}));
  FrontierRow row = *tables_.Row(r);
  EXPECT_EQ(row.RunState, "working");
  EXPECT_EQ(row.ResponseCode, "200");
  EXPECT_EQ(row.Cache, (Lines{"<html>", "<body>x"}));
  EXPECT_TRUE(row.StringsFound);
  EXPECT_EQ(row.FileSize, 1234);
  EXPECT_EQ(row.URL, "http://a/");  // untouched fields stay

  // A missing row is a failed update, after its one retry.
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(tables_.UpdateRow(99, {SetText(FrontierField::RunState, "OK")}, milliseconds(30)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(30));
}

// A row update meets a database that another connection keeps locked: the first attempt fails,
// the retry succeeds once the lock is gone. The updating connection's busy handler puts the
// release between the two attempts, however the threads are scheduled.
TEST_F(WorkTablesTest, RowUpdateRetriesOnceWhenTheDatabaseIsBusy) {
  RecNo r = Append("http://a/");
  Session blocker(dir_.folder() + "zeb.sqlite", OpenMode::kExisting);
  blocker.Exec("BEGIN EXCLUSIVE");
  sqlite3* raw = nullptr;
  Session quick = OpenCatchingConnection(dir_.folder() + "zeb.sqlite", raw);
  ASSERT_NE(raw, nullptr);
  BusyGate gate;
  sqlite3_busy_handler(raw, &BusyGate::OnBusy, &gate);
  WorkTables tables(quick);
  std::thread release([&] {
    gate.WaitForFirstRefusal(10s);
    blocker.Exec("COMMIT");
  });
  bool applied = tables.UpdateRow(r, {SetText(FrontierField::RunState, "OK")}, milliseconds(20));
  release.join();
  EXPECT_TRUE(gate.refused());  // the first attempt met the lock
  EXPECT_TRUE(applied);
  EXPECT_EQ(tables_.Node(r)->RunState, "OK");
}

TEST_F(WorkTablesTest, RowUpdateGivesUpAfterTheSecondFailure) {
  RecNo r = Append("http://a/");
  Session blocker(dir_.folder() + "zeb.sqlite", OpenMode::kExisting);
  blocker.Exec("BEGIN EXCLUSIVE");
  Session quick(dir_.folder() + "zeb.sqlite", OpenMode::kExisting);
  quick.Exec("PRAGMA busy_timeout = 20");
  WorkTables tables(quick);
  EXPECT_FALSE(tables.UpdateRow(r, {SetText(FrontierField::RunState, "OK")}, milliseconds(20)));
  blocker.Exec("COMMIT");
  EXPECT_EQ(tables_.Node(r)->RunState, "open");  // left as it was
}

TEST_F(WorkTablesTest, NextOpenWalksForwardFromAPosition) {
  // The hand-out's combined read gives what the two reads give, from every position.
  auto same_as_two_reads = [&] {
    for (RecNo from = 0; from <= 6; ++from) {
      const WorkTables::OpenAndCount both = tables_.CountAndNextOpen(from);
      EXPECT_EQ(both.count, tables_.RecordCount()) << from;
      EXPECT_EQ(both.open, tables_.NextOpen(from)) << from;
    }
  };
  EXPECT_EQ(tables_.CountAndNextOpen(1).count, 0);
  EXPECT_FALSE(tables_.CountAndNextOpen(1).open);
  Append("http://1/", "OK");
  Append("http://2/", "open");
  Append("http://3/", "secure");
  Append("http://4/", "open");
  EXPECT_EQ(tables_.NextOpen(1), 2);
  EXPECT_EQ(tables_.NextOpen(2), 2);
  EXPECT_EQ(tables_.NextOpen(3), 4);
  EXPECT_FALSE(tables_.NextOpen(5));
  same_as_two_reads();
  tables_.UpdateRow(4, {SetText(FrontierField::RunState, "working")});
  EXPECT_FALSE(tables_.NextOpen(3));
  same_as_two_reads();
}

TEST_F(WorkTablesTest, DuplicateTrackAppendIsDroppedQuietly) {
  EXPECT_TRUE(tables_.TrackURL({"http://a/x.htm", "http://a/", 1}));
  EXPECT_FALSE(tables_.TrackURL({"http://a/x.htm", "http://a/other.htm", 5}));
  EXPECT_TRUE(tables_.TrackURL({"http://a/X.htm", "http://a/", 1}));  // exact-case key
  EXPECT_EQ(tables_.TrackCount(), 2);
  EXPECT_EQ(tables_.FindTrack("http://a/x.htm")->ParentURL, "http://a/");  // the first stays
  EXPECT_EQ(tables_.FindTrack("http://a/x.htm")->Node, 1);
  EXPECT_FALSE(tables_.FindTrack("http://a/y.htm"));
  // An address counts as met when it or its twin under the other scheme is recorded.
  const struct {
    const char* url;
    const char* twin;
    bool tracked;
  } cases[] = {{"http://a/x.htm", "https://a/x.htm", true},
               {"https://a/x.htm", "http://a/x.htm", true},
               {"https://a/X.htm", "http://a/X.htm", true},
               {"http://a/y.htm", "https://a/y.htm", false},
               {"http://a/x.htm/", "https://a/x.htm/", false},
               {"mailto:a", "", false}};
  for (const auto& c : cases) EXPECT_EQ(tables_.IsTracked(c.url, c.twin), c.tracked) << c.url;
}

// The quiet results stand for a busy database and duplicates only: a full disk is passed on,
// so a crawl thread stops with a message instead of dropping every row as a duplicate.
TEST_F(WorkTablesTest, AFullDatabaseIsAnErrorNotADuplicate) {
  Append("http://a/");
  QueryRef pages = session_.Query("PRAGMA page_count");
  pages->Step();
  session_.Exec("PRAGMA max_page_count = " + std::to_string(pages->ColumnInt(0)));
  const std::string big(64 * 1024, 'x');
  auto expect_full = [](const char* what, const std::function<void()>& step) {
    try {
      step();
      ADD_FAILURE() << what << " passed quietly";
    } catch (const DatabaseError& e) {
      EXPECT_FALSE(e.IsBusy() || e.IsConstraint()) << what << ": " << e.what();
    }
  };
  expect_full("TryAppendFrontier", [&] { tables_.TryAppendFrontier({big, "", 0, "open", {}}); });
  expect_full("TrackURL", [&] { tables_.TrackURL({big, "", 0}); });
  expect_full("InsertHost", [&] { tables_.InsertHost({big, false, {}, {}}); });
  expect_full("UpdateRow",
              [&] { tables_.UpdateRow(1, {SetText(FrontierField::Cache, big)}, milliseconds(1)); });
  EXPECT_EQ(tables_.RecordCount(), 1);
}

TEST_F(WorkTablesTest, HostRowsAreStoredOncePerHost) {
  EXPECT_TRUE(tables_.InsertHost({"www.site.test", true, {"www.site.test/private"},
                                  {"User-agent: *", "Disallow: /private"}}));
  EXPECT_FALSE(tables_.InsertHost({"www.site.test", false, {}, {}}));
  EXPECT_FALSE(tables_.InsertHost({"WWW.SITE.TEST", false, {}, {}}));
  HostRow row = *tables_.FindHost("www.site.test");
  EXPECT_TRUE(row.BotFound);
  EXPECT_EQ(row.RobotText, (Lines{"www.site.test/private"}));
  EXPECT_EQ(row.RobotFull.size(), 2u);
  EXPECT_TRUE(tables_.FindHost("Www.Site.Test"));
}

TEST_F(WorkTablesTest, URLIndexComesAndGoesAndLookupsIgnoreCase) {
  Append("http://a/Page.htm", "OK");
  Append("http://b/", "OK");
  Append("http://A/page.htm", "OK");
  EXPECT_FALSE(tables_.HasURLIndex());
  tables_.SetURLIndex(true);
  EXPECT_TRUE(tables_.HasURLIndex());
  tables_.SetURLIndex(true);  // adding twice is harmless
  std::vector<FrontierRow> rows = tables_.RowsByURL("HTTP://a/page.HTM");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].rec_no, 1);
  EXPECT_EQ(rows[1].rec_no, 3);
  EXPECT_EQ(tables_.FirstRowByURL("http://a/page.htm")->rec_no, 1);
  EXPECT_FALSE(tables_.FirstRowByURL("http://c/"));
  tables_.SetURLIndex(false);
  EXPECT_FALSE(tables_.HasURLIndex());
  tables_.SetURLIndex(false);
  EXPECT_EQ(tables_.RowsByURL("http://a/page.htm").size(), 2u);  // still answered without it
}

TEST_F(WorkTablesTest, TextWithNulsAndHighBytesSurvives) {
  const std::string url = std::string("http://a/\xe9t\xe9", 12);
  const std::string cache = std::string("a\0b\xff", 4);
  RecNo r = Append(url);
  tables_.UpdateRow(r, {SetText(FrontierField::Cache, cache)});
  EXPECT_EQ(tables_.Row(r)->URL, url);
  EXPECT_EQ(JoinLines(tables_.Row(r)->Cache), cache);
}

TEST_F(WorkTablesTest, AnotherSessionSeesAppendedRows) {
  Session other(dir_.folder() + "zeb.sqlite", OpenMode::kExisting);
  WorkTables other_tables(other);
  EXPECT_EQ(other_tables.RecordCount(), 0);
  Append("http://a/");
  EXPECT_EQ(other_tables.RecordCount(), 1);
  EXPECT_EQ(other_tables.NextOpen(1), 1);
  tables_.Flush();
}

}  // namespace
}  // namespace zeb
