// Stored text that holds mark-up (bold, a picture of a local file, a link, a table) shown by the
// console, Show Information, the position analysis and the keyword comparison: every window
// shows it as text. Each label, tree node, list item, tool tip, chart label and dialog is
// rendered as the window renders it, and may load no picture and name no link but the system's
// own and the stored addresses.
#include <gtest/gtest.h>

#include <QAbstractAxis>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include "console/result_tree.h"
#include "console/window/bot_form.h"
#include "data/app_tables.h"
#include "data/schema.h"
#include "support/crawl_fixture.h"
#include "support/window/gui_support.h"
#include "views/window/analyze_view_form.h"
#include "views/window/kw_comparative_form.h"
#include "views/window/rich_text.h"

namespace zeb {
namespace {

using testing::CrawlFixture;
using testing::DialogAnswerer;
using testing::WaitFor;

const std::string kMarkup = "<b>BOLD</b><img src=/tmp/zeb-local-file.png width=120 height=40>";
const std::string kProject = "Project " + kMarkup;
const std::string kPartner = "Name <img src=/tmp/zeb-local-file.png>";
const std::string kHome =
    "http://ok.localhost/\"><b>BOLD</b><a\xC2\xA0href=\"http://evil.localhost/\">LINK</a>";
const std::string kChainPage = "http://ok.localhost/p3<img\xC2\xA0src=/some/local/file.png>x";
const std::string kFind = "find <table><tr><td>me</td></tr></table>";
const std::string kKeyword = "alpha,<img src=/tmp/zeb-local-file.png width=120 height=40 ,omega";

// What a text looks like once a widget has drawn it.
struct Rendered {
  QString plain;
  QStringList images;  // pictures the rendering asked for
  QStringList links;   // link targets in it
};

Rendered Render(const QString& text, bool rich) {
  if (!rich) return {text, {}, {}};
  QTextDocument document;
  document.setHtml(text);
  Rendered out{document.toPlainText(), {}, {}};
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (format.isImageFormat()) out.images << format.toImageFormat().name();
      if (format.isAnchor()) out.links << format.anchorHref();
    }
  }
  return out;
}

bool AutoRich(const QString& text) { return Qt::mightBeRichText(text); }

// Every text the window shows, as it shows it.
std::vector<Rendered> ShownTexts(QWidget& root) {
  std::vector<Rendered> shown;
  for (QLabel* label : root.findChildren<QLabel*>()) {
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && AutoRich(label->text()));
    shown.push_back(Render(label->text(), rich));
    shown.push_back(Render(label->toolTip(), AutoRich(label->toolTip())));
  }
  for (QTreeWidget* tree : root.findChildren<QTreeWidget*>()) {
    const bool rich = qobject_cast<HtmlItemDelegate*>(tree->itemDelegate()) != nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      shown.push_back(Render((*it)->text(0), rich));
      shown.push_back(Render((*it)->toolTip(0), AutoRich((*it)->toolTip(0))));
    }
  }
  for (QListWidget* list : root.findChildren<QListWidget*>()) {
    for (int i = 0; i < list->count(); ++i) {
      shown.push_back(Render(list->item(i)->text(), false));
      shown.push_back(Render(list->item(i)->toolTip(), AutoRich(list->item(i)->toolTip())));
    }
  }
  for (QComboBox* box : root.findChildren<QComboBox*>()) {
    for (int i = 0; i < box->count(); ++i) shown.push_back(Render(box->itemText(i), false));
  }
  for (QTableWidget* grid : root.findChildren<QTableWidget*>()) {
    for (int r = 0; r < grid->rowCount(); ++r) {
      for (int c = 0; c < grid->columnCount(); ++c) {
        if (QTableWidgetItem* item = grid->item(r, c)) {
          shown.push_back(Render(item->text(), false));
          shown.push_back(Render(item->toolTip(), AutoRich(item->toolTip())));
        }
      }
    }
  }
  // Chart labels are drawn as rich text.
  for (QChartView* view : root.findChildren<QChartView*>()) {
    for (QAbstractAxis* axis : view->chart()->axes()) {
      if (auto* bars = qobject_cast<QBarCategoryAxis*>(axis)) {
        for (const QString& label : bars->categories()) shown.push_back(Render(label, true));
      }
      if (auto* scale = qobject_cast<QCategoryAxis*>(axis)) {
        for (const QString& label : scale->categoriesLabels()) shown.push_back(Render(label, true));
      }
    }
  }
  return shown;
}

// No picture but the system's own, no link but the stored addresses; and the hostile texts
// are there, as text.
void ExpectShownAsText(const std::vector<Rendered>& shown,
                       const std::vector<std::string>& must_show) {
  const QStringList own_images = {"GCheck", "Cancel"};
  const QStringList addresses = {FromBytes(kHome), FromBytes(kChainPage)};
  QString all;
  for (const Rendered& r : shown) {
    for (const QString& image : r.images)
      EXPECT_TRUE(own_images.contains(image)) << image.toStdString();
    for (const QString& link : r.links) EXPECT_TRUE(addresses.contains(link)) << link.toStdString();
    all += r.plain + "\n";
  }
  // A rendered document gives a no-break space back as a plain one.
  all.replace(QChar(0xA0), ' ');
  for (const std::string& text : must_show) {
    EXPECT_TRUE(all.contains(FromBytes(text).replace(QChar(0xA0), ' ')))
        << "not shown as text: " << text << "\nshown:\n"
        << all.toStdString();
  }
}

