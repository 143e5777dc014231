#include "data/partner_editing.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "data/check_history.h"
#include "data/csv.h"
#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::TempDir;

// Every stored field of a partner by name, so that a test can say which ones differ.
std::map<std::string, std::string> Fields(const PartnerRecord& p) {
  return {{"Project", p.Project},
          {"SiteName", p.SiteName},
          {"ContactWebSite", p.ContactWebSite},
          {"BotStart", p.BotStart},
          {"BotBaseHop", std::to_string(p.BotBaseHop)},
          {"ShortCheck", p.ShortCheck},
          {"LongCheck", JoinLines(p.LongCheck)},
          {"URL", p.URL},
          {"FoundShort", std::to_string(p.FoundShort)},
          {"FoundLong", std::to_string(p.FoundLong)}};
}

PartnerChanges Renamed(const std::string& name) {
  PartnerChanges c;
  c.rename = name;
  return c;
}

PartnerChanges NewHome(const std::string& home) {
  PartnerChanges c;
  c.home = home;
  return c;
}

class PartnerEditingTest : public ::testing::Test {
 protected:
  PartnerEditingTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateApplicationTables(session_);
    app_.AddProject({"P", "", {}, {}});
    app_.AddProject({"Q", "", {}, {}});
  }

  // A partner with every field set, found at its last check.
  PartnerRecord Full(const std::string& name) {
    PartnerRecord p;
    p.Project = "P";
    p.SiteName = name;
    p.ContactWebSite = "http://cats.test/";
    p.BotStart = "http://cats.test/links/";
    p.BotBaseHop = 1;
    p.ShortCheck = "mysite.test";
    p.LongCheck = {"<a href=\"http://mysite.test/\">", "My Site</a>"};
    p.URL = "http://cats.test/links/friends.htm";
    p.FoundShort = true;
    p.FoundLong = true;
    p.id = AddEnteredPartner(session_, p);
    // The found flags are the check's, not the user's: set as a check sets them.
    app_.SavePartner(p);
    return p;
  }

  PartnerRecord Stored(const std::string& project, const std::string& name) {
    return *app_.FindPartner(project, name, ProjectScope::kExact);
  }

  TempDir dir_;
  Session session_;
  AppTables app_{session_};
};

// Each option of an edit changes its own field and no other.
TEST_F(PartnerEditingTest, AnEditChangesOnlyTheNamedFields) {
  struct Case {
    const char* what;
    std::function<void(PartnerChanges&)> change;
    std::map<std::string, std::string> changed;  // field -> new stored value
  };
  const Case cases[] = {
      {"home",
       [](PartnerChanges& c) { c.home = "https://new.test/"; },
       {{"ContactWebSite", "https://new.test/"}}},
      {"start",
       [](PartnerChanges& c) { c.start = "http://cats.test/a/"; },
       {{"BotStart", "http://cats.test/a/"}}},
      {"start hop", [](PartnerChanges& c) { c.start_hop = 3; }, {{"BotBaseHop", "3"}}},
      {"start and hop",
       [](PartnerChanges& c) {
         c.start = "http://cats.test/b/";
         c.start_hop = 2;
       },
       {{"BotStart", "http://cats.test/b/"}, {"BotBaseHop", "2"}}},
      {"no start",
       [](PartnerChanges& c) { c.start = ""; },
       {{"BotStart", ""}, {"BotBaseHop", "0"}}},
      {"find", [](PartnerChanges& c) { c.find = "other.test"; }, {{"ShortCheck", "other.test"}}},
      {"link text",
       [](PartnerChanges& c) {
         c.link_text = Lines{"one", "two"};
       },
       {{"LongCheck", "one\r\ntwo"}}},
      {"no link text", [](PartnerChanges& c) { c.link_text = Lines{}; }, {{"LongCheck", ""}}},
      {"backlink",
       [](PartnerChanges& c) { c.backlink = "http://cats.test/x.htm"; },
       {{"URL", "http://cats.test/x.htm"}}},
      {"no backlink", [](PartnerChanges& c) { c.backlink = ""; }, {{"URL", ""}}},
      {"rename",
       [](PartnerChanges& c) { c.rename = "Cats, \"Inc.\""; },
       {{"SiteName", "Cats, \"Inc.\""}}},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "cats" + std::to_string(++n);
    const PartnerRecord before = Full(name);
    const PartnerRecord bystander = Full("bystander" + std::to_string(n));
    PartnerChanges changes;
    c.change(changes);
    const PartnerRecord returned = EditPartner(session_, "P", name, changes);
    std::map<std::string, std::string> expected = Fields(before);
    for (const auto& [field, value] : c.changed) expected[field] = value;
    const std::string now_named = changes.rename.value_or(name);
    EXPECT_EQ(Fields(Stored("P", now_named)), expected) << c.what;
    EXPECT_EQ(Fields(returned), expected) << c.what;
    EXPECT_EQ(Fields(Stored("P", bystander.SiteName)), Fields(bystander)) << c.what;
  }
}

