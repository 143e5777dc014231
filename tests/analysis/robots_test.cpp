#include "analysis/robots.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zeb {
namespace {

const std::string kHost = "www.site.test";

TEST(RobotsHostKeyTest, Cases) {
  struct Case {
    const char* name;
    std::string url;
    std::string want;
  };
  const Case cases[] = {
      {"http:// dropped, www. added, path cut", "http://site.test/a/b.htm", "www.site.test"},
      {"scheme in upper case, host case kept", "HTTP://Site.Test/a", "www.Site.Test"},
      {"no scheme", "site.test/a", "www.site.test"},
      {"www already there", "http://www.site.test/a", "www.site.test"},
      {"WWW in upper case", "http://WWW.site.test/", "WWW.site.test"},
      {"www without a dot counts as www", "http://wwwsite.test/a", "wwwsite.test"},
      {"port kept", "http://site.test:8080/a/b.htm", "www.site.test:8080"},
      {"port kept with www", "http://www.site.test:8080/", "www.site.test:8080"},
      {"https:// dropped like http://", "https://site.test/x", "www.site.test"},
      {"HTTPS:// in upper case", "HTTPS://www.site.test:8443/x", "www.site.test:8443"},
      {"no path", "http://site.test", "www.site.test"},
      {"a query is not a path", "http://site.test?x=1", "www.site.test?x=1"},
      {"empty address", "", "www."},
      {"scheme only", "http://", "www."},
      {"starts with /", "/a/b", "www."},
  };
  for (const Case& c : cases) EXPECT_EQ(RobotsHostKey(c.url), c.want) << c.name;
}

struct ParseCase {
  const char* name;
  Lines file;
  Lines want;
};

void ExpectParsed(const ParseCase* begin, const ParseCase* end) {
  for (const ParseCase* c = begin; c != end; ++c) {
    EXPECT_EQ(ParseRobots(c->file, kHost), c->want) << c->name;
  }
}

TEST(ParseRobotsTest, DisallowValues) {
  const ParseCase cases[] = {
      {"a path gets the host in front",
       {"User-agent: *", "Disallow: /private"},
       {"www.site.test/private"}},
      {"a value without / is kept as written", {"User-agent: *", "Disallow: private"}, {"private"}},
      {"a lone / closes the site: just the host", {"User-agent: *", "Disallow: /"}, {kHost}},
      {"a lone / replaces the entries before it",
       {"User-agent: *", "Disallow: /a", "Disallow: /"},
       {kHost}},
      {"a lone / stops parsing", {"User-agent: *", "Disallow: /", "Disallow: /b"}, {kHost}},
      {"only the first * is removed",
       {"User-agent: *", "Disallow: /cgi-bin/*.pl"},
       {"www.site.test/cgi-bin/.pl"}},
      {"a second * stays", {"User-agent: *", "Disallow: /*a*b"}, {"www.site.test/a*b"}},
      {"/* is not a lone /",
       {"User-agent: *", "Disallow: /*", "Disallow: /b"},
       {"www.site.test/", "www.site.test/b"}},
      {"removing * can make a value begin with /",
       {"User-agent: *", "Disallow: */a"},
       {"www.site.test/a"}},
      {"a lone * gives an empty entry", {"User-agent: *", "Disallow: *"}, {""}},
      {"an empty value gives an empty entry",
       {"User-agent: *", "Disallow:", "Disallow: /b"},
       {"", "www.site.test/b"}},
      {"a blank value gives an empty entry", {"User-agent: *", "Disallow:  \t "}, {""}},
      {"blanks and tabs around the value are trimmed",
       {"User-agent: *", "Disallow:\t /a \t"},
       {"www.site.test/a"}},
      {"a trailing comment stays in the entry",
       {"User-agent: *", "Disallow: /a # old"},
       {"www.site.test/a # old"}},
      {"no blank after the field", {"User-agent: *", "Disallow:/a"}, {"www.site.test/a"}},
      {"field in any case",
       {"user-agent: *", "DISALLOW: /a", "disallow: /b"},
       {"www.site.test/a", "www.site.test/b"}},
      {"NUL at the end is trimmed, inside it stays",
       {"User-agent: *", std::string("Disallow: /a\0b\0", 15)},
       {std::string("www.site.test/a\0b", 17)}},
  };
  ExpectParsed(std::begin(cases), std::end(cases));
}

TEST(ParseRobotsTest, Groups) {
  const ParseCase cases[] = {
      {"another robot's group is ignored, a following * group is read",
       {"User-agent: otherbot", "Disallow: /a", "", "User-agent: *", "Disallow: /b"},
       {"www.site.test/b"}},
      {"a * group ends at the next user-agent line",
       {"User-agent: *", "Disallow: /a", "User-agent: otherbot", "Disallow: /b"},
       {"www.site.test/a"}},
      {"two * groups are both collected",
       {"User-agent: *", "Disallow: /a", "User-agent: x", "Disallow: /x", "User-agent: *",
        "Disallow: /b"},
       {"www.site.test/a", "www.site.test/b"}},
      {"disallow lines before any user-agent line are skipped",
       {"Disallow: /a", "User-agent: *", "Disallow: /b"},
       {"www.site.test/b"}},
      {"blank and allow lines do not end a group",
       {"User-agent: *", "", "Allow: /x", "Crawl-delay: 5", "Disallow: /b"},
       {"www.site.test/b"}},
      {"of consecutive user-agent lines only the last counts",
       {"User-agent: *", "User-agent: otherbot", "Disallow: /a"},
       {}},
      {"the last of consecutive user-agent lines is *",
       {"User-agent: otherbot", "User-agent: *", "Disallow: /a"},
       {"www.site.test/a"}},
      {"no blank after user-agent:", {"User-agent:*", "Disallow: /a"}, {"www.site.test/a"}},
      {"blanks around the robot name are trimmed",
       {"User-agent: \t*\t ", "Disallow: /a"},
       {"www.site.test/a"}},
      {"a comment after * makes another name", {"User-agent: * # all", "Disallow: /a"}, {}},
      {"a robot name that begins with * is another name", {"User-agent: *bot", "Disallow: /a"}, {}},
      {"a user-agent line not at the start ends a * group",
       {"User-agent: *", "Disallow: /a", "  User-agent: *", "Disallow: /b"},
       {"www.site.test/a"}},
      {"a user-agent line not at the start: value is cut 11 from the line start",
       {"X-User-agent:*", "Disallow: /a"},
       {}},
      {"a disallow line holding user-agent: starts a group",
       {"User-agent: *", "Disallow: /x?user-agent:y", "Disallow: /b"},
       {}},
      {"a disallow line not at position 1 is ignored",
       {"User-agent: *", " Disallow: /a", "\tDisallow: /b", "Disallow: /c"},
       {"www.site.test/c"}},
      {"a disallow field inside the line is ignored", {"User-agent: *", "No-disallow: /a"}, {}},
  };
  ExpectParsed(std::begin(cases), std::end(cases));
}

TEST(ParseRobotsTest, CommentsAndLineEnds) {
  const ParseCase cases[] = {
      {"a # line is removed before the walk",
       {"User-agent: *", "# user-agent: x", "Disallow: /a"},
       {"www.site.test/a"}},
      {"a # line does not start a group", {"#User-agent: *", "Disallow: /a"}, {}},
      {"a # not in first place is no comment",
       {"User-agent: *", " # user-agent: x", "Disallow: /a"},
       {}},
      {"a commented disallow is not read", {"User-agent: *", "#Disallow: /a"}, {}},
      {"lines that keep a CR at the end",
       {"User-agent: *\r", "Disallow: /a\r"},
       {"www.site.test/a"}},
      {"CR LF lines split",
       SplitLines("User-agent: *\r\nDisallow: /a\r\n\r\nDisallow: /b\r\n"),
       {"www.site.test/a", "www.site.test/b"}},
      {"CR-only lines split", SplitLines("User-agent: *\rDisallow: /a\r"), {"www.site.test/a"}},
      {"empty file", {}, {}},
      {"only empty lines", {"", "", ""}, {}},
  };
  ExpectParsed(std::begin(cases), std::end(cases));
}

TEST(ParseRobotsTest, HostOfTheEntries) {
  const Lines file = {"User-agent: *", "Disallow: /a", "Disallow: b"};
  EXPECT_EQ(ParseRobots(file, "site.test:8080"), (Lines{"site.test:8080/a", "b"}));
  EXPECT_EQ(ParseRobots(file, ""), (Lines{"/a", "b"}));
  EXPECT_EQ(ParseRobots({"User-agent: *", "Disallow: /"}, ""), Lines{""});
}

TEST(RobotsDeniesTest, Cases) {
  struct Case {
    const char* name;
    Lines entries;
    std::string url;
    bool want;
  };
  const Case cases[] = {
      {"a host entry denies every address of the host", {kHost}, "http://www.site.test/x", true},
      {"a host entry denies the site root", {kHost}, "http://www.site.test", true},
      {"a host entry does not deny the host without www", {kHost}, "http://site.test/x", false},
      {"a path entry denies what lies below it",
       {"www.site.test/private"},
       "http://www.site.test/private/x",
       true},
      {"a path entry is a plain prefix of the path",
       {"www.site.test/private"},
       "http://www.site.test/privatex",
       true},
      {"a path entry does not deny the address without www",
       {"www.site.test/private"},
       "http://site.test/private/x",
       false},
      {"matching is case-sensitive",
       {"www.site.test/private"},
       "http://www.site.test/Private/x",
       false},
      {"the entry may stand anywhere in the address",
       {"www.site.test/private"},
       "http://other.test/?u=www.site.test/private",
       true},
      {"an entry without / matches anywhere", {"private"}, "http://www.site.test/a/private", true},
      {"an empty entry never matches", {""}, "http://www.site.test/x", false},
      {"an entry with a comment never matches",
       {"www.site.test/a # old"},
       "http://www.site.test/a",
       false},
      {"the second entry matches",
       {"www.site.test/a", "www.site.test/b"},
       "http://www.site.test/b/c",
       true},
      {"an empty entry does not hide a later match",
       {"", "www.site.test/b"},
       "http://www.site.test/b",
       true},
      {"no entries", {}, "http://www.site.test/x", false},
      {"empty address", {"a"}, "", false},
      {"NUL bytes match exactly", {std::string("/a\0b", 4)}, std::string("x/a\0b", 5), true},
      {"a NUL does not match another byte", {std::string("/a\0b", 4)}, "x/a b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(RobotsDenies(c.url, c.entries), c.want) << c.name;
}

TEST(RobotsTest, ParsedRulesDenyAsWritten) {
  const std::string url = "http://site.test/private/a.htm";
  const Lines closed = ParseRobots({"User-agent: *", "Disallow: /"}, RobotsHostKey(url));
  EXPECT_TRUE(RobotsDenies("http://www.site.test/a.htm", closed));
  EXPECT_TRUE(RobotsDenies("http://www.site.test", closed));
  EXPECT_FALSE(RobotsDenies("http://site.test/a.htm", closed));

  const Lines private_path =
      ParseRobots({"User-agent: *", "Disallow: /private"}, RobotsHostKey(url));
  EXPECT_TRUE(RobotsDenies("http://www.site.test/private/a.htm", private_path));
  EXPECT_FALSE(RobotsDenies(url, private_path));
  EXPECT_FALSE(RobotsDenies("http://www.site.test/public/a.htm", private_path));

  const Lines cgi = ParseRobots({"User-agent: *", "Disallow: /cgi-bin/*.pl"}, kHost);
  EXPECT_TRUE(RobotsDenies("http://www.site.test/cgi-bin/.pl", cgi));
  EXPECT_FALSE(RobotsDenies("http://www.site.test/cgi-bin/x.pl", cgi));

  const Lines empty_value = ParseRobots({"User-agent: *", "Disallow:"}, kHost);
  EXPECT_FALSE(RobotsDenies("http://www.site.test/x", empty_value));
}

// The plain reading of the matching rule: some non-empty entry occurs in the address.
bool NaiveDenies(const std::string& url, const Lines& entries) {
  for (const std::string& entry : entries) {
    if (!entry.empty() && url.find(entry) != std::string::npos) return true;
  }
  return false;
}

TEST(RobotsTest, RandomFilesAgreeWithPlainMatching) {
  const std::string junk[] = {
      "User-agent:", "user-agent: *",      "Disallow:", "disallow: /", " ", "*", "/", "#",
      "a",           std::string(1, '\0'), "\t",        "\r",          "\n"};
  const std::string agents[] = {" *", "*", " * ", "\t*", " x", "*x", "", " # *"};
  const std::string letters_of_urls = "ab/*w. #:";
  std::mt19937 random(777u);
  auto pick = [&random](std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
  };
  auto letters = [&](std::size_t max_length) {
    std::string text(pick(max_length + 1), ' ');
    for (char& c : text) c = letters_of_urls[pick(letters_of_urls.size())];
    return text;
  };
  std::size_t with_entries = 0;
  std::size_t denied = 0;
  for (int round = 0; round < 10000; ++round) {
    Lines file(pick(9));
    for (std::string& line : file) {
      switch (pick(7)) {
        case 0:
          line = (pick(2) == 0 ? "User-agent:" : "USER-AGENT:") + agents[pick(8)];
          break;
        case 1:
          line = "Disallow: " + letters(4);
          break;
        case 2:
          line = "disallow:" + letters(3);
          break;
        case 3:
          line = "Disallow: /";
          break;
        case 4:
          line = "#" + letters(3);
          break;
        case 5:
          line = " Disallow: /" + letters(2);
          break;
        default:
          for (std::size_t k = pick(6); k > 0; --k) line += junk[pick(std::size(junk))];
      }
    }
    const std::string host = RobotsHostKey(letters(3));
    const std::string url = (pick(2) == 0 ? host : std::string()) + letters(14);
    const Lines entries = ParseRobots(file, host);
    const bool denies = RobotsDenies(url, entries);
    ASSERT_EQ(denies, NaiveDenies(url, entries)) << "round " << round << " url " << url;
    for (const std::string& entry : entries) {
      ASSERT_FALSE(entry.starts_with('/')) << "round " << round;
    }
    with_entries += entries.empty() ? 0 : 1;
    denied += denies ? 1 : 0;
  }
  // The files exercise the parser: many give entries, and a fair share of them deny.
  EXPECT_GT(with_entries, 1000u);
  EXPECT_GT(denied, 300u) << with_entries;
}

TEST(RobotsTest, HostileSizes) {
  // 20,000 lines, about 500 KB.
  Lines file = {"User-agent: *"};
  while (file.size() < 20000) {
    file.push_back("Disallow: /path/" + std::to_string(file.size()) + "/*abcdefg");
  }
  const Lines entries = ParseRobots(file, kHost);
  ASSERT_EQ(entries.size(), 19999u);
  EXPECT_EQ(entries.back(), "www.site.test/path/19999/abcdefg");
  const std::string url = "http://www.site.test/" + std::string(1000, 'p');
  EXPECT_FALSE(RobotsDenies(url, entries));
  EXPECT_TRUE(RobotsDenies(url + "www.site.test/path/123/abcdefg", entries));

  // One line of 500 KB, repeated fields and NULs.
  std::string fields;
  while (fields.size() < (500u << 10)) fields += "user-agent:";
  EXPECT_TRUE(ParseRobots({fields, "Disallow: /a"}, kHost).empty());
  const std::string nuls(500u << 10, '\0');
  EXPECT_TRUE(ParseRobots({"User-agent: *", nuls, "Disallow:" + nuls}, kHost) == Lines{""});

  // A long entry that almost occurs everywhere in a long address.
  const std::string near_entry = std::string(100000, 'a') + "b";
  EXPECT_FALSE(RobotsDenies(std::string(10u << 20, 'a'), {near_entry}));
  EXPECT_TRUE(RobotsDenies(std::string(10u << 20, 'a') + "b", {near_entry}));
  EXPECT_EQ(RobotsHostKey(std::string(10u << 20, 'x')).size(), (10u << 20) + 4);
  EXPECT_TRUE(ParseRobots({}, "").empty());
}

}  // namespace
}  // namespace zeb
