// zebhost's command line as a script or a new user meets it: help for every command, one-line
// errors for bad use, partner edit/show/export, and the CSV and JSON listings read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "data/app_tables.h"
#include "data/check_history.h"
#include "data/csv.h"
#include "manual.h"
#include "output_format.h"
#include "support/temp_dir.h"
#include "text/date_time.h"
#include "zebhost/zebhost_fixture.h"

namespace zebhost {
namespace {

using nlohmann::json;

std::vector<std::string> Words(const std::string& path) {
  std::vector<std::string> words;
  std::istringstream in(path);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Every command and group answers --help (and "help WORDS") with its description, each option
// with its meaning and default, and its example; the manual page says the same.
TEST_F(ZebhostTest, EveryCommandAnswersHelpWithItsOptionsAndAnExample) {
  const std::string manual = ManualPage(AllCommands(), "@VERSION@\n@SYNOPSIS@\n@COMMANDS@\n", "1");
  for (const CommandSpec& spec : AllCommands()) {
    std::vector<std::string> args = Words(spec.path);
    args.push_back("--help");
    const std::string help = Ok(args);
    EXPECT_TRUE(Holds(help, spec.summary)) << spec.path;
    EXPECT_TRUE(Holds(help, "Usage: " + spec.Usage())) << help;
    EXPECT_TRUE(Holds(help, "Example:\n  " + spec.example)) << help;
    // The manual's COMMANDS section holds every command but the root (its own prose).
    const bool in_manual = !spec.path.empty();
    EXPECT_EQ(Holds(manual, ".SS \"" + RoffText(spec.path) + "\""), in_manual) << spec.path;
    EXPECT_EQ(Holds(manual, RoffText(spec.example)), in_manual) << spec.path;
    for (const OptionSpec& o : spec.options) {
      EXPECT_TRUE(Holds(help, o.name)) << spec.path << " " << o.name;
      EXPECT_TRUE(Holds(help, o.Description())) << spec.path << " " << o.name << "\n" << help;
      EXPECT_TRUE(Holds(manual, RoffText(o.Description()))) << spec.path << " " << o.name;
      // Every option but a flag or a required one says what holds without it.
      if (!o.flag() && !o.required && !o.positional()) {
        EXPECT_TRUE(Holds(o.Description(), "(default: ")) << o.name;
      }
    }
    std::vector<std::string> help_words = {"help"};
    for (const std::string& w : Words(spec.path)) help_words.push_back(w);
    EXPECT_EQ(Ok(help_words), help) << spec.path;
  }
  EXPECT_EQ(Ok({"--version"}), std::string("zebhost ") + Version() + "\n");
  EXPECT_TRUE(Holds(Ok({"partner", "--help"}), "  edit "));
}

// Bad use of any command: one line on stderr, status 2, and neither the tables nor the settings
// store change.
TEST_F(ZebhostTest, BadUseIsOneLineWithStatusTwoAndWritesNothing) {
  Init();
  Ok({"project", "add", "P"});
  Ok({"partner", "add", "--project", "P", "--name", "Cats", "--home", "http://cats.test/", "--find",
      "x"});
  const std::string database = zeb::testing::ReadFile(dir_ / "data" / "zeb.sqlite");
  const std::string store = zeb::testing::ReadFile(dir_ / "settings.ini");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "a command is needed"},
      {{"fly"}, "unknown command \"fly\""},
      {{"help", "fly"}, "unknown command \"fly\""},
      {{"project"}, "usage: zebhost project add|list|remove ..."},
      {{"project", "list", "extra"}, "usage: zebhost project list"},
      {{"project", "list", "--format", "xml"}, "--format \"xml\" is not table, csv or json"},
      {{"project", "add"}, "usage: zebhost project add NAME"},
      {{"project", "add", "R", "--colour", "red"}, "unknown option --colour"},
      {{"project", "add", "R", "--home-page"}, "--home-page needs a value"},
      {{"project", "add", "R", "--home-page=http://a.test/", "--home-page", "http://b.test/"},
       "--home-page is given twice"},
      {{"partner", "list", "--project", "P", "--name", "Cats"}, "unknown option --name"},
      {{"partner", "edit", "--project", "P", "--name", "Cats"}, "nothing to change"},
      {{"partner", "edit", "--project", "P", "--name", "Cats", "--start-hop", "x"},
       "--start-hop \"x\" is not a whole number"},
      {{"partner", "edit", "--project", "P", "--name", "Cats", "--home", "ftp://cats.test/"},
       "the home page \"ftp://cats.test/\" is not an http"},
      {{"partner", "edit", "--project", "P", "--name", "Cats", "--start-hop", "2"},
       "a start hop needs a start page"},
      {{"partner", "edit", "--project", "P", "--name", "Dogs", "--find", "y"},
       "there is no partner \"Dogs\" in project P"},
      {{"partner", "show", "--project", "P"}, "--name is required"},
      {{"partner", "export", "--project", "Nope"}, "there is no project \"Nope\""},
      {{"partner", "export", "--project", "P", "--out", (dir_ / "no" / "such" / "f.csv").string()},
       "cannot write"},
      {{"settings", "list", "--format", "yaml"}, "--format \"yaml\""},
      {{"settings", "set", "ZEBStopHops"}, "usage: zebhost settings set NAME VALUE"},
      {{"check", "--project"}, "--project needs a value"},
      {{"check", "--all"}, "--project is required"},
      {{"demo", "--sites", (dir_ / "nowhere").string()}, "there are no demo sites"},
  };
  for (const Case& c : cases) {
    Fails(c.args, c.message);
    EXPECT_EQ(zeb::testing::ReadFile(dir_ / "data" / "zeb.sqlite"), database) << c.message;
    EXPECT_EQ(zeb::testing::ReadFile(dir_ / "settings.ini"), store) << c.message;
  }
}

TEST_F(ZebhostTest, PartnerEditChangesTheNamedFieldsAndARenameKeepsTheRecords) {
  Init();
  Ok({"project", "add", "P"});
  Ok({"partner", "add", "--project", "P", "--name", "Cats", "--home", "http://cats.test/", "--find",
      "mysite.test", "--backlink", "http://cats.test/links.htm", "--link-text",
      "<a href=\"http://mysite.test/\">me</a>"});
  {
    zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
    zeb::AppTables app(session);
    zeb::HistoryRecord h;
    h.Project = "P";
    h.SiteName = "Cats";
    h.xDate = zeb::Now();
    h.RFound = true;
    app.SaveHistory(h);
    zeb::CheckRecord check;
    check.Project = "P";
    check.SiteName = "Cats";
    check.CheckedAt = zeb::Now();
    check.Result = zeb::kCheckFound;
    check.URL = "http://cats.test/links.htm";
    zeb::AppendCheck(session, check);
  }
  EXPECT_EQ(Ok({"partner", "edit", "--project", "P", "--name", "Cats", "--start",
                "http://cats.test/links/", "--start-hop", "1", "--rename", "Cats Corner"}),
            "Changed the start page, start hop and name of partner Cats Corner in project P\n");
  zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
  zeb::AppTables app(session);
  const zeb::PartnerRecord p = *app.FindPartner("P", "Cats Corner", zeb::ProjectScope::kExact);
  EXPECT_EQ(p.BotStart, "http://cats.test/links/");
  EXPECT_EQ(p.BotBaseHop, 1);
  EXPECT_EQ(p.ContactWebSite, "http://cats.test/");
  EXPECT_EQ(p.URL, "http://cats.test/links.htm");
  EXPECT_EQ(p.LongCheck, (zeb::Lines{"<a href=\"http://mysite.test/\">me</a>"}));
  EXPECT_EQ(app.History("P", "Cats Corner").size(), 1u);

  const std::string show = Ok({"partner", "show", "--project", "P", "--name", "Cats Corner"});
  for (const std::string line :
       {"Partner:         Cats Corner\n", "Start page:      http://cats.test/links/\n",
        "Start hop:       1\n", "Backlink:        http://cats.test/links.htm\n",
        "Last result:     found at http://cats.test/links.htm (",
        "History (the latest 1 of 1 checks):\n", "found      not found\n"}) {
    EXPECT_TRUE(Holds(show, line)) << line << "\n" << show;
  }
  // An empty --start removes the start page and its hop; an empty --backlink forgets it.
  Ok({"partner", "edit", "--project", "P", "--name", "Cats Corner", "--start", "", "--backlink",
      ""});
  const zeb::PartnerRecord q = *app.FindPartner("P", "Cats Corner", zeb::ProjectScope::kExact);
  EXPECT_EQ(q.BotStart + "|" + std::to_string(q.BotBaseHop) + "|" + q.URL, "|0|");
}

// export --out, then import into a fresh project: the same partners, odd names included.
TEST_F(ZebhostTest, PartnerExportThenImportGivesTheSamePartners) {
  Init();
  Ok({"project", "add", "P"});
  Ok({"project", "add", "Fresh"});
  Ok({"partner", "add", "--project", "P", "--name", "Cats, \"the\" Corner", "--home",
      "http://cats.test/", "--find", "say \"hi\", me", "--start", "http://cats.test/l/",
      "--start-hop", "2", "--link-text", "line one\nline, \"two\"", "--backlink",
      "http://cats.test/l/x.htm"});
  Ok({"partner", "add", "--project", "P", "--name", "Dogs", "--home", "http://dogs.test/", "--find",
      "me"});
  const std::string file = (dir_ / "partners.csv").string();
  EXPECT_EQ(Ok({"partner", "export", "--project", "P", "--out", file}), "");
  Ok({"partner", "import", "--project", "Fresh", file});
  const std::string listed_p = Ok({"partner", "list", "--project", "P", "--format", "json"});
  const std::string listed_fresh =
      Ok({"partner", "list", "--project", "Fresh", "--format", "json"});
  json a = json::parse(listed_p);
  json b = json::parse(listed_fresh);
  ASSERT_EQ(a.size(), 2u);
  for (json& record : b) record["project"] = "P";
  EXPECT_EQ(a, b);
  // Without --out the file goes to the standard output.
  EXPECT_EQ(Ok({"partner", "export", "--project", "Fresh"}), zeb::testing::ReadFile(file));
}

// The listings as CSV and JSON read back into the stored values, with their types.
TEST_F(ZebhostTest, ListingsReadBackAsCsvAndJson) {
  Init();
  Ok({"project", "add", "Mine, \"quoted\"", "--home-page", "http://mine.test/"});
  Ok({"project", "add", "Bare"});
  Ok({"partner", "add", "--project", "Mine, \"quoted\"", "--name", "Caf\xC3\xA9", "--home",
      "http://cafe.test/", "--find", "x", "--start", "http://cafe.test/s/", "--start-hop", "3",
      "--link-text", "a\nb"});
  Ok({"partner", "add", "--project", "Bare", "--name", "Plain", "--home", "http://plain.test/",
      "--find", "y"});

  json projects = json::parse(Ok({"project", "list", "--format", "json"}));
  ASSERT_EQ(projects.size(), 2u);
  EXPECT_EQ(projects[0], json({{"project", "Bare"}, {"home_page", nullptr}, {"partners", 1}}));
  EXPECT_EQ(projects[1]["project"], "Mine, \"quoted\"");
  EXPECT_EQ(projects[1]["partners"], 1);

  const std::vector<zeb::CsvRecord> csv = zeb::ParseCsv(Ok({"project", "list", "--format", "csv"}));
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[0].fields, (std::vector<std::string>{"Project", "Your home page", "Partners"}));
  EXPECT_EQ(csv[2].fields,
            (std::vector<std::string>{"Mine, \"quoted\"", "http://mine.test/", "1"}));

