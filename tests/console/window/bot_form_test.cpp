// The console window over real tables, a real settings file and loopback partner sites: what
// the user sees and can do before, during and after a run.
#include "console/window/bot_form.h"

#include <gtest/gtest.h>

#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusTipEvent>
#include <QTest>
#include <QTreeWidget>
#include <sstream>

#include "commands.h"
#include "console/bot_settings.h"
#include "data/app_tables.h"
#include "data/settings_store.h"
#include "support/window/gui_support.h"
#include "support/crawl_fixture.h"
#include "views/window/rich_text.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::DialogAnswerer;
using testing::Reply;
using testing::WaitFor;

constexpr const char* kFind = "mysite.example";

// A partner site per name: A carries the link one hop down, B never does.
void ServeTwoPartners(CrawlFixture& f) {
  f.site().Page("/a/index.htm", "<html><body><a href=\"links.htm\">links</a></body></html>");
  f.site().Page("/a/links.htm",
                "<html><body><a href=\"friends.htm\">f</a> <a href=\"http://mysite.example/\">"
                "me</a></body></html>");
  f.site().Page("/a/friends.htm", "<html><body>-</body></html>");
  f.site().Page("/b/index.htm", "<html><body><a href=\"x.htm\">x</a></body></html>");
  f.site().Page("/b/x.htm", "<html><body>-</body></html>");
  f.AddPartner("A", f.Url("/a/index.htm"), kFind);
  f.AddPartner("B", f.Url("/b/index.htm"), kFind);
}

class BotFormTest : public ::testing::Test {
 protected:
  BotFormTest() {
    f_.settings.AutoUpdatePartner = true;
    f_.settings.AnalyzeFound = true;
    SetWebLinkOpener([this](const QUrl& url) { opened_.push_back(url.toString()); });
  }
  ~BotFormTest() override { SetWebLinkOpener({}); }

  std::unique_ptr<TZEBBotForm> Open(BotFormOptions options = {}) {
    f_.StoreSettings();
    options.locations = f_.locations();
    options.settings_file = f_.settings_file();
    if (options.ProjectName.empty() && !options.AutoRun) options.ProjectName = testing::kProject;
    options.run_options = CrawlFixture::FastOptions();
    auto form = std::make_unique<TZEBBotForm>(options);
    form->show();
    EXPECT_TRUE(WaitFor([&] { return form->findChild<QComboBox*>("ComboBox3")->count() > 0; }));
    return form;
  }

