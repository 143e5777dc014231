#include "engine/robots_check.h"

#include <gtest/gtest.h>

#include "data/schema.h"
#include "engine/http_client.h"
#include "support/loopback_site.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

class RobotsCheckTest : public ::testing::Test {
 protected:
  RobotsCheckTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateWorkTables(session_);
  }
  std::string Url(const std::string& path) { return site_.Url("www.site.localhost", path); }

  testing::TempDir dir_;
  Session session_;
  WorkTables tables_{session_};
  testing::LoopbackSite site_;
  std::vector<std::string> notices_;
  RobotsChecker checker_{tables_, [this](const std::string& n) { notices_.push_back(n); }};
};

TEST_F(RobotsCheckTest, DisallowedPathsAreDeniedAndTheFileIsFetchedOnce) {
  site_.Page("/robots.txt",
             "# comment\r\nUser-agent: other\r\nDisallow: /\r\n\r\nUser-agent: *\r\n"
             "Disallow: /private\r\n");
  EXPECT_TRUE(checker_.CheckRobots(Url("/private/a.htm"), false));
  EXPECT_FALSE(checker_.CheckRobots(Url("/public/a.htm"), false));
  EXPECT_TRUE(checker_.CheckRobots(Url("/private"), false));
  EXPECT_EQ(site_.CountRequests("/robots.txt"), 1);
  // Written without "www." the address shares the cached key, but the entries name the www
  // host, so it is not denied.
  std::string bare = site_.Url("site.localhost", "/private/a.htm");
  EXPECT_FALSE(checker_.CheckRobots(bare, false));
  EXPECT_EQ(site_.CountRequests("/robots.txt"), 1);

  HostRow row = *tables_.FindHost("www.site.localhost:" + std::to_string(site_.port()));
  EXPECT_TRUE(row.BotFound);
  EXPECT_EQ(row.RobotText,
            (Lines{"www.site.localhost:" + std::to_string(site_.port()) + "/private"}));
  EXPECT_EQ(row.RobotFull.size(), 6u);  // comment lines included
  EXPECT_TRUE(notices_.empty());
  // The robots request carries the fixed browser-like user agent.
  EXPECT_NE(site_.Requests()[0].user_agent.find("Mozilla/4.0"), std::string::npos);
}

TEST_F(RobotsCheckTest, ASiteWithoutRobotsIsAskedOnceAndThenAllowed) {
  EXPECT_FALSE(checker_.CheckRobots(Url("/a.htm"), false));  // 404
  EXPECT_FALSE(checker_.CheckRobots(Url("/b.htm"), false));
  EXPECT_EQ(site_.CountRequests("/robots.txt"), 1);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0], "No robot found for www.site.localhost:" + std::to_string(site_.port()));
  EXPECT_FALSE(tables_.FindHost("www.site.localhost:" + std::to_string(site_.port()))->BotFound);
}

TEST_F(RobotsCheckTest, ARedirectToAnotherPageIsNoRobotsFile) {
  site_.Redirect("/robots.txt", "/index.htm");
  site_.Page("/index.htm", "User-agent: *\nDisallow: /\n");
  EXPECT_FALSE(checker_.CheckRobots(Url("/a.htm"), false));
  EXPECT_EQ(notices_.size(), 1u);
}

TEST_F(RobotsCheckTest, WhileStoppingUncachedHostsAreAllowedWithoutARequest) {
  site_.Page("/robots.txt", "User-agent: *\nDisallow: /\n");
  EXPECT_FALSE(checker_.CheckRobots(Url("/a.htm"), true));
  EXPECT_EQ(site_.CountRequests("/robots.txt"), 0);
  EXPECT_TRUE(checker_.CheckRobots(Url("/a.htm"), false));  // the whole site is closed
}

TEST_F(RobotsCheckTest, OnlyTheFirst500KiBAreRead) {
  std::string file = "User-agent: *\n";
  while (file.size() < kMaxRobotsBytes + 1000) file += "Disallow: /d" + std::to_string(file.size()) + "\n";
  file += "Disallow: /late\n";
  site_.Page("/robots.txt", file);
  EXPECT_FALSE(checker_.CheckRobots(Url("/late/x.htm"), false));
  EXPECT_TRUE(checker_.CheckRobots(Url("/d14"), false));  // the first entry
  EXPECT_TRUE(notices_.empty());
}

// The limit falls inside a line: that line is dropped in both readings, not read as the rule
// its first bytes spell.
TEST_F(RobotsCheckTest, ALineTheLimitCutsIsDropped) {
  std::string file = "User-agent: *\n";
  while (file.size() + 200 < kMaxRobotsBytes) {
    file += "Disallow: /d" + std::to_string(file.size()) + "\n";
  }
  const std::string cut_at = "Disallow: /p";
  file += "#" + std::string(kMaxRobotsBytes - file.size() - cut_at.size() - 2, 'x') + "\n";
  ASSERT_EQ(file.size() + cut_at.size(), kMaxRobotsBytes);
  file += "Disallow: /private0000001/\nDisallow: /late\n";
  site_.Page("/robots.txt", file);
  EXPECT_FALSE(checker_.CheckRobots(Url("/p0.htm"), false));
  EXPECT_TRUE(checker_.CheckRobots(Url("/d14"), false));

  HttpClient client{HttpOptions{}};
  const std::string modern = site_.Url("modern.localhost", "/p0.htm");
  EXPECT_EQ(checker_.CheckModern(modern, false, client, "ZEBBot", nullptr, {}).kind,
            RobotsVerdict::Kind::kAllowed);
  EXPECT_EQ(checker_.CheckModern(site_.Url("modern.localhost", "/d14"), false, client, "ZEBBot",
                                 nullptr, {}).kind,
            RobotsVerdict::Kind::kDenied);
}

TEST(DocumentNameTest, Cases) {
  EXPECT_EQ(DocumentName("http://a.test/robots.txt"), "robots.txt");
  EXPECT_EQ(DocumentName("http://a.test/x/ROBOTS.TXT?v=1"), "ROBOTS.TXT");
  EXPECT_EQ(DocumentName("http://a.test/"), "");
  EXPECT_EQ(DocumentName("http://a.test"), "");
}

}  // namespace
}  // namespace zeb
