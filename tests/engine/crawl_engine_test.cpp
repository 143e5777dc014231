// A whole partner crawled over loopback HTTP: the find, the frontier it leaves, the analysis
// fields, the home-page pass, the run report and robots exclusion.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/crawl_engine.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using testing::CrawlFixture;
using testing::Reply;
using testing::RunRecord;

constexpr const char* kFind = "mysite.example";

// index -> a, b, pic.jpg, an external page; a -> a1, a2, index; a2 holds the Find text.
void ServeThreeLevels(CrawlFixture& f) {
  f.site().Page("/index.htm",
                "<html><head><title>Partner home</title>"
                "<meta name=\"keywords\" content=\"cats, dogs\"></head><body>"
                "<a href=\"a.htm\">A</a> <a href='b.htm'>B</a> <img><a href=pic.jpg>P</a>"
                " <a href=\"http://other.localhost/x.htm\">X</a></body></html>");
  f.site().Page("/a.htm",
                "<html><body><a href=\"a1.htm\">1</a><a href=\"/a2.htm\">2</a>"
                "<a href=\"index.htm\">home</a></body></html>");
  f.site().Page("/b.htm", "<html><body>nothing here</body></html>");
  f.site().Page("/a1.htm", "<html><body>no backlink</body></html>");
  f.site().Page("/a2.htm",
                "<html><head><title>Links page</title>"
                "<meta name=\"description\" content=\"Our friends\">"
                "<meta name=\"keywords\" content=\"links, friends\"></head>\r\n<body>"
                "<a href=\"http://www.MySite.Example/\">My site</a> friends friends friends"
                "</body></html>");
}