  template <typename T>
  static T* Find(TZEBBotForm& form, const char* name) {
    T* widget = form.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static QString Text(TZEBBotForm& form, const char* label) {
    return Find<QLabel>(form, label)->text();
  }
  static void Click(TZEBBotForm& form, const char* button) {
    QTest::mouseClick(Find<QWidget>(form, button), Qt::LeftButton);
  }
  static QListWidgetItem* Item(TZEBBotForm& form, const QString& name) {
    QList<QListWidgetItem*> items =
        Find<QListWidget>(form, "CheckListBox1")->findItems(name, Qt::MatchExactly);
    return items.isEmpty() ? nullptr : items.front();
  }
  // Series1: the connection chart's bars.
  static QBarSet* Bars(TZEBBotForm& form) {
    auto* series = qobject_cast<QAbstractBarSeries*>(
        Find<QChartView>(form, "Chart1")->chart()->series().value(0));
    return series != nullptr ? series->barSets().value(0) : nullptr;
  }
  // Checks the one partner, shows it and runs it to the end.
  static void RunOne(TZEBBotForm& form, const QString& name) {
    Item(form, name)->setCheckState(Qt::Checked);
    Find<QListWidget>(form, "CheckListBox1")->setCurrentItem(Item(form, name));
    Click(form, "HTMLButton2");
    ASSERT_TRUE(WaitFor([&] { return !form.Running(); }));
  }
  // Clicks a tree row beside its text: selects it without following its link.
  static void ClickBeside(QTreeWidget* tree, QTreeWidgetItem* item) {
    const QRect rect = tree->visualItemRect(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      QPoint(tree->viewport()->width() - 4, rect.center().y()));
  }
  std::optional<PartnerRecord> Partner(const std::string& name) {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    return AppTables(session).FindPartner(testing::kProject, name, ProjectScope::kExact);
  }

  CrawlFixture f_;
  std::vector<QString> opened_;
};

TEST_F(BotFormTest, ARunOfTwoCheckedPartnersFromTheWindow) {
  ServeTwoPartners(f_);
  // Each page is held 150 ms after it was read (the processing throttle), with its connection's
  // bar full, so the window is seen drawing a transfer whatever the machine's load.
  f_.settings.ThrottleProc = 150;
  f_.settings.Connections = 5;
  std::unique_ptr<TZEBBotForm> form = Open();
  ASSERT_EQ(Find<QListWidget>(*form, "CheckListBox1")->count(), 2);
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton2")->isEnabled());  // nothing checked
  Click(*form, "HTMLButton4");                                     // check all
  EXPECT_TRUE(Find<QWidget>(*form, "HTMLButton2")->isEnabled());
  EXPECT_EQ(Text(*form, "Label24"), "0/2");
  // With two partners checked the start page and Find text are not the user's to read.
  EXPECT_FALSE(Find<QLabel>(*form, "Label35")->isEnabled());
  EXPECT_FALSE(Find<QLabel>(*form, "Label33")->isEnabled());

  int highest_bar = 0;
  bool disabled_during = true;
  QObject::connect(form.get(), &TZEBBotForm::Refreshed, [&] {
    QBarSet* bars = Bars(*form);
    for (int i = 0; i < bars->count(); ++i) highest_bar = std::max(highest_bar, int(bars->at(i)));
    if (form->Running()) {
      disabled_during &= !Find<QWidget>(*form, "ComboBox3")->isEnabled() &&
                         !Find<QWidget>(*form, "HTMLButton2")->isEnabled() &&
                         !Find<QWidget>(*form, "CheckListBox1")->isEnabled();
    }
  });
  Click(*form, "HTMLButton2");
  EXPECT_TRUE(form->Running());
  ASSERT_TRUE(WaitFor([&] { return !form->Running(); }));

  EXPECT_TRUE(disabled_during);
  EXPECT_GT(highest_bar, 0);
  QBarSet* bars = Bars(*form);
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->objectName(), "Series1");
  EXPECT_EQ(bars->count(), 5);
  for (int i = 0; i < bars->count(); ++i) EXPECT_EQ(bars->at(i), 0) << i;
  EXPECT_EQ(Text(*form, "Label24"), "2/2");
  EXPECT_EQ(Text(*form, "Label16"), "1");  // B's one link
  EXPECT_EQ(Text(*form, "Label17"), "2/2");
  EXPECT_EQ(Text(*form, "Label28"), "1");
  const QString memo = Find<QPlainTextEdit>(*form, "Memo1")->toPlainText();
  for (const char* line : {"Starting...", "String Found:", "Backlink address updated",
                           "Building tree to backlink", "Done"}) {
    EXPECT_TRUE(memo.contains(line)) << line;
  }
  EXPECT_TRUE(memo.contains("Checking: " + QString::fromStdString(f_.Url("/b/index.htm"))));

  // The tree: A's title with its chain, the rule, B's title, B's start page with the reason,
  // the rule.
  auto* tree = Find<QTreeWidget>(*form, "HTMLTreeview1");
  QString roots;
  for (int i = 0; i < tree->topLevelItemCount(); ++i)
    roots += tree->topLevelItem(i)->text(0) + "\n";
  ASSERT_EQ(tree->topLevelItemCount(), 5) << roots.toStdString();
  EXPECT_TRUE(tree->topLevelItem(0)->text(0).startsWith("<B><U>A</U></B>"));
  QTreeWidgetItem* links = tree->topLevelItem(0)->child(0)->child(0);
  ASSERT_NE(links, nullptr);
  EXPECT_EQ(links->text(0), QString::fromStdString(LinkNodeText(f_.Url("/a/links.htm"))));
  EXPECT_TRUE(tree->topLevelItem(3)->child(0)->text(0).contains("Not Found"));

