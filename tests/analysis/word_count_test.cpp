#include "analysis/word_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "analysis/literal_reference.h"
#include "analysis/random_pages.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

// A hand-made backlink page: head outside the body, three body tags, the Find text in an href.
const std::string kPage =
    "<html><head><title>Links page</title></head>"
    "<body><h1>Our friends</h1>"
    "<body><p>Visit the cats, the dogs.</p>"
    "<body><a href=\"http://mysite.test/\">My Site</a> is great</body></html>";

TEST(CountWordsTest, CountsTheBodyOnly) {
  // With tags the runs are: body h1 Our friends /h1 bod1 p Visit the cats the dogs /p bod2 a
  // href="http://mysite test/" My Site /a is great /body (the later body tags read "<bod1",
  // "<bod2"; the head is cut away).
  EXPECT_EQ(CountWords(kPage, true, ""), 23u);
  // Without tags the text runs together where tags stood: Our friendsVisit the cats the dogs My
  // Site is great.
  EXPECT_EQ(CountWords(kPage, false, ""), 10u);
}

TEST(CountWordsTest, FindTextInsideAnHrefSurvivesTheTagStripping) {
  // The "<a" tag is opened up, so its address becomes words: Our friendsVisit the cats the dogs
  // a href="http://mysite test/ (the count ends one character after the Find text).
  std::size_t position = CountWords(kPage, false, "mysite.test");
  EXPECT_EQ(position, 9u);
  EXPECT_LT(position, CountWords(kPage, false, ""));
  // Outside a tag nothing is opened: "great" is found in the text itself.
  EXPECT_EQ(CountWords(kPage, false, "great"), 10u);
}

TEST(CountWordsTest, FindTextWithTags) {
  // body h1 Our friends /h1 body p Visit the cats the dogs /p body a href="http://mysite test
  EXPECT_EQ(CountWords(kPage, true, "mysite.test"), 17u);
}

TEST(CountWordsTest, AbsentFindTextCountsOnlyItsLengthOfText) {
  // The first 11 characters of the stripped body: "Our friends".
  EXPECT_EQ(CountWords(kPage, false, "nowhere.tst"), 2u);
  EXPECT_EQ(CountWords("", false, "x"), 0u);
}

TEST(CountWordsTest, SeparatorsAreBlankCommaDotLineBreaksAndBrackets) {
  EXPECT_EQ(CountWords("a,b.c\r\nd e<f>g", true, ""), 7u);
  EXPECT_EQ(CountWords("tab\tjoined", true, ""), 1u);
}

TEST(CountWordsTest, MatchesTheLiteralStepsOnGeneratedPages) {
  testing::RandomPages pages(11);
  for (int i = 0; i < 10000; ++i) {
    std::string page = pages.Page();
    std::string search = i % 3 == 0 ? "" : pages.Word();
    bool with_tags = i % 2 == 0;
    ASSERT_EQ(CountWords(page, with_tags, search), literal::CountWords(page, with_tags, search))
        << "page: " << page << " search: " << search;
  }
}

TEST(CountWordPositionsTest, GivesTheFourCountsOfThePositionAnalysis) {
  PageScratch scratch;
  const WordCounts counts = CountWordPositions(kPage, "mysite.test", scratch);
  EXPECT_EQ(counts.total_no_tags, 10u);
  EXPECT_EQ(counts.position_no_tags, 9u);
  EXPECT_EQ(counts.total_tags, 23u);
  EXPECT_EQ(counts.position_tags, 17u);
  const WordCounts totals = CountWordPositions(kPage, "", scratch);
  EXPECT_EQ(totals.position_no_tags, totals.total_no_tags);
  EXPECT_EQ(totals.position_tags, totals.total_tags);
}

TEST(CountWordPositionsTest, MatchesTheLiteralStepsOnGeneratedPages) {
  testing::RandomPages pages(23);
  PageScratch scratch;  // reused from page to page, as a crawl thread does
  for (int i = 0; i < 10000; ++i) {
    // Now and then a long page, so that the sixteen-byte counting and the upper-case body
    // tags' copy are covered too.
    const std::string page = pages.Page(i % 5 == 0 ? 300 : 40);
    const std::string search = i % 4 == 0 ? "" : pages.Word(i % 8 == 1 ? 12 : 4);
    const WordCounts counts = CountWordPositions(page, search, scratch);
    ASSERT_EQ(counts.total_no_tags, literal::CountWords(page, false, ""))
        << "page: " << page << " search: " << search;
    ASSERT_EQ(counts.position_no_tags, literal::CountWords(page, false, search))
        << "page: " << page << " search: " << search;
    ASSERT_EQ(counts.total_tags, literal::CountWords(page, true, ""))
        << "page: " << page << " search: " << search;
    ASSERT_EQ(counts.position_tags, literal::CountWords(page, true, search))
        << "page: " << page << " search: " << search;
  }
}

