// zebhost check --parallel: the same partners checked one after another in one data folder and
// four at once in another leave the same stored fields, history and run report; two partners
// of one host are never checked at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "console/parallel_run.h"
#include "support/loopback_site.h"
#include "support/temp_dir.h"
#include "zebhost_fixture.h"

namespace zebhost {
namespace {

using namespace std::chrono_literals;
using zeb::testing::LoopbackSite;
using zeb::testing::Reply;

// The stored rows that a check writes, without row ids and clock times (the day stays).
const std::map<std::string, std::string> kDumps = {
    {"LA", "SELECT * FROM LA ORDER BY Project, SiteName"},
    {"LAHist", "SELECT * FROM LAHist ORDER BY Project, SiteName, xDate"},
    {"ZEBAnalyze",
     "SELECT SiteName, Project, substr(xDate, 1, 10), HopSequence, Hops, BaseURL, ShortCheck,"
     " Base_TitleTag, Base_DescTag, Base_KWTag, Base_KWDensity, Back_TitleTag, Back_DescTag,"
     " Back_KWTag, Back_KWDensity, AllLinks, InternalLinks, ExternalLinks, AllLinkPosition,"
     " AllLinksTotal, AllLinkStack, ExternalLinkPosition, ExternalLinksTotal, ExternalLinkStack,"
     " WordPosTags, WordTotalTags, WordTotalTagsDiff, WordPosNoTags, WordTotalNoTags,"
     " WordTotalNoTagsDiff, TreeResults FROM ZEBAnalyze ORDER BY Project, SiteName"},
    {"ZEBCheckHistory",
     "SELECT Project, SiteName, substr(CheckedAt, 1, 10), Result, Reason, URL, Lost"
     " FROM ZEBCheckHistory ORDER BY Project, SiteName, id"},
    {"ZEBLinkVerdict",
     "SELECT Project, SiteName, substr(CheckedAt, 1, 10), Result, Verdict, Reason, URL,"
     " AnchorText, Hops, LinkPosition, LinksTotal, ExternalPosition, ExternalTotal, WordPosition,"
     " Evidence FROM ZEBLinkVerdict ORDER BY Project, SiteName, id"},
};

class ZebhostParallelTest : public ZebhostTest {
 protected:
  // A data folder and settings store of their own, named `name`, with the project and partners.
  void MakePlace(const std::string& name) {
    ::setenv("ZEB_SETTINGS_FILE", (dir_ / (name + ".ini")).c_str(), 1);
    Ok({"init", "--data", (dir_ / name / "data").string(), "--exe",
        (dir_ / name / "exe").string()});
    for (const char* setting : {"ZEBAnalyzeFound", "ZEBAnalyzeBase", "ZEBAutoUpdatePartner"}) {
      Ok({"settings", "set", setting, "true"});
    }
    Ok({"settings", "set", "ZEBSelConnections", "5"});
    Ok({"project", "add", "Demo"});
    for (const auto& [partner, home] : partners_) {
      Ok({"partner", "add", "--project", "Demo", "--name", partner, "--home", home, "--find",
          "mysite.example"});
    }
  }
  std::string Dump(const std::string& name, const std::string& sql) {
    return Shell("sqlite3 -separator '|' '" + (dir_ / name / "data" / "zeb.sqlite").string() +
                 "' \"" + sql + "\"");
  }

