// The analysis view's rules without a window: its lists, pages, site link and CSV, how the
// grid's columns sort, the chart's scale, and the result set read from real tables.
#include "views/analysis_view_model.h"

#include <gtest/gtest.h>

#include "data/schema.h"
#include "support/temp_dir.h"
#include "views/sort_keys.h"

namespace zeb {
namespace {

// A record with the nine numbers in ValueColumns() order.
AnalysisRecord WithValues(const std::string& site, const std::array<int, 9>& values) {
  AnalysisRecord record;
  record.SiteName = site;
  for (std::size_t c = 0; c < values.size(); ++c) record.*ValueColumns()[c].field = values[c];
  return record;
}

TEST(AnalysisViewModelTest, OrderEntriesHaveTheirSeparatorsInPlace) {
  std::vector<std::string> separators_after;
  std::span<const OrderEntry> entries = OrderEntries();
  ASSERT_EQ(entries.size(), 13u);
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (!entries[i].order) separators_after.push_back(entries[i - 1].label);
  }
  EXPECT_EQ(separators_after, (std::vector<std::string>{"Hops", "Total Words Without Tags",
                                                        "Link Position Among All Links"}));
  EXPECT_EQ(TextEntries().size(), 8u);
  EXPECT_STREQ(TextEntries()[2].label, "Key Word Tag--Home Page ");  // with its blank
}

TEST(AnalysisViewModelTest, Pages) {
  struct Case {
    int records, per_page, pages;
  };
  for (const Case& c : {Case{8, 3, 3}, Case{9, 3, 3}, Case{0, 7, 1}, Case{8, 0, 1}, Case{1, 7, 1}}) {
    EXPECT_EQ(PageCount(c.records, c.per_page), c.pages) << c.records << "/" << c.per_page;
  }
  EXPECT_EQ(PageRange(2, 8, 3), std::make_pair(6, 8));
  EXPECT_EQ(PageOf(0, 3), 0);
  EXPECT_EQ(PageOf(5, 3), 1);
  EXPECT_EQ(PageOf(6, 3), 2);
  EXPECT_EQ(PageOf(7, 0), 0);  // every partner on one page
  EXPECT_EQ(PageRange(0, 8, 0), std::make_pair(0, 8));
  EXPECT_EQ(PageRange(5, 8, 3), std::make_pair(8, 8));
}

TEST(AnalysisViewModelTest, SiteLinkAndCsv) {
  AnalysisRecord a;
  a.SiteName = "Cats, \"the\" best";
  a.BaseURL = "http://cats.test/";
  a.Hops = 2;
  a.WordPosNoTags = 7;
  // The name and the address are text in the link, never mark-up.
  EXPECT_EQ(SiteLink(a), "<a href=\"http://cats.test/\">Cats, &quot;the&quot; best</a>");
  a.SiteName = "<b>Cats</b> & co";
  a.BaseURL = "http://cats.test/?a=1&b=\"><img src=x>";
  EXPECT_EQ(SiteLink(a),
            "<a href=\"http://cats.test/?a=1&amp;b=&quot;&gt;&lt;img src=x&gt;\">&lt;b&gt;Cats&lt;/b&gt; "
            "&amp; co</a>");
  a.SiteName = "Cats, \"the\" best";
  const std::string csv = AnalysisCsv({a});
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "Site Name,Hops,Total Links,Total External Links,Position In Total Links,Position In "
            "External Links,Total Words,Position in Total Words,Total Words (No Tags),Position "
            "Total Words (No Tags)");
  EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "\"Cats, \"\"the\"\" best\",2,0,0,0,0,0,0,0,7\r\n");
}

