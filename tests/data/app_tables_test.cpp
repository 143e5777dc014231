#include "data/app_tables.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "data/field_limits.h"
#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::TempDir;

class AppTablesTest : public ::testing::Test {
 protected:
  AppTablesTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateApplicationTables(session_);
  }

  PartnerRecord Partner(const std::string& project, const std::string& name) {
    PartnerRecord p;
    p.Project = project;
    p.SiteName = name;
    p.ContactWebSite = "http://" + name + ".localhost/";
    p.ShortCheck = "mysite.test";
    return p;
  }

  TempDir dir_;
  Session session_;
  AppTables app_{session_};
};

TEST_F(AppTablesTest, ProjectsAreListedByNameAndUnique) {
  app_.AddProject({"beta", "http://beta.test/", {}, {}});
  app_.AddProject({"Alpha", "", {}, {}});
  app_.AddProject({"alpha2", "", {}, {}});
  EXPECT_EQ(app_.ProjectNames(), (std::vector<std::string>{"Alpha", "alpha2", "beta"}));
  try {
    app_.AddProject({"beta", "", {}, {}});
    FAIL() << "a second project of the same name was stored";
  } catch (const DatabaseError& e) {
    EXPECT_TRUE(e.IsConstraint());
  }
  EXPECT_EQ(app_.FindProject("beta")->YourHomePage, "http://beta.test/");
  EXPECT_FALSE(app_.FindProject("BETA"));  // names are compared as they stand
}

TEST_F(AppTablesTest, ProjectKeywordsAreMemoLines) {
  app_.AddProject({"p", "http://p.test/", {}, {}});
  EXPECT_TRUE(app_.SetProjectKeywords("p", {"red", "green blue"}, {"red ~ 2 ~ 50%"}));
  ProjectRecord p = *app_.FindProject("p");
  EXPECT_EQ(p.YourKWTag, (Lines{"red", "green blue"}));
  EXPECT_EQ(p.YourKWDensity, (Lines{"red ~ 2 ~ 50%"}));
  EXPECT_FALSE(app_.SetProjectKeywords("missing", {}, {}));
}

// "Default" lists every project's partners, but the strict lookups (Backlink, Start Base,
// AutoRun checks) find only partners whose project is "Default".
TEST_F(AppTablesTest, DefaultProjectRule) {
  app_.AddPartner(Partner("Default", "own"));
  app_.AddPartner(Partner("Shop", "other"));
  EXPECT_EQ(app_.Partners(kDefaultProject, ProjectScope::kAllForDefault).size(), 2u);
  EXPECT_EQ(app_.Partners(kDefaultProject, ProjectScope::kExact).size(), 1u);
  EXPECT_TRUE(app_.FindPartner(kDefaultProject, "other", ProjectScope::kAllForDefault));
  EXPECT_FALSE(app_.FindPartner(kDefaultProject, "other", ProjectScope::kExact));
  EXPECT_TRUE(app_.FindPartner(kDefaultProject, "own", ProjectScope::kExact));
  // A project that is not "Default" never sees other projects' partners.
  EXPECT_EQ(app_.Partners("Shop", ProjectScope::kAllForDefault).size(), 1u);
}

TEST_F(AppTablesTest, APartnerNameInTwoProjectsIsFoundOnlyInItsOwn) {
  PartnerRecord a = Partner("A", "same");
  a.ShortCheck = "check-a";
  PartnerRecord b = Partner("B", "same");
  b.ShortCheck = "check-b";
  app_.AddPartner(a);
  app_.AddPartner(b);
  EXPECT_EQ(app_.FindPartner("A", "same", ProjectScope::kAllForDefault)->ShortCheck, "check-a");
  EXPECT_EQ(app_.FindPartner("B", "same", ProjectScope::kExact)->ShortCheck, "check-b");
  EXPECT_FALSE(app_.FindPartner("C", "same", ProjectScope::kAllForDefault));
  EXPECT_THROW(app_.AddPartner(a), DatabaseError);
}

