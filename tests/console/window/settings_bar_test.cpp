// The settings bar over a real settings file and real list files: change tracking, each
// panel's Save, the presets, the list-file rules, the user-agent history, and what a run may
// still change.
#include "console/window/settings_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTextBrowser>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "console/window/bot_form.h"
#include "data/settings_store.h"
#include "support/window/gui_support.h"
#include "support/crawl_fixture.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class SettingsBarTest : public ::testing::Test {
 protected:
  SettingsBarTest() : store_((dir_ / "settings.ini").string()) {
    std::filesystem::create_directories(dir_ / "data");
    store_.CreateKey(kStartupSettingsKey);
  }

  void Store(const std::string& name, const std::string& value) {
    store_.OpenKey(kStartupSettingsKey)->WriteString(name, value);
  }
  std::string Stored(const std::string& name) {
    std::optional<SettingsKey> key = SettingsStore(store_.file()).OpenKey(kStartupSettingsKey);
    return key->HasValue(name) ? key->ReadString(name) : "(none)";
  }
  std::string Data() const { return (dir_ / "data").string() + "/"; }

  // A fresh bar over the store and the list files, as the console makes it.
  void Open() {
    bar_.reset();
    editor_ = std::make_unique<BotSettingsEditor>(SettingsStore(store_.file()), Data());
    bar_ = std::make_unique<SettingsBar>(*editor_, dir_.folder());
    bar_->show();
  }
  template <typename T>
  T* Find(const char* name) {
    T* widget = bar_->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::vector<bool> SaveStates() {
    std::vector<bool> states;
    for (std::size_t i = 0; i < kPanelCount; ++i) {
      states.push_back(bar_->SaveButton(static_cast<SettingsPanel>(i))->isEnabled());
    }
    return states;
  }
  void Save(SettingsPanel panel) { QTest::mouseClick(bar_->SaveButton(panel), Qt::LeftButton); }

  TempDir dir_;
  SettingsStore store_;
  std::unique_ptr<BotSettingsEditor> editor_;
  std::unique_ptr<SettingsBar> bar_;
};

TEST_F(SettingsBarTest, EachControlEnablesItsPanelsSaveAndSaveWritesThatPanelOnly) {
  Open();
  EXPECT_EQ(SaveStates(), std::vector<bool>(kPanelCount, false));
  struct Case {
    std::function<void()> change;
    SettingsPanel panel;
  };
  const std::vector<Case> cases = {
      {[&] { Find<QCheckBox>("RECheckBox1")->click(); }, SettingsPanel::kMisc},
      {[&] { Find<QComboBox>("LUCombo3")->setEditText("Tester/1.0"); }, SettingsPanel::kMisc},
      {[&] { Find<QCheckBox>("ModernWebCheckBox")->click(); }, SettingsPanel::kMisc},
      {[&] { Find<QComboBox>("ComboBox1")->setCurrentText("15"); },
       SettingsPanel::kConnectionThrottling},
      {[&] { Find<QSpinBox>("AdvSpinEdit3")->setValue(250); },
       SettingsPanel::kConnectionThrottling},
      {[&] { Find<QSpinBox>("AdvSpinEdit7")->setValue(90); }, SettingsPanel::kIgnores},
      {[&] { Find<QSpinBox>("AdvSpinEdit4")->setValue(3); }, SettingsPanel::kKeyWordDensity},
      {[&] { Find<QPlainTextEdit>("StopWords")->setPlainText("the\nand"); },
       SettingsPanel::kKeyWordDensity},
      {[&] { Find<QCheckBox>("RECheckBox5")->click(); }, SettingsPanel::kURLExceptions},
      {[&] { Find<QCheckBox>("RECheckBox6")->click(); }, SettingsPanel::kHotLink},
  };
  for (const Case& c : cases) {
    c.change();
    std::vector<bool> want(kPanelCount, false);
    want[static_cast<std::size_t>(c.panel)] = true;
    EXPECT_EQ(SaveStates(), want) << static_cast<int>(c.panel);
    Save(c.panel);
    EXPECT_EQ(SaveStates(), std::vector<bool>(kPanelCount, false));
  }
  EXPECT_EQ(Stored("ZEBAnalyzeFound"), "true");
  EXPECT_EQ(Stored("ZEBUserAgent"), "Tester/1.0");
  EXPECT_EQ(Stored("ZEBModernWeb"), "true");
  EXPECT_EQ(Stored("ZEBSelConnections"), "15");
  EXPECT_EQ(Stored("ZEBThrottleProc"), "250");
  EXPECT_EQ(Stored("ZEBStopTime"), "90");
  EXPECT_EQ(Stored("KWDensity"), "3");
  EXPECT_EQ(ReadFile(dir_ / "data" / "STFilter.txt"), "the\r\nand\r\n");
  EXPECT_EQ(Stored("URLExceptions"), "true");
  EXPECT_EQ(Stored("HotLink"), "true");
}

