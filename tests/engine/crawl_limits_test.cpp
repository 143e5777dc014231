// The limits of a run and the user's controls: hops, links, seconds, Stop, Pause; hot links,
// URL exceptions, secure and over-long links; many connections at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <set>
#include <thread>

#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::Reply;
using testing::RunRecord;

// /c0.htm -> /c1.htm -> ... -> /c{n-1}.htm, each page answered after `delay`.
void ServeChain(CrawlFixture& f, int n, std::chrono::milliseconds delay = 0ms) {
  for (int i = 0; i < n; ++i) {
    Reply reply;
    reply.delay = delay;
    reply.body = "<html><body><a href=\"/c" + std::to_string(i + 1) + ".htm\">next</a></body></html>";
    f.site().Serve("/c" + std::to_string(i) + ".htm", reply);
  }
}

// Whether `happened` holds within `limit`, looked at every millisecond.
bool Within(std::chrono::milliseconds limit, const std::function<bool()>& happened) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (!happened()) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

int Count(const std::vector<FrontierRow>& rows, const std::string& state) {
  return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                        [&](const FrontierRow& r) { return r.RunState == state; }));
}

TEST(CrawlLimitsTest, HopLimitStopsAtTheFirstPageBeyondIt) {
  CrawlFixture f;
  ServeChain(f, 8);
  f.AddPartner("Cats", f.Url("/c0.htm"), "never.example");
  f.settings.StopHops = 2;

  RunRecord run = f.Run({"Cats"});

  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 4u);  // c0..c3; the page at hop 3 queues nothing
  EXPECT_EQ(rows[3].Node, 3);
  EXPECT_EQ(rows[3].RunState, "OK");
  EXPECT_EQ(f.site().CountRequests("/c4.htm"), 0);
  ASSERT_EQ(run.Events(EventCode::kStop, "Max Nodes Reached").size(), 1u);
  EXPECT_EQ(run.Events(EventCode::kStop, "Max Nodes Reached")[0].number1, 3);
  EXPECT_TRUE(run.outcomes[0].MaxHopsReached);
  EXPECT_TRUE(run.HasMessage("Max hops reached: 3"));
  EXPECT_TRUE(run.HasMessage("Please wait for current node to complete..."));
}

TEST(CrawlLimitsTest, HopSettingMinusOneMeansNoLimit) {
  CrawlFixture f;
  ServeChain(f, 8);
  f.site().Page("/c8.htm", "<html><body>end</body></html>");
  f.AddPartner("Cats", f.Url("/c0.htm"), "never.example");
  f.settings.StopHops = -1;
  RunRecord run = f.Run({"Cats"});
  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(Count(rows, "OK"), 9);
  EXPECT_TRUE(run.Events(EventCode::kStop, "Max Nodes Reached").empty());
}

TEST(CrawlLimitsTest, LinkLimitStopsQueueingButNotTheCrawl) {
  CrawlFixture f;
  std::string index = "<html><body>";
  for (int i = 0; i < 10; ++i) index += "<a href=\"/p" + std::to_string(i) + ".htm\">p</a>";
  f.site().Page("/index.htm", index + "</body></html>");
  for (int i = 0; i < 10; ++i) {
    f.site().Page("/p" + std::to_string(i) + ".htm", "<html><body>x</body></html>");
  }
  f.AddPartner("Cats", f.Url("/index.htm"), "never.example");
  f.settings.StopLinks = 5;

  RunRecord run = f.Run({"Cats"});

  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(Count(rows, "OK"), 5);  // the queued pages are still crawled
  EXPECT_EQ(f.site().CountRequests("/p4.htm"), 0);
  EXPECT_EQ(run.Events(EventCode::kStop, "Max Records Reached").size(), 1u);
  EXPECT_TRUE(run.outcomes[0].MaxRecordsReached);
  EXPECT_TRUE(run.HasMessage("Maximum links reached"));
}

TEST(CrawlLimitsTest, SecondsLimitEndsTheCrawlAndATransferInProgress) {
  CrawlFixture f;
  ServeChain(f, 20, 700ms);
  f.AddPartner("Cats", f.Url("/c0.htm"), "never.example");
  f.settings.StopTime = 1;
  f.settings.StopHops = -1;

  const auto started = std::chrono::steady_clock::now();
  RunRecord run = f.Run({"Cats"});
  const auto took = std::chrono::steady_clock::now() - started;

  EXPECT_LT(took, 4s);
  EXPECT_TRUE(run.outcomes[0].TimeExpired);
  EXPECT_TRUE(run.HasMessage("Time expired"));
  EXPECT_EQ(run.Events(EventCode::kStop, "Time Expired").size(), 1u);
  EXPECT_LE(f.site().CountRequests("/c3.htm"), 0);
}

