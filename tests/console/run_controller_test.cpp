// The run controller's own rules: the hand-out of records, the console's reading of engine
// events, the first thread's start, the tree buttons, and what carries over from one partner to
// the next.
#include "console/run_controller.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "data/app_tables.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::Reply;
using testing::RunRecord;

// Keeps the notices apart from the routine steps, as zebhost check prints them.
struct MessageLog : RunObserver {
  void OnMessage(const std::string& line, MessageRole role) override {
    (role == MessageRole::kNotice ? notices : routine).push_back(line);
  }
  std::vector<std::string> notices, routine;
};

TEST(RunControllerTest, EngineEventsAsTheConsoleShowsThem) {
  RunController c(FileLocations{}, "", BotSettings{});
  MessageLog log;
  c.set_observer(&log);
  const auto Progress = EngineEventArgs::Progress;
  c.EngineEvent(Progress(2, "Total", "", 1000));
  c.EngineEvent(Progress(2, "Read", "", 500));
  EXPECT_EQ(c.display().bars[2], 25);
  c.EngineEvent(Progress(2, "Read", "", 5000));
  EXPECT_EQ(c.display().bars[2], 100);  // capped
  c.EngineEvent(Progress(3, "Read", "", 500));
  EXPECT_EQ(c.display().bars[3], 0);  // no total yet
  c.EngineEvent(Progress(2, "StringTotal", "", 200));
  c.EngineEvent(Progress(2, "StringLeft", "", 100));
  EXPECT_EQ(c.display().bars[2], 75);
  c.EngineEvent(Progress(2, "NewNode", "", 4));
  EXPECT_EQ(c.display().Label28, "4");
  c.EngineEvent(Progress(2, "NewLink", "x", -1));
  c.EngineEvent(Progress(2, "NewLink", "y", -1));
  EXPECT_EQ(c.display().Label16, "2");
  EXPECT_EQ(c.display().links_found, 2);
  c.EngineEvent(Progress(99, "Total", "", 1));  // a slot out of range changes nothing
  c.SlotFinished(2);
  EXPECT_EQ(c.display().bars[2], 0);

  // Limit notices: shown once however often they come.
  c.EngineEvent(EngineEventArgs::Stop("Max Nodes Reached", 4, "http://a/", 0));
  c.EngineEvent(EngineEventArgs::Stop("Max Nodes Reached", 4, "http://b/", 0));
  c.EngineEvent(EngineEventArgs::Stop("Max Records Reached", 100, "", -1));
  c.EngineEvent(EngineEventArgs::Stop("Max Records Reached", 100, "", -1));
  c.EngineEvent(EngineEventArgs::Stop("Time Expired", 1, "http://c/", -1));
  c.EngineEvent(EngineEventArgs::Stop("Time Expired", 1, "http://c/", -1));
  c.EngineEvent(EngineEventArgs::NodeEnded(0, "http://d/", "TooBig", 1));  // shows nothing
  EXPECT_EQ(c.display().Memo1,
            (std::vector<std::string>{
                "Max hops reached: 4", "Please wait for current node to complete...",
                "Maximum links reached", "  No new links will be added", "Time expired"}));
  c.EngineEvent(EngineEventArgs::StringFound(3, "http://found/", "find"));
  EXPECT_EQ(c.display().Memo1.back(), "http://found/");
  // The limits are notices; the find's two lines are the routine of every found partner.
  EXPECT_EQ(log.notices,
            std::vector<std::string>(c.display().Memo1.begin(), c.display().Memo1.end() - 2));
  EXPECT_EQ(log.routine, (std::vector<std::string>{"String Found:", "http://found/"}));
}

TEST(RunControllerTest, NoConnectionSelectionRunsWithOneAndTwentyIsTheMost) {
  BotSettings s;
  s.Connections.reset();
  EXPECT_EQ(RunController(FileLocations{}, "", s).Connections(), 1);
  s.Connections = 20;
  EXPECT_EQ(RunController(FileLocations{}, "", s).Connections(), 20);
  s.Connections = 50;
  EXPECT_EQ(RunController(FileLocations{}, "", s).Connections(), 20);
}