TEST_F(AppTablesTest, NamesWithQuotesAndSqlWorkEverywhere) {
  const std::string project = "Joe's \"best\" sites\" OR \"1\"=\"1";
  const std::string partner = "O'Brien \"Links\"; DROP TABLE LA; --";
  app_.AddProject({project, "", {}, {}});
  app_.AddPartner(Partner(project, partner));
  app_.AddPartner(Partner("Other", "x"));
  ASSERT_EQ(app_.Partners(project, ProjectScope::kAllForDefault).size(), 1u);
  EXPECT_EQ(app_.Partners(project, ProjectScope::kAllForDefault)[0].SiteName, partner);
  EXPECT_TRUE(app_.FindPartner(project, partner, ProjectScope::kExact));

  HistoryRecord h;
  h.Project = project;
  h.SiteName = partner;
  h.xDate = Now();
  h.RFound = true;
  app_.SaveHistory(h);
  EXPECT_TRUE(app_.FindHistory(project, partner, Now()));

  AnalysisRecord r;
  r.Project = project;
  r.SiteName = partner;
  r.Hops = 2;
  app_.SaveAnalysis(r);
  EXPECT_EQ(app_.QueryAnalysis(project, true, AnalysisOrder::kHops).size(), 1u);
  EXPECT_TRUE(app_.RemovePartner(project, partner));
  // Its history and analysis go with it; a second removal finds nothing.
  EXPECT_FALSE(app_.FindHistory(project, partner, Now()));
  EXPECT_TRUE(app_.QueryAnalysis(project, false, AnalysisOrder::kHops).empty());
  EXPECT_FALSE(app_.RemovePartner(project, partner));
  EXPECT_TRUE(app_.RemoveProject(project));
  EXPECT_EQ(app_.Partners("Other", ProjectScope::kExact).size(), 1u);  // LA is still there
}

TEST_F(AppTablesTest, PartnerFieldsRoundTrip) {
  PartnerRecord p = Partner("P", "n");
  p.BotStart = "http://n.localhost/links/";
  p.BotBaseHop = 2;
  p.LongCheck = {"<a href=\"http://mysite.test/\">My", "site</a>"};
  p.id = app_.AddPartner(p);
  p.URL = "http://n.localhost/links/page.htm";
  p.FoundShort = true;
  ASSERT_TRUE(app_.SavePartner(p));
  PartnerRecord back = *app_.FindPartner("P", "n", ProjectScope::kExact);
  EXPECT_EQ(back.BotStart, p.BotStart);
  EXPECT_EQ(back.BotBaseHop, 2);
  EXPECT_EQ(back.LongCheck, p.LongCheck);
  EXPECT_EQ(back.URL, p.URL);
  EXPECT_TRUE(back.FoundShort);
  EXPECT_FALSE(back.FoundLong);
}

// One history record per partner and day: the lookup is by day, whatever the time of the check.
TEST_F(AppTablesTest, HistoryKeepsOneRecordPerPartnerAndDay) {
  DateTime morning = *ParseDateTime("2026-12-09 08:15:00");
  DateTime evening = *ParseDateTime("2026-12-09 22:40:05");
  DateTime next_day = *ParseDateTime("2026-12-10 00:00:01");
  HistoryRecord h;
  h.Project = "P";
  h.SiteName = "n";
  h.xDate = morning;
  h.RFound = true;
  app_.SaveHistory(h);

  std::optional<HistoryRecord> found = app_.FindHistory("P", "n", evening);
  ASSERT_TRUE(found);
  EXPECT_EQ(FormatDateTime(found->xDate), "2026-12-09 00:00:00");  // stored as the day alone
  found->PFound = true;
  app_.SaveHistory(*found);
  EXPECT_EQ(app_.History("P", "n").size(), 1u);
  EXPECT_TRUE(app_.History("P", "n")[0].PFound);

  EXPECT_FALSE(app_.FindHistory("P", "n", next_day));
  EXPECT_FALSE(app_.FindHistory("P", "other", evening));
  EXPECT_FALSE(app_.FindHistory("Q", "n", evening));
  HistoryRecord later = h;
  later.xDate = next_day;
  app_.SaveHistory(later);
  EXPECT_EQ(app_.History("P", "n").size(), 2u);
}

