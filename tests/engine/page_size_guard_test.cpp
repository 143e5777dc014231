#include "engine/page_size_guard.h"

#include <gtest/gtest.h>

#include <random>

#include "analysis/link_extraction.h"

namespace zeb {
namespace {

TEST(PageSizeGuardTest, StopsOnlyPagesThatCannotPass) {
  PageSizeGuard exact(10);
  EXPECT_TRUE(exact.Add("0123456789"));  // exactly at the limit
  EXPECT_FALSE(exact.Add("x"));          // one byte over

  PageSizeGuard tags(10);
  EXPECT_TRUE(tags.Add("0123456789</HTML>"));  // the tag goes with the end trim
  EXPECT_EQ(tags.end_tags(), 1u);
  EXPECT_TRUE(tags.Add("</ht"));               // may still become a tag
  EXPECT_TRUE(tags.Add("ml>"));                // a tag split across blocks counts once
  EXPECT_EQ(tags.end_tags(), 2u);
  EXPECT_FALSE(tags.Add("a"));

  PageSizeGuard all(0);  // 0 reads all pages
  EXPECT_TRUE(all.Add(std::string(1 << 20, 'x')));
}

TEST(PageSizeGuardTest, TheHardCapAppliesToEveryLimit) {
  PageSizeGuard all(0);
  const std::string block(1 << 20, 'x');
  bool going = true;
  std::size_t blocks = 0;
  while (going && blocks < 300) {
    going = all.Add(block);
    ++blocks;
  }
  EXPECT_FALSE(going);
  EXPECT_EQ(blocks, (kHardPageCap >> 20) + 1);
}

// Never stops a page that the trimmed-length check would accept, for any split into blocks.
TEST(PageSizeGuardTest, NeverStopsAPageThatWouldPass) {
  std::mt19937 rng(42);
  const std::vector<std::string> pieces = {"</html>", "</HTML>", "</ht", "ml>", "<", "</",
                                           "a", "bb", "<<", ">", "</html", std::string("x\0y", 3)};
  for (int i = 0; i < 10000; ++i) {
    std::string page;
    for (int n = static_cast<int>(rng() % 30); n > 0; --n) page += pieces[rng() % pieces.size()];
    std::size_t limit = 1 + rng() % 60;
    bool passes = TrimToHtmlEnd(page).size() <= limit;
    PageSizeGuard guard(limit);
    bool stopped = false;
    for (std::size_t at = 0; at < page.size() && !stopped;) {
      std::size_t size = 1 + rng() % 9;
      stopped = !guard.Add(std::string_view(page).substr(at, size));
      at += size;
    }
    if (passes) {
      ASSERT_FALSE(stopped) << page << " limit " << limit;
    }
    // A page longer than the limit with no "<" at all is always stopped.
    if (page.find('<') == std::string::npos && page.size() > limit) {
      ASSERT_TRUE(stopped) << page;
    }
  }
}

}  // namespace
}  // namespace zeb