// A thread that finds the frontier handed out and ends must not make the walk skip the rows
// that another thread appends afterwards.
TEST(RunControllerTest, RowsAppendedAfterAnIdleLookupAreStillHandedOut) {
  CrawlFixture f;
  f.site().Page("/index.htm",
                "<html><body><a href=\"/a.htm\">a</a><a href=\"/b.htm\">b</a>"
                "</body></html>");
  Reply slow;
  slow.delay = 300ms;
  slow.body = "<html><body><a href=\"/a1.htm\">1</a><a href=\"/a2.htm\">2</a></body></html>";
  f.site().Serve("/a.htm", slow);
  for (const char* p : {"/b.htm", "/a1.htm", "/a2.htm"}) {
    f.site().Page(p, "<html><body>x</body></html>");
  }
  f.AddPartner("Cats", f.Url("/index.htm"), "never.example");
  f.settings.Connections = 2;

  RunRecord run = f.Run({"Cats"});

  EXPECT_EQ(f.site().CountRequests("/a1.htm"), 1);
  EXPECT_EQ(f.site().CountRequests("/a2.htm"), 1);
  for (const FrontierRow& row : f.Frontier()) EXPECT_EQ(row.RunState, "OK") << row.URL;
  EXPECT_EQ(run.peak_threads, 2);
}

