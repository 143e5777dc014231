#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/random_pages.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

struct PathCase {
  std::string_view base;
  std::string_view relative;
  std::string_view delimiter;
  std::string_view expected;
};

TEST(ProcessPathTest, Table) {
  const PathCase cases[] = {
      // Joining; the "//" after the scheme collapses like any other run.
      {"http://site.test/a/", "c.htm", "/", "http:/site.test/a/c.htm"},
      {"http://site.test/a", "c.htm", "/", "http:/site.test/a/c.htm"},
      {"http://site.test", "", "/", "http:/site.test/"},
      {"http://", "", "/", "http:/"},
      // ".." at various depths and beyond the root.
      {"http://site.test/a/b/", "../c.htm", "/", "http:/site.test/a/c.htm"},
      {"http://site.test/a/b/", "../../c.htm", "/", "http:/site.test/c.htm"},
      {"http://site.test/a/b/", "x/../../y/../c.htm", "/", "http:/site.test/a/c.htm"},
      {"http://site.test/a/b/", "../../../c.htm", "/", "http:/c.htm"},
      {"http://site.test/a/b/", "../../../../../../c.htm", "/", "c.htm"},
      {"/a/", "../../x", "/", "/x"},
      {"a/b/c/", "../", "/", "a/b/"},
      {"a/b/c/", "..", "/", "a/b/"},
      {"a/b/", "c/..", "/", "a/b/"},
      {"a/", "../", "/", ""},
      {"/a/", "../", "/", "/"},
      // "." segments.
      {"a/b/", "./c", "/", "a/b/c"},
      {"a/./b", "c", "/", "a/b/c"},
      {"a/b", ".", "/", "a/b/"},
      {"./a", "b", "/", "a/b"},
      // Names that merely contain dots are ordinary segments.
      {"a/", "..b/.c/.../d..", "/", "a/..b/.c/.../d.."},
      {"site.test/", "file.name.htm", "/", "site.test/file.name.htm"},
      // Runs of delimiters.
      {"a//b///", "c//d", "/", "a/b/c/d"},
      {"a/", "/b", "/", "a/b"},
      {"///", "///", "/", "/"},
      {"a/b/", "c///", "/", "a/b/c/"},
      // Empty parts.
      {"a/b/", "", "/", "a/b/"},
      {"a/b", "", "/", "a/b/"},
      {"", "a", "/", "/a"},
      {"", "", "/", "/"},
      // Empty delimiter: plain concatenation, nothing resolved or collapsed.
      {"http://site.test/a/", "c.htm", "", "http://site.test/a/c.htm"},
      {"a/b/", "../c", "", "a/b/../c"},
      {"a//", "./", "", "a//./"},
      {"", "", "", ""},
      // Other delimiters.
      {"C:\\dir\\sub\\", "..\\file.txt", "\\", "C:\\dir\\file.txt"},
      {"C:\\dir\\sub", "file.txt", "\\", "C:\\dir\\sub\\file.txt"},
      {"a/b", "c", "\\", "a/b\\c"},
      {"a::b::", "..::c", "::", "a::c"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(ProcessPath(c.base, c.relative, c.delimiter), c.expected)
        << "base \"" << c.base << "\" relative \"" << c.relative << "\" delimiter \"" << c.delimiter
        << "\"";
  }
}

// Slow reference for the "/" delimiter: the path as a list of tokens ("/" or a name) that is
// rewritten one rule at a time, from the left, until no rule applies.
std::string RefProcessPath(std::string_view base, std::string_view relative) {
  std::string joined(base);
  if (joined.empty() || joined.back() != '/') joined += '/';
  joined += relative;

  std::vector<std::string> tokens;
  for (const char c : joined) {
    if (c == '/') {
      tokens.emplace_back("/");
    } else if (tokens.empty() || tokens.back() == "/") {
      tokens.emplace_back(1, c);
    } else {
      tokens.back() += c;
    }
  }
  auto erase = [&tokens](std::size_t from, std::size_t count) {
    tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(from),
                 tokens.begin() + static_cast<std::ptrdiff_t>(from + count));
  };
  auto slash_at = [&tokens](std::size_t i) { return i < tokens.size() && tokens[i] == "/"; };

  // A run of delimiters becomes one.
  for (std::size_t i = 0; i + 1 < tokens.size();) {
    if (tokens[i] == "/" && tokens[i + 1] == "/") {
      erase(i, 1);
    } else {
      ++i;
    }
  }
  // A "." goes, with the delimiter after it.
  for (std::size_t i = 0; i < tokens.size();) {
    if (tokens[i] == ".") {
      erase(i, slash_at(i + 1) ? 2 : 1);
    } else {
      ++i;
    }
  }
  // The first ".." takes the name before it along, and the delimiter after it.
  bool changed = true;
  while (changed) {
    changed = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (tokens[i] != "..") continue;
      const std::size_t after = slash_at(i + 1) ? 2 : 1;
      if (i >= 2 && tokens[i - 1] == "/" && tokens[i - 2] != "/") {
        erase(i - 2, 2 + after);
      } else {
        erase(i, after);
      }
      changed = true;
      break;
    }
  }
  std::string result;
  for (const std::string& token : tokens) result += token;
  return result;
}