// Pages of several of the 16 KB chunks the position count searches and counts at a time, the
// find text absent, or first found near a chunk boundary (across it too), inside a tag or not,
// in either letter case; compared with CountWords, which searches and counts the whole text.
TEST(CountWordPositionsTest, MatchesCountWordsOnPagesOfManyChunks) {
  std::mt19937 random(1618);
  const std::vector<std::string> filler = {"word ", "<b>", "</b>", "a,b. ", "<a href=x>", "</a>",
                                           "\r\n", "  ", "<", ">", "x"};
  const std::vector<std::string> searches = {"mysite.test", "MySite", "a", "word b", "x>y"};
  PageScratch scratch;
  for (int round = 0; round < 200; ++round) {
    std::string page = "<body>";
    const std::size_t size = 1000 + random() % (60 * 1024);
    while (page.size() < size) page += filler[random() % filler.size()];
    page += "</body>";
    const std::string search = searches[random() % searches.size()];
    for (int k = static_cast<int>(random() % 3); k > 0; --k) {
      std::string found = random() % 2 == 0 ? search : LowerCase(search);
      if (random() % 3 == 0) found = "<a href=" + found + ">";
      const std::size_t boundary = (1 + random() % 4) * 16 * 1024;
      const std::size_t at = std::min(page.size(), boundary - std::min(boundary, std::size_t{12}) +
                                                       random() % 24);
      page.insert(at, found);
    }
    const WordCounts counts = CountWordPositions(page, search, scratch);
    ASSERT_EQ(counts.total_no_tags, CountWords(page, false, "")) << "round " << round;
    ASSERT_EQ(counts.position_no_tags, CountWords(page, false, search)) << "round " << round;
    ASSERT_EQ(counts.total_tags, CountWords(page, true, "")) << "round " << round;
    ASSERT_EQ(counts.position_tags, CountWords(page, true, search)) << "round " << round;
  }
}

// The tag holding the find text starts in front of a 16 KB boundary and the find text behind
// it, so that the tag stripping has passed the tag's start when the search meets the text; and
// the same tag wholly in front of the boundary, behind it, and at the page's two ends.
TEST(CountWordPositionsTest, FindTextInATagAtAChunkBoundaryMatchesCountWords) {
  const std::string search = "mysite.test";
  const std::string tag = "<a href=\"http://www." + search + "/\">My Site</a>";
  PageScratch scratch;
  for (const std::size_t at : {std::size_t{0}, std::size_t{100}, std::size_t{16384 - 30},
                               std::size_t{16384 - 12}, std::size_t{16384 - 1}, std::size_t{16384},
                               std::size_t{16384 + 5}, std::size_t{2 * 16384 - 20}}) {
    for (const std::size_t size : {std::size_t{16384 + 200}, std::size_t{40000}}) {
      std::string page = "<body>";
      while (page.size() < size) page += "word <b>bold</b>, more.\r\n";
      page.insert(std::min(at, page.size()), tag);
      page += "</body>";
      const WordCounts counts = CountWordPositions(page, search, scratch);
      EXPECT_EQ(counts.total_no_tags, CountWords(page, false, "")) << at << " " << size;
      EXPECT_EQ(counts.position_no_tags, CountWords(page, false, search)) << at << " " << size;
      EXPECT_EQ(counts.total_tags, CountWords(page, true, "")) << at << " " << size;
      EXPECT_EQ(counts.position_tags, CountWords(page, true, search)) << at << " " << size;
    }
  }
}

TEST(CountWordsTest, ManyBodyTagsStayLinear) {
  std::string page;
  for (int i = 0; i < 100000; ++i) page += "<body>word </body>";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CountWords(page, false, ""), 100000u);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 3.0);
}

}  // namespace
}  // namespace zeb