TEST(CrawlEngineTest, FindsTheTextTwoHopsDeepAndLeavesTheFrontierAsItWent) {
  CrawlFixture f;
  ServeThreeLevels(f);
  const std::string home = f.Url("/index.htm");
  f.AddPartner("Cats", home, kFind);
  f.settings.AnalyzeFound = true;
  f.settings.KWDensity = 2;

  RunRecord run = f.Run({"Cats"});

  ASSERT_EQ(run.outcomes.size(), 1u);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
  EXPECT_TRUE(run.outcomes[0].found_short);
  EXPECT_FALSE(run.outcomes[0].found_long);  // no long check text stored

  std::vector<FrontierRow> rows = f.Frontier();
  struct Want {
    std::string url, parent;
    int node;
    std::string state, type;
  };
  const std::vector<Want> want = {
      {home, "", 0, "OK", "doc"},
      {f.Url("/a.htm"), home, 1, "OK", "doc"},
      {f.Url("/b.htm"), home, 1, "OK", "doc"},
      {f.Url("/pic.jpg"), home, 1, "non-htm", "image"},
      {f.Url("/a1.htm"), f.Url("/a.htm"), 2, "OK", "doc"},
      {f.Url("/a2.htm"), f.Url("/a.htm"), 2, "OK", "doc"},
  };
  ASSERT_EQ(rows.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].url);
    EXPECT_EQ(rows[i].rec_no, static_cast<RecNo>(i + 1));
    EXPECT_EQ(rows[i].URL, want[i].url);
    EXPECT_EQ(rows[i].ParentURL, want[i].parent);
    EXPECT_EQ(rows[i].Node, want[i].node);
    EXPECT_EQ(rows[i].RunState, want[i].state);
    EXPECT_EQ(rows[i].LinkType, want[i].type);
    EXPECT_EQ(rows[i].StringsFound, i == 5);
  }

  // The start page's links: all four in page order, the external one only in ExternalLinks.
  const FrontierRow& start = rows[0];
  EXPECT_EQ(start.AllLinks, (Lines{f.Url("/a.htm"), f.Url("/b.htm"), f.Url("/pic.jpg"),
                                   "http://other.localhost/x.htm"}));
  EXPECT_EQ(start.InternalLinks, (Lines{f.Url("/a.htm"), f.Url("/b.htm"), f.Url("/pic.jpg")}));
  EXPECT_EQ(start.ExternalLinks, Lines{"http://other.localhost/x.htm"});
  EXPECT_EQ(start.ResponseCode, "200");
  EXPECT_EQ(start.Host, "partner.localhost:" + std::to_string(f.site().port()));
  EXPECT_GT(start.FileSize, 0);
  // With analysis on every page keeps its text; only the found page gets the other fields.
  EXPECT_FALSE(start.Cache.empty());
  EXPECT_TRUE(start.TitleTag.empty());
  EXPECT_TRUE(start.RawHeaders.empty());

  // The found page: every analysis field.
  const FrontierRow& found = rows[5];
  EXPECT_EQ(found.TitleTag, Lines{"Links page"});
  EXPECT_EQ(found.DescriptionTag, Lines{"Our friends"});
  EXPECT_EQ(found.STTags, (Lines{"links", "friends"}));
  ASSERT_FALSE(found.STDensity.empty());
  EXPECT_NE(found.STDensity[0].find("friends ~ "), std::string::npos);
  ASSERT_EQ(found.Cache.size(), 2u);  // the page as fetched, split at its line break
  EXPECT_NE(found.Cache[1].find("<body>"), std::string::npos);
  ASSERT_FALSE(found.RawHeaders.empty());
  EXPECT_EQ(found.RawHeaders[0].rfind("HTTP/1.1 200", 0), 0u);
  EXPECT_EQ(found.AllLinks, Lines{"http://www.MySite.Example/"});

  // URLTrack: each address once, with the page that first led to it.
  std::vector<TrackRow> track = f.Track();
  ASSERT_EQ(track.size(), 6u);
  EXPECT_EQ(track[0].URL, home);
  EXPECT_EQ(track[5].URL, f.Url("/a2.htm"));
  EXPECT_EQ(track[5].ParentURL, f.Url("/a.htm"));
  EXPECT_EQ(track[5].Node, 2);

  // Notices: the find, then the stop notice.
  ASSERT_EQ(run.Events(EventCode::kStringFound).size(), 1u);
  EXPECT_EQ(run.Events(EventCode::kStringFound)[0].text, f.Url("/a2.htm"));
  EXPECT_EQ(run.Events(EventCode::kStringFound)[0].key, kFind);
  EXPECT_EQ(run.Events(EventCode::kStringFound)[0].number1, 6);
  ASSERT_EQ(run.Events(EventCode::kStop, "String Found").size(), 1u);
  EXPECT_EQ(run.Events(EventCode::kLinkSkipped).size(), 1u);  // a.htm's link back to the start page
  EXPECT_EQ(run.FinalNotice(f.Url("/pic.jpg")), "NotHTML");
  EXPECT_TRUE(run.HasMessage("String Found:"));
  EXPECT_TRUE(run.HasMessage("Checking: " + home));

  // The run report: the found block, CR LF lines.
  EXPECT_EQ(f.Report(),
            "\r\nAttempting to locate backlink: \r\nFound for: Cats\r\n"
            "   ->Previous location http://old.example/links.htm)\r\n"
            "   ->New location " + f.Url("/a2.htm") + ")\r\n"
            "   ***Use ZEB Bot Analysis of this new backlink***\r\n"
            "   ***to determine if the quality meets your standards.***\r\n");
  EXPECT_EQ(run.Events(EventCode::kThreadNote, "").size(),
            run.Events(EventCode::kThreadNote).size());
  bool done = false;
  for (const EngineEventArgs& e : run.Events(EventCode::kThreadNote))
    done = done || e.text == "Done";
  EXPECT_TRUE(done);
}

TEST(CrawlEngineTest, HomePagePassAppendsOneAnalysedRowAndAHomeWithoutTheTextWritesNoReport) {
  CrawlFixture f;
  ServeThreeLevels(f);
  const std::string home = f.Url("/index.htm");
  f.AddPartner("Cats", home, kFind);
  f.settings.AnalyzeBase = true;

  f.Run({"Cats"});
  RunRecord second = f.Run({"Cats"});  // a second run over the same tables finds it again

  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 7u);
  const FrontierRow& home_row = rows.back();
  EXPECT_EQ(home_row.URL, home);
  EXPECT_EQ(home_row.ParentURL, "");
  EXPECT_EQ(home_row.Node, 2);  // the found row's hop
  EXPECT_EQ(home_row.RunState, "OK");
  EXPECT_TRUE(home_row.StringsFound);
  EXPECT_EQ(home_row.TitleTag, Lines{"Partner home"});
  EXPECT_EQ(home_row.STTags, (Lines{"cats", "dogs"}));
  // The found page is analysed too, as either analysis option is on.
  EXPECT_EQ(rows[5].TitleTag, Lines{"Links page"});
  // The home page lacks the Find text: the finding thread ends with Found clear, so the found
  // block is not written.
  EXPECT_EQ(f.Report(), "");
  EXPECT_EQ(second.outcomes[0].FoundURL, f.Url("/a2.htm"));
}