TEST(CrawlLimitsTest, StopEndsTheRunAndSkipsTheRemainingPartners) {
  CrawlFixture f;
  ServeChain(f, 20, 150ms);
  f.AddPartner("Cats", f.Url("/c0.htm"), "never.example");
  f.AddPartner("Dogs", f.Url("/c0.htm"), "never.example");
  f.settings.StopHops = -1;

  RunRecord run = f.Run({"Cats", "Dogs"}, [](RunController& c, const EngineEventArgs& e) {
    if (e.code == EventCode::kProgress && e.key == "NewNode" && e.number2 == 2) c.RequestStop();
  });

  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_TRUE(run.outcomes[0].aborted);
  EXPECT_TRUE(run.HasMessage("Aborting..."));
  EXPECT_TRUE(run.HasMessage("Aborted"));
  EXPECT_EQ(f.site().CountRequests("/c4.htm"), 0);
  // The transfer in hand ends too, and its node says why.
  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2].RunState, "Error");
  EXPECT_EQ(run.FinalNotice(f.Url("/c2.htm")), "Stopped by the user");
  bool aborted_done = false;
  for (const EngineEventArgs& e : run.Events(EventCode::kThreadNote))
    aborted_done |= e.text == "Aborted--Done";
  EXPECT_TRUE(aborted_done);
}

TEST(CrawlLimitsTest, PauseHoldsEveryRequestAndStopWhilePausedEndsTheRun) {
  CrawlFixture f;
  ServeChain(f, 30, 50ms);
  f.AddPartner("Cats", f.Url("/c0.htm"), "never.example");
  f.settings.StopHops = -1;
  std::thread helper;
  bool all_held = false, moved = true;
  std::size_t before = 0, after = 0;

  RunRecord run = f.Run({"Cats"}, [&](RunController& c, const EngineEventArgs& e) {
    if (e.code == EventCode::kProgress && e.key == "NewNode" && e.number2 == 3 &&
        !helper.joinable()) {
      c.RequestPause();
      RunController* controller = &c;
      helper = std::thread([&f, &all_held, &moved, &before, &after, controller] {
        // Every thread alive reaches the gate (between nodes, or inside a transfer).
        all_held = Within(10s, [&] {
          return controller->held_threads() >= controller->live_threads();
        });
        before = f.site().Requests().size();
        // Then nothing moves: no thread leaves the gate or starts, no request goes out, for as
        // long as several of the site's 50 ms pages would take.
        moved = Within(250ms, [&] {
          return controller->held_threads() < controller->live_threads() ||
                 f.site().Requests().size() != before;
        });
        after = f.site().Requests().size();
        controller->RequestStop();
      });
    }
  });
  helper.join();

  EXPECT_TRUE(all_held);
  EXPECT_FALSE(moved);
  EXPECT_EQ(before, after);
  EXPECT_TRUE(run.HasMessage("Paused"));
  EXPECT_TRUE(run.HasMessage("Resumed"));
  EXPECT_TRUE(run.HasMessage("Aborted"));
  EXPECT_TRUE(run.outcomes[0].aborted);
  EXPECT_LT(f.site().CountRequests("/c12.htm"), 1);
}

// A hot row far down the frontier goes first; the walk then goes on where it was, so the pages
// it jumped over are still checked and the backlink on one of them is found.
TEST(CrawlLimitsTest, HotLinksAreHandedOutFirstAndTheWalkMissesNoPage) {
  CrawlFixture f;
  std::string index = "<html><body>";
  for (int i = 0; i < 8; ++i) index += "<a href=\"/p" + std::to_string(i) + ".htm\">p</a>";
  f.site().Page("/index.htm", index + "<a href=\"/special.htm\">s</a></body></html>");
  for (int i = 0; i < 8; ++i) {
    f.site().Page("/p" + std::to_string(i) + ".htm",
                  i == 5 ? "<html><body>mysite.example</body></html>"
                         : "<html><body>x</body></html>");
  }
  f.site().Page("/special.htm", "<html><body>x</body></html>");
  f.WriteList("HotLink.txt", "*~*~special\r\n");
  f.settings.HotLink = true;
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");

  RunRecord run = f.Run({"Cats"});

  std::vector<std::string> order;
  for (const testing::LoggedRequest& r : f.site().Requests()) {
    if (r.path != "/robots.txt") order.push_back(r.path);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"/index.htm", "/special.htm", "/p0.htm", "/p1.htm",
                                             "/p2.htm", "/p3.htm", "/p4.htm", "/p5.htm"}));
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/p5.htm"));
  EXPECT_EQ(f.site().CountRequests("/special.htm"), 1);  // not again when the walk meets it
}

