// The keyword comparison's grids: where each list's keywords land, the row filters, and the
// lists read from real tables.
#include "views/kw_comparison.h"

#include <gtest/gtest.h>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

const ComparisonRow* Row(const ComparisonGrid& grid, const std::string& keyword) {
  for (const ComparisonRow& row : grid) {
    if (row.keyword == keyword) return &row;
  }
  return nullptr;
}

TEST(KwComparisonTest, DensityLinesSplitIntoWordCountAndPercent) {
  struct Case {
    std::string line, word, count, percent;
  };
  for (const Case& c : {Case{"red ~ 3 ~ 12.5%", "red", "3", "12.5%"},
                        Case{"green blue ~ 10 ~ 4%  ", "green blue", "10", "4%"},
                        Case{"odd", "odd", "", ""}}) {
    const DensityParts parts = SplitDensityLine(c.line);
    EXPECT_EQ(parts.word, c.word) << c.line;
    EXPECT_EQ(parts.count, c.count) << c.line;
    EXPECT_EQ(parts.percent, c.percent) << c.line;
  }
}

TEST(KwComparisonTest, EachListLandsInItsGridAndColumns) {
  ComparisonLists lists;
  lists.YourTags = {"Cats", "dogs", "cats"};  // the second "cats" finds the first row
  lists.YourDensity = {"fish ~ 4 ~ 8%"};
  lists.BaseDensity = {"cats ~ 3 ~ 6%"};
  lists.BaseTags = {"birds"};
  lists.BackTags = {"hamsters"};
  lists.BackDensity = {"dogs ~ 2 ~ 1.5%"};
  ComparisonGrid home, back;
  FillComparisonGrids(lists, home, back);

  // Your tag and the partner's home density meet on one row (letter case aside).
  const ComparisonRow* cats = Row(home, "cats");
  ASSERT_NE(cats, nullptr);
  EXPECT_TRUE(cats->your_tag);
  EXPECT_EQ(cats->partner_count, "3");
  EXPECT_EQ(cats->partner_percent, "6%");
  EXPECT_EQ(home.size(), 4u);  // cats, dogs, fish, birds
  EXPECT_TRUE(Row(home, "birds")->partner_tag);
  EXPECT_TRUE(Row(home, "birds")->YourSideEmpty());
  EXPECT_EQ(Row(home, "hamsters"), nullptr);  // the backlink page's tag is not in this grid

  // The backlink grid: your side again, the backlink page's lists.
  EXPECT_EQ(Row(back, "fish")->your_count, "4");
  EXPECT_EQ(Row(back, "dogs")->partner_count, "2");
  EXPECT_TRUE(Row(back, "dogs")->your_tag);
  const ComparisonRow* hamsters = Row(back, "hamsters");
  ASSERT_NE(hamsters, nullptr);
  EXPECT_TRUE(hamsters->partner_tag);
  EXPECT_TRUE(hamsters->YourSideEmpty());
}

TEST(KwComparisonTest, TheRowFilters) {
  ComparisonLists lists;
  lists.YourTags = {"tagonly", "both"};
  lists.YourDensity = {"mine ~ 2 ~ 4%"};
  lists.BaseDensity = {"both ~ 1 ~ 2%"};
  lists.BackTags = {"theirs"};
  struct Case {
    RowFilter filter;
    std::vector<std::string> home, back;
  };
  for (const Case& c :
       {Case{RowFilter::kShowAll, {"tagonly", "both", "mine"}, {"tagonly", "both", "mine", "theirs"}},
        Case{RowFilter::kRemoveNoMatches, {"both"}, {}},
        Case{RowFilter::kRemoveOnlyYourTag, {"both", "mine"}, {"mine", "theirs"}}}) {
    ComparisonGrid home, back;
    FillComparisonGrids(lists, home, back);
    ApplyRowFilter(c.filter, home, back);
    std::vector<std::string> home_words, back_words;
    for (const ComparisonRow& row : home) home_words.push_back(row.keyword);
    for (const ComparisonRow& row : back) back_words.push_back(row.keyword);
    EXPECT_EQ(home_words, c.home) << static_cast<int>(c.filter);
    EXPECT_EQ(back_words, c.back) << static_cast<int>(c.filter);
  }
  // Nothing is filtered while the home page grid is empty.
  ComparisonGrid home, back = {{"only", false, "", "", true, "", ""}};
  ApplyRowFilter(RowFilter::kRemoveNoMatches, home, back);
  EXPECT_EQ(back.size(), 1u);
}

TEST(KwComparisonTest, ListsComeFromTheProjectAndThePartnersAnalysis) {
  testing::TempDir dir;
  Session session(dir.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing);
  CreateApplicationTables(session);
  AppTables app(session);
  app.AddProject({"Default", "", {}, {}});
  app.AddProject({"Pets \"and\" more", "http://me.test/", {}, {}});
  app.SetProjectKeywords("Pets \"and\" more", {"cats"}, {"cats ~ 2 ~ 5%"});
  AnalysisRecord analysis;
  analysis.Project = "Pets \"and\" more";
  analysis.SiteName = "Zoo";
  analysis.Back_KWTag = {"lions"};
  analysis.Base_KWDensity = {"cats ~ 1 ~ 1%"};
  app.SaveAnalysis(analysis);
  analysis.id = 0;
  analysis.SiteName = "Aquarium";
  app.SaveAnalysis(analysis);

  EXPECT_EQ(ComparisonProjects(app), (std::vector<std::string>{"Pets \"and\" more"}));
  EXPECT_EQ(ComparisonPartners(app, "Pets \"and\" more"),
            (std::vector<std::string>{"Aquarium", "Zoo"}));
  ComparisonLists lists = LoadComparison(app, "Pets \"and\" more", "Zoo");
  EXPECT_EQ(lists.YourTags, Lines{"cats"});
  EXPECT_EQ(lists.BackTags, Lines{"lions"});
  EXPECT_EQ(lists.BaseDensity, Lines{"cats ~ 1 ~ 1%"});
  ComparisonLists none = LoadComparison(app, "Pets \"and\" more", "Nobody");
  EXPECT_TRUE(none.BackTags.empty());
  EXPECT_EQ(none.YourTags, Lines{"cats"});
}

}  // namespace
}  // namespace zeb
