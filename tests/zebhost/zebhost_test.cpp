// zebhost driven as a new user would drive it: init, projects, partners, import, settings.
#include "commands.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>

#include "common.h"
#include "data/app_tables.h"
#include "data/field_limits.h"
#include "data/file_locations.h"
#include "data/schema.h"
#include "data/settings_store.h"
#include "engine/run_report.h"
#include "support/loopback_site.h"
#include "support/temp_dir.h"
#include "text/cipher.h"
#include "text/date_time.h"
#include "zebhost/zebhost_fixture.h"

namespace zebhost {
namespace {

using zeb::testing::TempDir;

TEST_F(ZebhostTest, InitCreatesFoldersTablesAndSeededKeys) {
  std::string out = Ok({"init", "--data", (dir_ / "data").string(), "--exe", (dir_ / "exe").string()});
  EXPECT_NE(out.find(dir_.folder() + "data/"), std::string::npos) << out;
  zeb::FileLocations locations = zeb::ReadFileLocations(Store());
  EXPECT_EQ(locations.DataFolder, dir_.folder() + "data/");
  EXPECT_EQ(locations.ExeFolder, dir_.folder() + "exe/");
  zeb::Session session = zeb::OpenDataFolder(locations.DataFolder);
  for (const char* table : {"ZEBProjects", "LA", "LAHist", "ZEBAnalyze", "DBWebEngine",
                            "URLTrack", "Host"}) {
    EXPECT_TRUE(session.TableExists(table)) << table;
  }
  zeb::SettingsKey startup = *Store().OpenKey(zeb::kStartupSettingsKey);
  EXPECT_EQ(startup.ReadString("ZEBIgnoreSize"), "125000");
  EXPECT_EQ(startup.ReadString("ZEBStopHops"), "3");
  EXPECT_EQ(startup.ReadString("ZEBAnalyzeBase"), "false");
  EXPECT_TRUE(startup.HasValue("ZEBSelConnections"));
  zeb::SettingsKey network = *Store().OpenKey(zeb::kNetworkKey);
  EXPECT_EQ(network.ReadString("HTTPHandleRedirects"), "true");
  EXPECT_EQ(network.ReadString("HTTPProtocolVersion"), "1");
  EXPECT_EQ(network.ReadString("ProxyAuth"), "false");
  EXPECT_EQ(zeb::Decrypt(network.ReadString("ProxyPassword"), zeb::kProxyPasswordKey), "");
}

TEST_F(ZebhostTest, InitWithoutOptionsUsesTheUsersDataFolder) {
  Ok({"init"});
  zeb::FileLocations locations = zeb::ReadFileLocations(Store());
  EXPECT_EQ(locations.DataFolder, dir_.folder() + "share/Quillbex/data/");
  EXPECT_EQ(locations.ExeFolder, dir_.folder() + "share/Quillbex/");
  EXPECT_TRUE(std::filesystem::exists(locations.DataFolder + "zeb.sqlite"));
}

TEST_F(ZebhostTest, RerunningInitKeepsDataAndChangedSettings) {
  Init();
  Ok({"project", "add", "Mine", "--home-page", "http://mine.test/"});
  Ok({"settings", "set", "ZEBStopHops", "5"});
  Ok({"init"});  // no options: keeps the folders the store names
  EXPECT_NE(Ok({"project", "list"}).find("Mine"), std::string::npos);
  EXPECT_EQ(Store().OpenKey(zeb::kStartupSettingsKey)->ReadString("ZEBStopHops"), "5");
  EXPECT_EQ(zeb::ReadFileLocations(Store()).DataFolder, dir_.folder() + "data/");
}

TEST_F(ZebhostTest, NewUserWalkthrough) {
  Init();
  EXPECT_NE(Ok({"project", "list"}).find("No projects yet"), std::string::npos);
  Ok({"project", "add", "My Site", "--home-page", "http://mysite.test/"});
  Ok({"partner", "add", "--project", "My Site", "--name", "Cats", "--home", "http://cats.localhost/",
      "--find", "mysite.test"});
  Ok({"partner", "add", "--project", "My Site", "--name", "Dogs", "--home", "http://dogs.localhost/",
      "--find", "mysite.test", "--start", "http://dogs.localhost/links/", "--start-hop", "2",
      "--link-text", "<a href=\"http://mysite.test/\">My Site</a>"});
  std::string list = Ok({"partner", "list", "--project", "My Site"});
  EXPECT_NE(list.find("Cats"), std::string::npos) << list;
  EXPECT_NE(list.find("http://dogs.localhost/links/ (2)"), std::string::npos) << list;
  EXPECT_LT(list.find("Cats"), list.find("Dogs"));
  std::string projects = Ok({"project", "list"});
  EXPECT_NE(projects.find("http://mysite.test/"), std::string::npos) << projects;

  zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
  zeb::AppTables app(session);
  zeb::PartnerRecord dogs = *app.FindPartner("My Site", "Dogs", zeb::ProjectScope::kExact);
  EXPECT_EQ(dogs.BotBaseHop, 2);
  EXPECT_EQ(dogs.LongCheck, (zeb::Lines{"<a href=\"http://mysite.test/\">My Site</a>"}));

  Ok({"partner", "remove", "--project", "My Site", "--name", "Cats"});
  EXPECT_EQ(PartnerCount("My Site"), 1u);
}

TEST_F(ZebhostTest, BadInputIsRefusedAndNothingIsWritten) {
  Fails({"project", "list"}, "run \"zebhost init\"");  // no store yet
  EXPECT_FALSE(std::filesystem::exists(dir_ / "settings.ini"));
  Init();
  Ok({"project", "add", "P"});
  Fails({"project", "add", "P"}, "exists already");
  Fails({"project", "add", ""}, "must not be empty");
  Fails({"project", "add", "Q", "--home-page", "mysite.test"}, "not an http");
  Fails({"partner", "add", "--project", "Nope", "--name", "a", "--home", "http://a.test/", "--find",
         "x"},
        "no project \"Nope\"");
  Fails({"partner", "add", "--project", "P", "--name", "a", "--home", "http://a.test/"},
        "--find is required");
  Fails({"partner", "add", "--project", "P", "--name", "a", "--home", "http://a.test/", "--find",
         "x", "--start-hop", "2"},
        "--start-hop needs --start");
  Fails({"partner", "add", "--project", "P", "--name", "a\nb", "--home", "http://a.test/",
         "--find", "x"},
        "control character");
  Fails({"partner", "list"}, "--project is required");
  Fails({"partner", "remove", "--project", "P", "--name", "ghost"}, "no partner \"ghost\"");
  Fails({"partner", "frobnicate", "--project", "P"}, "unknown partner command");
  Fails({"project", "add", "R", "--colour", "red"}, "unknown option --colour");
  Fails({"fly"}, "unknown command");
  EXPECT_EQ(PartnerCount("P"), 0u);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"help"}).status, 0);
}

