// The console's lists and partner display, read from real tables.
#include "console/partner_selection.h"

#include <gtest/gtest.h>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

class PartnerSelectionTest : public ::testing::Test {
 protected:
  PartnerSelectionTest() {
    locations_.DataFolder = dir_.folder();
    locations_.ExeFolder = dir_.folder();
    Session session(DatabaseFile(locations_), OpenMode::kCreateIfMissing);
    CreateApplicationTables(session);
    CreateWorkTables(session);
    AppTables app(session);
    app.AddProject({"Pets", "", {}, {}});
    app.AddProject({"Cars \"fast\"", "", {}, {}});
    Add(app, "Pets", "Dogs", "http://dogs.test/", "", 0, true);
    Add(app, "Pets", "Cats", "http://cats.test/", "http://cats.test/links.htm", 2, false);
    Add(app, "Pets", "Nowhere", "", "", 0, false);
    Add(app, "Cars \"fast\"", "Vans", "http://vans.test/", "", 0, false);
    AnalysisRecord analysis;
    analysis.SiteName = "Cats";
    analysis.Project = "Pets";
    analysis.TreeResults = {"<B><U>Cats</U></B> (2026-12-09)", "\t<A href=\"x\">x</A>"};
    app.SaveAnalysis(analysis);
  }

  static void Add(AppTables& app, const std::string& project, const std::string& name,
                  const std::string& home, const std::string& start, int hop, bool found) {
    PartnerRecord p;
    p.Project = project;
    p.SiteName = name;
    p.ContactWebSite = home;
    p.BotStart = start;
    p.BotBaseHop = hop;
    p.ShortCheck = "me.test";
    p.FoundShort = found;
    app.AddPartner(p);
  }

  testing::TempDir dir_;
  FileLocations locations_;
};

TEST_F(PartnerSelectionTest, ListsProjectsAndPartnersWithTheirFoundMarks) {
  PartnerSelection selection(locations_);
  EXPECT_EQ(selection.LoadProjects(), (std::vector<std::string>{"Cars \"fast\"", "Pets"}));
  std::vector<PartnerItem> pets = selection.LoadPartners("Pets");
  ASSERT_EQ(pets.size(), 3u);
  EXPECT_EQ(pets[0].name, "Cats");
  EXPECT_FALSE(pets[0].found);
  EXPECT_EQ(pets[1].name, "Dogs");
  EXPECT_TRUE(pets[1].found);
  EXPECT_EQ(selection.LoadPartners("Cars \"fast\"").size(), 1u);
  EXPECT_EQ(selection.LoadPartners("Default").size(), 4u);  // every project's partners
}

TEST_F(PartnerSelectionTest, ShowsTheStartPageTheLinksAndTheStoredTree) {
  PartnerSelection selection(locations_);
  std::optional<PartnerView> cats = selection.ShowPartner("Pets", "Cats");
  ASSERT_TRUE(cats);
  EXPECT_EQ(cats->HTMLabel2, "<a href=\"http://cats.test/\">Partner</a>");
  EXPECT_EQ(cats->HTMLabel1, "<a href=\"http://cats.test/links.htm\">Start at</a>");
  EXPECT_EQ(cats->Label35, "http://cats.test/links.htm");
  EXPECT_EQ(cats->Label28, "2");
  EXPECT_EQ(cats->Label33, "me.test");
  ASSERT_TRUE(cats->TreeResults);
  EXPECT_EQ(cats->TreeResults->size(), 2u);

  std::optional<PartnerView> dogs = selection.ShowPartner("Pets", "Dogs");
  ASSERT_TRUE(dogs);
  EXPECT_EQ(dogs->Label35, "http://dogs.test/");
  EXPECT_EQ(dogs->Label28, "0");
  EXPECT_FALSE(dogs->TreeResults);

  EXPECT_EQ(selection.ShowPartner("Pets", "Nowhere")->HTMLabel1,
            "<B>No Home Page Added to this Partner</B>");
  EXPECT_FALSE(selection.ShowPartner("Pets", "Vans"));
  EXPECT_TRUE(selection.ShowPartner("Default", "Vans"));  // "Default" looks in every project
}

TEST_F(PartnerSelectionTest, AutoRunNamesTheMissingProjectAndEachMissingPartner) {
  PartnerSelection selection(locations_);
  EXPECT_TRUE(selection.AutoRunErrors("Pets", {"Cats", "Dogs"}).empty());
  EXPECT_EQ(selection.AutoRunErrors("Pets", {"Cats", "Vans"}),
            (std::vector<std::string>{"<B>Error<B><BR>Partner Vans does not exist in project "
                                      "Pets.  Correct and run again."}));
  std::vector<std::string> errors = selection.AutoRunErrors("Birds", {"Cats", "Dogs"});
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0],
            "<B>Error<B><BR>Project Birds does not exist for this AutoRun.  Correct and run again.");
  EXPECT_NE(errors[2].find("Partner Dogs does not exist in project Birds"), std::string::npos);
}

TEST(UpdateRunButtonTest, Table) {
  struct Case {
    std::string project;
    int checked;
    std::string start, find;
    bool enabled;
  };
  for (const Case& c : {Case{"P", 1, "http://a/", "me", true}, Case{"", 1, "http://a/", "me", false},
                        Case{"P", 0, "http://a/", "me", false}, Case{"P", 1, "", "me", false},
                        Case{"P", 1, "http://a/", "", false},
                        Case{"", 2, "", "", true}}) {  // several partners: always
    RunButtonState state = UpdateRunButton(c.project, c.checked, c.start, c.find);
    EXPECT_EQ(state.enabled, c.enabled) << c.project << c.checked << c.start << c.find;
    EXPECT_EQ(state.Label24, "0/" + std::to_string(c.checked));
  }
}

}  // namespace
}  // namespace zeb
