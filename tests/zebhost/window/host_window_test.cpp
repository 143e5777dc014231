// The host window over real tables and a real settings file: what a desktop user does with
// projects and partners leaves the tables as the same steps through zebhost would, refused
// fields write nothing, CSV files go in whole or not at all, and the plug-in's console runs from
// this Qt host and its results show in the table.
#include "window/host_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "data/app_tables.h"
#include "data/file_locations.h"
#include "data/schema.h"
#include "data/settings_store.h"
#include "desktop.h"
#include "host_data.h"
#include "support/crawl_fixture.h"
#include "support/temp_dir.h"
#include "support/window/gui_support.h"
#include "text/lines.h"
#include "window/desktop_hooks.h"
#include "window/first_run_dialog.h"
#include "window/partner_dialog.h"
#include "window/partner_table_model.h"
#include "window/project_dialog.h"

namespace zebhost {
namespace {

using zeb::testing::DialogAnswerer;
using zeb::testing::TempDir;
using zeb::testing::WaitFor;

// Calls `answer` once with the next modal dialog of type T, as soon as it shows (the window
// opens its dialogs with exec(), so the test answers from inside their event loop).
template <typename T>
void OnNextDialog(std::function<void(T*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    answer(dialog);
  });
  timer->start();
}

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget* parent, const char* button) {
  QTest::mouseClick(Child<QPushButton>(parent, button), Qt::LeftButton);
}

void Type(QWidget* dialog, const char* edit, const std::string& text) {
  Child<QLineEdit>(dialog, edit)->setText(QString::fromStdString(text));
}

// A partner's fields as the dialog's edits take them.
struct Fields {
  std::string name, home, start, find, link_text, backlink;
  int hop = 0;
};

void Fill(QWidget* dialog, const Fields& f) {
  Type(dialog, "NameEdit", f.name);
  Type(dialog, "HomePageEdit", f.home);
  Type(dialog, "StartPageEdit", f.start);
  Child<QSpinBox>(dialog, "StartHopSpin")->setValue(f.hop);
  Type(dialog, "FindEdit", f.find);
  Child<QPlainTextEdit>(dialog, "LinkTextEdit")->setPlainText(QString::fromStdString(f.link_text));
  Type(dialog, "BacklinkEdit", f.backlink);
}

// Every stored field of the application tables, one line per record, without row ids: two
// data folders that hold the same projects, partners and history give the same lines.
std::vector<std::string> Dump(const std::string& data_folder) {
  zeb::Session session = zeb::OpenDataFolder(data_folder);
  zeb::AppTables app(session);
  std::vector<std::string> lines;
  for (const std::string& name : app.ProjectNames()) {
    const zeb::ProjectRecord p = *app.FindProject(name);
    lines.push_back("project|" + p.Name + "|" + p.YourHomePage + "|" + zeb::JoinLines(p.YourKWTag) +
                    "|" + zeb::JoinLines(p.YourKWDensity));
    for (const zeb::PartnerRecord& r : app.Partners(name, zeb::ProjectScope::kExact)) {
      lines.push_back("partner|" + r.Project + "|" + r.SiteName + "|" + r.ContactWebSite + "|" +
                      r.BotStart + "|" + std::to_string(r.BotBaseHop) + "|" + r.ShortCheck + "|" +
                      zeb::JoinLines(r.LongCheck) + "|" + r.URL + "|" +
                      std::to_string(r.FoundShort) + std::to_string(r.FoundLong));
      for (const zeb::HistoryRecord& h : app.History(name, r.SiteName)) {
        lines.push_back("history|" + h.Project + "|" + h.SiteName + "|" + std::to_string(h.RFound));
      }
    }
  }
  return lines;
}

