// The analysis of whole runs: the chain and tree to the backlink, the position numbers, the
// ZEBAnalyze record, the partner updates and history, and the report.
#include "console/backlink_analysis.h"

#include <gtest/gtest.h>

#include "console/result_tree.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using testing::CrawlFixture;
using testing::kProject;
using testing::RunRecord;

constexpr const char* kFind = "mysite.example";

// A: found on its start page (hop 0). B: start base two hops down, found one link below it.
// C: a chain that the hop limit ends before the text.
void ServeThreePartners(CrawlFixture& f) {
  f.site().Page("/a/index.htm",
                "<html><head><title>A</title></head><body>One two "
                "<a href=\"http://other.example/\">x</a> three "
                "<a href=\"http://mysite.example/\">me</a> four five</body></html>");
  f.site().Page("/b/index.htm", "<html><head><title>B home</title></head><body>hi</body></html>");
  f.site().Page("/b/start.htm", "<html><body><a href=\"links.htm\">links</a></body></html>");
  f.site().Page("/b/links.htm",
                "<html><head><title>B links</title></head><body>"
                "<a href=\"http://mysite.example/\">me</a></body></html>");
  for (int i = 0; i < 7; ++i) {
    f.site().Page("/c/" + std::to_string(i) + ".htm",
                  "<html><body><a href=\"" + std::to_string(i + 1) + ".htm\">n</a></body></html>");
  }
  f.AddPartner("A", f.Url("/a/index.htm"), kFind);
  f.AddPartner("B", f.Url("/b/index.htm"), kFind, f.Url("/b/start.htm"), 2);
  f.AddPartner("C", f.Url("/c/0.htm"), kFind);
}

// D: found on its start page, a start base at hop 2. E: three body tags, and the Find text in
// other letter case, which the find ignores and the link position does not.
void ServeTwoMore(CrawlFixture& f) {
  f.site().Page("/d/start.htm", "<html><body><a href=\"http://mysite.example/\">me</a></body></html>");
  f.site().Page("/e/index.htm",
                "<html><head><title>E</title></head><body class=a>Alpha <body>Beta "
                "<a href=\"http://www.MySite.Example/\">Me</a> gamma<body>delta</body></html>");
  f.AddPartner("D", f.Url("/d/index.htm"), kFind, f.Url("/d/start.htm"), 2);
  f.AddPartner("E", f.Url("/e/index.htm"), kFind);
}

struct Stored {
  std::vector<AnalysisRecord> analysis;
  std::vector<PartnerRecord> partners;
  std::vector<HistoryRecord> history;
};

Stored ReadTables(CrawlFixture& f) {
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  AppTables app(session);
  Stored s;
  for (const char* name : {"A", "B", "C", "D", "E"}) {
    std::optional<PartnerRecord> partner = app.FindPartner(kProject, name, ProjectScope::kExact);
    if (!partner) continue;
    s.partners.push_back(*partner);
    if (auto r = app.FindAnalysis(kProject, name, ProjectScope::kExact)) s.analysis.push_back(*r);
    for (const HistoryRecord& h : app.History(kProject, name)) s.history.push_back(h);
  }
  return s;
}

