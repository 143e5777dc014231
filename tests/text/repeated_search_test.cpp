// Callers search again and again from advancing positions (the link scanner, the body-tag
// renumbering); each search must cost the distance to its hit, not the rest of the text.
#include <gtest/gtest.h>

#include <chrono>

#include "text/text_routines.h"

namespace zeb {
namespace {

double SecondsToWalk(const std::string& text, const std::string& pattern, std::size_t* hits) {
  auto start = std::chrono::steady_clock::now();
  *hits = 0;
  std::size_t from = 1;
  while (std::size_t p = FastPosNoCase(text, pattern, text.size(), pattern.size(), from)) {
    ++*hits;
    from = p + pattern.size();
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(RepeatedSearchTest, OneLetterCaseOnlyDoesNotRescanTheText) {
  std::string upper;
  std::string lower;
  for (int i = 0; i < 500000; ++i) {
    upper += "HREF ";
    lower += "href ";
  }
  std::size_t hits = 0;
  // A text in upper case only: the lower-case first letter of the pattern never occurs.
  EXPECT_LT(SecondsToWalk(upper, "href", &hits), 2.0);
  EXPECT_EQ(hits, 500000u);
  EXPECT_LT(SecondsToWalk(lower, "HREF", &hits), 2.0);
  EXPECT_EQ(hits, 500000u);
  std::string long_pattern(20, 'h');  // the long-pattern path as well
  std::string hs;
  for (int i = 0; i < 200000; ++i) hs += std::string(20, 'H') + " ";
  EXPECT_LT(SecondsToWalk(hs, long_pattern, &hits), 2.0);
  EXPECT_EQ(hits, 200000u);
}

}  // namespace
}  // namespace zeb
