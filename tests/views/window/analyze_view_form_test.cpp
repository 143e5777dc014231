// The position analysis view over real tables: the lists, the filter, the order, the pages,
// a click on a point, sorting, export and printing, and a large project.
#include "views/window/analyze_view_form.h"

#include <gtest/gtest.h>

#include <tuple>

#include <QAbstractBarSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QPlainTextEdit>
#include <QScatterSeries>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "data/app_tables.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "support/window/gui_support.h"
#include "support/crawl_fixture.h"
#include "support/temp_dir.h"
#include "text/date_time.h"
#include "views/window/kw_comparative_form.h"

namespace zeb {
namespace {

using testing::WaitFor;

class AnalyzeViewFormTest : public ::testing::Test {
 protected:
  void AddAnalyses(const std::string& project, int count) {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables app(session);
    if (!app.FindProject(project)) app.AddProject({project, "", {}, {}});
    Transaction transaction(session);
    for (int i = 0; i < count; ++i) {
      AnalysisRecord a;
      a.Project = project;
      a.SiteName = "Partner " + std::string(i < 10 ? "0" : "") + std::to_string(i);
      a.BaseURL = "http://p" + std::to_string(i) + ".test/";
      const int month = 1 + i % 12, day = 1 + i % 28;
      a.xDate = *ParseDateTime(QString("2026-%1-%2 00:00:00")
                                   .arg(month, 2, 10, QChar('0'))
                                   .arg(day, 2, 10, QChar('0'))
                                   .toStdString());
      a.Hops = i == 3 ? 0 : 1 + i % 4;
      a.AllLinksTotal = 20 + i;
      a.ExternalLinksTotal = 5 + i;
      a.AllLinkPosition = i == 3 ? 0 : 3 + i;
      a.ExternalLinkPosition = i == 3 ? 0 : 1 + i % 5;
      a.WordTotalTags = 300 + i;
      a.WordPosTags = i == 3 ? 0 : 40 + i;
      a.WordTotalNoTags = 200 + i;
      a.WordPosNoTags = i == 3 ? 0 : 30 + i;
      a.Back_TitleTag = {"Title of partner " + std::to_string(i)};
      a.TreeResults = {"<B><U>" + a.SiteName + "</U></B>", "\t<A href=\"" + a.BaseURL + "\">" +
                                                             a.BaseURL + "</A>"};
      app.SaveAnalysis(a);
    }
    transaction.Commit();
  }
  std::unique_ptr<TZEBAnalyzeViewForm> Open(const std::string& project) {
    auto view = std::make_unique<TZEBAnalyzeViewForm>(f_.locations());
    view->ProjectName = project;
    view->resize(1200, 820);
    view->show();
    EXPECT_TRUE(WaitFor([&] { return !view->records().empty(); }, 5000));
    return view;
  }
  template <typename T>
  static T* Find(TZEBAnalyzeViewForm& view, const char* name) {
    T* widget = view.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static std::vector<std::string> Sites(const TZEBAnalyzeViewForm& view) {
    std::vector<std::string> sites;
    for (const AnalysisRecord& r : view.records()) sites.push_back(r.SiteName);
    return sites;
  }
  // Whether the chart was laid out since it was last filled: the plot area, the axes' labels and
  // the legend placed. Each fill asks for a layout, which the event loop runs.
  static bool LaidOut(const QChartView& chart_view) {
    const QChart& chart = *chart_view.chart();
    return chart.layout()->isActivated() && chart.plotArea().width() > 0;
  }

  testing::CrawlFixture f_;
};

TEST_F(AnalyzeViewFormTest, ListsProjectsWithoutDefaultAndOpensOnTheFirst) {
  {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables(session).AddProject({"Default", "", {}, {}});
  }
  AddAnalyses("Birds", 2);
  AddAnalyses("Pets", 8);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("");
  EXPECT_TRUE(testing::FitsASmallScreen(*view));
  auto* projects = Find<QComboBox>(*view, "ProjectList");
  QStringList listed;
  for (int i = 0; i < projects->count(); ++i) listed << projects->itemText(i);
  EXPECT_EQ(listed, (QStringList{"Birds", "P", "Pets"}));
  EXPECT_EQ(projects->currentText(), "Birds");
  EXPECT_EQ(view->records().size(), 2u);
  view = Open("Pets");
  EXPECT_EQ(view->records().size(), 8u);
}

TEST_F(AnalyzeViewFormTest, FilterOrderAndPages) {
  AddAnalyses("Pets", 8);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  Find<QCheckBox>(*view, "OnlyWithValues")->click();
  EXPECT_EQ(view->records().size(), 7u);  // Partner 03 has no values
  Find<QCheckBox>(*view, "OnlyWithValues")->click();
  EXPECT_EQ(view->records().size(), 8u);

  auto* order = Find<QComboBox>(*view, "OrderBy");
  auto choose = [&](const QString& entry) {
    order->setCurrentIndex(order->findText(entry));
    emit order->activated(order->currentIndex());
  };
  choose("Hops");
  const std::vector<std::string> by_hops = Sites(*view);
  EXPECT_EQ(view->records().front().Hops, 0);
  choose("-----------  WORDS  -----------");
  EXPECT_EQ(Sites(*view), by_hops);  // a separator changes nothing

  Find<QSpinBox>(*view, "PartnersPerPage")->setValue(3);
  EXPECT_EQ(Find<QLabel>(*view, "PageLabel")->text(), "Page 1 of 3");
  QTest::mouseClick(Find<QToolButton>(*view, "NextPage"), Qt::LeftButton);
  EXPECT_EQ(Find<QLabel>(*view, "PageLabel")->text(), "Page 2 of 3");
  auto* chart = Find<QChartView>(*view, "Chart")->chart();
  ASSERT_EQ(chart->series().size(), 9);
  EXPECT_EQ(qobject_cast<QScatterSeries*>(chart->series()[1])->count(), 3);
}

// Opened for a partner (zebhost analysis --partner, the console's button), the view shows that
// partner and the chart page it is on; a name it does not list leaves it on the first.
TEST_F(AnalyzeViewFormTest, ItOpensOnTheNamedPartnerAndItsPage) {
  AddAnalyses("Pets", 12);
  for (const auto& [partner, current, page] :
       {std::tuple{"Partner 09", 9, "Page 2 of 2"}, std::tuple{"Nobody", 0, "Page 1 of 2"}}) {
    auto view = std::make_unique<TZEBAnalyzeViewForm>(f_.locations());
    view->ProjectName = "Pets";
    view->PartnerName = partner;
    view->show();
    ASSERT_TRUE(WaitFor([&] { return !view->records().empty(); }, 5000));
    EXPECT_EQ(view->current(), current) << partner;
    EXPECT_EQ(Find<QTableWidget>(*view, "DataGrid")->currentRow(), current) << partner;
    EXPECT_EQ(Find<QLabel>(*view, "PageLabel")->text(), page) << partner;
  }
}

TEST_F(AnalyzeViewFormTest, ClickingTheFifthPointShowsTheFifthPartner) {
  AddAnalyses("Pets", 8);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  Find<QSpinBox>(*view, "PartnersPerPage")->setValue(8);
  QChartView* chart_view = Find<QChartView>(*view, "Chart");
  auto* points = qobject_cast<QScatterSeries*>(chart_view->chart()->series()[1]);
  ASSERT_NE(points, nullptr);
  ASSERT_TRUE(WaitFor([&] { return LaidOut(*chart_view); }, 2000));
  const QPointF at = chart_view->chart()->mapToPosition(points->at(4), points);
  const QPoint on_view = chart_view->mapFromScene(at);
  QTest::mouseClick(chart_view->viewport(), Qt::LeftButton, {}, on_view);
  ASSERT_EQ(view->current(), 4);
  EXPECT_EQ(Find<QLabel>(*view, "SiteLink")->text(),
            "<a href=\"http://p4.test/\">Partner 04</a>");
  EXPECT_EQ(Find<QLabel>(*view, "LastAnalyzed")->text(), "2026-05-05");
  EXPECT_EQ(Find<QPlainTextEdit>(*view, "TextPane")->toPlainText(), "Title of partner 4");
  auto* tree = Find<QTreeWidget>(*view, "HopSequence");
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_TRUE(tree->topLevelItem(0)->text(0).contains("Partner 04"));
  auto* selector = Find<QComboBox>(*view, "TextSelector");
  EXPECT_EQ(selector->count(), 8);
  EXPECT_EQ(Find<QTableWidget>(*view, "DataGrid")->currentRow(), 4);
}

TEST_F(AnalyzeViewFormTest, TheGridSortsAndTheChartAndItsDataExport) {
  AddAnalyses("Pets", 8);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  auto* grid = Find<QTableWidget>(*view, "DataGrid");
  QHeaderView* header = grid->horizontalHeader();
  auto click = [&](int column, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers,
                      QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
  };
  click(1);                        // Hops, rising
  click(4, Qt::ShiftModifier);     // then Position Total Links, rising
  for (std::size_t i = 1; i < view->records().size(); ++i) {
    const AnalysisRecord& a = view->records()[i - 1];
    const AnalysisRecord& b = view->records()[i];
    EXPECT_TRUE(a.Hops < b.Hops || (a.Hops == b.Hops && a.AllLinkPosition <= b.AllLinkPosition));
  }
  EXPECT_EQ(grid->item(0, 0)->text(), QString::fromStdString(view->records()[0].SiteName));

  QChartView* chart_view = Find<QChartView>(*view, "Chart");
  ASSERT_TRUE(WaitFor([&] { return LaidOut(*chart_view); }, 2000));  // the sorted series
  testing::TempDir out;
  for (const char* name : {"chart.png", "chart.svg", "chart.pdf", "chart.csv"}) {
    const QString file = QString::fromStdString((out / name).string());
    ASSERT_TRUE(view->ExportTo(file)) << name;
    EXPECT_GT(std::filesystem::file_size(out / name), 200u) << name;
  }
  QFile csv(QString::fromStdString((out / "chart.csv").string()));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 9);
  EXPECT_TRUE(lines[0].startsWith("Site Name,Hops,Total Links"));
  for (int r = 0; r < 8; ++r) {
    QStringList cells = lines[r + 1].split(',');
    ASSERT_EQ(cells.size(), 10);
    for (int c = 0; c < 10; ++c) EXPECT_EQ(cells[c], grid->item(r, c)->text()) << r << c;
  }
  // The drawing holds the chart itself: the partners' names and the series' titles.
  QFile svg(QString::fromStdString((out / "chart.svg").string()));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QString drawing = QString::fromUtf8(svg.readAll());
  EXPECT_TRUE(drawing.contains("Partner 0")) << "no partner name in the SVG";
  EXPECT_TRUE(drawing.contains("Position In Total Links"));
}

// The hop sequence draws the stored chain's link nodes as links, whatever their depth.
TEST_F(AnalyzeViewFormTest, TheHopSequenceShowsTheStoredChainAsLinks) {
  AddAnalyses("Pets", 2);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  auto* hops = Find<QTreeWidget>(*view, "HopSequence");
  ASSERT_EQ(hops->topLevelItemCount(), 2);
  const AnalysisRecord& shown = view->records()[0];
  EXPECT_EQ(hops->topLevelItem(0)->text(0).toStdString(), "<B><U>" + shown.SiteName + "</U></B>");
  EXPECT_EQ(hops->topLevelItem(1)->text(0).toStdString(),
            "<A href=\"" + shown.BaseURL + "\">" + shown.BaseURL + "</A>");
}

TEST_F(AnalyzeViewFormTest, TheCountsColumnShowsEachPartnersLastVerdict) {
  AddAnalyses("Pets", 3);
  {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    for (const auto& [site, verdict] : std::vector<std::pair<std::string, std::string>>{
             {"Partner 00", "counts"}, {"Partner 01", "counts"}, {"Partner 01", "nofollow"}}) {
      VerdictRecord v;
      v.Project = "Pets";
      v.SiteName = site;
      v.Result = "found";
      v.Verdict = verdict;
      AppendVerdict(session, v);
    }
  }
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  auto* grid = Find<QTableWidget>(*view, "DataGrid");
  ASSERT_EQ(grid->columnCount(), kCountsColumn + 1);
  EXPECT_EQ(grid->horizontalHeaderItem(kCountsColumn)->text(), "Counts");
  std::map<std::string, QString> shown;
  for (int r = 0; r < grid->rowCount(); ++r) {
    shown[grid->item(r, 0)->text().toStdString()] = grid->item(r, kCountsColumn)->text();
  }
  EXPECT_EQ(shown["Partner 00"], "yes");
  EXPECT_EQ(shown["Partner 01"], "nofollow");  // the newest check's
  EXPECT_EQ(shown["Partner 02"], "");          // never judged
}

// The grid's titles follow the keyword view's rule: a plain click on one of several keys sorts
// by that column alone, rising; on the only key it flips the direction.
TEST_F(AnalyzeViewFormTest, APlainClickOnOneOfSeveralKeysSortsByItAlone) {
  AddAnalyses("Pets", 8);
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Pets");
  QHeaderView* header = Find<QTableWidget>(*view, "DataGrid")->horizontalHeader();
  auto click = [&](int column, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers,
                      QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
  };
  auto sorted_by_total_links = [&](bool rising) {
    for (std::size_t i = 1; i < view->records().size(); ++i) {
      const int a = view->records()[i - 1].AllLinksTotal, b = view->records()[i].AllLinksTotal;
      if (rising ? a > b : a < b) return false;
    }
    return true;
  };
  click(1);
  click(2, Qt::ShiftModifier);
  click(2);  // Total Links alone, rising
  EXPECT_TRUE(sorted_by_total_links(true));
  click(2);  // the only key: falling
  EXPECT_TRUE(sorted_by_total_links(false));
  EXPECT_EQ(view->records().front().SiteName, "Partner 07");
}

TEST(AnalyzeViewEmptyTest, WithoutProjectsItSaysSoAndStaysOpen) {
  testing::TempDir dir;
  FileLocations locations{dir.folder(), dir.folder()};
  {
    Session session(DatabaseFile(locations), OpenMode::kCreateIfMissing);
    CreateApplicationTables(session);
    CreateWorkTables(session);
    AppTables(session).AddProject({"Default", "", {}, {}});
  }
  TZEBAnalyzeViewForm view(locations);
  QString said;
  QTimer answer;  // looks for the message box every few milliseconds and answers it
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      said = box->text();
      box->accept();
    }
  });
  answer.start(5);
  view.show();
  ASSERT_TRUE(WaitFor([&] { return !said.isEmpty(); }, 5000));
  EXPECT_EQ(said, "No project have been setup in Zebulant.  There is no data to see.");
  EXPECT_TRUE(view.isVisible());
  EXPECT_TRUE(view.records().empty());
}

