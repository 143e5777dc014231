#include "analysis/page_normalisation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "analysis/literal_reference.h"
#include "analysis/random_pages.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

TEST(NormalizeForCheckTest, Cases) {
  struct Case {
    const char* name;
    std::string page;
    std::string want;
  };
  const Case cases[] = {
      {"line breaks and tabs go", "my\r\nsi\tte.te\nst", "mysite.test"},
      {"double blanks collapse in one pass", "a   b    c", "a  b  c"},
      {"a line break between two blanks leaves a double blank collapsed", "a \r\n b", "a b"},
      {"escapes in any case", "http%3A%2f%2Fsite.test%2Fp%3fq", "http://site.test/p?q"},
      {"other escapes stay", "%3d%26%20", "%3d%26%20"},
      {"NULs stay", std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeForCheck(c.page), c.want) << c.name;
}

TEST(NormalizeForCheckTest, FindsCheckStringsTheWayUsersWriteThem) {
  // Other letter case, split by a line break, two blanks for one, escaped address.
  EXPECT_NE(PosNoCase(NormalizeForCheck("<a href=x>MYSITE.TEST</a>"), "mysite.test"), 0u);
  EXPECT_NE(PosNoCase(NormalizeForCheck("mysi\r\nte.test"), "mysite.test"), 0u);
  EXPECT_NE(PosNoCase(NormalizeForCheck("My  Site"), "My Site"), 0u);
  EXPECT_NE(PosNoCase(NormalizeForCheck("go?u=http%3a%2f%2fmysite.test"), "http://mysite.test"),
            0u);
}

TEST(DecodeLinkEscapesTest, Cases) {
  EXPECT_EQ(DecodeLinkEscapes("a%3Db%3dc%26d"), "a=b=c&d");
  EXPECT_EQ(DecodeLinkEscapes("%25%3D%2526"), "%25=%2526");  // one pass, no double decoding
}

// Text made of the pieces the one-pass clean-up must get right: escapes split by line breaks,
// blank runs split by line breaks, escapes next to each other and look-alikes; long enough
// now and then for the sixteen-byte copy.
std::string CleanUpSoup(std::mt19937& rng) {
  static const std::vector<std::string> kPieces = {
      " ",    "  ", "   ", "\r\n", "\n", "\r",  "\t",  "%",   "3",   "2",   "a",  "A",
      "f",    "F",  "d",   "D",    "6",  "%3a", "%2F", "%3f", "%3D", "%26", "%%", "<a href=\"x\">",
      "word", "\"", "'"};
  const int pieces = std::uniform_int_distribution<int>(0, rng() % 4 == 0 ? 200 : 30)(rng);
  std::string text;
  for (int i = 0; i < pieces; ++i) text += kPieces[rng() % kPieces.size()];
  return text;
}

TEST(NormalizeForCheckTest, InPlaceMatchesTheReplacementStepsOnGeneratedText) {
  std::mt19937 rng(2024);
  std::string page;  // reused, as a crawl thread reuses its page
  for (int i = 0; i < 20000; ++i) {
    const std::string text = CleanUpSoup(rng);
    page = text;
    const bool escapes = NormalizeForCheckInPlace(page);
    ASSERT_EQ(page, literal::NormalizeForCheck(text)) << "text: " << text;
    ASSERT_EQ(page, literal::NormalizeForCheck(StripLeadingLineBreaks(text))) << text;
    // Without a "%" the link escapes' pass may be left out.
    ASSERT_EQ(escapes, text.find('%') != std::string::npos) << text;
    ASSERT_EQ(NormalizeForCheck(text), page) << text;
  }
}

// Lines of markup with CR LF ends, so that blocks without anything to remove alternate with
// line ends, and the text left behind trails what is read by less and by more than a block.
TEST(NormalizeForCheckTest, InPlaceMatchesTheReplacementStepsOnLongLines) {
  std::mt19937 rng(99);
  const std::string alphabet = "abcdefgh<>/=\"'.  ";
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int line = static_cast<int>(rng() % 40); line > 0; --line) {
      text.append(rng() % 60, 'x');
      for (int k = static_cast<int>(rng() % 30); k > 0; --k) text += alphabet[rng() % alphabet.size()];
      const char* const ends[] = {"\r\n", "\n", "\r\n\t", "  ", "\r\n\r\n", "%3a"};
      text += ends[rng() % 6];
    }
    std::string page = text;
    const bool escapes = NormalizeForCheckInPlace(page);
    ASSERT_EQ(page, literal::NormalizeForCheck(text)) << "text: " << text;
    ASSERT_EQ(escapes, text.find('%') != std::string::npos) << text;
  }
}

TEST(DecodeLinkEscapesTest, InPlaceMatchesTheReplacementStepsOnGeneratedText) {
  std::mt19937 rng(77);
  std::string page;
  for (int i = 0; i < 20000; ++i) {
    const std::string text = CleanUpSoup(rng);
    page = text;
    DecodeLinkEscapesInPlace(page);
    ASSERT_EQ(page, literal::DecodeLinkEscapes(text)) << "text: " << text;
    ASSERT_EQ(DecodeLinkEscapes(text), page) << text;
  }
}

TEST(StripLeadingLineBreaksTest, Cases) {
  EXPECT_EQ(StripLeadingLineBreaks("\r\n\n\r<html>\r\n"), "<html>\r\n");
  EXPECT_EQ(StripLeadingLineBreaks("\r\n"), "");
  EXPECT_EQ(StripLeadingLineBreaks(" \r\nx"), " \r\nx");
}

TEST(StripTagsTest, Cases) {
  struct Case {
    const char* name;
    std::string text;
    std::string want;
  };
  const Case cases[] = {
      {"tags go, text stays", "<a href=\"x\">My <b>Site</b></a>", "My Site"},
      {"a > before the first < goes alone", "a>b<i>c", "abc"},
      {"a < without any > goes alone", "a<b<c", "abc"},
      {"a > after the last < stays", "a<b>c>d", "ac>d"},
      {"nested brackets", "<<a>>", ">"},
      {"no brackets", "plain", "plain"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripTags(c.text), c.want) << c.name;
}

TEST(StripTagsTest, MatchesTheLiteralLoopOnGeneratedText) {
  testing::RandomPages pages(3);
  for (int i = 0; i < 10000; ++i) {
    std::string text = pages.Page(30) + pages.Word(8);
    ASSERT_EQ(StripTags(text), literal::StripTags(text)) << text;
  }
}

TEST(StripTagsTest, UnbalancedBracketsStayLinear) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "><";
  auto start = std::chrono::steady_clock::now();
  std::string out = StripTags(text);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace zeb