// A user's own settings store and folders in a temporary folder.
class HostWindowTest : public ::testing::Test {
 protected:
  HostWindowTest() {
    ::setenv("ZEB_SETTINGS_FILE", (dir_ / "settings.ini").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / "share").c_str(), 1);
  }
  ~HostWindowTest() override {
    ::unsetenv("ZEB_SETTINGS_FILE");
    ::unsetenv("XDG_DATA_HOME");
  }

  // Runs a zebhost command line that must succeed.
  void Zebhost(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(RunZebhost(args, out, err), 0) << err.str();
  }
  // Sets up a store (the one ZEB_SETTINGS_FILE names) with its folders under `name`.
  zeb::FileLocations Init(const std::string& name) {
    Zebhost({"init", "--data", (dir_ / name / "data").string(), "--exe",
             (dir_ / name / "exe").string()});
    return {(dir_ / name / "exe").string() + "/", (dir_ / name / "data").string() + "/"};
  }
  std::unique_ptr<HostWindow> Open(const zeb::FileLocations& where) {
    auto window = std::make_unique<HostWindow>(std::make_unique<HostData>(where));
    window->show();
    return window;
  }

  // The window's dialogs: fill, press the OK button; returns the error line's text when the
  // dialog refused (it is then cancelled), "" when it closed.
  template <typename Dialog>
  std::string Answer(HostWindow& window, const char* button,
                     const std::function<void(QWidget*)>& fill) {
    std::string refusal;
    OnNextDialog<Dialog>([&](Dialog* dialog) {
      fill(dialog);
      Click(dialog, "OkButton");
      if (dialog->isVisible()) {
        refusal = Child<QLabel>(dialog, "ErrorLine")->text().toStdString();
        Click(dialog, "CancelButton");
      }
    });
    Click(&window, button);
    return refusal;
  }
  std::string AddPartner(HostWindow& window, const Fields& f) {
    return Answer<PartnerDialog>(window, "AddPartnerButton", [&](QWidget* d) { Fill(d, f); });
  }
  std::string AddProject(HostWindow& window, const std::string& name, const std::string& home) {
    return Answer<ProjectDialog>(window, "AddProjectButton", [&](QWidget* d) {
      Type(d, "ProjectNameEdit", name);
      Type(d, "ProjectHomePageEdit", home);
    });
  }
  static QTableView* Table(HostWindow& window) {
    return Child<QTableView>(&window, "PartnerTable");
  }
  // The shown text of a partner's cell.
  static QString Cell(HostWindow& window, const std::string& partner, int column) {
    QAbstractItemModel* model = Table(window)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, PartnerTableModel::kName).data().toString().toStdString() == partner) {
        return model->index(row, column).data().toString();
      }
    }
    return "(no row)";
  }

  TempDir dir_;
};

TEST_F(HostWindowTest, TheFirstRunDialogCreatesNothingUnlessTheUserSaysYes) {
  const std::filesystem::path store = dir_ / "settings.ini";
  {
    FirstRunDialog dialog(SuggestedFolders());
    // The defaults are those zebhost init would make.
    EXPECT_EQ(Child<QLabel>(&dialog, "DefaultDataFolder")->text().toStdString(),
              (dir_ / "share" / "Quillbex" / "data").string() + "/");
    OnNextDialog<FirstRunDialog>([](FirstRunDialog* d) { Click(d, "QuitButton"); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  }
  EXPECT_FALSE(std::filesystem::exists(store));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "share"));

  // Folders of the user's choice: a file where a folder should be is refused, nothing made.
  zeb::testing::WriteFile(dir_ / "taken", "x");
  std::string refusal;
  FirstRunDialog dialog(SuggestedFolders());
  OnNextDialog<FirstRunDialog>([&](FirstRunDialog* d) {
    Child<QWidget>(d, "OwnFoldersChoice")->setProperty("checked", true);
    Type(d, "DataFolderEdit", (dir_ / "taken").string());
    Type(d, "ProgramFolderEdit", (dir_ / "mine" / "exe").string());
    Click(d, "SetUpButton");
    refusal = Child<QLabel>(d, "ErrorLine")->text().toStdString();
    EXPECT_FALSE(std::filesystem::exists(store));
    Type(d, "DataFolderEdit", (dir_ / "mine" / "data").string());
    Click(d, "SetUpButton");
  });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_NE(refusal.find("is not a folder"), std::string::npos) << refusal;
  EXPECT_TRUE(std::filesystem::exists(dir_ / "mine" / "data" / "zeb.sqlite"));
  const zeb::FileLocations where = zeb::ReadFileLocations(zeb::SettingsStore(store));
  EXPECT_EQ(where.DataFolder, (dir_ / "mine" / "data").string() + "/");
  EXPECT_EQ(where.ExeFolder, (dir_ / "mine" / "exe").string() + "/");
  EXPECT_NO_THROW(HostData{where});  // the tables are there
  EXPECT_FALSE(std::filesystem::exists(dir_ / "share"));
}