TEST(BacklinkAnalysisTest, ThreePartnersGiveTheirRecordsTreesUpdatesAndReport) {
  CrawlFixture f;
  ServeThreePartners(f);
  ServeTwoMore(f);
  f.settings.AnalyzeFound = true;
  f.settings.AnalyzeBase = true;
  f.settings.AutoUpdatePartner = true;
  f.settings.StopHops = 3;  // counted from hop 0: B's start base at hop 2 leaves it one more

  RunRecord run = f.Run({"A", "B", "C", "D", "E"});
  RunRecord again = f.Run({"A"});  // the same day: the history keeps one record per partner

  Stored s = ReadTables(f);
  ASSERT_EQ(s.analysis.size(), 5u);
  const std::string a_url = f.Url("/a/index.htm");
  const std::string today = FormatDay(Now());

  const AnalysisRecord& a = s.analysis[0];
  EXPECT_EQ(a.Hops, 0);
  EXPECT_EQ(a.HopSequence, Lines{a_url});
  EXPECT_EQ(a.BaseURL, a_url);
  EXPECT_EQ(a.ShortCheck, kFind);
  EXPECT_EQ(FormatDay(a.xDate), today);
  EXPECT_EQ(a.TreeResults, (Lines{"<B><U>A</U></B> (" + today + ")",
                                  "\t<A href=\"" + a_url + "\">" + a_url + "</A>"}));
  EXPECT_EQ(a.AllLinks, (Lines{"http://other.example/", "http://mysite.example/"}));
  EXPECT_EQ(a.ExternalLinks, a.AllLinks);
  EXPECT_TRUE(a.InternalLinks.empty());
  // Counted by hand: the link is the second of two (none after it), among all and external.
  EXPECT_EQ(a.AllLinkPosition, 2);
  EXPECT_EQ(a.AllLinksTotal, 2);
  EXPECT_EQ(a.AllLinkStack, 0);
  EXPECT_EQ(a.ExternalLinkPosition, 2);
  EXPECT_EQ(a.ExternalLinksTotal, 2);
  EXPECT_EQ(a.ExternalLinkStack, 0);
  // With tags: body, One, two, a, href="http://other, example/", x, /a, three, a,
  // href="http://mysite, example/ (12, through the Find text and the "/" after it), then
  // example/", me, /a, four, five, /body (17 in all).
  EXPECT_EQ(a.WordTotalTags, 17);
  EXPECT_EQ(a.WordPosTags, 12);
  EXPECT_EQ(a.WordTotalTagsDiff, 5);
  // Without tags: One two x three me four five (7); up to the Find text, whose tag is kept as
  // text: One two x three a href="http://mysite example/ (7).
  EXPECT_EQ(a.WordTotalNoTags, 7);
  EXPECT_EQ(a.WordPosNoTags, 7);
  EXPECT_EQ(a.WordTotalNoTagsDiff, 0);
  EXPECT_EQ(a.Back_TitleTag, Lines{"A"});
  EXPECT_EQ(a.Base_TitleTag, Lines{"A"});  // the home page is the start page

  const AnalysisRecord& b = s.analysis[1];
  const std::string b_start = f.Url("/b/start.htm"), b_links = f.Url("/b/links.htm");
  EXPECT_EQ(b.Hops, 3);
  EXPECT_EQ(b.HopSequence, (Lines{b_start, b_links}));
  EXPECT_EQ(b.BaseURL, b_start);
  EXPECT_EQ(b.TreeResults,
            (Lines{"<B><U>B</U></B> (" + today + ")", "<B>Home page bypassed...</B>",
                   "\t<A href=\"" + b_start + "\">" + b_start + "</A>",
                   "\t\t<A href=\"" + b_links + "\">" + b_links + "</A>"}));
  EXPECT_EQ(b.Back_TitleTag, Lines{"B links"});
  EXPECT_EQ(b.Base_TitleTag, Lines{"B home"});
  EXPECT_EQ(b.AllLinkPosition, 1);
  EXPECT_EQ(b.AllLinksTotal, 1);

  const AnalysisRecord& c = s.analysis[2];
  const std::string c_start = f.Url("/c/0.htm");
  EXPECT_EQ(c.TreeResults, (Lines{"<B><U>C</U></B> (" + today + ")",
                                  "<A href=\"" + c_start + "\">" + c_start + "</A>",
                                  "<B><I>Maximum Hops Reached: BackLink mysite.example</I></B>"}));
  EXPECT_EQ(c.Hops, 0);  // the not-found path writes only the date, the Find text and the tree
  EXPECT_TRUE(c.HopSequence.empty());

  const AnalysisRecord& d = s.analysis[3];
  const std::string d_start = f.Url("/d/start.htm");
  EXPECT_EQ(d.Hops, 2);
  EXPECT_EQ(d.TreeResults, (Lines{"<B><U>D</U></B> (" + today + ")", "<B>Home page bypassed...</B>",
                                  "\t<A href=\"" + d_start + "\">" + d_start + "</A>"}));

  // E, counted by hand. The link list holds "MySite.Example", so the exact search misses it.
  const AnalysisRecord& e = s.analysis[4];
  EXPECT_EQ(e.AllLinkPosition, 2);
  EXPECT_EQ(e.AllLinksTotal, 1);
  EXPECT_EQ(e.AllLinkStack, -1);
  // From the first body tag on (the later ones read "<bod1", "<bod2"): body, class=a, Alpha,
  // bod1, Beta, a, href="http://www, MySite, Example/ (9 through the Find text), Me, /a, gamma,
  // bod2, delta, /body (15).
  EXPECT_EQ(e.WordTotalTags, 15);
  EXPECT_EQ(e.WordPosTags, 9);
  // Without tags: Alpha Beta Me gammadelta (4); with the link's tag kept as text: Alpha, Beta,
  // a, href="http://www, MySite, Example/ (6).
  EXPECT_EQ(e.WordTotalNoTags, 4);
  EXPECT_EQ(e.WordPosNoTags, 6);
  EXPECT_EQ(e.WordTotalNoTagsDiff, -2);

  // The live tree of the first run: titles with their chains, the not-found reason, rules.
  // (Checked through the stored lines' reload, which is what the console shows later.)
  std::vector<TreeNode> reloaded = TreeFromLines(b.TreeResults);
  ASSERT_EQ(reloaded.size(), 2u);
  EXPECT_EQ(reloaded[1].children.at(0).children.at(0).text, LinkNodeText(b_links));

  // Partners: found ones point at their backlink pages now; C is unchanged.
  EXPECT_EQ(s.partners[0].URL, a_url);
  EXPECT_TRUE(s.partners[0].FoundShort);
  EXPECT_FALSE(s.partners[0].FoundLong);
  EXPECT_EQ(s.partners[1].URL, b_links);
  EXPECT_EQ(s.partners[2].URL, "http://old.example/links.htm");
  EXPECT_FALSE(s.partners[2].FoundShort);
  ASSERT_EQ(s.history.size(), 4u);  // A once (two runs, one day), B, D, E; none for C
  EXPECT_EQ(s.history[0].SiteName, "A");
  EXPECT_TRUE(s.history[0].RFound);
  EXPECT_FALSE(s.history[0].PFound);
  EXPECT_FALSE(s.history[0].Bad);
  EXPECT_EQ(s.history[1].SiteName, "B");
  EXPECT_TRUE(run.HasMessage("Backlink address updated"));
  EXPECT_TRUE(again.HasMessage("Backlink correct--no change"));
  EXPECT_TRUE(run.HasMessage("Building tree to backlink"));
  EXPECT_TRUE(run.HasMessage("Done"));

  // The report: A's found block (its home page holds the text too), no block for B (its home
  // page does not, so its thread ends without a find), C's not-found block, A's again.
  const std::string report = f.Report();
  const std::string c_block =
      "\r\nAttempting to locate backlink...\r\nNot found for: C\r\n"
      "    (Previously found at http://old.example/links.htm\r\n";
  EXPECT_NE(report.find("Found for: A\r\n"), std::string::npos);
  EXPECT_EQ(report.find("Found for: B"), std::string::npos);
  EXPECT_NE(report.find(c_block), std::string::npos) << report;
}

