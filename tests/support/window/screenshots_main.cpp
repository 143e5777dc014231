// Takes the README's screenshots of the console: idle with a project loaded (after a first run,
// so that the tree and the messages show), and in the middle of a run over slow loopback sites.
//   zeb_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QBarSet>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QTest>
#include <QPrinter>
#include <QTableWidget>
#include <QToolBox>
#include <cstdio>

#include "console/bot_settings.h"
#include "console/window/bot_form.h"
#include "data/app_tables.h"
#include "data/settings_store.h"
#include "support/crawl_fixture.h"
#include "views/window/analyze_view_form.h"
#include "views/window/kw_comparative_form.h"
#include "views/window/rich_text.h"

namespace {

using namespace std::chrono_literals;
using zeb::testing::CrawlFixture;
using zeb::testing::Reply;

constexpr const char* kProject = "My Site";

void AddPartner(CrawlFixture& f, const std::string& name, const std::string& host,
                const std::string& find) {
  zeb::Session session(zeb::DatabaseFile(f.locations()), zeb::OpenMode::kExisting);
  zeb::PartnerRecord p;
  p.Project = kProject;
  p.SiteName = name;
  p.ContactWebSite = f.Url(host, "/index.htm");
  p.ShortCheck = find;
  zeb::AppTables(session).AddPartner(p);
}

// A site of `pages` pages, each linking to the next three; the link to mysite sits on `found`.
void ServeSite(CrawlFixture& f, const std::string& prefix, int pages, int found,
               std::chrono::milliseconds delay) {
  for (int i = 0; i < pages; ++i) {
    std::string body =
        "<html><head><title>" + prefix + " page " + std::to_string(i) + "</title><meta name=\"keywords\" content=\"cats, cat food, kittens, " + prefix +
                       "\"></head><body><p>Cats and kittens: cat food, cat toys and cat care. "
                       "Our cats love " + prefix + ".</p>";
    for (int k = 1; k <= 3; ++k) {
      body += "<a href=\"/" + prefix + std::to_string(i * 3 + k) + ".htm\">more</a> ";
    }
    if (i == found) body += "<a href=\"http://www.mysite.example/\">My Site</a>";
    Reply reply;
    reply.delay = delay;
    reply.body = body + "</body></html>";
    f.site().Serve(i == 0 ? "/index.htm" : "/" + prefix + std::to_string(i) + ".htm", reply);
  }
}

bool Save(QWidget& window, const QString& file) {
  QApplication::processEvents();
  const bool ok = window.grab().save(file);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: zeb_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QDir(argv[1]).absolutePath();
  QDir().mkpath(out);

  CrawlFixture f;
  {
    zeb::Session session(zeb::DatabaseFile(f.locations()), zeb::OpenMode::kExisting);
    zeb::AppTables(session).AddProject({kProject, "http://www.mysite.example/", {}, {}});
  }
  ServeSite(f, "cats", 40, 4, 40ms);
  AddPartner(f, "Cats Corner", "cats.localhost", "mysite.example");
  AddPartner(f, "Dog Days", "dogs.localhost", "nowhere.example");
  AddPartner(f, "Fish Tank Forum", "fish.localhost", "mysite.example");
  AddPartner(f, "Gardening Today", "garden.localhost", "mysite.example");
  f.settings.Connections = 5;
  f.settings.StopHops = 3;
  f.settings.AutoUpdatePartner = true;
  f.settings.AnalyzeFound = true;
  f.settings.AnalyzeBase = true;
  f.settings.KWDensity = 2;
  f.settings.ModernWeb = true;  // the tree shows whether each link counts
  {
    zeb::Session session(zeb::DatabaseFile(f.locations()), zeb::OpenMode::kExisting);
    zeb::AppTables(session).SetProjectKeywords(
        kProject, {"cats", "kittens", "pet care", "cat toys"},
        {"cats ~ 12 ~ 6.5%", "cat ~ 8 ~ 4.3%", "kittens ~ 5 ~ 2.7%", "care ~ 3 ~ 1.6%"});
  }
  f.StoreSettings();
  zeb::SetWebLinkOpener([](const QUrl&) {});
  f.WriteList("STFilter.txt", "the\r\nand\r\nof\r\n");
  f.WriteList("URLExceptions.txt", "logout\r\ncart\r\n");
  f.WriteList("HotLink.txt", "links\r\npartners\r\n");

  zeb::BotFormOptions options;
  options.locations = f.locations();
  options.settings_file = f.settings_file();
  options.ProjectName = kProject;
  options.PartnerNames = {"Cats Corner"};
  options.run_options.tick = 200ms;
  zeb::TZEBBotForm form(options);
  form.resize(1400, 800);
  form.show();
  (void)QTest::qWaitFor([&] { return form.findChild<QListWidget*>("CheckListBox1")->count() > 0; });

  // A first run, so that the idle console shows a result tree and found marks.
  QTest::mouseClick(form.findChild<QWidget*>("HTMLButton2"), Qt::LeftButton);
  (void)QTest::qWaitFor([&] { return !form.Running(); }, 60000);
  auto* list = form.findChild<QListWidget*>("CheckListBox1");
  list->setCurrentRow(-1);
  list->setCurrentRow(0);
  QTest::qWait(300);
  if (!Save(form, out + "/console-idle.png")) return 1;

  // Each settings panel opened.
  auto* bar = form.findChild<QToolBox*>("SettingsBar");
  const char* const panels[] = {"misc", "throttling", "ignores", "density", "exceptions",
                                "hotlink"};
  for (int i = 0; i < bar->count(); ++i) {
    bar->setCurrentIndex(i);
    QTest::qWait(150);  // the panel's opening animation
    if (!Save(*bar, out + "/settings-" + panels[i] + ".png")) return 1;
  }
  bar->setCurrentIndex(0);

  // The middle of a run of every partner.
  QTest::mouseClick(form.findChild<QWidget*>("HTMLButton4"), Qt::LeftButton);
  QTest::mouseClick(form.findChild<QWidget*>("HTMLButton2"), Qt::LeftButton);
  (void)QTest::qWaitFor(
      [&] {
        return form.controller().busy_slots() >= 4 &&
               form.findChild<QLabel*>("Label28")->text().toInt() >= 2;
      },
      60000);
  QTest::qWait(400);
  const bool ok = Save(form, out + "/console-running.png");
  form.controller().RequestStop();
  (void)QTest::qWaitFor([&] { return !form.Running(); }, 60000);

  // The keyword comparison of the partner found.
  zeb::TZEBKWComparativeForm view(f.locations());
  view.ProjectName = kProject;
  view.PartnerName = "Cats Corner";
  view.resize(1100, 720);
  view.show();
  QTest::qWait(300);
  const bool view_ok = Save(view, out + "/kwcompare.png");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QDir::tempPath() + "/kwcompare-print.pdf");
  view.PrintGrid(view.findChild<QTableWidget*>("AdvStringGrid2"), printer);
  view.close();

  // The analysis view's exports, to look at (not part of the README).
  zeb::TZEBAnalyzeViewForm analysis(f.locations());
  analysis.ProjectName = kProject;
  analysis.resize(1100, 760);
  analysis.show();
  QTest::qWait(400);
  for (const char* ending : {"pdf", "svg", "png", "csv"}) {
    analysis.ExportTo(QDir::tempPath() + "/analysis-export." + ending);
  }
  analysis.close();
  return ok && view_ok ? 0 : 1;
}
