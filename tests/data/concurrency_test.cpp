// Twenty crawl-like threads, each with its own session, on one database at once.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "data/schema.h"
#include "data/work_tables.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

TEST(ConcurrencyTest, TwentySessionsAppendUpdateAndTrackAtOnce) {
  testing::TempDir dir;
  const std::string file = dir.folder() + "zeb.sqlite";
  {
    Session setup(file, OpenMode::kCreateIfMissing);
    CreateWorkTables(setup);
  }
  constexpr int kThreads = 20;
  constexpr int kRowsEach = 40;
  constexpr int kSharedAddresses = 60;

  std::mutex mutex;
  std::map<RecNo, bool> update_applied;  // Guarded by mutex
  std::vector<std::string> errors;       // Guarded by mutex
  std::atomic<int> tracked_by_me{0};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        Session session(file, OpenMode::kExisting);
        WorkTables tables(session);
        for (int i = 0; i < kRowsEach; ++i) {
          std::string url = "http://site.localhost/t" + std::to_string(t) + "/" + std::to_string(i);
          RecNo r = tables.AppendFrontier({url, "http://site.localhost/", 1, "open", std::nullopt});
          bool applied = tables.UpdateRow(
              r, {SetText(FrontierField::RunState, "working"),
                  SetText(FrontierField::ResponseCode, "200"),
                  SetText(FrontierField::Cache, std::string(2000, static_cast<char>('a' + t)))});
          // Every thread meets the same addresses, in a different order.
          int shared = (i * 7 + t * 13) % kSharedAddresses;
          if (tables.TrackURL({"http://site.localhost/shared/" + std::to_string(shared), url, 2})) {
            ++tracked_by_me;
          }
          std::lock_guard<std::mutex> lock(mutex);
          update_applied[r] = applied;
        }
      } catch (const std::exception& e) {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(e.what());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  ASSERT_TRUE(errors.empty()) << errors.front();
  Session check(file, OpenMode::kExisting);
  WorkTables tables(check);
  EXPECT_EQ(tables.RecordCount(), kThreads * kRowsEach);
  ASSERT_EQ(update_applied.size(), static_cast<std::size_t>(kThreads * kRowsEach));
  // Record numbers are exactly 1 .. n: no gaps, no duplicates.
  EXPECT_EQ(update_applied.begin()->first, 1);
  EXPECT_EQ(update_applied.rbegin()->first, kThreads * kRowsEach);

  for (const auto& [rec_no, applied] : update_applied) {
    FrontierRow row = *tables.Row(rec_no);
    bool looks_applied = row.RunState == "working" && row.ResponseCode == "200" &&
                         JoinLines(row.Cache).size() == 2000;
    bool looks_untouched = row.RunState == "open" && row.ResponseCode.empty() && row.Cache.empty();
    EXPECT_TRUE(applied ? looks_applied : looks_untouched) << "row " << rec_no;
  }
  EXPECT_EQ(tables.TrackCount(), kSharedAddresses);
  EXPECT_EQ(tracked_by_me.load(), kSharedAddresses);  // exactly one insert won per address
  for (int s = 0; s < kSharedAddresses; ++s) {
    EXPECT_TRUE(tables.FindTrack("http://site.localhost/shared/" + std::to_string(s)));
  }
}

}  // namespace
}  // namespace zeb