TEST_F(SettingsBarTest, ThePresetsSetTheConnectionsAndBothThrottles) {
  Open();
  auto* presets = Find<QComboBox>("Presets");
  ASSERT_EQ(presets->count(), 9);
  for (const ThrottlePreset& preset : ThrottlePresets()) {
    const int index = presets->findText(preset.name);
    presets->setCurrentIndex(index);
    emit presets->activated(index);
    EXPECT_EQ(Find<QComboBox>("ComboBox1")->currentText().toInt(), preset.connections)
        << preset.name;
    EXPECT_EQ(Find<QSpinBox>("AdvSpinEdit2")->value(), preset.band) << preset.name;
    EXPECT_EQ(Find<QSpinBox>("AdvSpinEdit3")->value(), preset.proc) << preset.name;
    EXPECT_TRUE(bar_->SaveButton(SettingsPanel::kConnectionThrottling)->isEnabled());
    Save(SettingsPanel::kConnectionThrottling);
    EXPECT_EQ(Stored("ZEBSelConnections"), std::to_string(preset.connections));
  }
}

TEST_F(SettingsBarTest, StoredValuesOutsideTheListsAndMinusOneHops) {
  Store("ZEBSelConnections", "7");
  Store("ZEBStopHops", "-1");
  Open();
  EXPECT_EQ(Find<QComboBox>("ComboBox1")->currentIndex(), -1);
  EXPECT_EQ(Find<QSpinBox>("AdvSpinEdit5")->value(), -1);
  bar_->MarkChanged(SettingsPanel::kConnectionThrottling);
  Save(SettingsPanel::kConnectionThrottling);
  EXPECT_EQ(Stored("ZEBSelConnections"), "");
  bar_->MarkChanged(SettingsPanel::kIgnores);
  Save(SettingsPanel::kIgnores);
  EXPECT_EQ(Stored("ZEBStopHops"), "-1");
}

TEST_F(SettingsBarTest, WordListsAndTheHotLinkGridKeepTheirFileRules) {
  WriteFile(dir_ / "data" / "URLExceptions.txt", "ads\r\ncart\r\n");
  WriteFile(dir_ / "data" / "HotLink.txt", "links\r\n");
  Open();
  EXPECT_EQ(Find<QPlainTextEdit>("URLExceptionWords")->toPlainText(), "ads\ncart");
  Find<QPlainTextEdit>("URLExceptionWords")->clear();
  Save(SettingsPanel::kURLExceptions);
  EXPECT_EQ(ReadFile(dir_ / "data" / "URLExceptions.txt"), "ads\r\ncart\r\n");  // kept

  auto* grid = Find<QTableWidget>("HotLinkGrid");
  ASSERT_EQ(grid->rowCount(), 1);
  EXPECT_EQ(grid->item(0, 0)->text(), "links");
  grid->item(0, 0)->setText("");
  Save(SettingsPanel::kHotLink);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "data" / "HotLink.txt"));  // one empty row

  grid->item(0, 0)->setText("a");
  grid->setRowCount(3);
  grid->setItem(1, 0, new QTableWidgetItem(""));
  grid->setItem(2, 0, new QTableWidgetItem("b"));
  Save(SettingsPanel::kHotLink);
  EXPECT_EQ(ReadFile(dir_ / "data" / "HotLink.txt"), "a\r\nb\r\n");
}