  Ok({"project", "add", "Default"});  // lists the partners of every project
  json partners = json::parse(Ok({"partner", "list", "--project", "Default", "--format", "json"}));
  ASSERT_EQ(partners.size(), 2u);
  EXPECT_EQ(partners[0]["partner"], "Caf\xC3\xA9");
  EXPECT_EQ(partners[0]["start_hop"], 3);
  EXPECT_EQ(partners[0]["link_text"], "a\r\nb");
  EXPECT_EQ(partners[0]["found"], false);
  EXPECT_TRUE(partners[1]["start_hop"].is_null());
  EXPECT_TRUE(partners[1]["backlink"].is_null());
  const std::vector<zeb::CsvRecord> partner_csv =
      zeb::ParseCsv(Ok({"partner", "list", "--project", "Default", "--format", "csv"}));
  ASSERT_EQ(partner_csv.size(), 3u);
  EXPECT_EQ(partner_csv[0].fields.size(), partners[0].size());
  EXPECT_EQ(partner_csv[0].fields[4], "Start hop");
  EXPECT_EQ(partner_csv[1].fields[4], "3");
  EXPECT_EQ(partner_csv[1].fields[6], "a\r\nb");  // the link text, quoted over two lines
  EXPECT_EQ(partner_csv[2].fields[4], "");        // no start page, no hop
  EXPECT_EQ(partner_csv[2].fields[8], "false");   // found

