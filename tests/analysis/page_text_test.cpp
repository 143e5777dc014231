#include "analysis/page_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <random>

#include "analysis/literal_reference.h"
#include "analysis/random_pages.h"
#include "text/lines.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

TEST(ExtractTitleTest, Cases) {
  EXPECT_EQ(ExtractTitle("<head><TITLE>Cats &amp; Dogs</TITLE></head>"),
            (Lines{"Cats &amp; Dogs"}));
  EXPECT_EQ(ExtractTitle("<title lang=en>x</title>"), Lines{});  // the ">" is part of the search
  EXPECT_EQ(ExtractTitle("<title>no end tag"), Lines{});
  EXPECT_EQ(ExtractTitle("<title></title>"), Lines{});
  EXPECT_EQ(ExtractTitle("no title"), Lines{});
  EXPECT_EQ(ExtractTitle("<title>a</title><title>b</title>"), Lines{"a"});
}

TEST(ExtractMetaKeywordsTest, Cases) {
  struct Case {
    const char* name;
    std::string page;
    Lines want;
  };
  const Case cases[] = {
      {"commas with blanks around them",
       "<meta name=\"keywords\" content=\"a, b ,c\">",
       {"a", "b", "c"}},
      {"no comma: split at blanks",
       "<META NAME=\"KEYWORDS\" CONTENT=\"red green blue\">",
       {"red", "green", "blue"}},
      {"a comma keeps blanks inside a keyword",
       "<meta name=\"keywords\" content=\"red, green blue\">",
       {"red", "green blue"}},
      {"http-equiv form when the name form is absent",
       "<meta http-equiv=\"keywords\" content=\"x,y\">",
       {"x", "y"}},
      {"line breaks inside the tag are removed first",
       "<meta name=\"keywords\"\r\n content=\"x,\ny\">",
       {"x", "y"}},
      {"line breaks inside the value join it",
       "<meta name=\"keywords\" content=\"x,\r\ny\">",
       {"x", "y"}},
      {"other spacing is not recognised", "<meta name=\"keywords\"content=\"x\">", {}},
      {"no > after the pattern", "<meta name=\"keywords\" content=\"x", {}},
      {"self-closing tag keeps its slash and quote",
       "<meta name=\"keywords\" content=\"a,b\" />",
       {"a", "b\" "}},
      {"empty value", "<meta name=\"keywords\" content=\"\">", {}},
      {"only one blank is removed beside a comma",
       "<meta name=\"keywords\" content=\"a,  b\">",
       {"a", " b"}},
      {"empty entries between commas stay",
       "<meta name=\"keywords\" content=\"a,,b\">",
       {"a", "", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractMetaKeywords(c.page), c.want) << c.name;
}

TEST(ExtractMetaDescriptionTest, Cases) {
  EXPECT_EQ(ExtractMetaDescription("<meta name=\"description\" content=\"All about cats\">"),
            Lines{"All about cats"});
  EXPECT_EQ(ExtractMetaDescription("<meta http-equiv=\"description\" content=\"Dogs\">"),
            Lines{"Dogs"});
  EXPECT_EQ(ExtractMetaDescription("<meta name='description' content='x'>"), Lines{});
  EXPECT_EQ(ExtractMetaDescription("<meta name=\"description\" content=\"a\">"), Lines{"a"});
  EXPECT_EQ(ExtractMetaDescription("nothing"), Lines{});
}

TEST(FormatShareTest, TwoDecimalsNoTrailingOrLeadingZeros) {
  struct Case {
    std::size_t count, total;
    const char* want;
  };
  const Case cases[] = {
      {2, 8, "25"},   {1, 3, "33.33"}, {2, 3, "66.67"}, {1, 200, ".5"},  {3, 3, "100"},
      {1, 8, "12.5"}, {1, 7, "14.29"}, {1, 100000, ""}, {1, 400, ".25"}, {0, 5, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatShare(c.count, c.total), c.want) << c.count << "/" << c.total;
  }
}

TEST(FormatShareTest, DecimalSeparatorIgnoresTheLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  bool switched = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr ||
                  std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  EXPECT_EQ(FormatShare(1, 3), "33.33");
  std::setlocale(LC_ALL, saved.c_str());
  if (!switched) GTEST_SKIP() << "no comma locale installed; checked in the C locale only";
}

TEST(AnalyzeKeywordDensityTest, Cases) {
  struct Case {
    const char* name;
    std::string page;
    int threshold;
    Lines want;
  };
  const Case cases[] = {
      {"letter case is folded", "links Links LINKS", 2, {"links ~ 3 ~ 100%"}},
      {"threshold drops rare words", "a b b c c c", 2, {"b ~ 2 ~ 33.33%", "c ~ 3 ~ 50%"}},
      {"8 words, one twice", "w1 w2 w3 w4 w5 w6 twice twice", 2, {"twice ~ 2 ~ 25%"}},
      {"threshold 0 lists every word, sorted",
       "b a c",
       0,
       {"a ~ 1 ~ 33.33%", "b ~ 1 ~ 33.33%", "c ~ 1 ~ 33.33%"}},
      {"tags go, text between them stays", "<p class=x>cat</p> <b>cat</b>", 0, {"cat ~ 2 ~ 100%"}},
      {"non-breaking blank joins words", "big&nbsp;cat", 0, {"bigcat ~ 1 ~ 100%"}},
      {"script text goes, the end tag remnant is a word",
       "one<script>var x = 1;</script>two",
       0,
       {"one/script>two ~ 1 ~ 100%"}},
      {"an unclosed script keeps its text",
       "a <script>b c",
       0,
       {"a ~ 1 ~ 33.33%", "b ~ 1 ~ 33.33%", "c ~ 1 ~ 33.33%"}},
      {"an unclosed tag stops tag removal and its words count",
       "x <b y",
       0,
       {"<b ~ 1 ~ 33.33%", "x ~ 1 ~ 33.33%", "y ~ 1 ~ 33.33%"}},
      {"a stray > before a tag goes",
       "a > b <i>c</i>",
       0,
       {"a ~ 1 ~ 33.33%", "b ~ 1 ~ 33.33%", "c ~ 1 ~ 33.33%"}},
      {"empty page", "", 0, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnalyzeKeywordDensity(c.page, c.threshold, StopWords()), c.want) << c.name;
  }
}

// A meta tag's value found with one whole-page search per pattern, the name pattern first.
std::string RefMetaValue(std::string_view page, std::string_view name, std::string_view equiv) {
  std::string_view pattern = name;
  std::size_t p = PosNoCase(page, name);
  if (p == 0) {
    pattern = equiv;
    p = PosNoCase(page, equiv);
  }
  if (p == 0) return std::string();
  const std::string_view rest = page.substr(p - 1 + pattern.size());
  const std::size_t close = rest.find('>');
  if (close == std::string_view::npos || close < 1) return std::string();
  return std::string(rest.substr(0, close - 1));
}

Lines RefMetaKeywords(std::string_view page) {
  std::string joined;
  for (char c : page) {
    if (c != '\r' && c != '\n') joined += c;
  }
  std::string value = RefMetaValue(joined, "<meta name=\"keywords\" content=\"",
                                   "<meta http-equiv=\"keywords\" content=\"");
  const unsigned all = kReplaceAll | kIgnoreCase;
  value = FastAnsiReplace(value, value.find(',') == std::string::npos ? " " : ",", "\r\n", all);
  value = FastAnsiReplace(value, "\r\n ", "\r\n", all);
  value = FastAnsiReplace(value, " \r\n", "\r\n", all);
  return SplitLines(value);
}

TEST(ExtractMetaTest, MatchesWholePageSearchesOnRandomPages) {
  const std::vector<std::string> pieces = {"<meta name=\"description\" content=\"",
                                           "<META NAME=\"Description\" CONTENT=\"",
                                           "<meta http-equiv=\"description\" content=\"",
                                           "<meta name=\"keywords\" content=\"",
                                           "<Meta Http-Equiv=\"KEYWORDS\" content=\"",
                                           "<meta ",
                                           "<meta",
                                           "<me",
                                           "\">",
                                           ">",
                                           "\"",
                                           "a b",
                                           "c,d",
                                           " ",
                                           "x",
                                           "<p>",
                                           "\r\n",
                                           "\n",
                                           "<meta name=\"key",
                                           "words\" content=\"",
                                           "0123456789abcdef0123456789abcdef0123456789abcdef"};
  std::mt19937 random(1211);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> count(0, 12);
  for (int round = 0; round < 20000; ++round) {
    std::string page;
    for (int k = count(random); k > 0; --k) page += pieces[pick(random)];
    ASSERT_EQ(ExtractMetaDescription(page),
              SplitLines(RefMetaValue(page, "<meta name=\"description\" content=\"",
                                      "<meta http-equiv=\"description\" content=\"")))
        << page;
    ASSERT_EQ(ExtractMetaKeywords(page), RefMetaKeywords(page)) << page;
  }
}

TEST(AnalyzeKeywordDensityTest, StopWordsAreLeftOutOfCountAndTotal) {
  StopWords stop(Lines{"The", "AND"});
  EXPECT_EQ(AnalyzeKeywordDensity("The cat and the dog and THE cat", 0, stop),
            (Lines{"cat ~ 2 ~ 66.67%", "dog ~ 1 ~ 33.33%"}));
  EXPECT_TRUE(stop.Contains("the"));
  EXPECT_FALSE(stop.Contains("cat"));
}

TEST(AnalyzeKeywordDensityTest, MatchesTheLiteralLoopsOnGeneratedPages) {
  testing::RandomPages pages(99);
  for (int i = 0; i < 10000; ++i) {
    std::string page = pages.Page();
    int threshold = pages.Number(0, 3);
    Lines stop = {pages.Word(), pages.Word()};
    ASSERT_EQ(AnalyzeKeywordDensity(page, threshold, StopWords(stop)),
              literal::AnalyzeKeywordDensity(page, threshold, stop))
        << "page #" << i << ": " << page;
  }
}

TEST(AnalyzeKeywordDensityTest, ScriptAndTagRemovalMatchTheLiteralLoops) {
  testing::RandomPages pages(5);
  // Hand-picked joins: deleting a script can glue a "<" to "/script" and form a new end tag.
  const std::vector<std::string> tricky = {"<<script>a</script>b<script>c</script>d",
                                           "<<<script></script>x",
                                           "<</script><script>",
                                           "a</script>b<script>c",
                                           "<script><script></script></script>",
                                           "<<</script x<script y",
                                           "<SCRIPT>1</SCRIPT><script>2</script>",
                                           // "script" that is no tag, between tags
                                           "a<noscript>b</noscript>c<script>d</script>e",
                                           "script<scriptscript>x</script/script>y",
                                           "<script>a/script</script>b script </sCrIpT c"};
  for (const std::string& page : tricky) {
    EXPECT_EQ(AnalyzeKeywordDensity(page, 0, StopWords()),
              literal::AnalyzeKeywordDensity(page, 0, {}))
        << page;
  }
  for (int i = 0; i < 10000; ++i) {
    std::string page = pages.Page(60);
    ASSERT_EQ(AnalyzeKeywordDensity(page, 0, StopWords()),
              literal::AnalyzeKeywordDensity(page, 0, {}))
        << page;
  }
}

// Pages whose scripts come early and whose text after the last script runs on for long
// stretches (read in place, behind the text the script removal settled), with tags, stray
// brackets and "&nbsp;" on both sides of where the two meet.
TEST(AnalyzeKeywordDensityTest, LongTextAfterTheScriptsMatchesTheLiteralLoops) {
  testing::RandomPages pages(77);
  std::mt19937 random(78);
  const std::vector<std::string> tails = {"Some words and more words ", "<b>bold</b> ", "&nbsp;",
                                          "x > y ", "<i ", "> ", "\r\n", "Links LINKS links "};
  PageScratch scratch;
  for (int i = 0; i < 1500; ++i) {
    std::string page = pages.Page(12) + "<script>var a = '<b>';</script>" + pages.Page(8);
    if (i % 2 == 0) page += "<SCRIPT>x</SCRIPT>";
    for (int k = static_cast<int>(random() % 60); k > 0; --k) page += tails[random() % tails.size()];
    page += pages.Page(6);
    ASSERT_EQ(AnalyzeKeywordDensity(page, 0, StopWords(), scratch),
              literal::AnalyzeKeywordDensity(page, 0, {}))
        << "page #" << i << ": " << page;
  }
}

TEST(AnalyzeKeywordDensityTest, NbspIsRemovedAfterTheTagsAreGone) {
  const struct {
    const char* page;
    Lines want;
  } cases[] = {
      {"big&nb<b>sp;cat", {"bigcat ~ 1 ~ 100%"}},  // joined by the tag removal
      {"a&NBSP;b", {"ab ~ 1 ~ 100%"}},             // any letter case
      {"&nb&nbsp;sp;", {"&nbsp; ~ 1 ~ 100%"}},     // a removal is not looked at again
      {"&&nbsp;x", {"&x ~ 1 ~ 100%"}},             // a failed match starts over
      {"a <b &nbsp;c", {"<b ~ 1 ~ 33.33%", "a ~ 1 ~ 33.33%", "c ~ 1 ~ 33.33%"}},  // unclosed tail
  };
  PageScratch scratch;
  for (const auto& c : cases) {
    EXPECT_EQ(AnalyzeKeywordDensity(c.page, 0, StopWords(), scratch), c.want) << c.page;
    EXPECT_EQ(literal::AnalyzeKeywordDensity(c.page, 0, {}), c.want) << c.page;
  }
}

TEST(AnalyzeKeywordDensityTest, ReusedScratchMatchesTheLiteralLoops) {
  testing::RandomPages pages(41);
  PageScratch scratch;  // reused from page to page, as a crawl thread does
  for (int i = 0; i < 10000; ++i) {
    const std::string page = pages.Page(i % 5 == 0 ? 300 : 40);
    const int threshold = pages.Number(0, 3);
    const Lines stop = {pages.Word(), pages.Word()};
    ASSERT_EQ(AnalyzeKeywordDensity(page, threshold, StopWords(stop), scratch),
              literal::AnalyzeKeywordDensity(page, threshold, stop))
        << "page #" << i << ": " << page;
  }
  // Thousands of distinct words make the word table grow several times; a small page after it
  // finds the grown table empty.
  std::string many;
  for (int i = 0; i < 3000; ++i) many += "w" + std::to_string(i % 1500) + " ";
  EXPECT_EQ(AnalyzeKeywordDensity(many, 2, StopWords(), scratch),
            literal::AnalyzeKeywordDensity(many, 2, {}));
  EXPECT_EQ(AnalyzeKeywordDensity("w1 w1", 0, StopWords(), scratch), Lines{"w1 ~ 2 ~ 100%"});
}

TEST(AnalyzeKeywordDensityTest, HostilePagesStayLinear) {
  std::string scripts;
  for (int i = 0; i < 200000; ++i) scripts += "<<script>x</script>";
  std::string opens(4u << 20, '<');
  std::string closes(4u << 20, '>');
  closes += "<";
  auto start = std::chrono::steady_clock::now();
  AnalyzeKeywordDensity(scripts, 0, StopWords());
  AnalyzeKeywordDensity(opens, 0, StopWords());
  AnalyzeKeywordDensity(closes, 0, StopWords());
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
}

}  // namespace
}  // namespace zeb