// A large project opens, re-sorts and pages without a visible pause.
TEST_F(AnalyzeViewFormTest, AThousandPartnersOpenSortAndPageQuickly) {
  AddAnalyses("Big", 1000);
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<TZEBAnalyzeViewForm> view = Open("Big");
  QApplication::processEvents();
  const auto opened = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(view->records().size(), 1000u);
  auto* header = Find<QTableWidget>(*view, "DataGrid")->horizontalHeader();
  const auto sort_start = std::chrono::steady_clock::now();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(7) + 4, header->height() / 2));
  QApplication::processEvents();
  const auto sorted = std::chrono::steady_clock::now() - sort_start;
  const auto page_start = std::chrono::steady_clock::now();
  view->ShowPage(100);
  QApplication::processEvents();
  const auto paged = std::chrono::steady_clock::now() - page_start;
  using ms = std::chrono::duration<double, std::milli>;
  std::printf("1,000 partners: shown in %.0f ms, re-sorted in %.0f ms, paged in %.0f ms\n",
              ms(opened).count(), ms(sorted).count(), ms(paged).count());
  EXPECT_LT(ms(sorted).count(), 1000);
  EXPECT_LT(ms(paged).count(), 1000);
}


// A data folder whose database cannot be read: both views say why in a dialog, not that there
// is nothing to see.
TEST(UnreadableDataTest, BothViewsShowTheReadError) {
  testing::TempDir dir;
  FileLocations locations{dir.folder(), dir.folder()};
  testing::WriteFile(DatabaseFile(locations), std::string(4096, 'x'));  // not a database
  for (int which = 0; which < 2; ++which) {
    testing::DialogAnswerer answerer;
    std::unique_ptr<QDialog> view;
    if (which == 0) {
      view = std::make_unique<TZEBAnalyzeViewForm>(locations);
    } else {
      view = std::make_unique<TZEBKWComparativeForm>(locations);
    }
    view->show();
    ASSERT_TRUE(WaitFor([&] { return !answerer.texts().empty(); }, 5000)) << which;
    EXPECT_EQ(answerer.texts().size(), 1u) << which;
    EXPECT_EQ(answerer.texts()[0].rfind("<B>Error</B><BR>The projects cannot be read: ", 0), 0u)
        << answerer.texts()[0];
    EXPECT_NE(answerer.texts()[0].find("not a database"), std::string::npos) << answerer.texts()[0];
  }
}

}  // namespace
}  // namespace zeb