class HostileTextTest : public ::testing::Test {
 protected:
  HostileTextTest() {
    f_.StoreSettings();
    Session session(DatabaseFile(f_.locations()), OpenMode::kExisting);
    AppTables app(session);
    app.AddProject({kProject, "http://me.localhost/", {}, {}});
    app.SetProjectKeywords(kProject, {kKeyword}, {kKeyword + " ~ 3 ~ 4%"});
    PartnerRecord p;
    p.Project = kProject;
    p.SiteName = kPartner;
    p.ContactWebSite = kHome;
    p.ShortCheck = kFind;
    p.URL = kChainPage;
    p.FoundShort = true;
    app.AddPartner(p);
    AnalysisRecord a;
    a.Project = kProject;
    a.SiteName = kPartner;
    a.BaseURL = kHome;
    a.Hops = 1;
    a.HopSequence = {kHome, kChainPage};
    a.Base_TitleTag = {kMarkup};
    a.Back_KWTag = {kKeyword};
    a.Back_KWDensity = {kKeyword + " ~ 1 ~ 2%"};
    // A tree as the bot writes it, and the same lines as an older store kept them, unescaped.
    a.TreeResults = {TitleNodeText(kPartner, "2026-12-10"),
                     "\t" + LinkNodeText(kHome),
                     "\t\t" + LinkNodeText(kChainPage),
                     "<B><U>" + kPartner + "</U></B> (2026-12-09)",
                     "\t<A href=\"" + kChainPage + "\">" + kChainPage + "</A>",
                     "<B><I>Not Found: BackLink " + kFind + "</I></B>",
                     kMarkup};
    app.SaveAnalysis(a);
  }

  CrawlFixture f_;
};

TEST_F(HostileTextTest, TheConsoleAndShowInformationShowStoredMarkupAsText) {
  BotFormOptions options;
  options.locations = f_.locations();
  options.settings_file = f_.settings_file();
  options.ProjectName = kProject;
  options.PartnerName = kPartner;
  TZEBBotForm console(options);
  console.show();
  ASSERT_TRUE(WaitFor([&] {
    return console.findChild<QLabel*>("Label33")->text() == FromBytes(kFind) &&
           console.findChild<QTreeWidget*>("HTMLTreeview1")->topLevelItemCount() > 0;
  }));
  ExpectShownAsText(ShownTexts(console), {kProject, kPartner, kFind, kHome, kChainPage, kMarkup});

  DialogAnswerer answerer;
  QTest::mouseClick(console.findChild<QPushButton*>("ShowInformationButton"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return !answerer.texts().empty(); }));
  ExpectShownAsText({Render(QString::fromStdString(answerer.texts()[0]), true)},
                    {kProject, kKeyword});
}

// AutoRun names a partner that is not there: the error dialog names it as text.
TEST_F(HostileTextTest, TheAutoRunErrorNamesThePartnerAsText) {
  const std::string missing =
      "Ghost <img src=/tmp/zeb-local-file.png><a href=\"http://evil.localhost/\">x</a>";
  BotFormOptions options;
  options.locations = f_.locations();
  options.settings_file = f_.settings_file();
  options.ProjectName = kProject;
  options.PartnerNames = {missing};
  options.AutoRun = true;
  DialogAnswerer answerer;
  TZEBBotForm console(options);
  console.show();
  ASSERT_TRUE(WaitFor([&] { return !answerer.texts().empty(); }));
  ExpectShownAsText({Render(QString::fromStdString(answerer.texts()[0]), true)},
                    {missing, kProject});
}

TEST_F(HostileTextTest, TheTwoViewsShowStoredMarkupAsText) {
  TZEBAnalyzeViewForm analysis(f_.locations());
  analysis.ProjectName = kProject;
  analysis.PartnerName = kPartner;
  analysis.show();
  ASSERT_TRUE(WaitFor(
      [&] { return analysis.findChild<QTreeWidget*>("HopSequence")->topLevelItemCount() > 0; }));
  ExpectShownAsText(ShownTexts(analysis), {kProject, kPartner, kHome, kChainPage, kFind});

  TZEBKWComparativeForm comparison(f_.locations());
  comparison.ProjectName = kProject;
  comparison.PartnerName = kPartner;
  comparison.show();
  ASSERT_TRUE(WaitFor(
      [&] { return comparison.findChild<QTableWidget*>("AdvStringGrid1")->rowCount() > 0; }));
  ExpectShownAsText(ShownTexts(comparison), {kProject, kPartner});
}

}  // namespace
}  // namespace zeb