  Ok({"settings", "set", "ProxyPassword", "secret", "--network"});
  json settings = json::parse(Ok({"settings", "list", "--network", "--format", "json"}));
  bool saw_password = false;
  for (const json& s : settings) {
    ASSERT_TRUE(s["value"].is_string()) << s;
    if (s["name"] == "ProxyPassword") {
      saw_password = true;
      EXPECT_EQ(s["value"], "(enciphered)");
    }
  }
  EXPECT_TRUE(saw_password);
  EXPECT_EQ(zeb::ParseCsv(Ok({"settings", "list", "--format", "csv"}))[0].fields,
            (std::vector<std::string>{"Setting", "Value"}));
  // Empty listings: a header alone, an empty array.
  Ok({"project", "remove", "Bare"});
  Ok({"project", "remove", "Default"});
  Ok({"project", "remove", "Mine, \"quoted\""});
  EXPECT_EQ(Ok({"project", "list", "--format", "csv"}), "Project,Your home page,Partners\r\n");
  EXPECT_EQ(Ok({"project", "list", "--format", "json"}), "[]\n");
}

// Whatever bytes a text holds, the JSON is valid UTF-8: control bytes escaped, each ill-formed
// sequence (by the Unicode table of well-formed UTF-8) one U+FFFD, well-formed ones kept.
TEST(OutputFormatTest, JsonStringsAreValidUtf8WhateverTheBytes) {
  const std::string fffd = "\xEF\xBF\xBD";
  struct Case {
    std::string bytes;
    std::string decoded;  // as a JSON parser gives it back
  };
  const Case cases[] = {
      {"plain \"quoted\" back\\slash", "plain \"quoted\" back\\slash"},
      {std::string("nul\0 tab\t cr\r lf\n del\x7f bell\x07", 27),
       std::string("nul\0 tab\t cr\r lf\n del\x7f bell\x07", 27)},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\x88", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\x88"},
      {"lone \x80 continuation", "lone " + fffd + " continuation"},
      {"latin-1 caf\xE9!", "latin-1 caf" + fffd + "!"},
      {"overlong \xC0\xAF", "overlong " + fffd + fffd},
      {"overlong \xE0\x80\xAF", "overlong " + fffd + fffd + fffd},
      {"surrogate \xED\xA0\x80", "surrogate " + fffd + fffd + fffd},
      {"above max \xF4\x90\x80\x80", "above max " + fffd + fffd + fffd + fffd},
      {"cut \xE2\x82", "cut " + fffd},
      {"cut then ascii \xF0\x9F\x90z", "cut then ascii " + fffd + "z"},
      {"\xFF\xFE", fffd + fffd},
  };
  for (const Case& c : cases) {
    const std::string encoded = JsonString(c.bytes);
    json parsed;
    ASSERT_NO_THROW(parsed = json::parse(encoded)) << encoded;
    EXPECT_EQ(parsed.get<std::string>(), c.decoded) << encoded;
    for (char ch : encoded) EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << encoded;
  }
}