// Stored text keeps its bytes through the bar: a Latin-1 list is shown as Latin-1, saved back
// unchanged, and stays Latin-1 as it is edited; a character Latin-1 cannot hold makes the field
// UTF-8, so that it reads back as typed.
TEST_F(SettingsBarTest, StoredTextKeepsItsEncodingThroughSave) {
  WriteFile(dir_ / "data" / "STFilter.txt", "caf\xE9\r\nna\xEFve\r\n");
  WriteFile(dir_ / "data" / "HotLink.txt", "\xFC" "ber\r\n");
  WriteFile(dir_ / "data" / "URLExceptions.txt", "r\xC3\xA9sum\xC3\xA9\r\n");  // UTF-8
  Store("ZEBUserAgent", "Bot \xE9t\xE9");
  Open();
  EXPECT_EQ(Find<QPlainTextEdit>("StopWords")->toPlainText(), QString::fromUtf8("café\nnaïve"));
  EXPECT_EQ(Find<QTableWidget>("HotLinkGrid")->item(0, 0)->text(), QString::fromUtf8("über"));
  EXPECT_EQ(Find<QPlainTextEdit>("URLExceptionWords")->toPlainText(), QString::fromUtf8("résumé"));
  EXPECT_EQ(Find<QComboBox>("LUCombo3")->currentText(), QString::fromUtf8("Bot été"));
  for (std::size_t i = 0; i < kPanelCount; ++i) {
    bar_->MarkChanged(static_cast<SettingsPanel>(i));
    Save(static_cast<SettingsPanel>(i));
  }
  EXPECT_EQ(ReadFile(dir_ / "data" / "STFilter.txt"), "caf\xE9\r\nna\xEFve\r\n");
  EXPECT_EQ(ReadFile(dir_ / "data" / "HotLink.txt"), "\xFC" "ber\r\n");
  EXPECT_EQ(ReadFile(dir_ / "data" / "URLExceptions.txt"), "r\xC3\xA9sum\xC3\xA9\r\n");
  EXPECT_EQ(Stored("ZEBUserAgent"), "Bot \xE9t\xE9");

  auto* stop_words = Find<QPlainTextEdit>("StopWords");
  stop_words->setPlainText(stop_words->toPlainText() + QString::fromUtf8("\nnoël"));
  Find<QTableWidget>("HotLinkGrid")->item(0, 0)->setText(QString::fromUtf8("über 20 €"));
  Save(SettingsPanel::kKeyWordDensity);
  Save(SettingsPanel::kHotLink);
  EXPECT_EQ(ReadFile(dir_ / "data" / "STFilter.txt"), "caf\xE9\r\nna\xEFve\r\nno\xEBl\r\n");
  EXPECT_EQ(ReadFile(dir_ / "data" / "HotLink.txt"), "\xC3\xBC" "ber 20 \xE2\x82\xAC\r\n");
  Open();
  EXPECT_EQ(Find<QTableWidget>("HotLinkGrid")->item(0, 0)->text(), QString::fromUtf8("über 20 €"));
  EXPECT_EQ(Find<QPlainTextEdit>("StopWords")->toPlainText(),
            QString::fromUtf8("café\nnaïve\nnoël"));
}

TEST_F(SettingsBarTest, TheUserAgentHistorySurvivesARestartAndKeepsFifteen) {
  Open();
  auto* agent = Find<QComboBox>("LUCombo3");
  for (int i = 0; i < 18; ++i) {
    agent->setEditText(QString("Agent %1").arg(i));
    Save(SettingsPanel::kMisc);
  }
  Open();
  agent = Find<QComboBox>("LUCombo3");
  ASSERT_EQ(agent->count(), 15);
  EXPECT_EQ(agent->itemText(0), "Agent 17");
  EXPECT_EQ(agent->itemText(14), "Agent 3");
  EXPECT_EQ(agent->currentText(), "Agent 17");  // the stored value
}