// zebhost gui and bot without a store, on a desktop: the first-run dialog comes first; bot's
// user declines (nothing made, the usual error), gui's accepts and gets the host window.
TEST_F(HostWindowTest, ZebhostWithoutAStoreOffersTheFirstRunDialog) {
  int argc = 1;
  char name[] = "zebhost";
  char* argv[] = {name, nullptr};
  DesktopSession desktop(argc, argv);
  std::ostringstream out, err;
  OnNextDialog<FirstRunDialog>([](FirstRunDialog* d) { Click(d, "QuitButton"); });
  EXPECT_EQ(RunZebhost({"bot"}, out, err), 2);
  EXPECT_NE(err.str().find("zebhost init"), std::string::npos) << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "settings.ini"));

  OnNextDialog<FirstRunDialog>([](FirstRunDialog* d) { Click(d, "SetUpButton"); });
  QTimer closer;
  closer.setInterval(5);
  QObject::connect(&closer, &QTimer::timeout, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<HostWindow*>(w) != nullptr && w->isVisible()) w->close();
    }
  });
  closer.start();
  EXPECT_EQ(RunZebhost({"gui"}, out, err), 0) << err.str();
  EXPECT_TRUE(std::filesystem::exists(dir_ / "share" / "Quillbex" / "data" / "zeb.sqlite"));
  EXPECT_EQ(WithDefaultCommand({}), std::vector<std::string>{"gui"});
}

// The same steps through the window and through zebhost leave the same stored fields.
TEST_F(HostWindowTest, EditsFromTheWindowStoreWhatTheSameZebhostCommandsStore) {
  const zeb::FileLocations by_zebhost = Init("cli");
  Zebhost({"project", "add", "My Site", "--home-page", "http://www.mysite.example/"});
  Zebhost({"project", "add", "Old"});
  Zebhost({"partner", "add", "--project", "My Site", "--name", "Cats", "--home",
           "http://cats.example/", "--find", "mysite.example", "--start",
           "http://cats.example/links/", "--start-hop", "1", "--link-text", "My Site\nthe best",
           "--backlink", "http://cats.example/links/friends.htm"});
  Zebhost({"partner", "add", "--project", "My Site", "--name", "Dogs", "--home",
           "http://dogs.example/", "--find", "mysite.example"});
  Zebhost({"partner", "add", "--project", "My Site", "--name", "Fish", "--home",
           "http://fish.example/", "--find", "mysite"});
  Zebhost({"partner", "edit", "--project", "My Site", "--name", "Dogs", "--rename", "Dog Days",
           "--start", "http://dogs.example/links/", "--start-hop", "2", "--find", "mysite.ex"});
  Zebhost({"partner", "edit", "--project", "My Site", "--name", "Cats", "--start", "",
           "--link-text", "", "--backlink", ""});
  Zebhost({"partner", "remove", "--project", "My Site", "--name", "Fish"});
  Zebhost({"project", "remove", "Old"});

  const zeb::FileLocations by_window = Init("gui");
  std::unique_ptr<HostWindow> window = Open(by_window);
  EXPECT_EQ(AddProject(*window, "My Site", "http://www.mysite.example/"), "");
  EXPECT_EQ(AddProject(*window, "Old", ""), "");
  ASSERT_TRUE(window->SelectProject("My Site"));
  EXPECT_EQ(AddPartner(*window, {"Cats", "http://cats.example/", "http://cats.example/links/",
                                 "mysite.example", "My Site\nthe best",
                                 "http://cats.example/links/friends.htm", 1}),
            "");
  EXPECT_EQ(AddPartner(*window, {"Dogs", "http://dogs.example/", "", "mysite.example", "", "", 0}),
            "");
  EXPECT_EQ(AddPartner(*window, {"Fish", "http://fish.example/", "", "mysite", "", "", 0}), "");
  EXPECT_EQ(Table(*window)->model()->rowCount(), 3);

  // Edit with Enter on the selected row; rename and more in one step.
  window->SelectPartners({"Dogs"});
  OnNextDialog<PartnerDialog>([](PartnerDialog* d) {
    Type(d, "NameEdit", "Dog Days");
    Type(d, "StartPageEdit", "http://dogs.example/links/");
    Child<QSpinBox>(d, "StartHopSpin")->setValue(2);
    Type(d, "FindEdit", "mysite.ex");
    Click(d, "OkButton");
  });
  QTest::keyClick(Table(*window), Qt::Key_Return);
  EXPECT_EQ(window->SelectedPartners(), std::vector<std::string>{"Dog Days"});
  // Emptied fields remove the start page (and its hop), the link text and the backlink.
  window->SelectPartners({"Cats"});
  OnNextDialog<PartnerDialog>([](PartnerDialog* d) {
    EXPECT_TRUE(Child<QSpinBox>(d, "StartHopSpin")->isEnabled());
    Type(d, "StartPageEdit", "");
    EXPECT_FALSE(Child<QSpinBox>(d, "StartHopSpin")->isEnabled());
    Child<QPlainTextEdit>(d, "LinkTextEdit")->clear();
    Type(d, "BacklinkEdit", "");
    Click(d, "OkButton");
  });
  Click(window.get(), "EditPartnerButton");
  // Delete asks first; No keeps the partner, Yes removes it.
  window->SelectPartners({"Fish"});
  {
    DialogAnswerer no(/*press_escape=*/true);
    QTest::keyClick(Table(*window), Qt::Key_Delete);
    ASSERT_EQ(no.texts().size(), 1u);
  }
  EXPECT_EQ(Table(*window)->model()->rowCount(), 3);
  {
    DialogAnswerer yes;
    QTest::keyClick(Table(*window), Qt::Key_Delete);
    ASSERT_EQ(yes.texts().size(), 1u);
    EXPECT_NE(yes.texts()[0].find("Fish"), std::string::npos) << yes.texts()[0];
  }
  ASSERT_TRUE(window->SelectProject("Old"));
  {
    DialogAnswerer yes;
    Click(window.get(), "RemoveProjectButton");
    ASSERT_EQ(yes.texts().size(), 1u);
    EXPECT_NE(yes.texts()[0].find("no partners"), std::string::npos) << yes.texts()[0];
  }
  EXPECT_EQ(window->CurrentProject(), "My Site");

  EXPECT_EQ(Dump(by_window.DataFolder), Dump(by_zebhost.DataFolder));
  ASSERT_EQ(Dump(by_window.DataFolder).size(), 3u);  // the project and its two partners
}