TEST(BacklinkAnalysisTest, BothOptionsOffLeaveZebAnalyzeAlone) {
  CrawlFixture f;
  ServeThreePartners(f);
  f.settings.StopHops = 3;
  f.Run({"A", "C"});
  EXPECT_TRUE(ReadTables(f).analysis.empty());
  EXPECT_NE(f.Report().find("Not found for: C"), std::string::npos);
}

TEST(BacklinkAnalysisTest, StopInTheFirstPartnerSkipsTheAnalysisAndTheRest) {
  CrawlFixture f;
  ServeThreePartners(f);
  f.settings.AnalyzeFound = true;
  RunRecord run = f.Run({"C", "A"}, [](RunController& c, const EngineEventArgs& e) {
    if (e.code == EventCode::kProgress && e.key == "NewNode") c.RequestStop();
  });
  EXPECT_EQ(run.outcomes.size(), 1u);
  EXPECT_TRUE(ReadTables(f).analysis.empty());
  EXPECT_FALSE(run.HasMessage("Building tree to backlink"));
  EXPECT_EQ(f.Report().find("Not found for"), std::string::npos);
}

TEST(BacklinkAnalysisTest, AFailedAnalysisIsReportedAndTheRunGoesOn) {
  CrawlFixture f;
  ServeThreePartners(f);
  f.settings.AnalyzeFound = true;
  bool dropped = false;
  RunRecord run = f.Run({"A", "C"}, [&](RunController&, const EngineEventArgs&) {
    if (dropped) return;
    dropped = true;  // the host's table goes away in the middle of the run
    Session(DatabaseFile(f.locations()), OpenMode::kExisting).Exec("DROP TABLE ZEBAnalyze");
  });
  ASSERT_EQ(run.outcomes.size(), 2u);
  bool reported = false;
  for (const std::string& m : run.messages) {
    reported |= m.rfind("The analysis of A failed: ", 0) == 0;
  }
  EXPECT_TRUE(reported);
}

TEST(BacklinkAnalysisTest, CompressedStartPageIsTheReasonAndNotReported) {
  CrawlFixture f;
  testing::Reply gzip;
  gzip.body = "\x1f\x8b";
  gzip.headers = {{"Content-Encoding", "gzip"}};
  f.site().Serve("/z.htm", gzip);
  f.AddPartner("Z", f.Url("/z.htm"), kFind);
  f.settings.AnalyzeFound = true;
  f.Run({"Z"});
  Session session(DatabaseFile(f.locations()), OpenMode::kExisting);
  std::optional<AnalysisRecord> z = AppTables(session).FindAnalysis(kProject, "Z", ProjectScope::kExact);
  ASSERT_TRUE(z);
  ASSERT_EQ(z->TreeResults.size(), 3u);
  EXPECT_EQ(z->TreeResults[2], "<B><I>gzip compression not supported</I></B>");
  EXPECT_EQ(f.Report(), "");
}

TEST(BacklinkAnalysisTest, LinkPositionWhenTheFindTextIsAbsent) {
  EXPECT_EQ(FindLinkPosition({"a", "b", "c"}, "z").position, 4);
  EXPECT_EQ(FindLinkPosition({"a", "b", "c"}, "z").stack, -1);
  EXPECT_EQ(FindLinkPosition({"a", "xzx", "zz"}, "z").position, 2);
  EXPECT_EQ(FindLinkPosition({"a", "xzx", "zz"}, "z").stack, 1);
  EXPECT_EQ(FindLinkPosition({}, "z").position, 1);
  EXPECT_EQ(FindLinkPosition({"Z"}, "z").position, 2);  // exact case
}

}  // namespace
}  // namespace zeb