TEST(CrawlEngineTest, HomePageThatFailsIsTriedOnceAndTheThreadEnds) {
  CrawlFixture f;
  ServeThreeLevels(f);
  const std::string home = f.Url("/gone.htm");
  f.AddPartner("Cats", home, kFind, f.Url("/index.htm"));
  f.settings.AnalyzeBase = true;

  RunRecord run = f.Run({"Cats"});

  EXPECT_EQ(f.site().CountRequests("/gone.htm"), 1);
  std::vector<FrontierRow> rows = f.Frontier();
  int home_rows = 0;
  for (const FrontierRow& row : rows) home_rows += row.URL == home ? 1 : 0;
  EXPECT_EQ(home_rows, 1);
  EXPECT_EQ(rows.back().RunState, "Error");
  EXPECT_EQ(rows.back().ResponseCode, "404");
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
}

// The home page is looked up only for the home-page pass, so a find on the home page itself is
// followed by that pass too: the page is fetched twice and reported twice.
TEST(CrawlEngineTest, FoundOnTheHomePageItselfStillGetsTheHomePass) {
  CrawlFixture f;
  f.site().Page("/home.htm", "<html><body><a href=\"http://mysite.example/\">us</a></body></html>");
  const std::string home = f.Url("/home.htm");
  f.AddPartner("Cats", home, kFind);
  f.settings.AnalyzeBase = true;

  RunRecord run = f.Run({"Cats"});

  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].StringsFound);
  EXPECT_EQ(rows[1].URL, home);
  EXPECT_TRUE(rows[1].StringsFound);
  EXPECT_EQ(f.site().CountRequests("/home.htm"), 2);
  EXPECT_EQ(run.Events(EventCode::kStringFound).size(), 2u);
  EXPECT_EQ(run.outcomes[0].FoundURL, home);
  EXPECT_NE(f.Report().find("Found for: Cats"), std::string::npos);
}

TEST(CrawlEngineTest, StartAddressEndingInSlashIsSeededWithoutIt) {
  CrawlFixture f;
  f.site().Page("/", "<html><body><a href=\"http://mysite.example/\">us</a></body></html>");
  const std::string home = f.Url("/");
  f.AddPartner("Cats", home, kFind);
  f.settings.AnalyzeBase = true;

  RunRecord run = f.Run({"Cats"});

  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].URL, home.substr(0, home.size() - 1));
  EXPECT_EQ(f.Track()[0].URL, home);  // URLTrack keeps the address as shown
  // The found address lacks the "/" of the home page, so the home page gets its own pass.
  EXPECT_EQ(rows[1].URL, home);
  EXPECT_TRUE(rows[1].StringsFound);
  EXPECT_EQ(run.Events(EventCode::kStringFound).size(), 2u);  // the home page holds the text too
  EXPECT_EQ(run.outcomes[0].FoundURL, home);
  EXPECT_NE(f.Report().find("   ->New location " + home + ")"), std::string::npos);
}

TEST(CrawlEngineTest, LongCheckTextIsSoughtWithoutItsTags) {
  struct Case {
    Lines long_check;
    bool found_long;
  };
  const Case cases[] = {
      {{"<a href=\"http://mysite.example/\">", "My Site</a>"}, true},
      {{"<b>MY SITE</b>"}, true},
      {{"My Site - best"}, false},  // the page has a tag between the two
      {{}, false},
  };
  for (const Case& c : cases) {
    CrawlFixture f;
    f.site().Page("/x.htm", "<html><body>see <a href=\"http://mysite.example/\">My Site</a>"
                            " - best cats</body></html>");
    f.AddPartner("Cats", f.Url("/x.htm"), kFind, "", 0, c.long_check);
    RunRecord run = f.Run({"Cats"});
    SCOPED_TRACE(c.long_check.empty() ? "" : c.long_check[0]);
    EXPECT_TRUE(run.outcomes[0].found_short);
    EXPECT_EQ(run.outcomes[0].found_long, c.found_long);
  }
}

TEST(CrawlEngineTest, StartPageAndHopFromThePartnersStartSettings) {
  CrawlFixture f;
  ServeThreeLevels(f);
  f.AddPartner("Cats", f.Url("/elsewhere.htm"), kFind, f.Url("/a.htm"), 1);
  RunRecord run = f.Run({"Cats"});
  std::vector<FrontierRow> rows = f.Frontier();
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[0].URL, f.Url("/a.htm"));
  EXPECT_EQ(rows[0].Node, 1);
  EXPECT_EQ(rows[2].Node, 2);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
}