// Weighted so that ".", "..", "..." and runs of "/" all come up often.
const std::string kPathAlphabet = "a./././b..//";

TEST(ProcessPathTest, MatchesReferenceOnRandomInputs) {
  testing::RandomPages random(8086u);
  auto make = [&random](std::size_t max_length) { return random.Text(kPathAlphabet, max_length); };
  for (int round = 0; round < 10000; ++round) {
    const std::string base = make(12);
    const std::string relative = make(12);
    ASSERT_EQ(ProcessPath(base, relative, "/"), RefProcessPath(base, relative))
        << "round " << round << " base \"" << base << "\" relative \"" << relative << "\"";
    ASSERT_EQ(ProcessPath(base, relative, ""), base + relative)
        << "round " << round << " base \"" << base << "\" relative \"" << relative << "\"";
  }
}

// The appending form keeps what out held and adds the same path.
TEST(ProcessPathTest, AppendMatchesReferenceOnRandomInputs) {
  testing::RandomPages random(1211u);
  auto make = [&random](std::size_t max_length) { return random.Text(kPathAlphabet, max_length); };
  for (int round = 0; round < 10000; ++round) {
    const std::string base = make(12);
    const std::string relative = make(12);
    const std::string head = make(4);
    std::string out = head;
    AppendProcessedPath(base, relative, "/", out);
    ASSERT_EQ(out, head + RefProcessPath(base, relative))
        << "round " << round << " base \"" << base << "\" relative \"" << relative << "\"";
    out = head;
    AppendProcessedPath(base, relative, "", out);
    ASSERT_EQ(out, head + base + relative) << "round " << round;
  }
}

// Each of these costs a quadratic implementation (erasing in place, searching again from the
// start) some 1e11 byte moves or more; a one-pass version takes milliseconds.
TEST(ProcessPathTest, LongPathsFinishQuickly) {
  constexpr std::size_t kSegments = 1u << 18;
  std::string base;
  std::string ups;
  for (std::size_t i = 0; i < kSegments; ++i) {
    base += "a/";
    ups += "../";
  }
  const std::string slashes(1u << 20, '/');
  std::string dots;
  for (std::size_t i = 0; i < kSegments; ++i) dots += "./";

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ProcessPath(base, ups + "x", "/"), "x");
  EXPECT_EQ(ProcessPath(slashes, slashes, "/"), "/");
  EXPECT_EQ(ProcessPath("r/", dots + "x", "/"), "r/x");
  EXPECT_EQ(ProcessPath(base, "", "/"), base);
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_LT(elapsed, std::chrono::seconds(2))
      << std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count() << " ms";
}

}  // namespace
}  // namespace zeb
