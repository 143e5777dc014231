// zebhost check's changes since the last check and --fail-on-change, and zebhost report read
// back by independent readers (Python's csv module, a JSON parser).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/loopback_site.h"
#include "zebhost_fixture.h"

namespace zebhost {
namespace {

using nlohmann::json;

std::string LinksPage(const std::string& link) {
  return "<html><body><p>Our friends:</p>" + link + "<p>Thanks.</p></body></html>";
}

class ZebhostReportTest : public ZebhostTest {
 protected:
  // A checked partner "Cats" whose links page the test rewrites between checks.
  void SetUpPartner() {
    Init();
    Ok({"settings", "set", "ZEBAnalyzeFound", "true"});
    Ok({"project", "add", "Demo"});
    url_ = site_.Url("cats.localhost", "/links.htm");
    Ok({"partner", "add", "--project", "Demo", "--name", "Cats", "--home", url_, "--find",
        "mysite.example"});
  }
  Result CheckAll() {
    return Run({"check", "--project", "Demo", "--all", "--tick-ms", "10", "--fail-on-change"});
  }
  static std::string Changes(const std::string& out) {
    const std::size_t at = out.find("Changes since the last check:\n");
    return at == std::string::npos ? "" : out.substr(at);
  }

  zeb::testing::LoopbackSite site_;
  std::string url_;
};

TEST_F(ZebhostReportTest, ChangesSinceTheLastCheckAndTheExitStatusForCron) {
  SetUpPartner();
  const std::string followed = "<a href=\"http://mysite.example/\">My site</a>";
  const std::string nofollow = "<a href=\"http://mysite.example/\" rel=\"NoFollow\">My site</a>";
  struct Step {
    std::string page;
    int status;
    std::string changes;  // the change lines; "" for none
    std::string counts;   // the table's Counts cell
  };
  const std::vector<Step> steps = {
      {LinksPage(followed), 0, "", "yes"},  // the first check has nothing to compare with
      {LinksPage(followed), 0, "", "yes"},  // unchanged
      {LinksPage("<p>gone</p>"), 1, "  Cats: lost (was at " + url_ + ")\n", "-"},
      {LinksPage(nofollow), 1, "  Cats: found again at " + url_ + "\n  Cats: counts -> nofollow\n",
       "nofollow"},
      {LinksPage(followed), 0, "  Cats: nofollow -> counts\n", "yes"},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("check " + std::to_string(i + 1));
    site_.Page("/links.htm", steps[i].page);
    const Result r = CheckAll();
    EXPECT_EQ(r.status, steps[i].status) << r.out << r.err;
    const std::string changes = Changes(r.out);
    EXPECT_EQ(changes, steps[i].changes.empty()
                           ? std::string()
                           : "Changes since the last check:\n" + steps[i].changes)
        << r.out;
    // The table's last column.
    const std::size_t row = r.out.rfind("\nCats ");
    ASSERT_NE(row, std::string::npos) << r.out;
    const std::string line = r.out.substr(row + 1, r.out.find('\n', row + 1) - row - 1);
    EXPECT_EQ(line.substr(line.find_last_not_of(' ', line.size() - 1) + 1 - steps[i].counts.size()),
              steps[i].counts)
        << line;
  }
  // Without --fail-on-change a lost link is told but the command succeeds.
  site_.Page("/links.htm", LinksPage("<p>gone</p>"));
  const Result lost = Run({"check", "--project", "Demo", "--all", "--tick-ms", "10"});
  EXPECT_EQ(lost.status, 0);
  EXPECT_NE(lost.out.find("Cats: lost (was at "), std::string::npos) << lost.out;

  // The partner's listing and details tell the last verdict.
  const std::string list = Ok({"partner", "list", "--project", "Demo", "--format", "json"});
  EXPECT_EQ(json::parse(list).at(0).at("counts"), "not found");
  EXPECT_NE(Ok({"partner", "show", "--project", "Demo", "--name", "Cats"}).find("not found"),
            std::string::npos);
  // A check over "Default" is kept with the partner's own project and compared with its checks.
  site_.Page("/links.htm", LinksPage(followed));
  Ok({"project", "add", "Default"});
  const Result again = Run({"check", "--project", "Default", "--all", "--tick-ms", "10"});
  EXPECT_NE(again.out.find("Cats: found again at " + url_), std::string::npos)
      << again.out << again.err;
  EXPECT_NE(Ok({"partner", "show", "--project", "Demo", "--name", "Cats"})
                .find("counts with search engines (anchor text \"My site\")"),
            std::string::npos);
  // The report's history has every check.
  const json history =
      json::parse(Ok({"report", "--project", "Demo", "--format", "json", "--history"}));
  ASSERT_EQ(history.size(), 7u);
  std::vector<std::string> verdicts;
  for (const json& record : history) verdicts.push_back(record.at("verdict").get<std::string>());
  EXPECT_EQ(verdicts, (std::vector<std::string>{"counts", "counts", "not found", "nofollow",
                                                "counts", "not found", "counts"}));
}

TEST_F(ZebhostReportTest, TheReportReadsBackAsCsvAndJsonWithAwkwardNames) {
  SetUpPartner();
  site_.Page("/links.htm", LinksPage("<a href=\"http://mysite.example/\" rel=ugc>Me, \"quoted\""
                                     "</a>"));
  site_.Page("/other.htm", LinksPage("<p>nothing</p>"));
  Ok({"partner", "add", "--project", "Demo", "--name", "Dogs, \"the\" best", "--home",
      site_.Url("dogs.localhost", "/other.htm"), "--find", "mysite.example"});
  // A host may store names that zebhost would not take: a line break, for one.
  {
    zeb::Session session = zeb::OpenDataFolder(dir_.folder() + "data/");
    zeb::PartnerRecord p;
    p.Project = "Demo";
    p.SiteName = "Two\nlines";
    p.ContactWebSite = site_.Url("two.localhost", "/other.htm");
    p.ShortCheck = "mysite.example";
    zeb::AppTables(session).AddPartner(p);
  }
  ASSERT_EQ(CheckAll().status, 0);
  // One partner more, never checked.
  Ok({"partner", "add", "--project", "Demo", "--name", "Later", "--home",
      site_.Url("later.localhost", "/other.htm"), "--find", "mysite.example"});

  const std::string csv_file = (dir_ / "report.csv").string();
  Ok({"report", "--project", "Demo", "--format", "csv", "--out", csv_file});
  const std::string json_file = (dir_ / "report.json").string();
  Ok({"report", "--project", "Demo", "--format", "json", "--out", json_file});

  // Python's csv module, as a spreadsheet would read it: each row as a JSON object.
  const json from_csv = json::parse(
      Shell("python3 -c 'import csv, json, sys; "
            "print(json.dumps(list(csv.DictReader(open(sys.argv[1], newline=\"\")))))' " +
            csv_file));
  std::ifstream in(json_file);
  const json from_json = json::parse(in);
  ASSERT_EQ(from_csv.size(), 4u) << from_csv.dump();
  ASSERT_EQ(from_json.size(), 4u);
  std::map<std::string, json> by_name;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string name = from_json[i].at("partner").get<std::string>();
    EXPECT_EQ(from_csv[i].at("Partner").get<std::string>(), name);
    EXPECT_EQ(from_csv[i].at("Project").get<std::string>(), "Demo");
    by_name[name] = from_json[i];
  }
  for (const char* key : {"project", "partner", "result", "backlink", "verdict", "anchor_text",
                          "hops", "checked_at"}) {
    EXPECT_TRUE(from_json[0].contains(key)) << key;
  }
  const json& cats = by_name.at("Cats");
  EXPECT_EQ(cats.at("result"), "found");
  EXPECT_EQ(cats.at("verdict"), "ugc");
  EXPECT_EQ(cats.at("backlink"), url_);
  EXPECT_EQ(cats.at("anchor_text"), "Me, \"quoted\"");
  EXPECT_EQ(cats.at("hops"), 0);
  EXPECT_EQ(cats.at("link"), "1/1");
  // ISO 8601 with the offset from UTC.
  EXPECT_EQ(cats.at("checked_at").get<std::string>().size(), 25u);
  EXPECT_EQ(cats.at("checked_at").get<std::string>()[10], 'T');
  EXPECT_EQ(by_name.at("Dogs, \"the\" best").at("verdict"), "not found");
  EXPECT_TRUE(by_name.at("Dogs, \"the\" best").at("hops").is_null());
  EXPECT_EQ(by_name.at("Two\nlines").at("result"), "not found");
  EXPECT_EQ(by_name.at("Later").at("result"), "never checked");
  EXPECT_TRUE(by_name.at("Later").at("checked_at").is_null());
  // The CSV's fields are the JSON's values, as text.
  for (const json& row : from_csv) {
    const json& record = by_name.at(row.at("Partner").get<std::string>());
    EXPECT_EQ(row.at("Anchor text"), record.at("anchor_text").is_null()
                                         ? std::string()
                                         : record.at("anchor_text").get<std::string>());
    EXPECT_EQ(row.at("Verdict"), record.at("verdict").is_null()
                                     ? std::string()
                                     : record.at("verdict").get<std::string>());
  }
}

TEST_F(ZebhostReportTest, BadUseOfReportWritesNothing) {
  Init();
  Ok({"project", "add", "Demo"});
  Fails({"report"}, "--project");
  Fails({"report", "--project", "Nope"}, "no project");
  Fails({"report", "--project", "Demo", "--format", "xml"}, "--format");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "never.csv"));
  Fails({"report", "--project", "Nope", "--out", (dir_ / "never.csv").string()}, "no project");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "never.csv"));
}

}  // namespace
}  // namespace zebhost