TEST_F(HostWindowTest, ARenamedProjectKeepsItsPartnersAndARemovalSaysHowManyGo) {
  const zeb::FileLocations where = Init("data");
  Zebhost({"project", "add", "Mine"});
  for (const char* name : {"A", "B"}) {
    Zebhost({"partner", "add", "--project", "Mine", "--name", name, "--home", "http://a.example/",
             "--find", "mine.example"});
  }
  std::unique_ptr<HostWindow> window = Open(where);
  ASSERT_EQ(window->CurrentProject(), "Mine");
  EXPECT_EQ(Answer<ProjectDialog>(*window, "EditProjectButton",
                                  [](QWidget* d) {
                                    Type(d, "ProjectNameEdit", "My Site");
                                    Type(d, "ProjectHomePageEdit", "https://mine.example/");
                                  }),
            "");
  EXPECT_EQ(window->CurrentProject(), "My Site");
  EXPECT_EQ(Table(*window)->model()->rowCount(), 2);
  EXPECT_EQ(Dump(where.DataFolder).front(), "project|My Site|https://mine.example/||");
  // A refused name names its problem and changes nothing.
  Zebhost({"project", "add", "Taken"});
  window->Reload();
  ASSERT_TRUE(window->SelectProject("My Site"));
  EXPECT_EQ(Answer<ProjectDialog>(*window, "EditProjectButton",
                                  [](QWidget* d) { Type(d, "ProjectNameEdit", "Taken"); }),
            "The project \"Taken\" exists already");
  const std::vector<std::string> before = Dump(where.DataFolder);
  {
    DialogAnswerer no(/*press_escape=*/true);
    QTest::keyClick(Child<QListWidget>(window.get(), "ProjectList"), Qt::Key_Delete);
    ASSERT_EQ(no.texts().size(), 1u);
    EXPECT_NE(no.texts()[0].find("with its 2 partners"), std::string::npos) << no.texts()[0];
  }
  EXPECT_EQ(Dump(where.DataFolder), before);
}

