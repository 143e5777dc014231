// Twenty crawl-like threads on one database at once: each with its own session, and all
// sharing one session as a partner's crawl threads do.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "data/schema.h"
#include "data/work_tables.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

class ConcurrencyTest : public ::testing::TestWithParam<bool> {};  // true: one shared session

TEST_P(ConcurrencyTest, TwentyThreadsAppendUpdateAndTrackAtOnce) {
  const bool shared_session = GetParam();
  testing::TempDir dir;
  const std::string file = dir.folder() + "zeb.sqlite";
  {
    Session setup(file, OpenMode::kCreateIfMissing);
    CreateWorkTables(setup);
  }
  Session shared(file, OpenMode::kExisting);
  constexpr int kThreads = 20;
  constexpr int kRowsEach = 40;
  constexpr int kSharedAddresses = 60;

  std::mutex mutex;
  std::map<RecNo, bool> update_applied;  // Guarded by mutex
  std::map<RecNo, std::string> appended;  // Guarded by mutex: the address each append returned
  std::vector<std::string> errors;       // Guarded by mutex
  std::atomic<int> tracked_by_me{0};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      try {
        std::optional<Session> own;
        if (!shared_session) own.emplace(file, OpenMode::kExisting);
        Session& session = shared_session ? shared : *own;
        WorkTables tables(session);
        for (int i = 0; i < kRowsEach; ++i) {
          std::string url = "http://site.localhost/t" + std::to_string(t) + "/" + std::to_string(i);
          // Every other page goes in as one transaction, as a crawl thread writes a page.
          std::optional<Transaction> transaction;
          if (i % 2 == 0) transaction.emplace(session);
          RecNo r = tables.AppendFrontier({url, "http://site.localhost/", 1, "open", std::nullopt});
          bool applied = tables.UpdateRow(
              r, {SetText(FrontierField::RunState, "working"),
                  SetText(FrontierField::ResponseCode, "200"),
                  SetText(FrontierField::Cache, std::string(2000, static_cast<char>('a' + t)))});
          // Every thread meets the same addresses, in a different order.
          int met = (i * 7 + t * 13) % kSharedAddresses;
          if (tables.TrackURL({"http://site.localhost/shared/" + std::to_string(met), url, 2})) {
            ++tracked_by_me;
          }
          if (transaction) transaction->Commit();
          std::lock_guard<std::mutex> lock(mutex);
          update_applied[r] = applied;
          appended[r] = url;
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
    // The number an append returned is its own row's, whoever appended in between.
    EXPECT_EQ(row.URL, appended[rec_no]);
  }
  EXPECT_EQ(tables.TrackCount(), kSharedAddresses);
  EXPECT_EQ(tracked_by_me.load(), kSharedAddresses);  // exactly one insert won per address
  for (int s = 0; s < kSharedAddresses; ++s) {
    EXPECT_TRUE(tables.FindTrack("http://site.localhost/shared/" + std::to_string(s)));
  }
}

INSTANTIATE_TEST_SUITE_P(Sessions, ConcurrencyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "OneSharedSession" : "ASessionEach";
                         });

}  // namespace
}  // namespace zeb