TEST_F(SettingsBarTest, MovingBetweenHotLinkCellsCountsAsAChange) {
  WriteFile(dir_ / "data" / "HotLink.txt", "a\r\nb\r\n");
  Open();
  auto* grid = Find<QTableWidget>("HotLinkGrid");
  grid->setCurrentCell(0, 0);
  bar_->MarkAllClean();
  grid->setCurrentCell(1, 0);
  EXPECT_TRUE(bar_->SaveButton(SettingsPanel::kHotLink)->isEnabled());
}

// During a run only the two throttles can be changed, and a thread started afterwards gets them.
TEST(SettingsBarRunTest, DuringARunOnlyTheThrottlesChangeAndReachTheNextThread) {
  testing::CrawlFixture f;
  testing::Reply slow;
  slow.delay = std::chrono::milliseconds(800);
  slow.body = "<html><body>-</body></html>";
  f.site().Serve("/slow.htm", slow);
  f.AddPartner("Slow", f.Url("/slow.htm"), "mysite.example");
  f.StoreSettings();
  BotFormOptions options;
  options.locations = f.locations();
  options.settings_file = f.settings_file();
  options.ProjectName = testing::kProject;
  options.PartnerNames = {"Slow"};
  options.run_options = testing::CrawlFixture::FastOptions();
  TZEBBotForm form(options);
  form.show();
  ASSERT_TRUE(testing::WaitFor([&] { return form.findChild<QComboBox*>("ComboBox3")->count(); }));
  QTest::mouseClick(form.findChild<QWidget*>("HTMLButton2"), Qt::LeftButton);
  ASSERT_TRUE(form.Running());
  for (const char* locked : {"RECheckBox1", "LUCombo3", "ComboBox1", "Presets", "AdvSpinEdit1",
                             "AdvSpinEdit4", "RECheckBox5", "HotLinkGrid"}) {
    EXPECT_FALSE(form.findChild<QWidget*>(locked)->isEnabled()) << locked;
  }
  auto* band = form.findChild<QSpinBox*>("AdvSpinEdit2");
  auto* proc = form.findChild<QSpinBox*>("AdvSpinEdit3");
  ASSERT_TRUE(band->isEnabled() && proc->isEnabled());
  band->setValue(4200);
  proc->setValue(350);
  EXPECT_EQ(form.controller().ThreadSettings(1).BandwidthThrottle, 4200);
  EXPECT_EQ(form.controller().ThreadSettings(1).ProcessThrottle, 350);
  ASSERT_TRUE(testing::WaitFor([&] { return !form.Running(); }));
  EXPECT_TRUE(form.findChild<QWidget*>("AdvSpinEdit1")->isEnabled());
  // Lock Tree is no setting, but it enables the Misc panel's Save as the console always did.
  auto* misc_save = form.findChild<SettingsBar*>("SettingsBar")->SaveButton(SettingsPanel::kMisc);
  form.findChild<SettingsBar*>("SettingsBar")->MarkAllClean();
  form.findChild<QCheckBox*>("RECheckBox7")->click();
  EXPECT_TRUE(misc_save->isEnabled());
  // Help opens the console's page.
  QTest::mouseClick(form.findChild<QWidget*>("HelpButton"), Qt::LeftButton);
  QTextBrowser* help = nullptr;
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == "HelpWindow" && window->isVisible()) {
      help = window->findChild<QTextBrowser*>("HelpText");
    }
  }
  ASSERT_NE(help, nullptr);
  for (const char* topic : {"Connection Throttling", "Bandwidth Throttle", "Hot Link",
                            "Ignore pages greater than", "User Agent"}) {
    EXPECT_TRUE(help->toPlainText().contains(topic)) << topic;
  }
  help->window()->close();
  EXPECT_TRUE(form.findChild<QWidget*>("ComboBox1")->isEnabled());
}

}  // namespace
}  // namespace zeb