// A refused edit leaves the partner and its records as they were, whichever rule refused it.
TEST_F(PartnerEditingTest, ARefusedEditChangesNothing) {
  const PartnerRecord cats = Full("Cats");
  Full("Dogs");
  struct Case {
    std::function<void(PartnerChanges&)> change;
    std::string message;
  };
  const Case cases[] = {
      {[](PartnerChanges& c) { c.home = "cats.test"; },
       "the home page \"cats.test\" is not an http"},
      {[](PartnerChanges& c) {
         c.home = "http://new.test/";
         c.find = "";
       },
       "the Find text must not be empty"},
      {[](PartnerChanges& c) { c.find = "two\nlines"; }, "the Find text must be one line"},
      {[](PartnerChanges& c) {
         c.start = "";
         c.start_hop = 2;
       },
       "a start hop needs a start page"},
      {[](PartnerChanges& c) { c.start_hop = -1; }, "the start hop must be 0 or more"},
      {[](PartnerChanges& c) { c.rename = "Dogs"; },
       "the partner \"Dogs\" exists already in project P"},
      {[](PartnerChanges& c) { c.rename = "a\tb"; }, "the partner name \"a\\tb\" holds a control"},
      {[](PartnerChanges& c) { c.backlink = "http://x.test/ y"; }, "the backlink"},
  };
  HistoryRecord h;
  h.Project = "P";
  h.SiteName = "Cats";
  h.xDate = Now();
  app_.SaveHistory(h);
  for (const Case& c : cases) {
    PartnerChanges changes;
    c.change(changes);
    try {
      EditPartner(session_, "P", "Cats", changes);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const PartnerEditError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(Fields(Stored("P", "Cats")), Fields(cats)) << c.message;
    EXPECT_EQ(app_.History("P", "Cats").size(), 1u) << c.message;
  }
  EXPECT_THROW(EditPartner(session_, "P", "Ghost", NewHome("http://a.test/")), PartnerEditError);
  EXPECT_THROW(EditPartner(session_, "Nope", "Cats", NewHome("http://a.test/")), PartnerEditError);
}

// A renamed partner keeps its history, its analysis and the library's record of its checks;
// the partner of the same name in another project keeps its own.
TEST_F(PartnerEditingTest, ARenameCarriesTheHistoryAndAnalysisRecords) {
  Full("Cats");
  PartnerRecord other = Full("Other");
  other.Project = "Q";
  other.SiteName = "Cats";
  AddEnteredPartner(session_, other);
  for (const char* project : {"P", "Q"}) {
    for (int day = 0; day < 3; ++day) {
      HistoryRecord h;
      h.Project = project;
      h.SiteName = "Cats";
      h.xDate = AddSecs(Now(), -86400 * day);
      h.RFound = day == 0;
      app_.SaveHistory(h);
    }
    AnalysisRecord a;
    a.Project = project;
    a.SiteName = "Cats";
    a.Hops = 2;
    a.BaseURL = "http://cats.test/";
    app_.SaveAnalysis(a);
    CheckRecord check;
    check.Project = project;
    check.SiteName = "Cats";
    check.CheckedAt = Now();
    check.Result = kCheckFound;
    AppendCheck(session_, check);
  }

  EditPartner(session_, "P", "Cats", Renamed("Cats Corner"));
  EXPECT_FALSE(app_.FindPartner("P", "Cats", ProjectScope::kExact));
  EXPECT_EQ(app_.History("P", "Cats Corner").size(), 3u);
  EXPECT_TRUE(app_.History("P", "Cats").empty());
  ASSERT_TRUE(app_.FindAnalysis("P", "Cats Corner", ProjectScope::kExact));
  EXPECT_EQ(app_.FindAnalysis("P", "Cats Corner", ProjectScope::kExact)->Hops, 2);
  EXPECT_FALSE(app_.FindAnalysis("P", "Cats", ProjectScope::kExact));
  EXPECT_EQ(PartnerChecks(session_, "P", "Cats Corner").size(), 1u);
  EXPECT_TRUE(PartnerChecks(session_, "P", "Cats").empty());
  // Project Q's partner of the old name is untouched.
  EXPECT_EQ(app_.History("Q", "Cats").size(), 3u);
  EXPECT_TRUE(app_.FindAnalysis("Q", "Cats", ProjectScope::kExact));
  EXPECT_EQ(PartnerChecks(session_, "Q", "Cats").size(), 1u);
}

// Without the library's check table (an older data folder) a rename still works.
TEST_F(PartnerEditingTest, ARenameWorksWithoutTheCheckTable) {
  ASSERT_FALSE(session_.TableExists(kCheckHistoryTable));
  Full("Cats");
  EditPartner(session_, "P", "Cats", Renamed("Kittens"));
  EXPECT_TRUE(app_.FindPartner("P", "Kittens", ProjectScope::kExact));
}

// Export, then import into another project: the same partners, names and texts with commas,
// quotes and line breaks included (the found flags are results of a check, not in the file).
TEST_F(PartnerEditingTest, ExportThenImportGivesTheSamePartners) {
  PartnerRecord a = Full("Cats, Dogs & \"Friends\"");
  PartnerRecord b;
  b.Project = "P";
  b.SiteName = "Plain";
  b.ContactWebSite = "https://plain.test/";
  b.ShortCheck = "say \"hi\", then go";
  b.LongCheck = {"line one,", "", "\"line three\""};
  AddEnteredPartner(session_, b);
  PartnerRecord c = Full("Zebra\xC3\xA9");
  c.BotStart = "";
  c.BotBaseHop = 0;
  c.URL = "";
  app_.SavePartner(c);

  const std::string csv = ExportPartnerCsv(session_, "P");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), kPartnerCsvHeader);
  EXPECT_EQ(ImportPartnerCsv(session_, "Q", csv), 3u);
  const std::vector<PartnerRecord> before = app_.Partners("P", ProjectScope::kExact);
  const std::vector<PartnerRecord> after = app_.Partners("Q", ProjectScope::kExact);
  ASSERT_EQ(before.size(), after.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    std::map<std::string, std::string> expected = Fields(before[i]);
    expected["Project"] = "Q";
    expected["FoundShort"] = expected["FoundLong"] = "0";
    EXPECT_EQ(Fields(after[i]), expected);
  }
  // A second export of the copy is the same file.
  EXPECT_EQ(ExportPartnerCsv(session_, "Q"), csv);
  EXPECT_THROW(ExportPartnerCsv(session_, "Nope"), PartnerEditError);
}

