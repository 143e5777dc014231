#include "console/bot_settings.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace zeb {
namespace {

class BotSettingsTest : public ::testing::Test {
 protected:
  BotSettingsTest() : store_(dir_ / "settings.ini") { store_.CreateKey(kStartupSettingsKey); }
  void Set(const std::string& name, const std::string& value) {
    store_.OpenKey(kStartupSettingsKey)->WriteString(name, value);
  }
  BotSettings Load() { return LoadBotSettings(store_, dir_.folder(), &problems_); }

  testing::TempDir dir_;
  SettingsStore store_;
  std::vector<std::string> problems_;
};

TEST_F(BotSettingsTest, AnEmptyKeyGivesTheFormDefaults) {
  BotSettings s = Load();
  EXPECT_FALSE(s.AnalyzeBase);
  EXPECT_FALSE(s.Connections.has_value());
  EXPECT_EQ(s.IgnoreSize, 125000);
  EXPECT_EQ(s.StopHops, 3);
  EXPECT_EQ(s.StopLinks, 0);
  EXPECT_FALSE(s.UserAgent.empty());
  EXPECT_TRUE(problems_.empty());
  // A store without the key loads the same way.
  SettingsStore none(dir_ / "none.ini");
  EXPECT_EQ(LoadBotSettings(none, dir_.folder(), &problems_).IgnoreSize, 125000);
}

TEST_F(BotSettingsTest, SwitchesReadTrueInAnyCaseOnly) {
  for (const auto& [text, on] : std::vector<std::pair<std::string, bool>>{
           {"true", true}, {"True", true}, {"TRUE", true}, {"yes", false}, {"1", false},
           {"", false}}) {
    Set("ZEBAnalyzeFound", text);
    Set("HotLink", text);
    BotSettings s = Load();
    EXPECT_EQ(s.AnalyzeFound, on) << text;
    EXPECT_EQ(s.HotLink, on) << text;
  }
}

TEST_F(BotSettingsTest, ConnectionsMustBeOneOfTheItems) {
  Set("ZEBSelConnections", "7");
  EXPECT_FALSE(Load().Connections.has_value());
  Set("ZEBSelConnections", "20");
  EXPECT_EQ(Load().Connections, 20);
}

TEST_F(BotSettingsTest, NumbersAreStrictClampedAndReported) {
  Set("ZEBStopHops", "-1");
  Set("ZEBIgnoreSize", "100");        // below the control's 5000
  Set("ZEBThrottleProc", "lots");     // not a number
  Set("ZEBStopTime", "-5");           // below 0
  BotSettings s = Load();
  EXPECT_EQ(s.StopHops, -1);
  EXPECT_EQ(s.IgnoreSize, 5000);
  EXPECT_EQ(s.ThrottleProc, 0);
  EXPECT_EQ(s.StopTime, 0);
  ASSERT_EQ(problems_.size(), 3u);
  EXPECT_NE(problems_[0].find("ZEBThrottleProc \"lots\""), std::string::npos) << problems_[0];
  EXPECT_NE(problems_[1].find("ZEBIgnoreSize 100"), std::string::npos) << problems_[1];
  // The values after a bad one still load.
  EXPECT_EQ(s.StopLinks, 0);
}

TEST_F(BotSettingsTest, ListFilesAreReadAsTheyStand) {
  testing::WriteFile(dir_ / "STFilter.txt", "The\r\nand\nof\r");
  testing::WriteFile(dir_ / "URLExceptions.txt", "logout\r\n\r\n cart \r\n");
  testing::WriteFile(dir_ / "HotLink.txt", "links\r\npartner*~*~friends\r\n");
  BotSettings s = Load();
  EXPECT_EQ(s.StopWords, (Lines{"The", "and", "of"}));
  EXPECT_EQ(s.URLExceptionWords, (Lines{"logout", "", " cart "}));
  EXPECT_EQ(s.HotLinkWords, (Lines{"links", "partner*~*~friends"}));
  std::filesystem::remove(dir_ / "HotLink.txt");
  EXPECT_TRUE(Load().HotLinkWords.empty());
}

}  // namespace
}  // namespace zeb