// A bad field is refused with the message zebhost partner add gives for it; nothing is stored.
TEST_F(HostWindowTest, ABadFieldIsRefusedWithZebhostsMessageAndNothingIsWritten) {
  const zeb::FileLocations where = Init("data");
  Zebhost({"project", "add", "P"});
  Zebhost({"partner", "add", "--project", "P", "--name", "Taken", "--home", "http://t.example/",
           "--find", "me.example"});
  const std::vector<std::string> before = Dump(where.DataFolder);
  std::unique_ptr<HostWindow> window = Open(where);
  struct Case {
    const char* what;
    Fields fields;
    std::vector<std::string> cli;  // the same partner through zebhost partner add
  };
  const Fields good{"Cats", "http://cats.example/", "", "me.example", "", "", 0};
  auto with = [&](auto change) {
    Fields f = good;
    change(f);
    return f;
  };
  const std::vector<Case> cases = {
      {"an empty name", with([](Fields& f) { f.name = ""; }), {"--name", ""}},
      {"a taken name", with([](Fields& f) { f.name = "Taken"; }), {"--name", "Taken"}},
      {"a home page without http",
       with([](Fields& f) { f.home = "cats.example"; }),
       {"--home", "cats.example"}},
      {"a home page with a blank",
       with([](Fields& f) { f.home = "http://cats.example/a b"; }),
       {"--home", "http://cats.example/a b"}},
      {"an empty Find text", with([](Fields& f) { f.find = ""; }), {"--find", ""}},
      {"a start page that is no address",
       with([](Fields& f) { f.start = "links.htm"; }),
       {"--start", "links.htm"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string refusal = AddPartner(*window, c.fields);
    std::vector<std::string> args = {"partner", "add",    "--project", "P",      "--name",
                                     good.name, "--home", good.home,   "--find", good.find};
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (args[i] == c.cli[0]) args[i + 1] = c.cli[1];
    }
    if (c.cli[0] == "--start") args.insert(args.end(), c.cli.begin(), c.cli.end());
    std::ostringstream out, err;
    ASSERT_EQ(RunZebhost(args, out, err), 2);
    // The same message, as a sentence ("zebhost: the home page ..." -> "The home page ...").
    std::string expected = err.str().substr(std::string("zebhost: ").size());
    expected.pop_back();
    expected[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(expected[0])));
    EXPECT_EQ(refusal, expected);
  }
  EXPECT_NE(AddPartner(*window, with([](Fields& f) { f.backlink = "friends.htm"; })), "");
  EXPECT_EQ(Dump(where.DataFolder), before);
  // An edit refused keeps every field of the partner.
  window->SelectPartners({"Taken"});
  EXPECT_EQ(Answer<PartnerDialog>(*window, "EditPartnerButton",
                                  [](QWidget* d) {
                                    Type(d, "FindEdit", "new.example");
                                    Type(d, "HomePageEdit", "ftp://t.example/");
                                  })
                .rfind("The home page", 0),
            0u);
  EXPECT_EQ(Dump(where.DataFolder), before);
}

TEST_F(HostWindowTest, CsvFilesGoInWholeOrNotAtAllAndAnExportImportsAsItWas) {
  const zeb::FileLocations where = Init("data");
  Zebhost({"project", "add", "From"});
  Zebhost({"project", "add", "To"});
  std::unique_ptr<HostWindow> window = Open(where);
  ASSERT_TRUE(window->SelectProject("From"));
  const std::filesystem::path bad = dir_ / "bad.csv";
  zeb::testing::WriteFile(bad,
                          "name,home page,start page,start hop,find text\n"
                          "Cats,http://cats.example/,,,me.example\n"
                          "Dogs,http://dogs.example/,http://dogs.example/l/,x,me.example\n");
  {
    DialogAnswerer answer;
    EXPECT_FALSE(window->ImportCsvFile(QString::fromStdString(bad.string())));
    ASSERT_EQ(answer.texts().size(), 1u);
    EXPECT_EQ(answer.texts()[0].rfind("bad.csv: line 3: the start hop \"x\"", 0), 0u)
        << answer.texts()[0];
    EXPECT_NE(answer.texts()[0].find("Nothing was imported"), std::string::npos);
  }
  EXPECT_EQ(Table(*window)->model()->rowCount(), 0);

  // Through the file chooser, as a user picks the file.
  const std::filesystem::path good = dir_ / "good.csv";
  zeb::testing::WriteFile(
      good,
      "name,home page,start page,start hop,find text,link text,backlink\r\n"
      "Cats,http://cats.example/,http://cats.example/l/,1,me.example,\"My, \"\"Site\"\"\r\nline "
      "two\",http://cats.example/l/f.htm\r\n"
      "Dogs,http://dogs.example/,,,me.example,,\r\n");
  OnNextDialog<QFileDialog>([&](QFileDialog* d) {
    d->selectFile(QString::fromStdString(good.string()));
    static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, through the public base
  });
  Click(window.get(), "ImportCsvButton");
  EXPECT_EQ(Table(*window)->model()->rowCount(), 2);

  const QString exported = QString::fromStdString((dir_ / "out.csv").string());
  ASSERT_TRUE(window->ExportCsvFile(exported));
  ASSERT_TRUE(window->SelectProject("To"));
  ASSERT_TRUE(window->ImportCsvFile(exported));
  std::vector<std::string> from, to;
  for (const std::string& line : Dump(where.DataFolder)) {
    if (line.rfind("partner|From|", 0) == 0) from.push_back(line.substr(13));
    if (line.rfind("partner|To|", 0) == 0) to.push_back(line.substr(11));
  }
  EXPECT_EQ(from.size(), 2u);
  EXPECT_EQ(to, from);
  EXPECT_EQ(zeb::testing::ReadFile(dir_ / "out.csv"), zeb::testing::ReadFile(good));
}

