#include "data/project_editing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/check_history.h"
#include "data/link_verdicts.h"
#include "data/schema.h"
#include "support/temp_dir.h"
#include "text/date_time.h"

namespace zeb {
namespace {

class ProjectEditingTest : public ::testing::Test {
 protected:
  ProjectEditingTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateApplicationTables(session_);
    app_.AddProject({"P", "http://mysite.test/", {"kw"}, {"density"}});
    app_.AddProject({"Q", "", {}, {}});
  }

  // A partner of P with a record in every table that keeps records of partners.
  void AddPartnerWithRecords(const std::string& name) {
    PartnerRecord p;
    p.Project = "P";
    p.SiteName = name;
    p.ContactWebSite = "http://cats.test/";
    p.ShortCheck = "mysite.test";
    app_.AddPartner(p);
    app_.SaveHistory({0, name, Now(), true, false, false, "P"});
    AnalysisRecord analysis;
    analysis.Project = "P";
    analysis.SiteName = name;
    app_.SaveAnalysis(analysis);
    CheckRecord check;
    check.Project = "P";
    check.SiteName = name;
    check.Result = kCheckFound;
    AppendCheck(session_, check);
    VerdictRecord verdict;
    verdict.Project = "P";
    verdict.SiteName = name;
    verdict.Result = kCheckFound;
    verdict.Verdict = "counts";
    AppendVerdict(session_, verdict);
  }

  // How many records of each table belong to the project: LA, LAHist, ZEBAnalyze,
  // ZEBCheckHistory, ZEBLinkVerdict.
  std::vector<std::size_t> Records(const std::string& project) {
    std::vector<std::size_t> counts;
    for (const char* table : kProjectRecordTables) {
      QueryRef q =
          session_.Query(std::string("SELECT COUNT(*) FROM ") + table + " WHERE Project = ?1");
      q->Bind(1, project);
      counts.push_back(q->Step() ? static_cast<std::size_t>(q->ColumnInt(0)) : 0);
    }
    return counts;
  }

  testing::TempDir dir_;
  Session session_;
  AppTables app_{session_};
};

TEST_F(ProjectEditingTest, ARenameTakesEveryRecordOfTheProjectAlong) {
  AddPartnerWithRecords("Cats");
  AddPartnerWithRecords("Dogs");
  const std::vector<std::size_t> before = Records("P");
  ASSERT_EQ(before, (std::vector<std::size_t>{2, 2, 2, 2, 2}));
  EditProject(session_, "P", {.rename = "My Site", .home_page = std::nullopt});
  EXPECT_EQ(Records("My Site"), before);
  EXPECT_EQ(Records("P"), (std::vector<std::size_t>{0, 0, 0, 0, 0}));
  EXPECT_EQ(app_.ProjectNames(), (std::vector<std::string>{"My Site", "Q"}));
  // The project's own fields stay with it; the verdicts are found under the new name.
  const ProjectRecord renamed = *app_.FindProject("My Site");
  EXPECT_EQ(renamed.YourHomePage, "http://mysite.test/");
  EXPECT_EQ(renamed.YourKWTag, Lines{"kw"});
  EXPECT_EQ(LastVerdicts(session_).count({"My Site", "Cats"}), 1u);
  EXPECT_EQ(ProjectPartnerCount(session_, "My Site"), 2u);
}

TEST_F(ProjectEditingTest, ARefusedEditWritesNothing) {
  AddPartnerWithRecords("Cats");
  struct Case {
    const char* what;
    std::string project;
    ProjectChanges changes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"a taken name", "P", {.rename = "Q", .home_page = "http://new.test/"}, "exists already"},
      {"an empty name", "P", {.rename = "", .home_page = std::nullopt}, "the project name"},
      {"a name over lines", "P", {.rename = "A\nB", .home_page = std::nullopt}, "the project name"},
      {"a home page that is no address",
       "P",
       {.rename = "R", .home_page = "mysite.test"},
       "the home page"},
      {"a missing project",
       "Nowhere",
       {.rename = "R", .home_page = std::nullopt},
       "there is no project"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      EditProject(session_, c.project, c.changes);
      ADD_FAILURE() << "accepted";
    } catch (const PartnerEditError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_EQ(app_.ProjectNames(), (std::vector<std::string>{"P", "Q"}));
    EXPECT_EQ(app_.FindProject("P")->YourHomePage, "http://mysite.test/");
    EXPECT_EQ(Records("P"), (std::vector<std::size_t>{1, 1, 1, 1, 1}));
  }
}

TEST_F(ProjectEditingTest, TheHomePageChangesAloneAndAnEmptyOneRemovesIt) {
  EditProject(session_, "P", {.rename = std::nullopt, .home_page = "https://other.test/"});
  EXPECT_EQ(app_.FindProject("P")->YourHomePage, "https://other.test/");
  EditProject(session_, "P", {.rename = std::nullopt, .home_page = ""});
  EXPECT_EQ(app_.FindProject("P")->YourHomePage, "");
}

TEST_F(ProjectEditingTest, AddingKeepsTheRulesOfEnteredFields) {
  AddEnteredProject(session_, {"New", "http://new.test/", {}, {}});
  EXPECT_TRUE(app_.FindProject("New"));
  for (const ProjectRecord& bad : std::vector<ProjectRecord>{
           {"P", "", {}, {}}, {"", "", {}, {}}, {"X", "ftp://x.test/", {}, {}}}) {
    EXPECT_THROW(AddEnteredProject(session_, bad), PartnerEditError) << bad.Name;
  }
  EXPECT_EQ(app_.ProjectNames().size(), 3u);
}

}  // namespace
}  // namespace zeb