TEST_F(ZebhostTest, MissingDataFolderIsNamed) {
  Init();
  std::filesystem::remove_all(dir_ / "data");
  Fails({"project", "list"}, "data folder " + dir_.folder() + "data/ does not exist");
}

TEST_F(ZebhostTest, QuoteHoldingNamesWork) {
  Init();
  const std::string project = "Joe's \"Links\"";
  Ok({"project", "add", project});
  Ok({"partner", "add", "--project", project, "--name", "O'Neil \"quoted\"", "--home",
      "http://a.test/", "--find", "say \"hi\""});
  EXPECT_NE(Ok({"partner", "list", "--project", project}).find("O'Neil \"quoted\""),
            std::string::npos);
}

TEST_F(ZebhostTest, CsvImportTakesQuotedFieldsAndMultiLineLinkText) {
  Init();
  Ok({"project", "add", "P"});
  zeb::testing::WriteFile(
      dir_ / "partners.csv",
      "name,home page,start page,start hop,find text,link text\r\n"
      "Cats,http://cats.localhost/,,,mysite.test,\r\n"
      "\"Dogs, Inc.\",http://dogs.localhost/,http://dogs.localhost/links/,1,mysite.test,"
      "\"<a href=\"\"http://mysite.test/\"\">\nMy Site</a>\"\r\n"
      "\r\n"
      "Birds,http://birds.localhost/,,0,mysite.test\r\n");
  EXPECT_NE(Ok({"partner", "import", "--project", "P", (dir_ / "partners.csv").string()})
                .find("Imported 3 partners"),
            std::string::npos);
  zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
  zeb::AppTables app(session);
  zeb::PartnerRecord dogs = *app.FindPartner("P", "Dogs, Inc.", zeb::ProjectScope::kExact);
  EXPECT_EQ(dogs.BotStart, "http://dogs.localhost/links/");
  EXPECT_EQ(dogs.BotBaseHop, 1);
  EXPECT_EQ(dogs.LongCheck, (zeb::Lines{"<a href=\"http://mysite.test/\">", "My Site</a>"}));
  EXPECT_TRUE(app.FindPartner("P", "Birds", zeb::ProjectScope::kExact)->LongCheck.empty());
}