// The plug-in's console, loaded with dlopen and run on this test's QApplication: Check now runs
// the partners with AutoRun and the table shows the results once the console has closed.
TEST(HostWindowCheckTest, CheckNowRunsTheConsoleFromThisQtHostAndShowsTheResults) {
  zeb::testing::CrawlFixture f;
  f.site().Page("/a/index.htm",
                "<html><body><a href=\"http://mysite.example/\">me</a></body></html>");
  f.site().Page("/b/index.htm", "<html><body>nothing here</body></html>");
  f.AddPartner("A", f.Url("/a/index.htm"), "mysite.example");
  f.AddPartner("B", f.Url("/b/index.htm"), "mysite.example");
  f.AddPartner("C", f.Url("/b/index.htm"), "mysite.example");
  f.settings.AutoUpdatePartner = true;
  f.settings.ModernWeb = true;
  f.StoreSettings();
  f.StoreFileLocations();
  qputenv("ZEB_SETTINGS_FILE", QByteArray::fromStdString(f.settings_file()));
  HostWindow window(std::make_unique<HostData>(f.locations()));
  window.show();
  ASSERT_EQ(window.CurrentProject(), zeb::testing::kProject);
  auto cell = [&](const std::string& partner, int column) {
    QAbstractItemModel* model = window.findChild<QTableView*>("PartnerTable")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      if (model->index(row, 0).data().toString().toStdString() == partner) {
        return model->index(row, column).data().toString();
      }
    }
    return QString("(no row)");
  };
  EXPECT_EQ(cell("A", PartnerTableModel::kLastCheck), "-");

  // Check...: the console opens with the selected partners ticked, and waits for the user.
  window.SelectPartners({"A", "C"});
  QStringList ticked;
  QTimer look;
  look.setInterval(10);
  QObject::connect(&look, &QTimer::timeout, [&] {
    QWidget* console = QApplication::activeModalWidget();
    if (console == nullptr || console->objectName() == "HostWindow") return;
    auto* list = console->findChild<QListWidget*>("CheckListBox1");
    if (list == nullptr || list->count() < 3) return;
    ticked.clear();
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->checkState() == Qt::Checked) ticked << list->item(i)->text();
    }
    look.stop();
    QTest::keyClick(console, Qt::Key_Escape);
  });
  look.start();
  QTest::mouseClick(window.findChild<QPushButton*>("CheckButton"), Qt::LeftButton);
  EXPECT_EQ(ticked, (QStringList{"A", "C"}));
  EXPECT_EQ(cell("A", PartnerTableModel::kLastCheck), "-");

  window.SelectPartners({"A", "B"});
  QTest::mouseClick(window.findChild<QPushButton*>("CheckNowButton"), Qt::LeftButton);
  qunsetenv("ZEB_SETTINGS_FILE");
  EXPECT_EQ(cell("A", PartnerTableModel::kFound), "yes");
  EXPECT_EQ(cell("A", PartnerTableModel::kResult), "found");
  EXPECT_EQ(cell("A", PartnerTableModel::kBacklink), QString::fromStdString(f.Url("/a/index.htm")));
  EXPECT_EQ(cell("A", PartnerTableModel::kCounts), "yes");
  EXPECT_NE(cell("A", PartnerTableModel::kLastCheck), "-");
  EXPECT_EQ(cell("B", PartnerTableModel::kFound), "no");
  EXPECT_EQ(cell("B", PartnerTableModel::kResult).left(9), "not found");
  EXPECT_EQ(cell("C", PartnerTableModel::kLastCheck), "-");  // not selected, not checked
  EXPECT_EQ(window.SelectedPartners(), (std::vector<std::string>{"A", "B"}));
}

}  // namespace
}  // namespace zebhost