  // After the run: the found marks are fresh, the controls back, Run Checked off until a click.
  EXPECT_EQ(Item(*form, "A")->toolTip(), "Your link was found here last time.");
  EXPECT_EQ(Item(*form, "B")->toolTip(), "Your link was not found here last time.");
  EXPECT_TRUE(Find<QWidget>(*form, "ComboBox3")->isEnabled());
  EXPECT_TRUE(Find<QWidget>(*form, "HTMLButton6")->isEnabled());
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton3")->isEnabled());
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton2")->isEnabled());
  EXPECT_EQ(Partner("A")->URL, f_.Url("/a/links.htm"));
}

TEST_F(BotFormTest, PauseHoldsTheRequestsResumeGoesOnAndStopWhilePausedEnds) {
  for (int i = 0; i < 40; ++i) {
    Reply reply;
    reply.delay = 40ms;
    reply.body = "<html><body><a href=\"/c" + std::to_string(i + 1) + ".htm\">n</a></body></html>";
    f_.site().Serve("/c" + std::to_string(i) + ".htm", reply);
  }
  f_.AddPartner("Chain", f_.Url("/c0.htm"), kFind);
  f_.settings.StopHops = -1;
  std::unique_ptr<TZEBBotForm> form = Open();
  Item(*form, "Chain")->setCheckState(Qt::Checked);
  Find<QListWidget>(*form, "CheckListBox1")->setCurrentItem(Item(*form, "Chain"));
  Click(*form, "HTMLButton2");
  ASSERT_TRUE(WaitFor([&] { return f_.site().CountRequests("/c3.htm") > 0; }));

  auto pause = Find<HtmlButton>(*form, "HTMLButton15");
  Click(*form, "HTMLButton15");
  EXPECT_TRUE(pause->html().contains("Resume"));
  RunController& c = form->controller();
  ASSERT_TRUE(WaitFor([&] { return c.held_threads() >= c.live_threads(); }));
  const std::size_t held = f_.site().Requests().size();
  // Then nothing moves, for as long as several of the site's 40 ms pages would take: no thread
  // leaves the gate or starts, no request goes out.
  EXPECT_FALSE(WaitFor(
      [&] { return c.held_threads() < c.live_threads() || f_.site().Requests().size() != held; },
      200));
  EXPECT_EQ(f_.site().Requests().size(), held);
  EXPECT_TRUE(form->Running());

  Click(*form, "HTMLButton15");  // Resume
  EXPECT_TRUE(pause->html().contains("Pause"));
  ASSERT_TRUE(WaitFor([&] { return f_.site().Requests().size() > held + 2; }));

  Click(*form, "HTMLButton15");  // Pause again, then Stop while paused
  ASSERT_TRUE(WaitFor([&] { return c.held_threads() >= c.live_threads(); }));
  Click(*form, "HTMLButton3");
  ASSERT_TRUE(WaitFor([&] { return !form->Running(); }));
  const QString memo = Find<QPlainTextEdit>(*form, "Memo1")->toPlainText();
  for (const char* line : {"Paused", "Resumed", "Aborting...", "Aborted"}) {
    EXPECT_TRUE(memo.contains(line)) << line;
  }
  EXPECT_EQ(f_.site().CountRequests("/c39.htm"), 0);
}