TEST_F(AppTablesTest, AnalysisRecordFindOrAppend) {
  EXPECT_FALSE(app_.FindAnalysis("P", "n", ProjectScope::kExact));
  AnalysisRecord r;
  r.Project = "P";
  r.SiteName = "n";
  r.xDate = StartOfDay(Now());
  r.HopSequence = {"http://n.localhost/", "http://n.localhost/links.htm"};
  r.Hops = 1;
  r.AllLinkPosition = 3;
  r.AllLinksTotal = 10;
  r.AllLinkStack = 7;
  r.TreeResults = {"<B><U>n</U></B> (12/9/2026)", "\t<A href=\"x\">x</A>"};
  r.Base_KWDensity = {"links ~ 3 ~ 100%"};
  r.id = app_.SaveAnalysis(r);

  AnalysisRecord back = *app_.FindAnalysis("P", "n", ProjectScope::kExact);
  EXPECT_EQ(back.id, r.id);
  EXPECT_EQ(back.HopSequence, r.HopSequence);
  EXPECT_EQ(back.TreeResults, r.TreeResults);
  EXPECT_EQ(back.Base_KWDensity, r.Base_KWDensity);
  EXPECT_EQ(back.AllLinkStack, 7);
  EXPECT_EQ(back.xDate, r.xDate);

  back.WordPosTags = 12;
  app_.SaveAnalysis(back);
  EXPECT_EQ(app_.QueryAnalysis("P", false, AnalysisOrder::kSiteName).size(), 1u);
  EXPECT_EQ(app_.FindAnalysis("P", "n", ProjectScope::kExact)->WordPosTags, 12);
  // "Default" looks in every project unless the lookup is strict.
  EXPECT_TRUE(app_.FindAnalysis(kDefaultProject, "n", ProjectScope::kAllForDefault));
  EXPECT_FALSE(app_.FindAnalysis(kDefaultProject, "n", ProjectScope::kExact));
}

