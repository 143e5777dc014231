// The keyword comparison's grids: where each list's keywords land, the row filters, how the
// columns sort, and the lists read from real tables, directly and through ComparisonSource.
#include "views/kw_comparison.h"

#include <gtest/gtest.h>

#include <tuple>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/temp_dir.h"
#include "views/sort_keys.h"

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

int Sign(int value) { return (value > 0) - (value < 0); }

int ByteOrder(const std::string& a, const std::string& b) { return a.compare(b); }
int ReversedOrder(const std::string& a, const std::string& b) { return b.compare(a); }

TEST(KwComparisonTest, ColumnsCompareAsTheirCellsRead) {
  // A row with the keyword and the cells of the column tested; the other cells empty.
  auto cell = [](const char* keyword, int column, const char* text) {
    ComparisonRow row;
    row.keyword = keyword;
    const bool checked = text[0] != '\0';
    switch (column) {
      case 1: row.your_tag = checked; break;
      case 2: row.your_count = text; break;
      case 3: row.your_percent = text; break;
      case 4: row.partner_tag = checked; break;
      case 5: row.partner_count = text; break;
      case 6: row.partner_percent = text; break;
      default: break;
    }
    return row;
  };
  struct Case {
    const char* name;
    int column;
    const char *a, *b;  // the cells; for a tag column "" is unchecked, any text checked
    int sign;
  };
  const Case kCases[] = {
      {"an unchecked tag first", 1, "", "x", -1},
      {"two checked tags tie", 1, "x", "x", 0},
      {"counts as numbers", 2, "10", "9", 1},
      {"an empty count before 0", 2, "", "0", -1},
      {"two empty counts tie", 2, "", "", 0},
      {"percents as numbers", 3, "12.5%", "3%", 1},
      {"equal percents tie", 3, "3%", "3.0%", 0},
      {"the partner's tag", 4, "x", "", 1},
      {"the partner's count", 5, "2", "11", -1},
      {"the partner's percent", 6, "7%", "", 1},
  };
  std::vector<std::tuple<std::string, ComparisonRow, ComparisonRow, int, int>> cases;
  cases.emplace_back("keywords in the given order", cell("ant", 0, ""), cell("bee", 0, ""), 0,
                     -1);
  for (const Case& c : kCases) {
    cases.emplace_back(c.name, cell("x", c.column, c.a), cell("y", c.column, c.b), c.column,
                       c.sign);
  }
  for (const auto& [name, a, b, column, sign] : cases) {
    EXPECT_EQ(Sign(CompareComparisonColumn(a, b, column, ByteOrder)), sign) << name;
    EXPECT_EQ(Sign(CompareComparisonColumn(b, a, column, ByteOrder)), -sign) << name;
  }
  // The keyword column follows the order it is given.
  EXPECT_GT(CompareComparisonColumn(cell("ant", 0, ""), cell("bee", 0, ""), 0, ReversedOrder), 0);
}

TEST(KwComparisonTest, AGridSortsByTheTagCheckThenByItsCount) {
  ComparisonGrid grid;
  for (const auto& [word, tag, count] :
       {std::tuple{"cats", true, "9"}, std::tuple{"fish", false, "5"},
        std::tuple{"dogs", true, "2"}, std::tuple{"birds", false, ""},
        std::tuple{"tagonly", true, ""}}) {
    ComparisonRow row;
    row.keyword = word;
    row.your_tag = tag;
    row.your_count = count;
    grid.push_back(row);
  }
  SortByKeys(grid, {{1, true}, {2, false}},
             [](const ComparisonRow& a, const ComparisonRow& b, int column) {
               return CompareComparisonColumn(a, b, column, ByteOrder);
             });
  std::vector<std::string> words;
  for (const ComparisonRow& row : grid) words.push_back(row.keyword);
  EXPECT_EQ(words, (std::vector<std::string>{"tagonly", "dogs", "cats", "birds", "fish"}));
}

TEST(KwComparisonTest, TheSourceReadsTheDataFolder) {
  testing::TempDir dir;
  const FileLocations locations{dir.folder(), dir.folder()};
  {
    Session session(DatabaseFile(locations), OpenMode::kCreateIfMissing);
    CreateApplicationTables(session);
    AppTables app(session);
    app.AddProject({"Pets", "http://me.test/", {}, {}});
    app.AddProject({"Default", "", {}, {}});
    app.AddProject({"Birds", "", {}, {}});
    app.SetProjectKeywords("Pets", {"cats"}, {"cats ~ 2 ~ 5%"});
    for (const char* name : {"Zoo", "Aquarium"}) {
      AnalysisRecord analysis;
      analysis.Project = "Pets";
      analysis.SiteName = name;
      analysis.Back_KWTag = {std::string(name) == "Zoo" ? "lions" : "sharks"};
      app.SaveAnalysis(analysis);
    }
  }
  const ComparisonSource source(locations);
  EXPECT_EQ(source.Projects(), (std::vector<std::string>{"Birds", "Pets"}));  // no Default
  EXPECT_EQ(source.Partners("Pets"), (std::vector<std::string>{"Aquarium", "Zoo"}));
  EXPECT_TRUE(source.Partners("Nobody").empty());
  const ComparisonLists lists = source.Lists("Pets", "Zoo");
  EXPECT_EQ(lists.YourTags, Lines{"cats"});
  EXPECT_EQ(lists.YourDensity, Lines{"cats ~ 2 ~ 5%"});
  EXPECT_EQ(lists.BackTags, Lines{"lions"});

  // A folder without tables: both reads throw, naming the folder.
  testing::TempDir empty;
  const ComparisonSource nowhere({empty.folder(), empty.folder()});
  for (int read = 0; read < 3; ++read) {
    try {
      if (read == 0) {
        nowhere.Partners("Pets");
      } else if (read == 1) {
        nowhere.Lists("Pets", "Zoo");
      } else {
        nowhere.Projects();
      }
      ADD_FAILURE() << "no exception from read " << read;
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(empty.folder()), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zeb