TEST_F(BotFormTest, TheWindowCannotBeClosedDuringARun) {
  Reply slow;
  slow.delay = 600ms;
  slow.body = "<html><body>-</body></html>";
  f_.site().Serve("/slow.htm", slow);
  f_.AddPartner("Slow", f_.Url("/slow.htm"), kFind);
  std::unique_ptr<TZEBBotForm> form = Open();
  Item(*form, "Slow")->setCheckState(Qt::Checked);
  Find<QListWidget>(*form, "CheckListBox1")->setCurrentItem(Item(*form, "Slow"));
  Click(*form, "HTMLButton2");
  ASSERT_TRUE(form->Running());
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton6")->isEnabled());
  form->close();  // the window manager's close
  EXPECT_TRUE(form->isVisible());
  ASSERT_TRUE(WaitFor([&] { return !form->Running(); }));
  QTest::keyClick(form.get(), Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(BotFormTest, TheCloseButtonClosesAnIdleWindow) {
  std::unique_ptr<TZEBBotForm> form = Open();
  Click(*form, "HTMLButton6");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(BotFormTest, TheWindowKeepsItsPlaceInFormIniAndTheHintLineExplainsControls) {
  {
    std::unique_ptr<TZEBBotForm> form = Open();
    form->resize(1300, 700);
    auto* hint = Find<QLabel>(*form, "Label4");
    EXPECT_EQ(hint->text(), kConsoleDefaultHint);
    QStatusTipEvent over_stop(Find<QWidget>(*form, "HTMLButton3")->statusTip());
    QApplication::sendEvent(form.get(), &over_stop);
    EXPECT_EQ(hint->text(), "Stop the run after the pages in hand.");
    QStatusTipEvent away("");
    QApplication::sendEvent(form.get(), &away);
    EXPECT_EQ(hint->text(), kConsoleDefaultHint);
    Click(*form, "HTMLButton6");
  }
  QSettings ini(QString::fromStdString(f_.locations().ExeFolder + "FORM.INI"),
                QSettings::IniFormat);
  EXPECT_TRUE(ini.contains("ZEBBot/Geometry"));
  std::unique_ptr<TZEBBotForm> again = Open();
  EXPECT_EQ(again->size(), QSize(1300, 700));
  EXPECT_TRUE(testing::FitsASmallScreen(*again));
}

TEST_F(BotFormTest, AutoRunWithAMissingProjectNamesItAndEachPartnerAndStaysIdle) {
  ServeTwoPartners(f_);
  DialogAnswerer answerer;
  BotFormOptions options;
  options.AutoRun = true;
  options.ProjectName = "Nowhere";
  options.PartnerNames = {"A", "B"};
  f_.StoreSettings();
  options.locations = f_.locations();
  options.settings_file = f_.settings_file();
  TZEBBotForm form(options);
  form.show();
  ASSERT_TRUE(WaitFor([&] { return answerer.texts().size() == 3; }));
  EXPECT_EQ(answerer.texts()[0],
            "<B>Error<B><BR>Project Nowhere does not exist for this AutoRun.  Correct and run "
            "again.");
  EXPECT_NE(answerer.texts()[1].find("Partner A does not exist in project Nowhere"),
            std::string::npos);
  EXPECT_NE(answerer.texts()[2].find("Partner B does not exist"), std::string::npos);
  // The window goes on past the messages (it lists the projects) and would start the run there.
  ASSERT_TRUE(WaitFor([&] { return form.findChild<QComboBox*>("ComboBox3")->count() > 0; }));
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.Running());
}

TEST_F(BotFormTest, AutoRunWithTwoPartnersRunsAndClosesItself) {
  ServeTwoPartners(f_);
  BotFormOptions options;
  options.AutoRun = true;
  options.ProjectName = testing::kProject;
  options.PartnerNames = {"B", "A"};
  std::unique_ptr<TZEBBotForm> form = Open(options);
  ASSERT_TRUE(WaitFor([&] { return !form->isVisible(); }));
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(form->controller().outcomes().size(), 2u);
  EXPECT_TRUE(Partner("A")->FoundShort);
}

TEST_F(BotFormTest, ChangingTheProjectWarnsOnlyWhenTheTreeHoldsNodes) {
  ServeTwoPartners(f_);
  {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables(session).AddProject({"Other", "", {}, {}});
  }
  std::unique_ptr<TZEBBotForm> form = Open();
  auto* projects = Find<QComboBox>(*form, "ComboBox3");
  auto choose = [&](const QString& name) {
    projects->setCurrentIndex(projects->findText(name));
    emit projects->activated(projects->currentIndex());
  };
  DialogAnswerer answerer;
  // The warning is modal: had one opened, the answerer recorded it before choose returned.
  choose("Other");  // the tree is empty: no warning
  choose(testing::kProject);
  EXPECT_TRUE(answerer.texts().empty());

  RunOne(*form, "A");
  ASSERT_GT(Find<QTreeWidget>(*form, "HTMLTreeview1")->topLevelItemCount(), 0);
  choose("Other");
  ASSERT_TRUE(WaitFor([&] { return answerer.texts().size() == 1; }));
  EXPECT_EQ(answerer.texts()[0],
            "<B>Warning<B><BR>Changing project will remove tree list results.\r\nResults will "
            "still be saved.\r\nUse \"View Analysis\" to retrieve.");
  EXPECT_EQ(Find<QTreeWidget>(*form, "HTMLTreeview1")->topLevelItemCount(), 0);
}

TEST_F(BotFormTest, TreeButtonsStoreTheChosenPageAndLinksOpenInTheBrowser) {
  ServeTwoPartners(f_);
  std::unique_ptr<TZEBBotForm> form = Open();
  RunOne(*form, "A");

  auto* tree = Find<QTreeWidget>(*form, "HTMLTreeview1");
  QTreeWidgetItem* start = tree->topLevelItem(0)->child(0);
  QTreeWidgetItem* links = start->child(0);
  // The found page is the last of the chain: it takes Backlink, not Start Base.
  ClickBeside(tree, links);
  EXPECT_TRUE(Find<QWidget>(*form, "HTMLButton5")->isEnabled());
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton14")->isEnabled());
  Click(*form, "HTMLButton5");
  EXPECT_FALSE(Find<QWidget>(*form, "HTMLButton5")->isEnabled());
  ClickBeside(tree, start);
  EXPECT_TRUE(Find<QWidget>(*form, "HTMLButton14")->isEnabled());
  Click(*form, "HTMLButton14");
  EXPECT_EQ(Partner("A")->URL, f_.Url("/a/links.htm"));
  EXPECT_EQ(Partner("A")->BotStart, f_.Url("/a/index.htm"));
  EXPECT_EQ(Partner("A")->BotBaseHop, 0);
  EXPECT_TRUE(opened_.empty());

  // On the link text: the page opens in the browser.
  const QRect rect = tree->visualItemRect(links);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                    QPoint(rect.left() + 12, rect.center().y()));
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], QString::fromStdString(f_.Url("/a/links.htm")));
}

