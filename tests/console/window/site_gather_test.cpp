// Your-site information from the console: the gathering over a loopback home page, on a
// thread of its own while the window stays live, its failures, Show Information, and the
// keyword comparison opened for the selected partner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "console/window/bot_form.h"
#include "console/window/settings_bar.h"
#include "data/app_tables.h"
#include "support/window/gui_support.h"
#include "views/window/kw_comparative_form.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using namespace std::chrono_literals;
using testing::CrawlFixture;
using testing::DialogAnswerer;
using testing::WaitFor;

constexpr const char* kHome =
    "<html><head><meta name=\"keywords\" content=\"red, green blue\"></head>"
    "<body>cats cats cats dogs</body></html>";

class SiteGatherTest : public ::testing::Test {
 protected:
  SiteGatherTest() { f_.StoreSettings(); }

  void AddProject(const std::string& name, const std::string& home) {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables(session).AddProject({name, home, {}, {}});
  }
  std::optional<ProjectRecord> Project(const std::string& name) {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    return AppTables(session).FindProject(name);
  }
  std::unique_ptr<TZEBBotForm> Open(const std::string& project) {
    BotFormOptions options;
    options.locations = f_.locations();
    options.settings_file = f_.settings_file();
    options.ProjectName = project;
    auto form = std::make_unique<TZEBBotForm>(options);
    form->show();
    EXPECT_TRUE(WaitFor([&] { return form->findChild<QComboBox*>("ComboBox3")->count() > 0; }));
    QObject::connect(form->findChild<SettingsBar*>("SettingsBar"),
                     &SettingsBar::SiteStatusChanged,
                     [this](const QString& text) { statuses_.push_back(text.toStdString()); });
    return form;
  }
  static void Gather(TZEBBotForm& form) {
    QTest::mouseClick(form.findChild<QPushButton*>("GatherButton"), Qt::LeftButton);
  }
  bool Finished(const std::string& last) {
    return WaitFor([&] { return !statuses_.empty() && statuses_.back() == last; });
  }

  CrawlFixture f_;
  std::vector<std::string> statuses_;
};

TEST_F(SiteGatherTest, GatheringStoresTheKeywordsAndDensityAndReportsEachStep) {
  f_.site().Page("/mine.htm", kHome);
  AddProject("Mine", f_.Url("/mine.htm"));
  std::unique_ptr<TZEBBotForm> form = Open("Mine");
  Gather(*form);
  ASSERT_TRUE(Finished("Done"));
  EXPECT_EQ(statuses_, (std::vector<std::string>{"Working...", "Page loaded...", "Done"}));
  std::optional<ProjectRecord> mine = Project("Mine");
  EXPECT_EQ(mine->YourKWTag, (Lines{"red", "green blue"}));
  ASSERT_FALSE(mine->YourKWDensity.empty());
  EXPECT_EQ(mine->YourKWDensity[0].rfind("cats ~ 3 ~ ", 0), 0u) << mine->YourKWDensity[0];
}

TEST_F(SiteGatherTest, AProjectWithoutAHomePageGetsTheErrorDialogAndStoresNothing) {
  AddProject("Empty", "");
  std::unique_ptr<TZEBBotForm> form = Open("Empty");
  DialogAnswerer answerer;
  Gather(*form);
  ASSERT_TRUE(Finished("Add a Home Page to this project."));
  ASSERT_EQ(answerer.texts().size(), 1u);
  EXPECT_NE(answerer.texts()[0].find("Project Empty does not contain your Home Page value."),
            std::string::npos);
  EXPECT_TRUE(Project("Empty")->YourKWTag.empty());
}

TEST_F(SiteGatherTest, AMissingPageShowsTheErrorAndStoresNothing) {
  AddProject("Gone", f_.Url("/gone.htm"));
  std::unique_ptr<TZEBBotForm> form = Open("Gone");
  Gather(*form);
  ASSERT_TRUE(WaitFor([&] { return statuses_.size() >= 2; }));
  ASSERT_TRUE(WaitFor([&] { return form->findChild<QPushButton*>("GatherButton")->isEnabled(); }));
  EXPECT_NE(statuses_.back().find("404"), std::string::npos) << statuses_.back();
  EXPECT_TRUE(Project("Gone")->YourKWTag.empty());
  EXPECT_TRUE(Project("Gone")->YourKWDensity.empty());
}

