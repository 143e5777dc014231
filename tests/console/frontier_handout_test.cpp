// The hand-out of frontier records to the crawl threads, over a real work table.
#include "console/frontier_handout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <thread>

#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

class FrontierHandoutTest : public ::testing::Test {
 protected:
  FrontierHandoutTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateWorkTables(session_);
  }

  RecNo Append(const std::string& url, const std::string& state = "open") {
    return tables_.AppendFrontier({url, "", 0, state, std::nullopt});
  }

  testing::TempDir dir_;
  Session session_;
  WorkTables tables_{session_};
  FrontierHandout handout_;
};

TEST_F(FrontierHandoutTest, WalksToTheNextOpenRowAndCountsInTheLabel) {
  Append("http://a/");
  Append("http://b/", "OK");
  Append("http://c/");
  struct Step {
    std::optional<RecNo> record;
    std::string label;
  };
  for (const Step& want :
       {Step{1, "3/1"}, Step{3, "3/3"}, Step{std::nullopt, "3/3"}, Step{std::nullopt, "3/3"}}) {
    FrontierHandout::Handout got = handout_.NextOpenRecord(tables_);
    EXPECT_EQ(got.record, want.record);
    EXPECT_EQ(got.Label17, want.label);
  }
}

TEST_F(FrontierHandoutTest, RowsAppendedAfterTheEndIsMetAreStillHandedOut) {
  Append("http://a/");
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 1);
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, std::nullopt);
  Append("http://b/");
  Append("http://c/");
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 2);
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 3);
}

TEST_F(FrontierHandoutTest, AHotRecordComesFirstAndTheWalkGoesOnWhereItWas) {
  for (const char* url : {"http://a/", "http://b/", "http://c/", "http://hot/", "http://e/"}) {
    Append(url);
  }
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 1);
  handout_.PushHotRecord(4);
  handout_.PushHotRecord(0);   // names no row
  handout_.PushHotRecord(99);  // beyond the table
  handout_.PushHotRecord(1);   // the walk handed it out already
  handout_.PushHotRecord(4);   // handed out once only
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 4);
  // The rows the hot one jumped over come next; the walk skips the hot row it meets.
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 2);
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 3);
  FrontierHandout::Handout last = handout_.NextOpenRecord(tables_);
  EXPECT_EQ(last.record, 5);
  EXPECT_EQ(last.Label17, "5/5");
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, std::nullopt);
}

TEST_F(FrontierHandoutTest, ResetStartsAgainAndDropsTheHotRecords) {
  Append("http://a/");
  Append("http://b/");
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 1);
  handout_.PushHotRecord(2);
  handout_.Reset();
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 1);
  EXPECT_EQ(handout_.NextOpenRecord(tables_).record, 2);
}

TEST_F(FrontierHandoutTest, ThreadsTakingTurnsNeverGetTheSameRecord) {
  constexpr int kRows = 300;
  {
    Transaction transaction(session_);
    for (int i = 0; i < kRows; ++i) Append("http://site/" + std::to_string(i));
    transaction.Commit();
  }
  std::mutex taken_mutex;
  std::vector<RecNo> taken;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      while (std::optional<RecNo> rec = handout_.NextOpenRecord(tables_).record) {
        std::lock_guard<std::mutex> lock(taken_mutex);
        taken.push_back(*rec);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::sort(taken.begin(), taken.end());
  EXPECT_EQ(std::adjacent_find(taken.begin(), taken.end()), taken.end());
  EXPECT_EQ(taken.size(), static_cast<std::size_t>(kRows));
}

}  // namespace
}  // namespace zeb