TEST(CrawlEngineTest, RobotsDeniedPagesAreNeverRequestedAndTheFileIsReadOncePerHost) {
  CrawlFixture f;
  const std::string host = "www.partner.localhost";
  f.site().Page("/robots.txt", "# rules\nUser-agent: other\nDisallow: /\n\n"
                               "User-agent: *\nDisallow: /private\n");
  f.site().Page("/index.htm",
                "<html><body><a href=\"/private/x.htm\">p</a><a href=\"/open.htm\">o</a>"
                "<a href=\"/private.htm\">q</a></body></html>");
  f.site().Page("/open.htm", "<html><body><a href=\"/private/y.htm\">p</a></body></html>");
  f.site().Page("/private/x.htm", "<html><body>mysite.example</body></html>");
  f.AddPartner("Cats", f.Url(host, "/index.htm"), kFind);

  RunRecord run = f.Run({"Cats"});

  EXPECT_EQ(f.site().CountRequests("/robots.txt"), 1);
  EXPECT_EQ(f.site().CountRequests("/private/x.htm"), 0);
  EXPECT_EQ(f.site().CountRequests("/private/y.htm"), 0);
  EXPECT_EQ(f.site().CountRequests("/private.htm"), 0);
  EXPECT_EQ(f.RowOf(f.Url(host, "/private/x.htm"))->RunState, "bot-denied");
  EXPECT_EQ(f.RowOf(f.Url(host, "/private.htm"))->RunState, "bot-denied");
  EXPECT_EQ(f.RowOf(f.Url(host, "/open.htm"))->RunState, "OK");
  EXPECT_EQ(run.FinalNotice(f.Url(host, "/private/x.htm")), "bot denied");
  EXPECT_TRUE(run.outcomes[0].FoundURL.empty());

  const std::string key = "www.partner.localhost:" + std::to_string(f.site().port());
  std::optional<HostRow> cached = f.HostEntry(key);
  ASSERT_TRUE(cached);
  EXPECT_TRUE(cached->BotFound);
  EXPECT_EQ(cached->RobotText, Lines{key + "/private"});
  EXPECT_EQ(cached->RobotFull.size(), 6u);
}

TEST(CrawlEngineTest, SiteWithoutRobotsFileIsAskedOnceThenAllowed) {
  CrawlFixture f;
  ServeThreeLevels(f);
  f.AddPartner("Cats", f.Url("/index.htm"), kFind);
  RunRecord run = f.Run({"Cats"});
  EXPECT_EQ(f.site().CountRequests("/robots.txt"), 1);
  const std::string key = "www.partner.localhost:" + std::to_string(f.site().port());
  ASSERT_TRUE(f.HostEntry(key));
  EXPECT_FALSE(f.HostEntry(key)->BotFound);
  int notices = 0;
  for (const EngineEventArgs& e : run.Events(EventCode::kThreadNote)) {
    notices += e.text == "No robot found for " + key ? 1 : 0;
  }
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
}

TEST(CrawlEngineTest, AnUnwritableReportIsARunMessageAndTheResultStands) {
  CrawlFixture f;
  ServeThreeLevels(f);
  f.AddPartner("Cats", f.Url("/index.htm"), kFind);
  std::filesystem::remove_all(f.locations().ExeFolder);  // the program folder went away
  RunRecord run = f.Run({"Cats"});
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
  EXPECT_TRUE(f.RowOf(f.Url("/a2.htm"))->StringsFound);
  bool reported = false;
  for (const std::string& m : run.messages) {
    reported |= m.rfind("Cannot write " + f.locations().ExeFolder + "botmail.txt", 0) == 0;
  }
  EXPECT_TRUE(reported);
}

TEST(CrawlEngineTest, PartnersRunOneAfterAnotherOnFreshWorkTables) {
  CrawlFixture f;
  ServeThreeLevels(f);
  f.site().Page("/solo.htm", "<html><body>nothing</body></html>");
  f.AddPartner("Cats", f.Url("/index.htm"), kFind);
  f.AddPartner("Dogs", f.Url("/solo.htm"), kFind);
  RunRecord run = f.Run({"Cats", "Dogs"});
  ASSERT_EQ(run.outcomes.size(), 2u);
  EXPECT_EQ(run.outcomes[0].FoundURL, f.Url("/a2.htm"));
  EXPECT_EQ(run.outcomes[1].FoundURL, "");
  std::vector<FrontierRow> rows = f.Frontier();  // the second partner's crawl only
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].URL, f.Url("/solo.htm"));
  EXPECT_EQ(rows[0].RunState, "OK");
}

}  // namespace
}  // namespace zeb