TEST(AnalysisViewModelTest, GridColumnsCompareBySiteNameOrByTheirNumber) {
  const AnalysisRecord a = WithValues("Alpha", {1, 20, 5, 3, 0, 300, 40, 200, 30});
  const AnalysisRecord b = WithValues("Beta", {1, 9, 5, 30, 0, 300, 41, 200, 29});
  struct Case {
    int column;
    int sign;  // of a against b
  };
  for (const Case& c : {Case{0, -1}, Case{1, 0}, Case{2, 1}, Case{3, 0}, Case{4, -1},
                        Case{5, 0}, Case{6, 0}, Case{7, -1}, Case{8, 0}, Case{9, 1}}) {
    const int result = CompareAnalysisColumn(a, b, c.column);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << "column " << c.column;
    const int back = CompareAnalysisColumn(b, a, c.column);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << "column " << c.column;
  }
  // Site names in byte order: capitals before small letters.
  EXPECT_LT(CompareAnalysisColumn(WithValues("Zoo", {}), WithValues("aquarium", {}), 0), 0);

  // By hops, then falling by total links; the tie on both keeps its order.
  std::vector<AnalysisRecord> records = {
      WithValues("c", {2, 10}), WithValues("a", {1, 10}), WithValues("d", {2, 30}),
      WithValues("b", {1, 10}), WithValues("e", {0, 5})};
  SortByKeys(records, {{1, false}, {2, true}}, CompareAnalysisColumn);
  std::string order;
  for (const AnalysisRecord& r : records) order += r.SiteName;
  EXPECT_EQ(order, "eabdc");
}

TEST(AnalysisColumnTest, TheCountsColumnSortsCountingLinksFirstThenReasonsThenUnjudged) {
  const CountsBySite counts = {{"a", "nofollow"}, {"b", "yes"}, {"c", "mention only"},
                               {"e", "yes"}};
  std::vector<AnalysisRecord> records = {WithValues("a", {}), WithValues("b", {}),
                                         WithValues("c", {}), WithValues("d", {}),
                                         WithValues("e", {2})};
  const auto compare = [&](const AnalysisRecord& x, const AnalysisRecord& y, int column) {
    return CompareGridColumn(x, y, column, counts);
  };
  SortByKeys(records, {{kCountsColumn, false}}, compare);
  std::string order;
  for (const AnalysisRecord& r : records) order += r.SiteName;
  EXPECT_EQ(order, "becad");  // stable among equals; a partner never judged comes last
  // The other columns compare as before.
  SortByKeys(records, {{1, true}}, compare);
  EXPECT_EQ(records.front().SiteName, "e");
  EXPECT_EQ(CountsOf(counts, "d"), "");
}

TEST(ChartScaleTest, EachColumnRaisesTheTopOfItsOwnBand) {
  using enum ChartBand;
  const ChartBand bands[] = {kHops,  kLinks, kLinks, kLinks, kLinks,
                             kWords, kWords, kWords, kWords};
  ASSERT_EQ(ValueColumns().size(), std::size(bands));
  for (std::size_t c = 0; c < std::size(bands); ++c) {
    std::array<int, 9> values{};
    values[c] = 7;
    const AnalysisRecord page[] = {WithValues("only", values)};
    const ChartScale scale(page);
    EXPECT_EQ(ValueColumns()[c].band, bands[c]) << c;
    for (ChartBand band : {kHops, kWords, kLinks}) {
      const int expected = band != bands[c] ? 1 : (band == kLinks ? 10 : 7);
      EXPECT_EQ(scale.Top(band), expected) << "column " << c << ", band "
                                           << static_cast<int>(band);
    }
  }
}

TEST(ChartScaleTest, TopsAreThePagesLargestValuesRoundedUpToTheStep) {
  struct Case {
    std::vector<std::array<int, 9>> page;
    int hops, words, links;
  };
  const Case cases[] = {
      {{}, 1, 1, 1},                                             // an empty page
      {{{0, 0, 0, 0, 0, 0, 0, 0, 0}}, 1, 1, 1},                  // nothing but zeros
      {{{3, 23, 5, 7, 2, 150, 40, 90, 30}, {5, 18, 4, 9, 1, 120, 45, 160, 20}}, 5, 160, 30},
      {{{1, 1, 0, 0, 0, 1, 0, 0, 0}}, 1, 1, 10},                 // 1 link: one step
      {{{0, 9, 0, 0, 0, 0, 0, 0, 0}}, 1, 1, 10},
      {{{0, 10, 0, 0, 0, 0, 0, 0, 0}}, 1, 1, 10},                // on a step stays there
      {{{0, 0, 11, 0, 0, 0, 0, 0, 0}}, 1, 1, 20},
      {{{0, 0, 0, 95, 0, 0, 0, 0, 0}}, 1, 1, 100},
      {{{0, 0, 0, 0, 100, 0, 0, 0, 0}}, 1, 1, 100},
      {{{19, 0, 0, 0, 0, 0, 0, 0, 37}}, 19, 37, 1},              // words and hops: step 1
  };
  for (const Case& c : cases) {
    std::vector<AnalysisRecord> page;
    for (const auto& values : c.page) page.push_back(WithValues("p", values));
    const ChartScale scale(page);
    EXPECT_EQ(scale.Top(ChartBand::kHops), c.hops) << page.size() << " records";
    EXPECT_EQ(scale.Top(ChartBand::kWords), c.words) << page.size() << " records";
    EXPECT_EQ(scale.Top(ChartBand::kLinks), c.links) << page.size() << " records";
  }
}