TEST_F(ZebhostTest, CsvImportIsAllOrNothingAndNamesTheLine) {
  Init();
  Ok({"project", "add", "P"});
  Ok({"partner", "add", "--project", "P", "--name", "Old", "--home", "http://old.test/", "--find",
      "x"});
  struct Case {
    std::string body;  // lines after the header
    std::string message;
  };
  const Case cases[] = {
      {"A,http://a.test/,,,x,\nB,http://b.test/,,,x\nC,not-a-url,,,x,\n", "line 4: the home page"},
      {"A,http://a.test/,,,x,\nB,http://b.test/,,two,x,\n", "line 3: the start hop"},
      {"A,http://a.test/,,,x,\nB,http://b.test/,,,x,,,extra\n", "line 3: expected 5 to 7 fields"},
      {"A,http://a.test/,,,x,\nA,http://b.test/,,,x,\n",
       "line 3: the partner \"A\" is also on line 2"},
      {"Old,http://a.test/,,,x,\n", "line 2: the partner \"Old\" exists already"},
      {"A,http://a.test/,,,,\n", "line 2: the Find text must not be empty"},
      {"A,http://a.test/,,,x,\"open quote\n", "line 2: a quoted field is not closed"},
      {"A,http://a.test/,,,x,\"a\"b\n", "line 2: unexpected text after a closing quote"},
      {"A,http://a.test/,,3,x,\n", "line 2: a start hop needs a start page"},
  };
  for (const Case& c : cases) {
    zeb::testing::WriteFile(dir_ / "bad.csv", "name,home,start,hop,find,link\n" + c.body);
    Fails({"partner", "import", "--project", "P", (dir_ / "bad.csv").string()}, c.message);
    EXPECT_EQ(PartnerCount("P"), 1u) << c.message;
  }
  Fails({"partner", "import", "--project", "P", (dir_ / "missing.csv").string()}, "cannot read");
  zeb::testing::WriteFile(dir_ / "empty.csv", "");
  Fails({"partner", "import", "--project", "P", (dir_ / "empty.csv").string()}, "is empty");
}

TEST_F(ZebhostTest, SettingsAreValidatedAndTheProxyPasswordIsEnciphered) {
  Init();
  Ok({"settings", "set", "ZEBSelConnections", "10"});
  Ok({"settings", "set", "ZEBStopHops", "-1"});
  Fails({"settings", "set", "ZEBStopHops", "-2"}, "from -1 to 999999999");
  Fails({"settings", "set", "ZEBSelConnections", "7"}, "one of 1, 5, 10, 15, 20");
  Fails({"settings", "set", "ZEBAnalyzeBase", "yes"}, "true or false");
  Fails({"settings", "set", "HTTPPort", "80"}, "unknown setting");  // a network value
  Ok({"settings", "set", "HTTPPort", "8080", "--network"});
  Ok({"settings", "set", "ProxyPassword", "s3cret \"pw\"", "--network"});

  zeb::SettingsKey network = *Store().OpenKey(zeb::kNetworkKey);
  EXPECT_EQ(network.ReadString("HTTPPort"), "8080");
  EXPECT_NE(network.ReadString("ProxyPassword"), "s3cret \"pw\"");
  EXPECT_EQ(zeb::Decrypt(network.ReadString("ProxyPassword"), zeb::kProxyPasswordKey),
            "s3cret \"pw\"");
  std::string listed = Ok({"settings", "list", "--network"});
  EXPECT_NE(listed.find("(enciphered)"), std::string::npos);
  EXPECT_EQ(listed.find("s3cret"), std::string::npos);
  std::string startup = Ok({"settings", "list"});
  EXPECT_NE(startup.find("ZEBStopHops"), std::string::npos);
  EXPECT_NE(startup.find("-1"), std::string::npos);
}