// An import is all or nothing; a partner the project has already is named by its line.
TEST_F(PartnerEditingTest, AnImportOfATakenNameAddsNothing) {
  Full("Cats");
  const std::string csv =
      std::string(kPartnerCsvHeader) + "\nNew,http://new.test/,,,x\n\nCats,http://cats.test/,,,x\n";
  try {
    ImportPartnerCsv(session_, "P", csv);
    FAIL() << "a taken name was imported";
  } catch (const PartnerEditError& e) {
    EXPECT_STREQ(e.what(), "line 4: the partner \"Cats\" exists already in project P");
  }
  EXPECT_EQ(app_.Partners("P", ProjectScope::kExact).size(), 1u);
  EXPECT_THROW(ImportPartnerCsv(session_, "Nope", csv), PartnerEditError);
}

// The writer quotes exactly the fields that need it, and the reader gives every field back.
TEST(CsvTest, WrittenRecordsReadBackTheSame) {
  const std::vector<std::vector<std::string>> records = {
      {"plain", "", "with space"},
      {"a,b", "say \"hi\"", "two\r\nlines", "lf\nonly", "cr\ronly"},
      {""},
      {"\"", ",", "\xC3\xA9\xFF"},
  };
  std::string text;
  for (const auto& r : records) AppendCsvRecord(text, r);
  EXPECT_EQ(text.substr(0, text.find("\r\n", 0) + 2), "plain,,with space\r\n");
  EXPECT_NE(text.find("\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\""), std::string::npos) << text;
  const std::vector<CsvRecord> read = ParseCsv(text);
  ASSERT_EQ(read.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(read[i].fields, records[i]);
}

}  // namespace
}  // namespace zeb