TEST(CrawlLimitsTest, ExceptionsSecureAndOverlongLinksAreRecordedNotFetched) {
  CrawlFixture f;
  const std::string long_path = "/" + std::string(300, 'l') + ".htm";
  const std::string secure = "https://partner.localhost:" + std::to_string(f.site().port()) +
                             "/s.htm";
  f.site().Page("/index.htm", "<html><body><a href=\"/skipme.htm\">x</a>"
                              "<a href=\"" + secure + "\">s</a><a href=\"" + long_path +
                              "\">l</a><a href=\"/ok.htm\">o</a></body></html>");
  f.site().Page("/ok.htm", "<html><body>x</body></html>");
  f.WriteList("URLExceptions.txt", "skipme\r\n");
  f.settings.URLExceptions = true;
  f.AddPartner("Cats", f.Url("/index.htm"), "never.example");

  RunRecord run = f.Run({"Cats"});

  EXPECT_EQ(f.RowOf(f.Url("/skipme.htm"))->RunState, "URLExc");
  EXPECT_EQ(f.RowOf(secure)->RunState, "secure");
  const std::string cut = f.Url(long_path).substr(0, 249);
  ASSERT_TRUE(f.RowOf(cut));
  EXPECT_EQ(f.RowOf(cut)->RunState, "longURL");
  EXPECT_EQ(f.RowOf(f.Url("/ok.htm"))->RunState, "OK");
  EXPECT_EQ(f.site().CountRequests("/skipme.htm"), 0);
  EXPECT_EQ(f.site().CountRequests(long_path), 0);
  bool exception_notice = false;
  for (const EngineEventArgs& e : run.Events(EventCode::kLinkSkipped)) {
    exception_notice |= e.number1 == 1 && e.text == f.Url("/skipme.htm");
  }
  EXPECT_TRUE(exception_notice);
}

TEST(CrawlLimitsTest, ManyConnectionsOverlapButNeverExceedTheSetting) {
  for (int connections : {5, 20}) {
    SCOPED_TRACE(connections);
    CrawlFixture f;
    constexpr int kPages = 80;
    // Every page links to ten others, so threads keep meeting the same new addresses.
    for (int i = 0; i < kPages; ++i) {
      Reply reply;
      reply.delay = 40ms;
      reply.body = "<html><body>";
      for (int k = 1; k <= 10; ++k) {
        reply.body += "<a href=\"/p" + std::to_string((i * 7 + k * 13) % kPages) + ".htm\">l</a>";
      }
      reply.body += "</body></html>";
      f.site().Serve("/p" + std::to_string(i) + ".htm", reply);
    }
    f.AddPartner("Cats", f.Url("/p0.htm"), "never.example");
    f.settings.Connections = connections;
    f.settings.StopHops = -1;

    RunRecord run = f.Run({"Cats"});

    EXPECT_LE(f.site().MaxConcurrent(), connections);
    EXPECT_GE(f.site().MaxConcurrent(), connections / 2);  // the requests really overlap
    EXPECT_LE(run.peak_threads, connections);
    EXPECT_EQ(run.busy_at_finish, std::vector<int>{0});
    std::vector<TrackRow> track = f.Track();
    std::set<std::string> distinct;
    for (const TrackRow& t : track) distinct.insert(t.URL);
    EXPECT_EQ(distinct.size(), track.size());
    std::vector<FrontierRow> rows = f.Frontier();
    std::set<std::string> frontier;
    for (const FrontierRow& r : rows) frontier.insert(r.URL);
    EXPECT_EQ(frontier.size(), rows.size());  // no page queued twice
    EXPECT_EQ(Count(rows, "OK"), static_cast<int>(rows.size()));
    for (int i = 0; i < kPages; ++i) {
      if (f.RowOf(f.Url("/p" + std::to_string(i) + ".htm"))) {
        EXPECT_EQ(f.site().CountRequests("/p" + std::to_string(i) + ".htm"), 1);
      }
    }
  }
}


// A find decides the partner: a page another thread is still reading, a byte a second, ends at
// once as on Stop, instead of holding the partner until its transfer limit.
TEST(CrawlLimitsTest, AFindEndsTheOtherTransfersAtOnce) {
  CrawlFixture f;
  f.site().Page("/index.htm",
                "<html><body><a href=\"/slow.htm\">s</a><a href=\"/found.htm\">f</a></body></html>");
  Reply slow;
  slow.kind = Reply::Body::kTrickle;
  slow.trickle_gap = 1000ms;
  f.site().Serve("/slow.htm", slow);
  Reply found;
  found.delay = 300ms;  // the slow page is under way by then
  found.body = "<html><body><a href=\"http://mysite.example/\">me</a></body></html>";
  f.site().Serve("/found.htm", found);
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  f.settings.Connections = 5;

  const auto started = std::chrono::steady_clock::now();
  RunRecord run = f.Run({"Cats"});
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/found.htm"));
  bool slow_seen = false;
  for (const FrontierRow& row : f.Frontier()) {
    if (row.URL != f.Url("/slow.htm")) continue;
    slow_seen = true;
    EXPECT_EQ(row.RunState, "Error");  // as a stopped node
  }
  EXPECT_TRUE(slow_seen);
}

}  // namespace
}  // namespace zeb