  LoopbackSite site_;
  std::vector<std::pair<std::string, std::string>> partners_;
};

TEST_F(ZebhostParallelTest, FourAtOnceStoreWhatOneAfterAnotherStores) {
  const std::string link = "<a href=\"http://mysite.example/\">My site</a>";
  const auto page = [](const std::string& body) {
    return "<html><head><title>T</title><meta name=\"keywords\" content=\"cats, dogs\"></head>"
           "<body><p>Friends and partners of ours.</p>" +
           body + "</body></html>";
  };
  site_.Page("/found.htm", page(link));
  Reply deep;  // answered after 100 ms, so that its check lasts
  deep.delay = 100ms;
  deep.body = page("<a href=\"/deep-links.htm\">links</a>");
  site_.Serve("/deep.htm", deep);
  deep.body = page("<a href=\"/x.htm\">x</a> " + link);
  site_.Serve("/deep-links.htm", deep);
  site_.Page("/lost.htm", page("<a href=\"/lost-2.htm\">more</a>"));
  site_.Page("/lost-2.htm", page("<p>nothing</p>"));
  site_.Page("/nofollow.htm",
             page("<a href=\"http://mysite.example/\" rel=\"nofollow\">My site</a>"));
  Reply wall;
  wall.status = 403;
  wall.headers = {{"cf-mitigated", "challenge"}};
  wall.body = "<html><body>Just a moment...</body></html>";
  site_.Serve("/wall.htm", wall);
  // Two partners of one host, each page answered after 150 ms.
  Reply slow;
  slow.delay = 150ms;
  slow.body = page("<a href=\"/shared-2.htm\">on</a>");
  site_.Serve("/shared-a.htm", slow);
  site_.Serve("/shared-b.htm", slow);
  slow.body = page(link);
  site_.Serve("/shared-2.htm", slow);
  partners_ = {
      {"Found", site_.Url("found.localhost", "/found.htm")},
      {"Shared A", site_.Url("www.shared.localhost", "/shared-a.htm")},
      {"Deep", site_.Url("deep.localhost", "/deep.htm")},
      {"Lost, \"quoted\"", site_.Url("lost.localhost", "/lost.htm")},
      {"Shared B", site_.Url("shared.localhost", "/shared-b.htm")},
      {"Nofollow", site_.Url("nofollow.localhost", "/nofollow.htm")},
      {"Walled", site_.Url("walled.localhost", "/wall.htm")},
  };

  MakePlace("one");
  const std::string one = Ok({"check", "--project", "Demo", "--all", "--tick-ms", "10"});
  MakePlace("four");
  const auto before_four = std::chrono::steady_clock::now();
  const std::string four =
      Ok({"check", "--project", "Demo", "--all", "--tick-ms", "10", "--parallel", "4"});

  for (const auto& [table, sql] : kDumps) {
    const std::string a = Dump("one", sql);
    EXPECT_FALSE(a.empty()) << table;
    EXPECT_EQ(a, Dump("four", sql)) << table;
  }
  EXPECT_EQ(zeb::testing::ReadFile(dir_ / "one" / "exe" / "botmail.txt"),
            zeb::testing::ReadFile(dir_ / "four" / "exe" / "botmail.txt"));
  // The result table lists the partners in the order given, as one after another does.
  EXPECT_EQ(one.substr(one.find("\nPartner ")), four.substr(four.find("\nPartner ")));
  EXPECT_NE(four.find("Checking 7 partners of Demo, up to 4 at once"), std::string::npos);
  // Nothing of the runs' own work folders is left behind.
  for (const auto& entry : std::filesystem::directory_iterator(dir_ / "four" / "data")) {
    EXPECT_EQ(entry.path().filename().string().find(".zeb-run"), std::string::npos);
  }

  // The two partners of one host ("www." or not) were checked one after the other.
  std::vector<std::chrono::steady_clock::time_point> a, b;
  for (const zeb::testing::LoggedRequest& r : site_.Requests()) {
    if (r.at < before_four) continue;
    if (r.path == "/shared-a.htm") a.push_back(r.at);
    if (r.path == "/shared-b.htm") b.push_back(r.at);
  }
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  // Every request of one partner came before every request of the other, the pages of the
  // first (answered after 150 ms each) having been read before the second began.
  const bool apart = a.back() < b.front() || b.back() < a.front();
  EXPECT_TRUE(apart);
  // Meanwhile other partners were checked: Deep's requests (100 ms each) and Shared A's (from
  // its robots.txt on) overlap, the two being among the first four partners.
  std::vector<std::chrono::steady_clock::time_point> shared_a, deep_requests;
  for (const zeb::testing::LoggedRequest& r : site_.Requests()) {
    if (r.at < before_four) continue;
    if (r.host.starts_with("www.shared.localhost")) shared_a.push_back(r.at);
    if (r.host.starts_with("deep.localhost")) deep_requests.push_back(r.at);
  }
  ASSERT_FALSE(deep_requests.empty());
  EXPECT_TRUE(deep_requests.front() < shared_a.back() && shared_a.front() < deep_requests.back());
  const auto gap = a.front() < b.front() ? b.front() - a.front() : a.front() - b.front();
  EXPECT_GE(gap, 300ms);
}

TEST_F(ZebhostParallelTest, TheNumberOfPartnersAtOnceIsChecked) {
  Init();
  Ok({"project", "add", "Demo"});
  for (const char* bad : {"0", "21", "x", "-1", "2.5"}) {
    Fails({"check", "--project", "Demo", "--all", "--parallel", bad}, "--parallel");
  }
}

TEST(PoliteHostKeyTest, OneHostWhateverItsSpelling) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://www.Cats.example:8080/links/", "cats.example"},
      {"https://cats.example", "cats.example"},
      {"http://user:pw@WWW.cats.example/?q=1", "cats.example"},
      {"http://[::1]:80/", "[::1]"},
      {"http://wwwcats.example/", "wwwcats.example"},
  };
  for (const auto& [url, key] : cases) EXPECT_EQ(zeb::PoliteHostKey(url), key) << url;
}

}  // namespace
}  // namespace zebhost