TEST_F(ZebhostTest, InitSwitchesTheModernWebOnOnlyForAStoreWithoutAValue) {
  Init();
  EXPECT_EQ(Store().OpenKey(zeb::kStartupSettingsKey)->ReadString("ZEBModernWeb"), "true");
  Ok({"settings", "set", "ZEBModernWeb", "false"});
  Init();  // rerun: the user's choice stays
  EXPECT_EQ(Store().OpenKey(zeb::kStartupSettingsKey)->ReadString("ZEBModernWeb"), "false");
  Ok({"settings", "set", "HTTPCAFile", "/etc/ssl/private-ca.pem", "--network"});
  EXPECT_EQ(Store().OpenKey(zeb::kNetworkKey)->ReadString("HTTPCAFile"), "/etc/ssl/private-ca.pem");
  Fails({"settings", "set", "ZEBModernWeb", "on"}, "true or false");
}

TEST_F(ZebhostTest, CheckShowsAPartnerThatCannotBeCheckedAsUnverifiable) {
  zeb::testing::LoopbackSite site;
  zeb::testing::Reply wall;
  wall.status = 403;
  wall.body = "<html><body>Please complete the captcha</body></html>";
  site.Serve("/index.htm", wall);
  Init();
  Ok({"project", "add", "Demo"});
  Ok({"partner", "add", "--project", "Demo", "--name", "Walled", "--home",
      site.Url("walled.localhost", "/index.htm"), "--find", "mysite.example"});
  std::string out = Ok({"check", "--project", "Demo", "--all", "--nodes", "--tick-ms", "10"});
  EXPECT_NE(out.find("[1] Walled: Unverifiable: 403 challenge page"), std::string::npos) << out;
  EXPECT_NE(out.find("Walled   Unverifiable: 403 challenge page"), std::string::npos) << out;
  EXPECT_NE(out.find("Error  0    " + site.Url("walled.localhost", "/index.htm") + "  HTTP/1.1 403"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("Not Found"), std::string::npos) << out;
}

TEST_F(ZebhostTest, CheckCrawlsOnePartnerAndPrintsItsNodes) {
  zeb::testing::LoopbackSite site;
  site.Page("/index.htm", "<html><body><a href=\"/links.htm\">links</a></body></html>");
  site.Page("/links.htm", "<html><body><a href=\"http://mysite.example/\">me</a></body></html>");
  site.Page("/lonely.htm", "<html><body>nothing</body></html>");
  Init();
  Ok({"project", "add", "Demo"});
  Ok({"partner", "add", "--project", "Demo", "--name", "Cats", "--home",
      site.Url("cats.localhost", "/index.htm"), "--find", "mysite.example"});
  Ok({"partner", "add", "--project", "Demo", "--name", "Dogs", "--home",
      site.Url("dogs.localhost", "/lonely.htm"), "--find", "mysite.example"});

  std::string out =
      Ok({"check", "--project", "Demo", "--partner", "Cats", "--nodes", "--tick-ms", "10"});
  EXPECT_NE(out.find("OK     0    " + site.Url("cats.localhost", "/index.htm")), std::string::npos)
      << out;
  EXPECT_NE(out.find("OK     1    " + site.Url("cats.localhost", "/links.htm")), std::string::npos)
      << out;
  EXPECT_NE(out.find("[1] Cats: found at " + site.Url("cats.localhost", "/links.htm")),
            std::string::npos) << out;

  Ok({"settings", "set", "ZEBAnalyzeFound", "true"});
  Ok({"settings", "set", "ZEBAutoUpdatePartner", "true"});
  out = Ok({"check", "--project", "Demo", "--all", "--tick-ms", "10"});
  EXPECT_EQ(out.find("OK     0"), std::string::npos) << out;  // no node lines without --nodes
  // The routine steps of each partner are left out, notices stay.
  const std::string found_line = "  " + site.Url("cats.localhost", "/links.htm") + "\n";
  for (const std::string& routine : {std::string("  Starting..."), std::string("  Checking: "),
                                     std::string("  String Found:"), std::string("  Analyzing..."),
                                     std::string("  Done"), found_line}) {
    EXPECT_EQ(out.find(routine), std::string::npos) << routine << "\n" << out;
  }
  EXPECT_NE(out.find("\n  Backlink address updated\n"), std::string::npos) << out;
  EXPECT_NE(out.find("[2] Dogs: Not Found"), std::string::npos) << out;
  // The table: partner, result, backlink, hops, link and external positions, word position.
  EXPECT_NE(out.find("Partner  Result     Backlink"), std::string::npos) << out;
  EXPECT_NE(out.find("Cats     found      " + site.Url("cats.localhost", "/links.htm") +
                     "  1     1/1   1/1       "),
            std::string::npos) << out;
  EXPECT_NE(out.find("Dogs     Not Found  -"), std::string::npos) << out;
  EXPECT_EQ(site.CountRequests("/lonely.htm"), 1);

  Fails({"check", "--project", "Demo"}, "--partner");
  Fails({"check", "--project", "Demo", "--partner", "Cats", "--all"}, "--partner");
  Fails({"check", "--project", "Demo", "--partner", "Nope"}, "no partner \"Nope\"");
  Fails({"check", "--project", "Nope", "--all"}, "no project");
  Fails({"check", "--project", "Demo", "--all", "--tick-ms", "0"}, "--tick-ms");
}

TEST_F(ZebhostTest, DemoChecksTheExamplePartners) {
  const std::string folder = (dir_ / "demo").string();
  // The original crawl: the six partners as they always were.
  std::string out = Ok({"demo", "--dir", folder, "--tick-ms", "10", "--original"});
  for (const char* line : {"Cats Corner: found at http://www.cats.localhost:",
                           "Dog Days: found at http://dogs.localhost:",
                           "Fish Tank: found at http://fish.localhost:",
                           "Hamster Hut: Not Found", "Lizard Lounge: gzip compression not supported",
                           "Rabbit Run: found at http://rabbits.localhost:"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  // The modern web, as a new store has it: https, compressed pages, a bot wall.
  out = Ok({"demo", "--dir", folder, "--tick-ms", "10"});
  for (const char* line : {"Cats Corner: found at http://www.cats.localhost:",
                           "Hamster Hut: Not Found", "Lizard Lounge: found at http://lizards.localhost:",
                           "Parrot Perch: found at https://parrots.localhost:",
                           "Turtle Town: Unverifiable: 403 challenge page"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  EXPECT_NE(out.find("/friends/partners.htm  2 "), std::string::npos) << out;
  EXPECT_NE(out.find("Backlink address updated"), std::string::npos) << out;
  EXPECT_NE(zeb::testing::ReadFile(dir_ / "demo" / "program" / "botmail.txt")
                .find("Found for: Cats Corner"),
            std::string::npos);
  // A second demo starts afresh in its own folder; a folder of other files is refused.
  Ok({"demo", "--dir", folder, "--tick-ms", "10"});
  std::filesystem::create_directories(dir_ / "precious");
  zeb::testing::WriteFile(dir_ / "precious" / "notes.txt", "keep me");
  Fails({"demo", "--dir", (dir_ / "precious").string()}, "holds other files");
  EXPECT_EQ(zeb::testing::ReadFile(dir_ / "precious" / "notes.txt"), "keep me");
}

TEST_F(ZebhostTest, GatherStoresTheKeywordsOfYourHomePage) {
  zeb::testing::LoopbackSite site;
  site.Page("/", "<html><head><meta name=\"keywords\" content=\"pets, cats\"></head>"
                 "<body>cats cats dogs</body></html>");
  Init();
  Ok({"project", "add", "Mine", "--home-page", site.Url("mysite.localhost", "/")});
  Ok({"project", "add", "Bare"});
  std::string out = Ok({"gather", "--project", "Mine"});
  EXPECT_NE(out.find("Keyword tags:\n  pets\n  cats\n"), std::string::npos) << out;
  EXPECT_NE(out.find("  cats ~ 2 ~ 66.67%"), std::string::npos) << out;
  Fails({"gather", "--project", "Bare"}, "has no home page");
  Fails({"gather", "--project", "Nope"}, "no project");
}


// The data folder's file system refuses to let the database grow (a file-size limit stands in
// for a full disk, as SQLite sees it the same way): the partner's check stops with the cause,
// nothing of it is stored, the run report says it could not be checked, and the command fails.
// Once there is room again the next check works.
TEST_F(ZebhostTest, AFullDiskStopsTheCheckStoresNothingAndFails) {
  zeb::testing::LoopbackSite site;
  std::string index = "<html><body>";
  constexpr int kPages = 400;
  for (int i = 0; i < kPages; ++i) {
    const std::string page = "/p" + std::to_string(i) + ".htm";
    index += "<a href=\"" + page + "\">page " + std::to_string(i) + "</a>\n";
    site.Page(page, i + 1 < kPages ? "<html><body>nothing here</body></html>"
                                   : "<html><body><a href=\"http://mysite.example/\">me</a>"
                                     "</body></html>");
  }
  site.Page("/index.htm", index + "</body></html>");
  Init();
  Ok({"project", "add", "Demo"});
  Ok({"partner", "add", "--project", "Demo", "--name", "Cats", "--home",
      site.Url("cats.localhost", "/index.htm"), "--find", "mysite.example"});
  Ok({"settings", "set", "ZEBAutoUpdatePartner", "true"});
  const std::vector<std::string> check = {"check", "--project", "Demo", "--all", "--tick-ms", "10"};
  ASSERT_NE(Ok(check).find("[1] Cats: found at"), std::string::npos);

  auto stored = [&] {
    zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
    zeb::AppTables app(session);
    zeb::PartnerRecord p = *app.FindPartner("Demo", "Cats", zeb::ProjectScope::kExact);
    std::vector<zeb::HistoryRecord> history = app.History("Demo", "Cats");
    return std::to_string(p.FoundShort) + std::to_string(p.FoundLong) + " " + p.URL + " " +
           std::to_string(history.size()) + " " +
           (history.empty() ? std::string() : zeb::FormatDay(history.back().xDate));
  };
  const std::string before = stored();
  const std::filesystem::path report = dir_ / "exe" / zeb::kRunReportFile;
  const std::string report_before = zeb::testing::ReadFile(report);

  ::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit limit = saved;
  limit.rlim_cur = static_cast<rlim_t>(std::filesystem::file_size(
      zeb::DatabaseFile(zeb::FileLocations{dir_.folder() + "exe/", dir_.folder() + "data/"})));
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  Result full = Run(check);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);

  EXPECT_EQ(full.status, 2) << full.out;
  EXPECT_EQ(full.err.rfind("zebhost: the check could not be stored: ", 0), 0u) << full.err;
  EXPECT_NE(full.out.find("  Storage failure: "), std::string::npos) << full.out;
  EXPECT_NE(full.out.find("[1] Cats: Storage failure: "), std::string::npos) << full.out;
  EXPECT_EQ(full.out.find("Not Found"), std::string::npos) << full.out;
  EXPECT_EQ(stored(), before);
  const std::string added = zeb::testing::ReadFile(report).substr(report_before.size());
  EXPECT_NE(added.find("Could not check: Cats (Storage failure: "), std::string::npos) << added;
  EXPECT_EQ(added.find("Not found for:"), std::string::npos) << added;

  EXPECT_NE(Ok(check).find("[1] Cats: found at"), std::string::npos);
}

// Every field a user gives zebhost is taken at its limit and refused one byte over it, with a
// one-line message naming the field; nothing is stored then.
TEST_F(ZebhostTest, FieldsAreTakenAtTheirLimitAndRefusedOneByteOver) {
  Init();
  Ok({"project", "add", "P"});
  const auto address = [](std::size_t bytes) {
    return "http://a.test/" + std::string(bytes - 14, 'x');
  };
  struct Case {
    const char* field;
    std::size_t limit;
    std::function<std::vector<std::string>(std::size_t bytes, int n)> command;
  };
  // A partner add with one option of the given size; n keeps the names apart.
  const auto partner = [](const char* option, std::function<std::string(std::size_t)> value) {
    return [option, value](std::size_t bytes, int n) {
      std::vector<std::string> args = {"partner", "add", "--project", "P", "--name",
                                       "n" + std::to_string(n), "--home", "http://a.test/",
                                       "--find", "x"};
      for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == std::string("--") + option) args.erase(args.begin() + i, args.begin() + i + 2);
      }
      args.insert(args.end(), {std::string("--") + option, value(bytes)});
      return args;
    };
  };
  const auto text = [](std::size_t bytes) { return std::string(bytes, 't'); };
  const Case cases[] = {
      {"the project name", zeb::kMaxNameBytes,
       [](std::size_t bytes, int) {
         return std::vector<std::string>{"project", "add", std::string(bytes, 'p')};
       }},
      {"the home page", zeb::kMaxAddressBytes,
       [&](std::size_t bytes, int n) {
         return std::vector<std::string>{"project", "add", "Q" + std::to_string(n), "--home-page",
                                         address(bytes)};
       }},
      {"the partner name", zeb::kMaxNameBytes,
       partner("name", [](std::size_t bytes) { return std::string(bytes, 'n'); })},
      {"the home page", zeb::kMaxAddressBytes, partner("home", address)},
      {"the start page", zeb::kMaxAddressBytes, partner("start", address)},
      {"--backlink", zeb::kMaxAddressBytes, partner("backlink", address)},
      {"the Find text", zeb::kMaxTextBytes, partner("find", text)},
      {"the link text", zeb::kMaxTextBytes, partner("link-text", text)},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::size_t partners = PartnerCount("P");
    Fails(c.command(c.limit + 1, ++n),
          std::string(c.field) + " is " + std::to_string(c.limit + 1) + " bytes; at most " +
              std::to_string(c.limit) + " are allowed");
    EXPECT_EQ(PartnerCount("P"), partners) << c.field;
    Ok(c.command(c.limit, ++n));
  }
  EXPECT_EQ(PartnerCount("P"), 6u);
}

TEST_F(ZebhostTest, AddressesWithBlanksQuotesOrAngleBracketsAreRefused) {
  Init();
  Ok({"project", "add", "P"});
  for (const std::string bad : {" ", "\"", "<", ">", "\xC2\xA0", "\t"}) {
    const std::string url = "http://a.test/x" + bad + "y";
    Fails({"partner", "add", "--project", "P", "--name", "a", "--home", url, "--find", "x"},
          "the home page \"http://a.test/x");
    Fails({"project", "add", "Q", "--home-page", url}, "the home page \"http://a.test/x");
  }
  EXPECT_EQ(PartnerCount("P"), 0u);
  EXPECT_EQ(Ok({"project", "list"}).find("Q"), std::string::npos);
}

// A NUL byte cannot cut a message short: it is shown as \0 and the rest of the message follows.
TEST_F(ZebhostTest, ANulInANameIsShownWholeOnOneLine) {
  Init();
  Ok({"project", "add", "P"});
  const std::string name("Ca\0ts\nx", 7);
  Fails({"partner", "add", "--project", "P", "--name", name, "--home", "http://a.test/", "--find",
         "x"},
        "the partner name \"Ca\\0ts\\nx\" holds a control character");
  Fails({"project", "add", name}, "the project name \"Ca\\0ts\\nx\" holds a control character");
  Fails({"partner", "list", "--project", name}, "there is no project \"Ca\\0ts\\nx\"");
  zeb::testing::WriteFile(dir_ / "nul.csv", "name,home,start,hop,find,link\nA,http://a.test/,,,x,\n" +
                                                name.substr(0, 5) + ",http://b.test/,,,x,\n");
  Fails({"partner", "import", "--project", "P", (dir_ / "nul.csv").string()},
        "line 3: the partner name \"Ca\\0ts\" holds a control character");
  EXPECT_EQ(PartnerCount("P"), 0u);
}

TEST_F(ZebhostTest, CsvImportRefusesAnOversizedFieldByItsLineAndImportsNothing) {
  Init();
  Ok({"project", "add", "P"});
  const std::string huge(10 * 1024 * 1024, 'n');
  struct Case {
    std::string line;  // the third line of the file
    std::string message;
  };
  const Case cases[] = {
      {huge + ",http://b.test/,,,x,", "line 3: the partner name is 10485760 bytes; at most 4096"},
      {"B,http://b.test/" + huge + ",,,x,", "line 3: the home page is 10485774 bytes; at most 2048"},
      {"B,http://b.test/,,,x,\"" + huge + "\"", "line 3: the link text is 10485760 bytes"},
  };
  for (const Case& c : cases) {
    zeb::testing::WriteFile(dir_ / "huge.csv",
                            "name,home,start,hop,find,link\nA,http://a.test/,,,x,\n" + c.line + "\n");
    Fails({"partner", "import", "--project", "P", (dir_ / "huge.csv").string()}, c.message);
    EXPECT_EQ(PartnerCount("P"), 0u) << c.message;
  }
}

// A field stored before there were limits (written here straight through SQL) is cut in the
// list, so that ten thousand partners print a few megabytes, not gigabytes.
TEST_F(ZebhostTest, PartnerListCutsWideCellsSoItsOutputStaysSmall) {
  Init();
  Ok({"project", "add", "P"});
  {
    zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
    zeb::Transaction transaction(session);
    zeb::QueryRef q = session.Query(
        "INSERT INTO LA (Project, SiteName, ContactWebSite, ShortCheck) VALUES ('P', ?1, ?2, 'x')");
    for (int i = 0; i < 10000; ++i) {
      q->Bind(1, i == 5000 ? std::string(10 * 1024 * 1024, 'W') : "partner" + std::to_string(i));
      q->Bind(2, "http://p" + std::to_string(i) + ".test/");
      q->Run();
      q->Reset();
    }
    transaction.Commit();
  }
  const std::string out = Ok({"partner", "list", "--project", "P"});
  EXPECT_LT(out.size(), 5u * 1024 * 1024);
  const std::string cut = std::string(kCellWidth - 3, 'W') + "...  P";
  EXPECT_NE(out.find("\n" + cut), std::string::npos);
  // The other rows are padded to the cut cell, no wider; "P" to the heading "Project".
  EXPECT_NE(out.find("\npartner0" + std::string(kCellWidth - 8 + 2, ' ') + "P" +
                     std::string(8, ' ') + "http://p0.test/"),
            std::string::npos);
}

// Cells up to their column's width print as they are; a longer one ends in "...", never in half
// a UTF-8 character.
TEST(PrintTableTest, CellsAreCutToTheirColumnsWidth) {
  struct Case {
    std::string cell;
    std::size_t width;
    std::string printed;
  };
  const Case cases[] = {
      {std::string(60, 'a'), 60, std::string(60, 'a')},
      {std::string(61, 'a'), 60, std::string(57, 'a') + "..."},
      {std::string(56, 'a') + "\xC3\xA9xy", 60, std::string(56, 'a') + "\xC3\xA9xy"},
      {std::string(56, 'a') + "\xC3\xA9xyzw", 60, std::string(56, 'a') + "..."},
      {"abcdef", 3, "..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CutCell(c.cell, c.width), c.printed) << c.cell;
    std::ostringstream out;
    PrintTable(out, {{c.cell, "end"}}, {c.width});
    EXPECT_EQ(out.str(), c.printed + "  end\n");
  }
  // Columns not given take kCellWidth; the default cuts every column.
  std::ostringstream out;
  PrintTable(out, {{"Partner", "Home page", "Note"},
                   {"Cats", "http://cats.test/", std::string(70, 'n')},
                   {std::string(61, 'c'), std::string(101, 'h'), "ok"}},
             {kCellWidth, kAddressCellWidth});
  EXPECT_EQ(out.str(), "Partner" + std::string(55, ' ') + "Home page" + std::string(93, ' ') +
                           "Note\n"
                           "Cats" + std::string(58, ' ') + "http://cats.test/" +
                           std::string(85, ' ') + std::string(57, 'n') + "...\n" +
                           std::string(57, 'c') + "...  " + std::string(97, 'h') + "...  ok\n");
}

}  // namespace
}  // namespace zebhost