TEST(RunControllerTest, FirstThreadStartsWithThePartnerNotAtTheFirstTick) {
  CrawlFixture f;
  f.site().Page("/index.htm", "<html><body>mysite.example</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  RunOptions options = CrawlFixture::FastOptions();
  options.tick = 3s;  // the end of the partner is still seen on a tick
  std::chrono::steady_clock::duration first_event{};
  const auto start = std::chrono::steady_clock::now();
  f.Run(
      {"Cats"},
      [&](RunController&, const EngineEventArgs&) {
        if (first_event == std::chrono::steady_clock::duration{}) {
          first_event = std::chrono::steady_clock::now() - start;
        }
      },
      options);
  EXPECT_LT(first_event, 1s);
}

TEST(RunControllerTest, ProgressPostedOrWaitedForGivesTheSameRun) {
  for (bool post : {true, false}) {
    SCOPED_TRACE(post);
    CrawlFixture f;
    std::string page = "<html><body>";
    for (int i = 0; i < 300; ++i) page += "<a href=\"/p" + std::to_string(i) + ".htm\">l</a>";
    f.site().Page("/index.htm", page + "mysite.example</body></html>");
    f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
    RunOptions options = CrawlFixture::FastOptions();
    options.post_progress = post;
    RunRecord run = f.Run({"Cats"}, {}, options);
    EXPECT_EQ(run.Events(EventCode::kProgress, "NewLink").size(), 300u);
    EXPECT_EQ(run.Events(EventCode::kProgress, "StringLeft").size(), 300u);
    EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/index.htm"));
    // Within the thread the notices keep their order: the find, reported before the page's
    // links are extracted, comes before the last link notice.
    std::size_t last_link = 0, find = 0;
    for (std::size_t i = 0; i < run.events.size(); ++i) {
      if (run.events[i].key == "NewLink") last_link = i;
      if (run.events[i].code == EventCode::kStringFound) find = i;
    }
    EXPECT_LT(find, last_link);
  }
}

// The partner ends when its last thread has: with a tick of a minute, two partners (one found
// on its start page, one not found on a small site) are done long before the first tick.
TEST(RunControllerTest, APartnerEndsWhenItsLastThreadHasNotAtTheNextTick) {
  CrawlFixture f;
  f.site().Page("/found.htm", "<html><body>mysite.example</body></html>");
  f.site().Page("/index.htm", "<html><body><a href=\"/a.htm\">a</a></body></html>");
  f.site().Page("/a.htm", "<html><body>nothing</body></html>");
  f.AddPartner("Found", f.Url("/found.htm"), "mysite.example");
  f.AddPartner("Missing", f.Url("/index.htm"), "mysite.example");
  RunOptions options = CrawlFixture::FastOptions();
  options.tick = std::chrono::minutes(1);
  options.next_partner_delay = std::chrono::milliseconds(0);
  const auto start = std::chrono::steady_clock::now();
  RunRecord run = f.Run({"Found", "Missing"}, {}, options);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  ASSERT_EQ(run.outcomes.size(), 2u);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/found.htm"));
  EXPECT_EQ(run.outcomes[1].FoundURL, "");
  EXPECT_EQ(f.site().CountRequests("/a.htm"), 1);  // the one thread crawled the whole site
}

TEST(RunControllerTest, TheVerdictHangsUnderThePartnerAsPlainTextAndLeavesTheButtonsOff) {
  CrawlFixture f;
  f.settings.ModernWeb = true;
  f.site().Page("/index.htm", "<html><body><a href=\"/links.htm\">l</a></body></html>");
  f.site().Page("/links.htm",
                "<html><body><a rel=\"UGC\" href=\"http://mysite.example/\">&lt;img src=x&gt; "
                "<i>me</i></a></body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  RunController c(f.locations(), f.settings_file(), f.settings, CrawlFixture::FastOptions());
  c.HTMLButton2Click(testing::kProject, {"Cats"});
  c.RunToEnd();

  const std::vector<TreeNode>& tree = c.display().HTMLTreeview1;
  ASSERT_EQ(tree[0].children.size(), 2u);  // the chain, then the verdict
  const std::string node = tree[0].children[1].text;
  EXPECT_EQ(node, "Counts with search engines: no (ugc); anchor text \"<img src=x> me\"");
  // The page's text is shown as text, never as mark-up.
  EXPECT_EQ(ShownNodeHtml(node).find("<img"), std::string::npos);
  EXPECT_NE(std::find(c.display().Memo1.begin(), c.display().Memo1.end(),
                      "Link does not count with search engines: ugc"),
            c.display().Memo1.end());
  using Edit = TreeSelection::Edit;
  c.HTMLTreeview1MouseUp({0, 1});
  EXPECT_FALSE(c.display().tree_selection.enabled(Edit::kBacklink) ||
               c.display().tree_selection.enabled(Edit::kStartBase));
  EXPECT_EQ(c.outcomes().at(0).verdict, "ugc");
  EXPECT_EQ(c.outcomes().at(0).anchor_text, "<img src=x> me");
}

TEST(RunControllerTest, TreeButtonsStoreTheChosenPageAndAutoRunCloses) {
  CrawlFixture f;
  f.site().Page("/index.htm", "<html><body><a href=\"/links.htm\">l</a></body></html>");
  f.site().Page("/links.htm",
                "<html><body><a href=\"http://mysite.example/\">me</a></body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  RunOptions options = CrawlFixture::FastOptions();
  options.AutoRun = true;
  RunController c(f.locations(), f.settings_file(), f.settings, options);
  c.HTMLButton2Click(testing::kProject, {"Cats"});
  c.RunToEnd();
  EXPECT_TRUE(c.display().close_requested);

  // The tree: the partner's title, its chain (index, then links), the closing rule.
  const std::vector<TreeNode>& tree = c.display().HTMLTreeview1;
  ASSERT_EQ(tree.size(), 2u);
  ASSERT_EQ(tree[0].children.size(), 1u);
  ASSERT_EQ(tree[0].children[0].children.size(), 1u);
  EXPECT_EQ(tree[1].text, std::string(72, '-'));

  using Edit = TreeSelection::Edit;
  const TreeSelection& selection = c.display().tree_selection;
  c.HTMLTreeview1MouseUp({0, 0});  // the start page: it has a page under it
  EXPECT_FALSE(selection.enabled(Edit::kBacklink));
  EXPECT_TRUE(selection.enabled(Edit::kStartBase));
  c.HTMLTreeview1MouseUp({0, 0, 0});  // the backlink page at the end of the chain
  EXPECT_TRUE(selection.enabled(Edit::kBacklink));
  EXPECT_FALSE(selection.enabled(Edit::kStartBase));
  EXPECT_TRUE(c.HTMLButton5Click());
  EXPECT_FALSE(selection.enabled(Edit::kBacklink));
  c.HTMLTreeview1MouseUp({0, 0});
  EXPECT_TRUE(c.HTMLButton14Click());
  c.HTMLTreeview1MouseUp({0});  // the title is not a link: both stay off
  EXPECT_FALSE(selection.enabled(Edit::kBacklink) || selection.enabled(Edit::kStartBase));
  EXPECT_FALSE(c.HTMLButton5Click());  // a disabled button does nothing

  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  std::optional<PartnerRecord> p =
      AppTables(session).FindPartner(testing::kProject, "Cats", ProjectScope::kExact);
  EXPECT_EQ(p->URL, f.Url("/links.htm"));
  EXPECT_EQ(p->BotStart, f.Url("/index.htm"));
  EXPECT_EQ(p->BotBaseHop, 0);
  EXPECT_EQ(c.display().selected_partner, "Cats");
}

TEST(RunControllerTest, HotRecordsOfOnePartnerAreNotHandedOutInTheNext) {
  CrawlFixture f;
  f.site().Page("/a/index.htm",
                "<html><body>mysite.example <a href=\"hot1.htm\">1</a>"
                "<a href=\"hot2.htm\">2</a></body></html>");
  f.site().Page("/b/index.htm",
                "<html><body><a href=\"x.htm\">x</a><a href=\"y.htm\">y</a>"
                "<a href=\"z.htm\">z</a></body></html>");
  for (const char* p : {"/b/x.htm", "/b/y.htm", "/b/z.htm"}) {
    f.site().Page(p, "<html><body>-</body></html>");
  }
  f.WriteList("HotLink.txt", "hot\r\n");
  f.settings.HotLink = true;
  f.AddPartner("A", f.Url("/a/index.htm"), "mysite.example");
  f.AddPartner("B", f.Url("/b/index.htm"), "mysite.example");
  f.Run({"A", "B"});
  // A's find stops it with its hot rows 2 and 3 still listed; B's rows 2 to 4 are its own.
  for (const char* p : {"/b/x.htm", "/b/y.htm", "/b/z.htm"}) {
    EXPECT_EQ(f.site().CountRequests(p), 1) << p;
  }
}

TEST(RunControllerTest, ALimitMetAfterTheFindKeepsTheFind) {
  CrawlFixture f;
  f.site().Page("/index.htm", "<html><body><a href=\"links.htm\">l</a></body></html>");
  f.site().Page("/links.htm",
                "<html><body><a href=\"http://mysite.example/\">me</a>"
                "<a href=\"more.htm\">more</a></body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  f.settings.StopHops = 0;  // the found page, at hop 1, is beyond the limit when it queues
  f.settings.AnalyzeFound = true;
  RunRecord run = f.Run({"Cats"});
  EXPECT_EQ(run.Events(EventCode::kStop, "Max Nodes Reached").size(), 1u);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/links.htm"));
  EXPECT_EQ(run.outcomes[0].Hops, 1);
  EXPECT_EQ(f.Report().find("Not found for"), std::string::npos);
  EXPECT_NE(f.Report().find("Found for: Cats"), std::string::npos);
}

TEST(RunControllerTest, APauseBetweenPartnersEndsWithTheRun) {
  CrawlFixture f;
  f.site().Page("/index.htm", "<html><body>mysite.example</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), "mysite.example");
  RunController c(f.locations(), f.settings_file(), f.settings, CrawlFixture::FastOptions());
  struct PauseAtTheEnd : RunObserver {
    RunController* controller = nullptr;
    void OnEvent(const EngineEventArgs& e) override {
      if (e.code == EventCode::kThreadNote && e.text == "completed") {
        controller->HTMLButton15Click();
      }
    }
  } observer;
  observer.controller = &c;
  c.set_observer(&observer);
  c.HTMLButton2Click(testing::kProject, {"Cats"});
  c.RunToEnd();
  EXPECT_FALSE(c.display().paused);
  c.set_observer(nullptr);
  c.HTMLButton2Click(testing::kProject, {"Cats"});  // would wait for Resume for ever
  c.RunToEnd();
  EXPECT_EQ(c.outcomes().at(0).FoundURL, f.Url("/index.htm"));
}

}  // namespace
}  // namespace zeb
