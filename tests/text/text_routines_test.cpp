#include "text/text_routines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "text/byte_block.h"

namespace zeb {
namespace {

using namespace std::string_view_literals;

// ---------------------------------------------------------------------------------------------
// Slow reference versions: straight loops whose correctness can be seen at a glance.

char RefLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool RefMatchesAt(std::string_view text, std::size_t at, std::string_view pattern,
                  bool ignore_case) {
  if (at + pattern.size() > text.size()) return false;
  for (std::size_t k = 0; k < pattern.size(); ++k) {
    const char a = text[at + k];
    const char b = pattern[k];
    if (ignore_case ? RefLower(a) != RefLower(b) : a != b) return false;
  }
  return true;
}

std::size_t RefPos(std::string_view text, std::string_view pattern, std::size_t text_length,
                   std::size_t pattern_length, std::size_t start, bool ignore_case) {
  if (text_length < text.size()) text = text.substr(0, text_length);
  if (pattern_length < pattern.size()) pattern = pattern.substr(0, pattern_length);
  if (pattern.empty()) return 0;
  if (start == 0) start = 1;
  for (std::size_t i = start - 1; i < text.size(); ++i) {
    if (RefMatchesAt(text, i, pattern, ignore_case)) return i + 1;
  }
  return 0;
}

std::string RefReplace(std::string_view text, std::string_view old_pattern,
                       std::string_view new_pattern, bool all, bool ignore_case) {
  std::string result;
  bool replacing = !old_pattern.empty();
  std::size_t i = 0;
  while (i < text.size()) {
    if (replacing && RefMatchesAt(text, i, old_pattern, ignore_case)) {
      result += new_pattern;
      i += old_pattern.size();
      if (!all) replacing = false;
    } else {
      result += text[i];
      ++i;
    }
  }
  return result;
}

std::size_t RefCount(std::string_view text, std::string_view pattern, bool ignore_case) {
  if (pattern.empty()) return 0;
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (RefMatchesAt(text, i, pattern, ignore_case)) {
      ++count;
      i += pattern.size();
    } else {
      ++i;
    }
  }
  return count;
}

std::string RefExtractNonHTML(std::string_view text) {
  std::string result;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t close = std::string_view::npos;
    if (text[i] == '<') {
      for (std::size_t j = i + 1; j < text.size(); ++j) {
        if (text[j] == '>') {
          close = j;
          break;
        }
      }
    }
    if (close != std::string_view::npos) {
      i = close + 1;
    } else {
      result += text[i];
      ++i;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Random inputs over small alphabets, so that matches, overlaps and partial matches are frequent.

class RandomText {
 public:
  explicit RandomText(unsigned seed) : rng_(seed) {}

  std::size_t Below(std::size_t bound) {  // uniform in [0, bound)
    return std::uniform_int_distribution<std::size_t>(0, bound - 1)(rng_);
  }

  std::string Make(std::string_view alphabet, std::size_t max_length) {
    std::string text(Below(max_length + 1), ' ');
    for (char& c : text) c = alphabet[Below(alphabet.size())];
    return text;
  }

  // A pattern that is often a piece of text, sometimes with one byte changed or its case
  // flipped, so that near misses and real hits both occur.
  std::string Pattern(std::string_view text, std::string_view alphabet, std::size_t min_length,
                      std::size_t max_length) {
    const std::size_t length = min_length + Below(max_length - min_length + 1);
    std::string pattern;
    if (Below(4) != 0 && length <= text.size()) {
      pattern = std::string(text.substr(Below(text.size() - length + 1), length));
      if (!pattern.empty() && Below(3) == 0) {
        pattern[Below(pattern.size())] = alphabet[Below(alphabet.size())];
      }
      for (char& c : pattern) {
        if (Below(4) == 0) c = c == 'a' ? 'A' : c == 'A' ? 'a' : c;
      }
    } else {
      pattern.resize(length);
      for (char& c : pattern) c = alphabet[Below(alphabet.size())];
    }
    return pattern;
  }

 private:
  std::mt19937 rng_;
};

// Short patterns over a markup-like alphabet, and long patterns over an almost uniform one (the
// two search strategies inside the routines switch on the pattern length); short patterns in
// texts long enough for the sixteen-byte scan.
struct RandomShape {
  std::string_view name;
  std::string_view alphabet;
  std::size_t max_text;
  std::size_t min_pattern;
  std::size_t max_pattern;
};

constexpr RandomShape kShapes[] = {
    {"short", "aAb<>/. \0"sv, 30, 0, 5},
    {"long", "aaaaaaaAAAb"sv, 120, 14, 40},
    {"blocks", "aAb<>/. \0"sv, 200, 1, 16},
};

constexpr int kRandomRounds = 10000;

// ---------------------------------------------------------------------------------------------

// The thirty-two-byte scans run where the processor has AVX2, unless the environment keeps the
// sixteen-byte ones (the narrow-blocks run of the page routines' tests relies on it).
TEST(ByteBlockTest, WideScansFollowTheProcessorAndTheEnvironment) {
#ifdef ZEB_WIDE_BLOCKS
  const bool narrow = std::getenv("ZEB_NARROW_BLOCKS") != nullptr;
  EXPECT_EQ(block::HasWide(), __builtin_cpu_supports("avx2") && !narrow);
#else
  GTEST_SKIP() << "this target has no thirty-two-byte scans";
#endif
}

TEST(FoldCaseTest, FoldsOnlyAsciiUpperCaseLetters) {
  for (int value = 0; value < 256; ++value) {
    const char c = static_cast<char>(value);
    const char expected = (value >= 'A' && value <= 'Z') ? static_cast<char>(value + 32) : c;
    EXPECT_EQ(FoldCase(c), expected) << "byte " << value;
  }
}

TEST(LowerCaseTest, LowersLettersAndKeepsEverythingElse) {
  EXPECT_EQ(LowerCase(""), "");
  EXPECT_EQ(LowerCase("Hello WORLD zZ"), "hello world zz");
  EXPECT_EQ(LowerCase("[@]^_`{\xC4\xE4\xDF"), "[@]^_`{\xC4\xE4\xDF");
  EXPECT_EQ(LowerCase("A\0B"sv), "a\0b"sv);
}

struct PosCase {
  std::string_view text;
  std::string_view pattern;
  std::size_t text_length;
  std::size_t pattern_length;
  std::size_t start;
  std::size_t expected;
};

constexpr std::size_t kAll = static_cast<std::size_t>(-1);

TEST(FastPosNoCaseTest, Table) {
  const PosCase cases[] = {
      {"Hello World", "world", kAll, kAll, 1, 7},
      {"Hello World", "WORLD", kAll, kAll, 1, 7},
      {"hello world", "O W", kAll, kAll, 1, 5},
      {"Hello World", "o", kAll, kAll, 1, 5},
      {"Hello World", "o", kAll, kAll, 6, 8},
      {"Hello World", "xyz", kAll, kAll, 1, 0},
      // Empty pattern or text.
      {"Hello", "", kAll, kAll, 1, 0},
      {"", "a", kAll, kAll, 1, 0},
      {"", "", kAll, kAll, 1, 0},
      // Only ASCII letters fold; neighbours 0x20 apart must stay different.
      {"[", "{", kAll, kAll, 1, 0},
      {"{", "[", kAll, kAll, 1, 0},
      {"@", "`", kAll, kAll, 1, 0},
      {"^", "~", kAll, kAll, 1, 0},
      {"\xC4", "\xE4", kAll, kAll, 1, 0},
      {"x\xE4y", "\xE4Y", kAll, kAll, 1, 2},
      {"0", "\x10", kAll, kAll, 1, 0},
      // Overlapping occurrences: each start position finds the next one.
      {"aaaa", "aa", kAll, kAll, 1, 1},
      {"aaaa", "aa", kAll, kAll, 2, 2},
      {"aaaa", "aa", kAll, kAll, 3, 3},
      {"aaaa", "aa", kAll, kAll, 4, 0},
      {"abababc", "ababc", kAll, kAll, 1, 3},
      // Start positions: 0 counts as 1, the last byte, one past the end, far past the end.
      {"abc", "a", kAll, kAll, 0, 1},
      {"abc", "c", kAll, kAll, 3, 3},
      {"abc", "c", kAll, kAll, 4, 0},
      {"abc", "c", kAll, kAll, 100, 0},
      {"abc", "bc", kAll, kAll, 3, 0},
      // NUL bytes are ordinary bytes, in the text and in the pattern.
      {"a\0b\0c"sv, "\0c"sv, kAll, kAll, 1, 4},
      {"a\0b\0c"sv, "\0"sv, kAll, kAll, 3, 4},
      {"ab"sv, "\0"sv, kAll, kAll, 1, 0},
      {"a\0B"sv, "A\0b"sv, kAll, kAll, 1, 1},
      // Pattern longer than the text.
      {"abc", "abcd", kAll, kAll, 1, 0},
      // Lengths smaller than the views limit what is searched.
      {"abcdef", "ef", 4, kAll, 1, 0},
      {"abcdef", "de", 4, kAll, 1, 0},
      {"abcdef", "cd", 4, kAll, 1, 3},
      {"abcdef", "cdX", kAll, 2, 1, 3},
      {"abcdef", "cdX", kAll, 0, 1, 0},
      {"abcdef", "a", 0, kAll, 1, 0},
      {"abcdef", "f", 6, 1, 6, 6},
      {"abcdef", "f", 5, 1, 6, 0},
      // Long patterns (past the short-pattern path) behave the same.
      {"xxAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAb", "aaaaaaaaaaaaaaaaaaaaaaaaaaaab", kAll, kAll, 1, 5},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", kAll, kAll, 1, 0},
      {"<TABLE><TR><TD>x</TD></TR></TABLE>", "<tr><td>X</td></TR>", kAll, kAll, 1, 8},
      {"<TABLE><TR><TD>x</TD></TR></TABLE>", "<tr><td>X</td></TR>", kAll, kAll, 9, 0},
  };
  for (const PosCase& c : cases) {
    EXPECT_EQ(FastPosNoCase(c.text, c.pattern, c.text_length, c.pattern_length, c.start),
              c.expected)
        << "text \"" << c.text << "\" pattern \"" << c.pattern << "\" text_length "
        << c.text_length << " pattern_length " << c.pattern_length << " start " << c.start;
  }
}

TEST(FastPosNoCaseTest, MatchesReferenceOnRandomInputs) {
  for (const RandomShape& shape : kShapes) {
    RandomText random(20240601);
    for (int round = 0; round < kRandomRounds; ++round) {
      const std::string text = random.Make(shape.alphabet, shape.max_text);
      const std::string pattern =
          random.Pattern(text, shape.alphabet, shape.min_pattern, shape.max_pattern);
      const std::size_t text_length = random.Below(4) == 0 ? random.Below(text.size() + 3) : kAll;
      const std::size_t pattern_length =
          random.Below(4) == 0 ? random.Below(pattern.size() + 3) : kAll;
      const std::size_t start = random.Below(text.size() + 4);
      ASSERT_EQ(FastPosNoCase(text, pattern, text_length, pattern_length, start),
                RefPos(text, pattern, text_length, pattern_length, start, true))
          << shape.name << " round " << round << " text \"" << text << "\" pattern \"" << pattern
          << "\" text_length " << text_length << " pattern_length " << pattern_length
          << " start " << start;
    }
  }
}

// Texts of up to a few kilobytes with the pattern rare, so that the 16- and 32-byte scans
// run long before a hit, and hits and near misses fall in every lane and at the very end.
TEST(FastPosNoCaseTest, MatchesReferenceOnLongTextsWithRareHits) {
  RandomText random(8088);
  for (int round = 0; round < 3000; ++round) {
    std::string text = random.Make("abcdefghij <>/"sv, 3000);
    const std::string pattern = random.Pattern(text, "aAbBzZ<>/."sv, 1, 16);
    for (int k = static_cast<int>(random.Below(3)); k > 0 && !text.empty(); --k) {
      std::string copy = pattern;
      for (char& c : copy) {
        if (random.Below(2) == 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      text.insert(random.Below(text.size() + 1), copy);
    }
    const std::size_t start = random.Below(text.size() + 2);
    ASSERT_EQ(FastPosNoCase(text, pattern, kAll, kAll, start),
              RefPos(text, pattern, kAll, kAll, start, true))
        << "round " << round << " pattern \"" << pattern << "\"";
    ASSERT_EQ(PosExact(text, pattern, start), RefPos(text, pattern, kAll, kAll, start, false))
        << "round " << round << " pattern \"" << pattern << "\"";
  }
}

TEST(PosExactTest, Table) {
  EXPECT_EQ(PosExact("Hello hello", "hello"), 7u);
  EXPECT_EQ(PosExact("Hello hello", "HELLO"), 0u);
  EXPECT_EQ(PosExact("Hello hello", "Hello"), 1u);
  EXPECT_EQ(PosExact("Hello hello", "Hello", 2), 0u);
  EXPECT_EQ(PosExact("Hello hello", "l", 0), 3u);
  EXPECT_EQ(PosExact("Hello hello", "l", 5), 9u);
  EXPECT_EQ(PosExact("Hello hello", "o", 11), 11u);
  EXPECT_EQ(PosExact("Hello hello", "o", 12), 0u);
  EXPECT_EQ(PosExact("Hello", ""), 0u);
  EXPECT_EQ(PosExact("", "x"), 0u);
  EXPECT_EQ(PosExact("[{", "{"), 2u);
  EXPECT_EQ(PosExact("a\0b"sv, "\0b"sv), 2u);
  EXPECT_EQ(PosExact(std::string(20, 'a') + "A" + std::string(20, 'a'), std::string(21, 'a')), 0u);
  EXPECT_EQ(PosExact(std::string(20, 'a') + "A" + std::string(21, 'a'), std::string(21, 'a')), 22u);
}

TEST(PosExactTest, MatchesReferenceOnRandomInputs) {
  for (const RandomShape& shape : kShapes) {
    RandomText random(777);
    for (int round = 0; round < kRandomRounds; ++round) {
      const std::string text = random.Make(shape.alphabet, shape.max_text);
      const std::string pattern =
          random.Pattern(text, shape.alphabet, shape.min_pattern, shape.max_pattern);
      const std::size_t start = random.Below(text.size() + 4);
      ASSERT_EQ(PosExact(text, pattern, start), RefPos(text, pattern, kAll, kAll, start, false))
          << shape.name << " round " << round << " text \"" << text << "\" pattern \"" << pattern
          << "\" start " << start;
    }
  }
}

TEST(PosNoCaseTest, SearchesWholeTextFromTheStart) {
  EXPECT_EQ(PosNoCase("<BODY bgcolor=\"#FFFFFF\">text</BODY>", "<body"), 1u);
  EXPECT_EQ(PosNoCase("<BODY bgcolor=\"#FFFFFF\">text</BODY>", "</body>"), 29u);
  EXPECT_EQ(PosNoCase("<BODY>", ""), 0u);
  EXPECT_EQ(PosNoCase("", "<body"), 0u);
  EXPECT_EQ(PosNoCase("<HEAD></HEAD>", "<body"), 0u);
  EXPECT_EQ(PosNoCase("x\0<a HREF"sv, "<A href"), 3u);
}

TEST(StartsWithNoCaseTest, Table) {
  struct Case {
    std::string_view text;
    std::string_view prefix;
    bool expected;
  };
  const Case cases[] = {
      {"HTTPS://a/", "https:", true},
      {"https:", "HTTPS:", true},
      {"http://a/", "https:", false},
      {"Content-Encoding: gzip", "content-encoding:", true},
      {"x-content-encoding:", "content-encoding:", false},  // a prefix, not anywhere
      {"http", "http://", false},                           // text shorter than the prefix
      {"abc", "", false},                                   // an empty prefix never matches
      {"", "", false},
      {"\xC4\x62"sv, "\xE4\x62"sv, false},  // only ASCII letters fold
      {"a\0b"sv, "A\0"sv, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StartsWithNoCase(c.text, c.prefix), c.expected) << c.text << " / " << c.prefix;
  }
}

struct ReplaceCase {
  std::string_view text;
  std::string_view old_pattern;
  std::string_view new_pattern;
  unsigned flags;
  std::string_view expected;
};

TEST(FastAnsiReplaceTest, Table) {
  const ReplaceCase cases[] = {
      // One pass: three blanks become two, not one.
      {"a   b", "  ", " ", kReplaceAll, "a  b"},
      {"aaaa", "aa", "b", kReplaceAll, "bb"},
      {"aaaaa", "aa", "b", kReplaceAll, "bba"},
      {"aaa", "aa", "a", kReplaceAll, "aa"},
      {"aaaa", "aa", "b", kReplaceFirst, "baa"},
      // Replaced text is never searched again, so growing replacements terminate.
      {"aaa", "a", "aa", kReplaceAll, "aaaaaa"},
      {"abcabc", "b", "bb", kReplaceAll, "abbcabbc"},
      {"xax", "a", "<a>", kReplaceAll, "x<a>x"},
      // Case.
      {"Foo fOO foo", "foo", "bar", kReplaceAll | kIgnoreCase, "bar bar bar"},
      {"Foo fOO foo", "foo", "bar", kReplaceAll, "Foo fOO bar"},
      {"xFOOfoo", "foo", "bar", kIgnoreCase, "xbarfoo"},
      {"xFOOfoo", "foo", "bar", kReplaceFirst, "xFOObar"},
      {"[{", "[", "(", kReplaceAll | kIgnoreCase, "({"},
      {"\xC4\xE4", "\xE4", "a", kReplaceAll | kIgnoreCase, "\xC4"
                                                         "a"},
      // Deleting, nothing to do, empty inputs.
      {"<br><br/>", "<br>", "", kReplaceAll, "<br/>"},
      {"abc", "", "x", kReplaceAll, "abc"},
      {"abc", "xyz", "q", kReplaceAll, "abc"},
      {"", "a", "b", kReplaceAll, ""},
      {"ab", "abc", "x", kReplaceAll, "ab"},
      // NUL bytes.
      {"a\0b\0c"sv, "\0"sv, "-", kReplaceAll, "a-b-c"},
      {"a-b"sv, "-", "\0"sv, kReplaceAll, "a\0b"sv},
      // Occurrence at the very end and at the very start.
      {"abc", "c", "C", kReplaceAll, "abC"},
      {"abc", "a", "", kReplaceFirst, "bc"},
  };
  for (const ReplaceCase& c : cases) {
    EXPECT_EQ(FastAnsiReplace(c.text, c.old_pattern, c.new_pattern, c.flags), c.expected)
        << "text \"" << c.text << "\" old \"" << c.old_pattern << "\" new \"" << c.new_pattern
        << "\" flags " << c.flags;
  }
}

TEST(FastAnsiReplaceTest, MatchesReferenceOnRandomInputs) {
  const unsigned flag_sets[] = {kReplaceFirst, kReplaceAll, kIgnoreCase, kReplaceAll | kIgnoreCase};
  for (const RandomShape& shape : kShapes) {
    RandomText random(4242);
    for (int round = 0; round < kRandomRounds; ++round) {
      const std::string text = random.Make(shape.alphabet, shape.max_text);
      const std::string old_pattern =
          random.Pattern(text, shape.alphabet, shape.min_pattern, shape.max_pattern);
      const std::string new_pattern = random.Make(shape.alphabet, 4);
      const unsigned flags = flag_sets[random.Below(4)];
      ASSERT_EQ(FastAnsiReplace(text, old_pattern, new_pattern, flags),
                RefReplace(text, old_pattern, new_pattern, (flags & kReplaceAll) != 0,
                           (flags & kIgnoreCase) != 0))
          << shape.name << " round " << round << " text \"" << text << "\" old \""
          << old_pattern << "\" new \"" << new_pattern << "\" flags " << flags;
    }
  }
}

TEST(StringCountTest, Table) {
  EXPECT_EQ(StringCount("aaaa", "aa", true), 2u);
  EXPECT_EQ(StringCount("aaaaa", "aa", true), 2u);
  EXPECT_EQ(StringCount("aaa", "aa", true), 1u);
  EXPECT_EQ(StringCount("abababa", "aba", true), 2u);
  EXPECT_EQ(StringCount("aAaA", "aa", true), 0u);
  EXPECT_EQ(StringCount("aAaA", "aa", false), 2u);
  EXPECT_EQ(StringCount("a<A href><a HREF>", "<a href", false), 2u);
  EXPECT_EQ(StringCount("a<A href><a HREF>", "<a href", true), 0u);
  EXPECT_EQ(StringCount("[{[{", "[", false), 2u);
  EXPECT_EQ(StringCount("abc", "", true), 0u);
  EXPECT_EQ(StringCount("abc", "", false), 0u);
  EXPECT_EQ(StringCount("", "a", true), 0u);
  EXPECT_EQ(StringCount("ab", "abc", true), 0u);
  EXPECT_EQ(StringCount("\0\0\0"sv, "\0"sv, true), 3u);
  EXPECT_EQ(StringCount("abc", "abc", true), 1u);
}

TEST(StringCountTest, MatchesReferenceOnRandomInputs) {
  for (const RandomShape& shape : kShapes) {
    RandomText random(99);
    for (int round = 0; round < kRandomRounds; ++round) {
      const std::string text = random.Make(shape.alphabet, shape.max_text);
      const std::string pattern =
          random.Pattern(text, shape.alphabet, shape.min_pattern, shape.max_pattern);
      const bool case_sensitive = random.Below(2) == 0;
      ASSERT_EQ(StringCount(text, pattern, case_sensitive),
                RefCount(text, pattern, !case_sensitive))
          << shape.name << " round " << round << " text \"" << text << "\" pattern \"" << pattern
          << "\" case_sensitive " << case_sensitive;
    }
  }
}

TEST(CountOccurrencesTest, IgnoresCase) {
  EXPECT_EQ(CountOccurrences("A a A", "a"), 3u);
  EXPECT_EQ(CountOccurrences("<IMG><img><Img>", "<img>"), 3u);
  EXPECT_EQ(CountOccurrences("aaaa", "AA"), 2u);
  EXPECT_EQ(CountOccurrences("abc", ""), 0u);
  EXPECT_EQ(CountOccurrences("@`", "`"), 1u);
}

TEST(ExtractNonHTMLTest, Table) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"<b>bold</b> text", "bold text"},
      {"plain", "plain"},
      {"", ""},
      {"<p></p>", ""},
      {"x<>y", "xy"},
      // From a "<" to the next ">": a nested "<" is part of the tag.
      {"<a<b>c", "c"},
      {"a<b<c>d>e", "ad>e"},
      // Unterminated tag at the end, stray ">".
      {"a<b", "a<b"},
      {"<p>a</p><p", "a<p"},
      {"a>b", "a>b"},
      {"a > b <i>c</i>", "a > b c"},
      {"<", "<"},
      {">", ">"},
      {"<<", "<<"},
      {"><", "><"},
      // Markup over several lines and NUL bytes.
      {"<a\nhref=x>link</a>\n", "link\n"},
      {"a\0<b>\0c"sv, "a\0\0c"sv},
      {"<\0>x"sv, "x"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(ExtractNonHTML(text), expected) << "text \"" << text << "\"";
  }
}

TEST(ExtractNonHTMLTest, MatchesReferenceOnRandomInputs) {
  RandomText random(31337);
  std::string reused;  // the buffer a crawl thread keeps from page to page
  for (int round = 0; round < kRandomRounds; ++round) {
    const std::string text = random.Make("aAb<>/. \0"sv, round % 2 == 0 ? 40 : 300);
    ASSERT_EQ(ExtractNonHTML(text), RefExtractNonHTML(text))
        << "round " << round << " text \"" << text << "\"";
    ExtractNonHTML(text, reused);
    ASSERT_EQ(reused, RefExtractNonHTML(text)) << "round " << round;
  }
}

// Long runs of text between tags, so that whole blocks are copied and a "<" or ">" falls in
// every lane of a block, at the end of the text and just past a block.
TEST(ExtractNonHTMLTest, SparseTagsMatchReferenceOnRandomInputs) {
  RandomText random(4242);
  std::string reused = "kept";
  for (int round = 0; round < kRandomRounds; ++round) {
    const std::string text =
        random.Make("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaAb. <>\0"sv, 20 + round % 400);
    ASSERT_EQ(ExtractNonHTML(text), RefExtractNonHTML(text))
        << "round " << round << " text \"" << text << "\"";
    reused.resize(round % 5);  // appended after text already in the buffer
    const std::string before = reused;
    AppendNonHTML(text, reused);
    ASSERT_EQ(reused, before + RefExtractNonHTML(text)) << "round " << round;
  }
}

// The buffer keeps the length of the longest text so far; the result is the front it returns.
TEST(ExtractNonHTMLTest, IntoAKeptBufferMatchesReference) {
  RandomText random(5150);
  std::string buffer;
  for (int round = 0; round < kRandomRounds; ++round) {
    const std::string text = random.Make("aaaaaaaaAb. <>/\0"sv, round % 3 == 0 ? 500 : 40);
    const std::size_t before = buffer.size();
    const std::string_view stripped = NonHTMLInto(text, buffer);
    ASSERT_EQ(stripped, RefExtractNonHTML(text)) << "round " << round << " text \"" << text << "\"";
    ASSERT_EQ(stripped.data(), buffer.data());
    ASSERT_EQ(buffer.size(), std::max(before, text.size()));
  }
}

// Stretches that stop at random places, one call taking up the position the last one reached,
// write what one call over the whole text writes.
TEST(ExtractNonHTMLTest, StretchByStretchMatchesReference) {
  RandomText random(6061);
  for (int round = 0; round < kRandomRounds; ++round) {
    const std::string text = random.Make("aaaaaAb. <<>>/\0"sv, round % 3 == 0 ? 400 : 40);
    std::string buffer(text.size(), '#');
    char* out = buffer.data();
    std::size_t pos = 0;
    while (pos < text.size()) {
      const std::size_t until = pos + random.Below(40);
      const std::size_t reached = WriteNonHTMLUntil(text, pos, until, out);
      ASSERT_GE(reached, std::min(until, text.size())) << "round " << round;
      pos = reached;
    }
    ASSERT_EQ(std::string(buffer.data(), static_cast<std::size_t>(out - buffer.data())),
              RefExtractNonHTML(text))
        << "round " << round << " text \"" << text << "\"";
  }
}

TEST(FastAnsiReplaceTest, IntoAReusedBufferMatchesTheCopy) {
  RandomText random(99);
  std::string reused = "left over";
  for (int round = 0; round < 2000; ++round) {
    const std::string text = random.Make("aAb<>"sv, 80);
    const std::string pattern = random.Pattern(text, "aAb<>"sv, 0, 3);
    const unsigned flags = static_cast<unsigned>(random.Below(4));
    FastAnsiReplace(text, pattern, "xy", flags, reused);
    ASSERT_EQ(reused, FastAnsiReplace(text, pattern, "xy", flags)) << "round " << round;
  }
}

// Adversarial inputs: a quadratic search needs about text size * pattern length steps on these
// (4e9 and more per call); a linear one takes a small fraction of the bound even unoptimised.
class TextRoutinesLinearityTest : public ::testing::Test {
 protected:
  static constexpr std::size_t kTextSize = 4u << 20;
  static constexpr auto kBound = std::chrono::seconds(2);

  TextRoutinesLinearityTest()
      : text_(kTextSize, 'a'),
        mixed_case_(kTextSize, 'a'),
        almost_(std::string(999, 'a') + "b"),
        long_almost_(std::string(100000, 'a') + "b"),
        run_(1000, 'a') {
    for (std::size_t i = 0; i < mixed_case_.size(); i += 2) mixed_case_[i] = 'A';
  }

  void StartClock() { started_ = std::chrono::steady_clock::now(); }

  void ExpectWithinBound() const {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    EXPECT_LT(elapsed, kBound)
        << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
  }

  const std::string text_;
  std::string mixed_case_;
  const std::string almost_;       // 999 times "a", then "b"
  const std::string long_almost_;  // 100000 times "a", then "b"
  const std::string run_;          // 1000 times "a"
  std::chrono::steady_clock::time_point started_;
};

TEST_F(TextRoutinesLinearityTest, Search) {
  const std::string ending = text_ + "b";
  StartClock();
  EXPECT_EQ(FastPosNoCase(text_, almost_, text_.size(), almost_.size(), 1), 0u);
  EXPECT_EQ(FastPosNoCase(mixed_case_, almost_, mixed_case_.size(), almost_.size(), 1), 0u);
  EXPECT_EQ(FastPosNoCase(text_, long_almost_, text_.size(), long_almost_.size(), 1), 0u);
  EXPECT_EQ(PosExact(text_, almost_), 0u);
  EXPECT_EQ(PosExact(text_, long_almost_), 0u);
  // A match at the very end after millions of near misses is still found.
  EXPECT_EQ(FastPosNoCase(ending, almost_, ending.size(), almost_.size(), 1),
            ending.size() - almost_.size() + 1);
  ExpectWithinBound();
}

TEST_F(TextRoutinesLinearityTest, Count) {
  StartClock();
  EXPECT_EQ(StringCount(text_, almost_, true), 0u);
  EXPECT_EQ(StringCount(mixed_case_, almost_, false), 0u);
  EXPECT_EQ(StringCount(text_, long_almost_, true), 0u);
  EXPECT_EQ(StringCount(text_, run_, true), kTextSize / run_.size());
  EXPECT_EQ(CountOccurrences(mixed_case_, run_), kTextSize / run_.size());
  ExpectWithinBound();
}

TEST_F(TextRoutinesLinearityTest, Replace) {
  StartClock();
  EXPECT_EQ(FastAnsiReplace(text_, almost_, "x", kReplaceAll), text_);
  EXPECT_EQ(FastAnsiReplace(mixed_case_, almost_, "x", kReplaceAll | kIgnoreCase), mixed_case_);
  EXPECT_EQ(FastAnsiReplace(text_, long_almost_, "x", kReplaceAll), text_);
  // Millions of replacements: an erase-and-search-again loop moves the rest of the text each time.
  EXPECT_EQ(FastAnsiReplace(text_, "aa", "a", kReplaceAll), std::string(kTextSize / 2, 'a'));
  ExpectWithinBound();
}

TEST_F(TextRoutinesLinearityTest, ExtractNonHTML) {
  const std::string opens(kTextSize, '<');
  std::string tags;
  tags.reserve(kTextSize);
  for (std::size_t i = 0; i < kTextSize / 4; ++i) tags += "<a>x";
  StartClock();
  // Unterminated tags: a scan for ">" from every "<" would be quadratic.
  EXPECT_EQ(ExtractNonHTML(opens), opens);
  EXPECT_EQ(ExtractNonHTML(tags), std::string(kTextSize / 4, 'x'));
  ExpectWithinBound();
}

}  // namespace
}  // namespace zeb
