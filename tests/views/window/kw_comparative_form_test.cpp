// The keyword comparative view over real tables: the lists it offers, the grids, the filters,
// sorting and printing.
#include "views/window/kw_comparative_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/window/gui_support.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

constexpr const char* kPets = "Pets \"and\" more";

class KwComparativeFormTest : public ::testing::Test {
 protected:
  KwComparativeFormTest() {
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables app(session);
    app.AddProject({"Default", "", {}, {}});
    app.AddProject({kPets, "http://me.test/", {}, {}});
    app.SetProjectKeywords(kPets, {"cats", "dogs", "tagonly"},
                           {"cats ~ 9 ~ 12%", "dogs ~ 2 ~ 3%", "fish ~ 5 ~ 7%"});
    for (const char* name : {"Zoo", "Aquarium"}) {
      AnalysisRecord a;
      a.Project = kPets;
      a.SiteName = name;
      a.Base_KWTag = {"cats"};
      a.Base_KWDensity = {"cats ~ 4 ~ 10%", "birds ~ 1 ~ 2%"};
      a.Back_KWTag = {std::string(name) == "Zoo" ? "lions" : "sharks"};
      a.Back_KWDensity = {"dogs ~ 3 ~ 6%"};
      app.SaveAnalysis(a);
    }
  }
  std::unique_ptr<TZEBKWComparativeForm> Open(const std::string& project,
                                              const std::string& partner) {
    auto view = std::make_unique<TZEBKWComparativeForm>(f_.locations());
    view->ProjectName = project;
    view->PartnerName = partner;
    view->show();
    return view;
  }
  static QTableWidget* Grid(TZEBKWComparativeForm& view, const char* name) {
    return view.findChild<QTableWidget*>(name);
  }
  static QStringList Column(QTableWidget* grid, int column) {
    QStringList cells;
    for (int r = 0; r < grid->rowCount(); ++r) {
      cells << (grid->item(r, column) ? grid->item(r, column)->text() : QString());
    }
    return cells;
  }
  static int RowOf(QTableWidget* grid, const QString& keyword) {
    return static_cast<int>(Column(grid, 0).indexOf(keyword));
  }
  static bool Checked(QTableWidget* grid, int row, int column) {
    return grid->item(row, column) && grid->item(row, column)->data(Qt::UserRole).toBool();
  }

  testing::CrawlFixture f_;
};

TEST_F(KwComparativeFormTest, OpensOnTheFirstProjectAndPartnerAndFillsBothGrids) {
  std::unique_ptr<TZEBKWComparativeForm> view = Open("", "");
  EXPECT_TRUE(testing::FitsASmallScreen(*view));
  auto* projects = view->findChild<QComboBox*>("ProjectList");
  QStringList listed;
  for (int i = 0; i < projects->count(); ++i) listed << projects->itemText(i);
  EXPECT_EQ(listed, (QStringList{"P", kPets}));  // never "Default"
  EXPECT_EQ(view->ProjectName, "P");
  EXPECT_EQ(view->findChild<QComboBox*>("PartnerList")->count(), 0);

  view = Open(kPets, "");
  EXPECT_EQ(view->PartnerName, "Aquarium");  // the first partner
  QTableWidget* home = Grid(*view, "AdvStringGrid2");
  QTableWidget* back = Grid(*view, "AdvStringGrid1");
  const int cats = RowOf(home, "cats");
  ASSERT_GE(cats, 0);
  EXPECT_TRUE(Checked(home, cats, 1));
  EXPECT_EQ(home->item(cats, 2)->text(), "9");
  EXPECT_TRUE(Checked(home, cats, 4));
  EXPECT_EQ(home->item(cats, 5)->text(), "4");
  EXPECT_EQ(home->item(cats, 6)->text(), "10%");
  const int sharks = RowOf(back, "sharks");
  ASSERT_GE(sharks, 0);
  EXPECT_TRUE(Checked(back, sharks, 4));
  EXPECT_FALSE(Checked(back, sharks, 1));
  EXPECT_EQ(RowOf(back, "lions"), -1);
  EXPECT_EQ(home->horizontalHeaderItem(4)->text(), "In Partners\nHome Tag");
  EXPECT_EQ(back->horizontalHeaderItem(4)->text(), "In Partners\nBacklink Tag");

  auto* partners = view->findChild<QComboBox*>("PartnerList");
  partners->setCurrentIndex(partners->findText("Zoo"));
  emit partners->activated(partners->currentIndex());
  EXPECT_GE(RowOf(back, "lions"), 0);
  EXPECT_EQ(RowOf(back, "sharks"), -1);
}

TEST_F(KwComparativeFormTest, TheFiltersAndSortingRearrangeTheRows) {
  std::unique_ptr<TZEBKWComparativeForm> view = Open(kPets, "Zoo");
  QTableWidget* home = Grid(*view, "AdvStringGrid2");
  EXPECT_EQ(home->rowCount(), 5);  // cats, dogs, tagonly, fish, birds
  view->findChild<QRadioButton*>("RemoveNoMatches")->click();
  EXPECT_EQ(Column(home, 0), QStringList{"cats"});
  view->findChild<QRadioButton*>("RemoveOnlyYourTag")->click();
  EXPECT_EQ(RowOf(home, "tagonly"), -1);
  EXPECT_GE(RowOf(home, "fish"), 0);
  view->findChild<QRadioButton*>("ShowAll")->click();
  EXPECT_EQ(home->rowCount(), 5);

  QHeaderView* header = home->horizontalHeader();
  const auto click = [&](int column, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, modifiers, at);
  };
  click(2);  // your count, rising; empty counts first
  EXPECT_EQ(Column(home, 2), (QStringList{"", "", "2", "5", "9"}));
  click(2);  // again: falling
  EXPECT_EQ(Column(home, 2), (QStringList{"9", "5", "2", "", ""}));
  click(1);
  click(0, Qt::ShiftModifier);  // by the tag check, then by keyword
  EXPECT_EQ(Column(home, 0), (QStringList{"birds", "fish", "cats", "dogs", "tagonly"}));
}

TEST_F(KwComparativeFormTest, BothGridsPrintToPdf) {
  std::unique_ptr<TZEBKWComparativeForm> view = Open(kPets, "Zoo");
  for (const char* name : {"AdvStringGrid2", "AdvStringGrid1"}) {
    const std::filesystem::path pdf = std::filesystem::path(f_.locations().ExeFolder) /
                                      (std::string(name) + ".pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    view->PrintGrid(Grid(*view, name), printer);
    ASSERT_TRUE(std::filesystem::exists(pdf)) << name;
    EXPECT_GT(std::filesystem::file_size(pdf), 1000u) << name;
  }
}

}  // namespace
}  // namespace zeb