TEST(ChartScaleTest, ValuesSitBetweenTheirBandsEdges) {
  const AnalysisRecord page[] = {WithValues("a", {5, 40, 0, 0, 0, 150, 0, 0, 0}),
                                 WithValues("b", {2, 12, 0, 0, 0, 30, 0, 0, 0})};
  const ChartScale scale(page);
  struct Case {
    std::size_t column;
    int value;
    double position;
  };
  for (const Case& c : {Case{0, 0, 0}, Case{0, 5, 19}, Case{0, 1, 3.8},      // hops, top 5
                        Case{5, 0, 21}, Case{5, 150, 59}, Case{8, 75, 40},    // words, top 150
                        Case{1, 0, 61}, Case{1, 40, 99}, Case{4, 20, 80}}) {  // links, top 40
    EXPECT_DOUBLE_EQ(scale.Scaled(c.column, c.value), c.position)
        << "column " << c.column << ", value " << c.value;
  }
  using Label = ChartScale::AxisLabel;
  EXPECT_EQ(scale.AxisLabels(),
            (std::vector<Label>{{"0", 0}, {"5 hops", 19}, {"0 ", 21}, {"150 words", 59},
                                {"0  ", 61}, {"40 links", 99}}));
  // An empty page: every band from 0 to 1, the value 1 on each band's top.
  const ChartScale empty(std::span<const AnalysisRecord>{});
  EXPECT_EQ(empty.AxisLabels()[3].text, "1 words");
  EXPECT_DOUBLE_EQ(empty.Scaled(0, 1), 19);
  EXPECT_DOUBLE_EQ(empty.Scaled(6, 1), 59);
  EXPECT_DOUBLE_EQ(empty.Scaled(2, 1), 99);
}

TEST(AnalysisViewSourceTest, ReadsTheProjectsAnalysesInOrderAndFiltered) {
  testing::TempDir dir;
  const FileLocations locations{dir.folder(), dir.folder()};
  {
    Session session(DatabaseFile(locations), OpenMode::kCreateIfMissing);
    CreateApplicationTables(session);
    AppTables app(session);
    app.AddProject({"Pets", "", {}, {}});
    app.AddProject({"Birds", "", {}, {}});
    for (const AnalysisRecord& values :
         {WithValues("Zoo", {1, 10, 0, 4, 0, 0, 0, 0, 0}), WithValues("Aquarium", {}),
          WithValues("Farm", {2, 30, 0, 0, 0, 0, 9, 0, 0})}) {
      AnalysisRecord record = values;
      record.Project = "Pets";
      app.SaveAnalysis(record);
    }
    AnalysisRecord other = WithValues("Aviary", {1});
    other.Project = "Birds";
    app.SaveAnalysis(other);
  }
  const AnalysisViewSource source(locations);
  auto sites = [&](bool only_with_values, AnalysisOrder order) {
    std::vector<std::string> names;
    for (const AnalysisRecord& r : source.Records("Pets", only_with_values, order)) {
      names.push_back(r.SiteName);
    }
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(sites(false, AnalysisOrder::kSiteName), (Names{"Aquarium", "Farm", "Zoo"}));
  EXPECT_EQ(sites(false, AnalysisOrder::kHops), (Names{"Aquarium", "Zoo", "Farm"}));
  EXPECT_EQ(sites(true, AnalysisOrder::kSiteName), (Names{"Farm", "Zoo"}));
  EXPECT_EQ(source.Records("Pets", false, AnalysisOrder::kSiteName)[2].AllLinkPosition, 4);
  EXPECT_TRUE(source.Records("Nobody", false, AnalysisOrder::kSiteName).empty());
}

TEST(AnalysisViewSourceTest, AnUnreadableDataFolderThrowsWithItsName) {
  testing::TempDir dir;
  const std::string missing = dir.folder() + "gone/";
  try {
    AnalysisViewSource({missing, missing}).Records("Pets", false, AnalysisOrder::kSiteName);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zeb