TEST_F(BotFormTest, StartBaseOnTheSecondLinkNodeStoresHopOne) {
  // A three-page chain: index -> links -> friends (the backlink).
  f_.site().Page("/c/index.htm", "<html><body><a href=\"links.htm\">l</a></body></html>");
  f_.site().Page("/c/links.htm", "<html><body><a href=\"friends.htm\">f</a></body></html>");
  f_.site().Page("/c/friends.htm", "<html><body>mysite.example</body></html>");
  f_.AddPartner("C", f_.Url("/c/index.htm"), kFind);
  std::unique_ptr<TZEBBotForm> form = Open();
  RunOne(*form, "C");
  auto* tree = Find<QTreeWidget>(*form, "HTMLTreeview1");
  QTreeWidgetItem* second = tree->topLevelItem(0)->child(0)->child(0);
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(second->childCount(), 1);
  ClickBeside(tree, second);
  Click(*form, "HTMLButton14");
  EXPECT_EQ(Partner("C")->BotStart, f_.Url("/c/links.htm"));
  EXPECT_EQ(Partner("C")->BotBaseHop, 1);
}

// zebhost bot, as a user runs it: the store names the folders, --autorun runs and closes.
TEST_F(BotFormTest, ZebhostBotRunsThePartnersAndReturnsWhenTheWindowCloses) {
  ServeTwoPartners(f_);
  f_.StoreSettings();
  f_.StoreFileLocations();
  qputenv("ZEB_SETTINGS_FILE", QByteArray::fromStdString(f_.settings_file()));
  std::ostringstream out, err;
  const int status = zebhost::RunZebhost(
      {"bot", "--project", testing::kProject, "--partner", "A", "--autorun"}, out, err);
  qunsetenv("ZEB_SETTINGS_FILE");
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_TRUE(Partner("A")->FoundShort);
  EXPECT_EQ(zebhost::RunZebhost({"bot", "--autorun"}, out, err), 2);
}