// The fetch runs beside the window: clicks are answered at once, a second gathering and
// closing wait for the end.
TEST_F(SiteGatherTest, TheWindowAnswersWhileASlowHomePageLoads) {
  testing::Reply slow;
  slow.delay = 1500ms;
  slow.body = kHome;
  f_.site().Serve("/slow.htm", slow);
  AddProject("Slow", f_.Url("/slow.htm"));
  f_.AddPartner("Cats", f_.Url("/x.htm"), "me");
  std::unique_ptr<TZEBBotForm> form = Open(testing::kProject);
  auto* projects = form->findChild<QComboBox*>("ComboBox3");
  projects->setCurrentIndex(projects->findText("Slow"));
  emit projects->activated(projects->currentIndex());
  Gather(*form);
  ASSERT_TRUE(WaitFor([&] { return !statuses_.empty(); }));
  EXPECT_FALSE(form->findChild<QPushButton*>("GatherButton")->isEnabled());
  const auto start = std::chrono::steady_clock::now();
  QTest::mouseClick(form->findChild<QWidget*>("HTMLButton4"), Qt::LeftButton);  // check all
  QApplication::processEvents();
  const auto answered = std::chrono::steady_clock::now() - start;
  EXPECT_LT(answered, 200ms);
  std::printf("a click during the gathering was answered in %.1f ms\n",
              std::chrono::duration<double, std::milli>(answered).count());
  form->close();
  EXPECT_TRUE(form->isVisible());  // not while gathering
  ASSERT_TRUE(Finished("Done"));
  EXPECT_EQ(Project("Slow")->YourKWTag, (Lines{"red", "green blue"}));
}

TEST_F(SiteGatherTest, ShowInformationOfAProjectNeverGatheredHasTheHeadingsAndNoLines) {
  AddProject("Fresh", "http://fresh.test/");
  std::unique_ptr<TZEBBotForm> form = Open("Fresh");
  DialogAnswerer answerer;
  QTest::mouseClick(form->findChild<QPushButton*>("ShowInformationButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return answerer.texts().size() == 1; }));
  EXPECT_EQ(answerer.texts()[0],
            "<P align=\"center\"><B>Search Term information for<BR>Fresh</B><BR>(use \"Keyword "
            "Analysis...\" for more information.)</P><BR><LH><B>Keyword Tags</B></LH><P "
            "align=\"left\"><UL></UL></P><BR><P align=\"left\"><LH><B>Keyword "
            "Density</B></B</LH><UL></UL></P>");
}

TEST_F(SiteGatherTest, KeywordAnalysisOpensTheComparisonForTheSelectedPartner) {
  constexpr const char* kPets = "Pets \"and\" more";
  AddProject(kPets, "http://me.test/");
  {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    PartnerRecord p;
    p.Project = kPets;
    p.SiteName = "Zoo";
    p.ContactWebSite = "http://zoo.test/";
    p.ShortCheck = "me";
    AppTables(session).AddPartner(p);
  }
  BotFormOptions options;
  options.locations = f_.locations();
  options.settings_file = f_.settings_file();
  options.ProjectName = kPets;
  options.PartnerName = "Zoo";
  TZEBBotForm console(options);
  console.show();
  ASSERT_TRUE(WaitFor([&] {
    return console.findChild<QComboBox*>("ComboBox3")->currentText() == kPets;
  }));
  std::string shown_project, shown_partner;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(WaitFor([] {
      return qobject_cast<TZEBKWComparativeForm*>(QApplication::activeModalWidget()) != nullptr;
    }));
    auto* view = qobject_cast<TZEBKWComparativeForm*>(QApplication::activeModalWidget());
    shown_project = view->ProjectName;
    shown_partner = view->PartnerName;
    QTest::keyClick(view, Qt::Key_Escape);
  });
  QTest::mouseClick(console.findChild<QWidget*>("KeywordAnalysisButton"), Qt::LeftButton);
  EXPECT_EQ(shown_project, kPets);
  EXPECT_EQ(shown_partner, "Zoo");
}

}  // namespace
}  // namespace zeb
