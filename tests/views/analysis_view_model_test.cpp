// The analysis view's rules without a window: its lists, pages, site link and CSV.
#include "views/analysis_view_model.h"

#include <gtest/gtest.h>

namespace zeb {
namespace {

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
  EXPECT_EQ(PageRange(0, 8, 0), std::make_pair(0, 8));
  EXPECT_EQ(PageRange(5, 8, 3), std::make_pair(8, 8));
}

TEST(AnalysisViewModelTest, SiteLinkAndCsv) {
  AnalysisRecord a;
  a.SiteName = "Cats, \"the\" best";
  a.BaseURL = "http://cats.test/";
  a.Hops = 2;
  a.WordPosNoTags = 7;
  EXPECT_EQ(SiteLink(a), "<a href=\"http://cats.test/\">Cats, \"the\" best</a>");
  const std::string csv = AnalysisCsv({a});
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "Site Name,Hops,Total Links,Total External Links,Position In Total Links,Position In "
            "External Links,Total Words,Position in Total Words,Total Words (No Tags),Position "
            "Total Words (No Tags)");
  EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "\"Cats, \"\"the\"\" best\",2,0,0,0,0,0,0,0,7\r\n");
}

}  // namespace
}  // namespace zeb