TEST_F(BotFormTest, APartnerNamedByTheHostIsSelectedAndShown) {
  ServeTwoPartners(f_);
  BotFormOptions options;
  options.PartnerName = "B";
  std::unique_ptr<TZEBBotForm> form = Open(options);
  ASSERT_TRUE(WaitFor([&] { return !Text(*form, "Label35").isEmpty(); }));
  EXPECT_EQ(Find<QListWidget>(*form, "CheckListBox1")->currentItem()->text(), "B");
  EXPECT_EQ(Text(*form, "Label35"), QString::fromStdString(f_.Url("/b/index.htm")));
  EXPECT_EQ(Text(*form, "Label33"), kFind);
}

TEST_F(BotFormTest, ShowingAPartnerReloadsItsStoredTreeUnlessTheTreeIsLocked) {
  ServeTwoPartners(f_);
  f_.Run({"A"});  // a stored analysis for A
  std::unique_ptr<TZEBBotForm> form = Open();
  auto* list = Find<QListWidget>(*form, "CheckListBox1");
  auto* tree = Find<QTreeWidget>(*form, "HTMLTreeview1");
  list->setCurrentItem(Item(*form, "A"));
  EXPECT_EQ(tree->topLevelItemCount(), 1);  // the stored tree: the title with its chain
  EXPECT_EQ(Text(*form, "Label35"), QString::fromStdString(f_.Url("/a/index.htm")));
  EXPECT_TRUE(Text(*form, "HTMLabel2").contains("Partner"));
  Find<QCheckBox>(*form, "RECheckBox7")->setChecked(true);
  list->setCurrentItem(Item(*form, "B"));
  EXPECT_EQ(tree->topLevelItemCount(), 1);  // locked
  EXPECT_EQ(Text(*form, "Label35"), QString::fromStdString(f_.Url("/b/index.htm")));
  Find<QCheckBox>(*form, "RECheckBox7")->setChecked(false);
  list->setCurrentItem(Item(*form, "A"));
  list->setCurrentItem(Item(*form, "B"));
  EXPECT_EQ(tree->topLevelItemCount(), 0);  // B has no stored tree
}

TEST_F(BotFormTest, AStartPageBehindABotWallShowsAsUnverifiable) {
  f_.settings.ModernWeb = true;
  Reply wall;
  wall.status = 403;
  wall.headers = {{"cf-mitigated", "challenge"}};
  wall.body = "<html><body>Enable JavaScript and cookies to continue</body></html>";
  f_.site().Serve("/wall.htm", wall);
  f_.AddPartner("Wall", f_.Url("/wall.htm"), kFind);
  std::unique_ptr<TZEBBotForm> form = Open();
  EXPECT_TRUE(Find<QCheckBox>(*form, "ModernWebCheckBox")->isChecked());

  RunOne(*form, "Wall");

  const QString memo = Find<QPlainTextEdit>(*form, "Memo1")->toPlainText();
  EXPECT_TRUE(memo.contains("Could not check the start page: 403 challenge page")) << memo.toStdString();
  auto* tree = Find<QTreeWidget>(*form, "HTMLTreeview1");
  ASSERT_GE(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* start = tree->topLevelItem(1);
  EXPECT_EQ(start->text(0), QString::fromStdString(LinkNodeText(f_.Url("/wall.htm"))));
  ASSERT_EQ(start->childCount(), 1);
  EXPECT_EQ(start->child(0)->text(0), "<B><I>Unverifiable: 403 challenge page</I></B>");
  EXPECT_FALSE(memo.contains("Not Found"));
  EXPECT_EQ(Partner("Wall")->URL, "http://old.example/links.htm");
}

}  // namespace
}  // namespace zeb
