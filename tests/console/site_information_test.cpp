// Gathering the user's own home page over loopback, and showing what is stored.
#include "console/site_information.h"

#include <gtest/gtest.h>

#include "data/app_tables.h"
#include "support/crawl_fixture.h"

namespace zeb {
namespace {

using testing::CrawlFixture;

class SiteInformationTest : public ::testing::Test {
 protected:
  SiteInformationTest() : session_(DatabaseFile(f_.locations()), OpenMode::kExisting), app_(session_) {}

  GatherOutcome Gather(const std::string& project, int density = 0) {
    statuses_.clear();
    return GatherSiteInformation(session_, SettingsStore(f_.settings_file()),
                                 f_.locations().DataFolder, project, density,
                                 [&](const std::string& s) { statuses_.push_back(s); }, nullptr);
  }

  CrawlFixture f_;
  Session session_;
  AppTables app_;
  std::vector<std::string> statuses_;
};

TEST_F(SiteInformationTest, StoresTheKeywordsAndDensityOfTheHomePage) {
  f_.site().Page("/me.htm",
                 "\r\n<html><head><meta name=\"keywords\" content=\"red, green blue\"></head>"
                 "<body>Red\tred red%2Ered blue</body></html>");
  app_.AddProject({"Mine", f_.Url("mysite.localhost", "/me.htm"), {}, {}});
  f_.WriteList("STFilter.txt", "BLUE\r\n");

  GatherOutcome out = Gather("Mine");

  EXPECT_TRUE(out.stored);
  EXPECT_EQ(statuses_, (std::vector<std::string>{"Working...", "Page loaded...", "Done"}));
  std::optional<ProjectRecord> p = app_.FindProject("Mine");
  EXPECT_EQ(p->YourKWTag, (Lines{"red", "green blue"}));
  // The tab goes without a blank in its place, "%2E" is decoded, "blue" is a stop word.
  EXPECT_EQ(p->YourKWDensity, (Lines{"red.red ~ 1 ~ 50%", "redred ~ 1 ~ 50%"}));

  const std::string html = ShowSiteInformation(session_, "Mine");
  EXPECT_NE(html.find("<LI>red</LI><LI>green blue</LI>"), std::string::npos) << html;
  EXPECT_EQ(html.rfind("<P align=\"center\"><B>Search Term information for<BR>Mine</B>", 0), 0u);
}

TEST_F(SiteInformationTest, WithTheModernWebACompressedHomePageIsRead) {
  testing::Reply packed;
  packed.encoding = "br";
  packed.body = "<html><head><meta name=\"keywords\" content=\"red\"></head><body>x</body></html>";
  f_.site().Serve("/me.htm", packed);
  app_.AddProject({"Mine", f_.Url("mysite.localhost", "/me.htm"), {}, {}});
  SettingsStore store(f_.settings_file());
  store.CreateKey(kStartupSettingsKey);
  store.OpenKey(kStartupSettingsKey)->WriteString("ZEBModernWeb", "true");

  EXPECT_TRUE(Gather("Mine").stored);
  EXPECT_EQ(app_.FindProject("Mine")->YourKWTag, (Lines{"red"}));
}

TEST_F(SiteInformationTest, FailuresStoreNothingAndSayWhy) {
  app_.AddProject({"NoHome", "", {}, {}});
  GatherOutcome out = Gather("NoHome");
  EXPECT_EQ(out.status, "Add a Home Page to this project.");
  EXPECT_NE(out.dialog_html.find("Project NoHome does not contain your Home Page value."),
            std::string::npos);
  EXPECT_FALSE(out.stored);

  app_.AddProject({"Gone", f_.Url("/missing.htm"), {"old"}, {}});
  out = Gather("Gone");
  EXPECT_EQ(out.status.rfind("HTTP/1.1 404", 0), 0u) << out.status;
  EXPECT_EQ(app_.FindProject("Gone")->YourKWTag, Lines{"old"});

  EXPECT_EQ(Gather("").status, "No project has been selected");

  // Never gathered: the title and both headings with empty lists.
  EXPECT_EQ(ShowSiteInformation(session_, "NoHome"),
            "<P align=\"center\"><B>Search Term information for<BR>NoHome</B><BR>(use "
            "\"Keyword Analysis...\" for more information.)</P><BR><LH><B>Keyword Tags</B></LH>"
            "<P align=\"left\"><UL></UL></P><BR><P align=\"left\"><LH><B>Keyword Density</B>"
            "</B</LH><UL></UL></P>");
}

}  // namespace
}  // namespace zeb