TEST_F(AppTablesTest, AnalysisQueryFiltersAndOrders) {
  auto add = [&](const std::string& project, const std::string& name, int hops, int words) {
    AnalysisRecord r;
    r.Project = project;
    r.SiteName = name;
    r.Hops = hops;
    r.WordPosNoTags = words;
    app_.SaveAnalysis(r);
  };
  add("P", "c", 2, 0);
  add("P", "a", 0, 0);  // no values
  add("P", "b", 0, 9);
  add("P", "d", 1, 1);
  add("Q", "e", 5, 5);

  auto names = [](const std::vector<AnalysisRecord>& records) {
    std::vector<std::string> out;
    for (const AnalysisRecord& r : records) out.push_back(r.SiteName);
    return out;
  };
  EXPECT_EQ(names(app_.QueryAnalysis("P", false, AnalysisOrder::kSiteName)),
            (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(names(app_.QueryAnalysis("P", true, AnalysisOrder::kSiteName)),
            (std::vector<std::string>{"b", "c", "d"}));
  EXPECT_EQ(names(app_.QueryAnalysis("P", true, AnalysisOrder::kHops)),
            (std::vector<std::string>{"b", "d", "c"}));
  EXPECT_EQ(names(app_.QueryAnalysis("P", false, AnalysisOrder::kWordPosNoTags)),
            (std::vector<std::string>{"c", "a", "d", "b"}));
  EXPECT_TRUE(app_.QueryAnalysis("Default", false, AnalysisOrder::kSiteName).empty());
}

// No writer stores a field beyond its bounds: each refuses with the field's message and leaves
// the tables as they were; at the limit the same write goes through.
TEST_F(AppTablesTest, WritersRefuseOversizedFieldsAndNul) {
  app_.AddProject({"P", "", {}, {}});
  PartnerRecord stored = Partner("P", "n");
  stored.id = app_.AddPartner(stored);
  struct Case {
    const char* what;
    std::function<void(const std::string& text)> write;  // writes `text` into one field
    std::size_t limit;
    const char* field;
  };
  int added = 0;
  const auto partner = [&](auto set) {
    return [&, set](const std::string& text) {
      PartnerRecord p = Partner("P", "other" + std::to_string(++added));
      set(p, text);
      app_.AddPartner(p);
    };
  };
  const std::string address = "http://a.test/";
  const Case cases[] = {
      {"AddProject name", [&](const std::string& t) { app_.AddProject({t, "", {}, {}}); },
       kMaxNameBytes, "the project name"},
      {"AddProject home page",
       [&](const std::string& t) { app_.AddProject({"Q", address + t, {}, {}}); },
       kMaxAddressBytes - address.size(), "the home page"},
      {"AddPartner name", partner([](PartnerRecord& p, const std::string& t) { p.SiteName = t; }),
       kMaxNameBytes, "the partner name"},
      {"AddPartner home page",
       partner([&](PartnerRecord& p, const std::string& t) { p.ContactWebSite = address + t; }),
       kMaxAddressBytes - address.size(), "the home page"},
      {"AddPartner link text",
       partner([](PartnerRecord& p, const std::string& t) { p.LongCheck = {t}; }), kMaxTextBytes,
       "the link text"},
      {"SavePartner Find text",
       [&](const std::string& t) {
         PartnerRecord p = stored;
         p.ShortCheck = t;
         app_.SavePartner(p);
       },
       kMaxTextBytes, "the Find text"},
      {"SavePartner backlink",
       [&](const std::string& t) {
         PartnerRecord p = stored;
         p.URL = address + t;
         app_.SavePartner(p);
       },
       kMaxAddressBytes - address.size(), "the backlink"},
      {"SaveHistory name",
       [&](const std::string& t) {
         HistoryRecord h;
         h.Project = "P";
         h.SiteName = t;
         app_.SaveHistory(h);
       },
       kMaxNameBytes, "the partner name"},
      {"SaveAnalysis Find text",
       [&](const std::string& t) {
         AnalysisRecord r;
         r.Project = "P";
         r.SiteName = "n";
         r.ShortCheck = t;
         app_.SaveAnalysis(r);
       },
       kMaxTextBytes, "the Find text"},
  };
  // What the tables hold, to see that a refused write left them alone.
  const auto contents = [&] {
    std::string all;
    for (const char* table : {"ZEBProjects", "LA", "LAHist", "ZEBAnalyze"}) {
      QueryRef q = session_.Query(std::string("SELECT count(*), coalesce(sum(length(") +
                                  (std::string(table) == "ZEBProjects" ? "Name" : "SiteName") +
                                  ")), 0) FROM " + table);
      q->Step();
      all += std::to_string(q->ColumnInt(0)) + "/" + std::to_string(q->ColumnInt(1)) + " ";
    }
    return all + app_.FindPartner("P", "n", ProjectScope::kExact)->ShortCheck +
           app_.FindPartner("P", "n", ProjectScope::kExact)->URL;
  };
  for (const Case& c : cases) {
    const std::string before = contents();
    const std::string over(c.limit + 1, 'x');
    try {
      c.write(over);
      ADD_FAILURE() << c.what << ": an oversized field was stored";
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()).rfind(std::string(c.field) + " is ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find("at most"), std::string::npos) << e.what();
    }
    try {
      c.write("a" + std::string(1, '\0') + "b");
      ADD_FAILURE() << c.what << ": a NUL byte was stored";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find("\\0b\" holds a NUL byte"), std::string::npos)
          << e.what();
    }
    EXPECT_EQ(contents(), before) << c.what;
    EXPECT_NO_THROW(c.write(std::string(c.limit, 'y'))) << c.what;
  }
}

}  // namespace
}  // namespace zeb