// The three formats of one set of typed records: the table's cells, CSV's fields and quoting,
// JSON's types; columns for people only or programs only show where they belong.
TEST(OutputFormatTest, RecordsInTheThreeFormats) {
  const std::vector<Column> columns = {
      {"name", "Name"},
      {"hops", "Hops"},
      {"found", "Found"},
      {"joined", "Joined", kCellWidth, Shown::kTableOnly},
      {"note", "Note", kCellWidth, Shown::kDataOnly},
  };
  std::vector<Record> records;
  records.push_back(Record()
                        .Set("name", Value::Text("a,\"b\""))
                        .Set("hops", Value::Integer(2))
                        .Set("found", Value::Boolean(true))
                        .Set("joined", Value::Text("a (2)"))
                        .Set("note", Value::Text("x\ny")));
  records.push_back(Record().Set("name", Value::Text("c")).Set("found", Value::Boolean(false)));
  EXPECT_EQ(FormatRecords(OutputFormat::kTable, columns, records),
            "Name   Hops  Found  Joined\n"
            "a,\"b\"  2     yes    a (2)\n"
            "c      -     no     -\n");
  EXPECT_EQ(FormatRecords(OutputFormat::kCsv, columns, records),
            "Name,Hops,Found,Note\r\n"
            "\"a,\"\"b\"\"\",2,true,\"x\ny\"\r\n"
            "c,,false,\r\n");
  const json parsed = json::parse(FormatRecords(OutputFormat::kJson, columns, records));
  EXPECT_EQ(parsed, json::parse(R"([{"name": "a,\"b\"", "hops": 2, "found": true, "note": "x\ny"},
                                    {"name": "c", "hops": null, "found": false, "note": null}])"));
}

}  // namespace
}  // namespace zebhost
