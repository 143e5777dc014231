#include "console/bot_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

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

// A switch or a connection count that cannot be read is named, as a bad number is.
TEST_F(BotSettingsTest, UnreadableSwitchesAndConnectionsAreReported) {
  Set("ZEBAnalyzeFound", "maybe");
  Set("ZEBAnalyzeBase", "TRUE");  // letter case does not matter
  Set("ZEBSelConnections", "abc");
  BotSettings s = Load();
  EXPECT_FALSE(s.AnalyzeFound);
  EXPECT_TRUE(s.AnalyzeBase);
  EXPECT_FALSE(s.Connections.has_value());
  ASSERT_EQ(problems_.size(), 2u);
  EXPECT_EQ(problems_[0], "Setting ZEBAnalyzeFound \"maybe\" is not true or false; using false");
  EXPECT_EQ(problems_[1],
            "Setting ZEBSelConnections \"abc\" is not one of 1, 5, 10, 15, 20; using one connection");
  problems_.clear();
  Set("ZEBAnalyzeFound", "false");
  Set("ZEBSelConnections", "");  // no choice made: one connection, nothing to report
  Load();
  EXPECT_TRUE(problems_.empty()) << problems_.front();
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
  EXPECT_EQ(Load().HotLinkWords, Lines{""});  // the grid's one empty row
}

TEST_F(BotSettingsTest, EachPanelSavesItsOwnValuesAndTracksItsChanges) {
  Set("ZEBSelConnections", "7");
  Set("ZEBStopHops", "-1");
  BotSettingsEditor editor(store_, dir_.folder());
  EXPECT_FALSE(editor.settings().Connections.has_value());
  EXPECT_EQ(editor.settings().StopHops, -1);
  for (std::size_t p = 0; p < kPanelCount; ++p) {
    EXPECT_FALSE(editor.SaveEnabled(static_cast<SettingsPanel>(p)));
  }

  editor.Edit(SettingsPanel::kMisc).AnalyzeFound = true;
  editor.Edit(SettingsPanel::kIgnores).StopLinks = 50;
  EXPECT_TRUE(editor.SaveEnabled(SettingsPanel::kMisc));
  EXPECT_FALSE(editor.SaveEnabled(SettingsPanel::kConnectionThrottling));
  editor.Save(SettingsPanel::kMisc);
  EXPECT_FALSE(editor.SaveEnabled(SettingsPanel::kMisc));
  auto stored = [&](const char* name) { return store_.OpenKey(kStartupSettingsKey)->ReadString(name); };
  EXPECT_EQ(stored("ZEBAnalyzeFound"), "true");
  EXPECT_EQ(stored("ZEBAnalyzeBase"), "false");
  EXPECT_FALSE(store_.OpenKey(kStartupSettingsKey)->HasValue("ZEBStopLinks"));  // not saved yet
  editor.Save(SettingsPanel::kIgnores);
  EXPECT_EQ(stored("ZEBStopLinks"), "50");
  EXPECT_EQ(stored("ZEBStopHops"), "-1");

  // No selection saves as the empty text.
  editor.Save(SettingsPanel::kConnectionThrottling);
  EXPECT_EQ(stored("ZEBSelConnections"), "");
  // A preset sets three values of its panel and enables its Save; nothing is stored by it.
  EXPECT_TRUE(editor.ChoosePreset("Medium (Broadband +)"));
  EXPECT_EQ(editor.settings().Connections, 10);
  EXPECT_EQ(editor.settings().ThrottleBand, 0);
  EXPECT_EQ(editor.settings().ThrottleProc, 1000);
  EXPECT_TRUE(editor.SaveEnabled(SettingsPanel::kConnectionThrottling));
  EXPECT_EQ(stored("ZEBSelConnections"), "");
  EXPECT_FALSE(editor.ChoosePreset("Warp speed"));
  EXPECT_EQ(ThrottlePresets().size(), 9u);
}

TEST_F(BotSettingsTest, WordListsAndTheHotLinkGridFollowTheirFileRules) {
  testing::WriteFile(dir_ / "URLExceptions.txt", "cgi\r\nprint\r\n");
  BotSettingsEditor editor(store_, dir_.folder());
  EXPECT_EQ(editor.settings().URLExceptionWords, (Lines{"cgi", "print"}));
  EXPECT_EQ(editor.settings().HotLinkWords, Lines{""});  // no file: one empty row

  // An emptied word list is not written: its words come back at the next load.
  editor.Edit(SettingsPanel::kURLExceptions).URLExceptionWords.clear();
  editor.Save(SettingsPanel::kURLExceptions);
  EXPECT_EQ(testing::ReadFile(dir_ / "URLExceptions.txt"), "cgi\r\nprint\r\n");
  // Word lists are written line for line, empty lines included.
  editor.Edit(SettingsPanel::kKeyWordDensity).StopWords = {"the", "", "and"};
  editor.Save(SettingsPanel::kKeyWordDensity);
  EXPECT_EQ(testing::ReadFile(dir_ / "STFilter.txt"), "the\r\n\r\nand\r\n");

  const struct {
    Lines rows;
    bool exists;
    std::string file;
  } grids[] = {
      {{"a", "", "b"}, true, "a\r\nb\r\n"},
      {{"", ""}, true, ""},      // several empty rows: an empty file
      {{""}, false, ""},         // one empty row: the file goes
      {{"*~*~special"}, true, "*~*~special\r\n"},
  };
  for (const auto& grid : grids) {
    editor.Edit(SettingsPanel::kHotLink).HotLinkWords = grid.rows;
    editor.Save(SettingsPanel::kHotLink);
    EXPECT_EQ(std::filesystem::exists(dir_ / "HotLink.txt"), grid.exists);
    EXPECT_EQ(testing::ReadFile(dir_ / "HotLink.txt"), grid.file);
  }
  // An existing but empty file loads as a grid without value rows.
  testing::WriteFile(dir_ / "HotLink.txt", "");
  EXPECT_TRUE(BotSettingsEditor(store_, dir_.folder()).settings().HotLinkWords.empty());
}

TEST_F(BotSettingsTest, SavingIntoAMissingKeyFailsAndTheSaveStaysEnabled) {
  SettingsStore none(dir_ / "none.ini");
  BotSettingsEditor editor(none, dir_.folder());
  editor.Edit(SettingsPanel::kMisc).AnalyzeBase = true;
  EXPECT_THROW(editor.Save(SettingsPanel::kMisc), SettingsError);
  EXPECT_TRUE(editor.SaveEnabled(SettingsPanel::kMisc));
}

}  // namespace
}  // namespace zeb

namespace zeb {
namespace {

TEST(UserAgentHistoryTest, TheLastUsedStandsFirstOnceAndFifteenAreKept) {
  std::vector<std::string> history;
  for (int i = 0; i < 20; ++i) history = AddToHistory(history, "agent " + std::to_string(i));
  ASSERT_EQ(history.size(), kUserAgentHistory);
  EXPECT_EQ(history.front(), "agent 19");
  EXPECT_EQ(history.back(), "agent 5");
  history = AddToHistory(history, "agent 10");
  EXPECT_EQ(history.front(), "agent 10");
  EXPECT_EQ(std::count(history.begin(), history.end(), "agent 10"), 1);
  EXPECT_EQ(history.size(), kUserAgentHistory);
  EXPECT_EQ(AddToHistory(history, ""), history);
}

}  // namespace
}  // namespace zeb
