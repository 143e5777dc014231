#include "text/lines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace zeb {
namespace {

TEST(JoinSplitLinesTest, Cases) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"no line end", "abc", "abc"},
      {"CR LF kept", "a\r\nb", "a\r\nb"},
      {"LF and CR become CR LF", "a\nb\rc", "a\r\nb\r\nc"},
      {"a line end at the very end goes", "a\r\n", "a"},
      {"only the last one of several", "a\n\n", "a\r\n"},
      {"CR then CR LF is two line ends", "a\r\r\nb", "a\r\n\r\nb"},
      {"LF then CR is two line ends", "a\n\rb", "a\r\n\r\nb"},
      {"a lone line end gives one empty line", "\n", ""},
      {"leading line ends stay", "\r\n\r\nx", "\r\n\r\nx"},
      {"NULs are text", std::string("a\0\nb", 4), std::string("a\0\r\nb", 5)},
  };
  std::string out = "left over from another page";
  for (const Case& c : cases) {
    JoinSplitLines(c.text, out);
    EXPECT_EQ(out, c.want) << c.name;
    EXPECT_EQ(out, JoinLines(SplitLines(c.text))) << c.name;
  }
}

// A text of up to max_size bytes drawn from alphabet.
std::string RandomText(std::mt19937& rng, const std::string& alphabet, std::size_t max_size) {
  std::string text(std::uniform_int_distribution<std::size_t>(0, max_size)(rng), ' ');
  for (char& c : text) c = alphabet[rng() % alphabet.size()];
  return text;
}

TEST(JoinSplitLinesTest, MatchesJoiningTheSplitLinesOnRandomText) {
  std::mt19937 rng(4242);
  const std::string alphabet = "ab\r\n\r\n ";
  std::string out;  // reused, as a crawl thread reuses its cache text
  for (int round = 0; round < 20000; ++round) {
    const std::string text = RandomText(rng, alphabet, 60);
    JoinSplitLines(text, out);
    ASSERT_EQ(out, JoinLines(SplitLines(text))) << "round " << round;
  }
}

// Long texts with rare line ends of every kind, so that whole blocks pass without one and line
// ends fall in every lane and across block boundaries.
TEST(JoinSplitLinesTest, MatchesJoiningTheSplitLinesOnLongText) {
  std::mt19937 rng(977);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz <>\r\n";
  std::string out = "left over";
  for (int round = 0; round < 5000; ++round) {
    std::string text = RandomText(rng, alphabet, 300);
    if (round % 3 == 0) {  // lines that all end in CR LF, the last one perhaps too
      for (std::size_t k = 40; k + 1 < text.size(); k += 40) text.replace(k, 2, "\r\n");
    }
    JoinSplitLines(text, out);
    ASSERT_EQ(out, JoinLines(SplitLines(text))) << "round " << round;
  }
}

// Pages of many kilobytes, appended in spans: line ends of every kind now and then, and long
// stretches of CR LF lines in between.
TEST(JoinSplitLinesTest, MatchesJoiningTheSplitLinesOnLongPages) {
  std::mt19937 rng(31);
  const char* const ends[] = {"\r\n", "\r", "\n", "\n\r", "\r\r\n"};
  std::string out;
  for (int round = 0; round < 40; ++round) {
    std::string text;
    const std::size_t size = rng() % (40 * 1024);
    while (text.size() < size) {
      text.append(rng() % 90, 'x');
      text += rng() % 50 == 0 ? ends[rng() % 5] : "\r\n";
    }
    JoinSplitLines(text, out);
    ASSERT_EQ(out, JoinLines(SplitLines(text))) << "round " << round;
  }
}

// The text joined while it grows, in pieces of every size: a CR at the end of a piece waits for
// the byte after it.
TEST(LineJoinerTest, JoiningAGrowingTextMatchesJoiningItWhole) {
  std::mt19937 rng(606);
  const std::string alphabet = "abc\r\n\r\n";
  std::string out = "left over";
  for (int round = 0; round < 5000; ++round) {
    const std::string whole = RandomText(rng, alphabet, 400);
    std::string text;
    text.reserve(whole.size());
    LineJoiner joiner(out, whole.size());
    while (text.size() < whole.size()) {
      const std::size_t piece = std::min<std::size_t>(whole.size() - text.size(), rng() % 40);
      text.append(whole, text.size(), piece);
      if (text.size() > 1) joiner.Advance(text, text.size() - 1 - rng() % 2);
    }
    joiner.Finish(text);
    ASSERT_EQ(out, JoinLines(SplitLines(whole))) << "round " << round;
  }
}

}  // namespace
}  // namespace zeb
