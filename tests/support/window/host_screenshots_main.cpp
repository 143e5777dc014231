// Takes the README's screenshots of zebhost's own windows: the first-run dialog, the host window
// with a project of ten partners after a check through the plug-in, and the partner dialog.
//   zeb_host_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "data/app_tables.h"
#include "host_data.h"
#include "support/crawl_fixture.h"
#include "support/temp_dir.h"
#include "window/first_run_dialog.h"
#include "window/host_window.h"
#include "window/partner_dialog.h"

namespace {

using zeb::testing::CrawlFixture;
constexpr const char* kProject = "My Site";

bool Save(QWidget& window, const QString& file) {
  QApplication::processEvents();
  const bool ok = window.grab().save(file);
  std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
  return ok;
}

// A partner site under /<prefix>/: a home page, a links page one hop down and a friends page
// two hops down; `link` is the anchor to mysite placed on the page of `hop` (none: -1).
void ServePartner(CrawlFixture& f, const std::string& prefix, int hop, const std::string& link) {
  const std::string pages[] = {"index.htm", "links.htm", "friends.htm"};
  for (int i = 0; i < 3; ++i) {
    std::string body = "<html><head><title>" + prefix + "</title></head><body><p>Welcome.</p>";
    if (i < 2) body += "<a href=\"/" + prefix + "/" + pages[i + 1] + "\">more</a> ";
    if (i == hop) body += link;
    f.site().Page("/" + prefix + "/" + pages[i], body + "</body></html>");
  }
}

void AddPartner(CrawlFixture& f, const std::string& name, const std::string& host,
                const std::string& prefix) {
  zeb::Session session(zeb::DatabaseFile(f.locations()), zeb::OpenMode::kExisting);
  zeb::PartnerRecord p;
  p.Project = kProject;
  p.SiteName = name;
  p.ContactWebSite = f.Url(host, "/" + prefix + "/index.htm");
  p.ShortCheck = "mysite.example";
  zeb::AppTables(session).AddPartner(p);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ZEB Bot");
  if (argc != 2) {
    std::fprintf(stderr, "usage: zeb_host_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QDir(argv[1]).absolutePath();
  QDir().mkpath(out);
  bool ok = true;

  // The first-run dialog, over a store that does not exist yet.
  zeb::testing::TempDir fresh;
  ::setenv("ZEB_SETTINGS_FILE", (fresh / "settings.ini").c_str(), 1);
  ::setenv("XDG_DATA_HOME", "/home/alex/.local/share", 1);
  {
    zebhost::FirstRunDialog dialog(zebhost::SuggestedFolders());
    dialog.show();
    QTest::qWait(200);
    ok = Save(dialog, out + "/host-first-run.png") && ok;
  }

  // A project of ten partners, checked through the plug-in's console (Check now).
  CrawlFixture f;
  {
    zeb::Session session(zeb::DatabaseFile(f.locations()), zeb::OpenMode::kExisting);
    zeb::AppTables tables(session);
    tables.AddProject({kProject, "http://www.mysite.example/", {}, {}});
    tables.AddProject({"My Shop", "https://shop.mysite.example/", {}, {}});
    tables.AddProject({"Recipes Blog", "", {}, {}});
    tables.RemoveProject(zeb::testing::kProject);  // the fixture's own, empty
  }
  const std::string me = "<a href=\"http://www.mysite.example/\">My Site</a>";
  const struct {
    const char* name;
    const char* host;
    const char* prefix;
    int hop;
    std::string link;
  } partners[] = {
      {"Cats Corner", "www.cats.localhost", "cats", 2, me},
      {"Dog Days", "dogs.localhost", "dogs", 1, me},
      {"Fish Tank Forum", "fish.localhost", "fish", 1,
       "<a rel=\"nofollow\" href=\"http://www.mysite.example/\">My Site</a>"},
      {"Gardening Today", "garden.localhost", "garden", 0, me},
      {"Hamster Hut", "hamsters.localhost", "hamsters", -1, ""},
      {"Lizard Lounge", "lizards.localhost", "lizards", 0, me},
      {"Parrot Perch", "parrots.localhost", "parrots", 2,
       "<a rel=\"sponsored\" href=\"http://www.mysite.example/\">My Site</a>"},
      {"Rabbit Run", "rabbits.localhost", "rabbits", 1, me},
      {"Turtle Town", "turtles.localhost", "turtles", -2, ""},
      {"Zebra Zone", "zebras.localhost", "zebras", 1, me},
  };
  for (const auto& p : partners) {
    if (p.hop == -2) {
      zeb::testing::Reply refused;
      refused.status = 403;
      refused.body = "<html><body>Forbidden</body></html>";
      f.site().Serve(std::string("/") + p.prefix + "/index.htm", refused);
    } else {
      ServePartner(f, p.prefix, p.hop, p.link);
    }
    AddPartner(f, p.name, p.host, p.prefix);
  }
  f.settings.Connections = 5;
  f.settings.StopHops = 3;
  f.settings.AutoUpdatePartner = true;
  f.settings.AnalyzeFound = true;
  f.settings.ModernWeb = true;
  f.StoreSettings();
  f.StoreFileLocations();
  ::setenv("ZEB_SETTINGS_FILE", f.settings_file().c_str(), 1);

  zebhost::HostWindow window(std::make_unique<zebhost::HostData>(f.locations()));
  window.resize(1480, 600);
  window.show();
  window.SelectProject(kProject);
  QTest::mouseClick(window.findChild<QPushButton*>("CheckNowButton"), Qt::LeftButton);
  window.SelectPartners({"Cats Corner", "Fish Tank Forum"});
  window.findChild<QTableView*>("PartnerTable")->setFocus();
  QTest::qWait(300);
  ok = Save(window, out + "/host-window.png") && ok;

  // The partner dialog of a partner that starts deeper in its site.
  zeb::PartnerRecord stored = zebhost::HostData(f.locations()).Partner(kProject, "Dog Days");
  stored.BotStart = f.Url("dogs.localhost", "/dogs/links.htm");
  stored.BotBaseHop = 1;
  stored.LongCheck = {"<a href=\"http://www.mysite.example/\">My Site: cat care and kittens</a>"};
  zebhost::PartnerDialog dialog(
      stored, [](const zeb::PartnerChanges&) {}, &window);
  dialog.show();
  QTest::qWait(200);
  ok = Save(dialog, out + "/host-partner-dialog.png") && ok;
  return ok ? 0 : 1;
}
