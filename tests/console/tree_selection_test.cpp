// The result tree's selection, its two buttons and the partner records they change.
#include "console/tree_selection.h"

#include <gtest/gtest.h>

#include "data/app_tables.h"
#include "data/schema.h"
#include "support/temp_dir.h"

namespace zeb {
namespace {

using Edit = TreeSelection::Edit;
using Path = std::vector<std::size_t>;

TreeNode Link(const std::string& url, std::vector<TreeNode> children = {}) {
  return {LinkNodeText(url), std::move(children)};
}

// A found tree as a run shows it: the title, the chain start -> links -> backlink page; then a
// not-found tree whose root is the start link; then the closing rule.
std::vector<TreeNode> SampleTree() {
  return {
      {"<B><U>Cats</U></B> (2026-12-09)",
       {Link("http://cats.test/",
             {Link("http://cats.test/links.htm", {Link("http://cats.test/friends.htm")})})}},
      Link("http://dogs.test/", {{"<B><I>Not Found: BackLink me</I></B>", {}}}),
      {std::string(72, '-'), {}},
  };
}

TEST(TreeSelectionTest, ALinkNodeEnablesTheButtonThatFitsIt) {
  struct Case {
    Path path;
    bool backlink;
    bool start_base;
  };
  const std::vector<TreeNode> tree = SampleTree();
  for (const Case& c : {Case{{0}, false, false},          // the title is no link
                        Case{{0, 0}, false, true},        // the start page, pages under it
                        Case{{0, 0, 0}, false, true},     // a page in the middle
                        Case{{0, 0, 0, 0}, true, false},  // the backlink page
                        Case{{1, 0}, false, false},       // a reason
                        Case{{2}, false, false}}) {       // the rule
    TreeSelection selection;
    selection.Select(tree, c.path);
    EXPECT_EQ(selection.enabled(Edit::kBacklink), c.backlink) << c.path.size();
    EXPECT_EQ(selection.enabled(Edit::kStartBase), c.start_base) << c.path.size();
    EXPECT_EQ(selection.path(), c.path);
  }
}

TEST(TreeSelectionTest, APathThatNamesNoNodeKeepsTheSelection) {
  const std::vector<TreeNode> tree = SampleTree();
  TreeSelection selection;
  selection.Select(tree, {0, 0, 0, 0});
  for (const Path& bad : {Path{}, Path{3}, Path{0, 1}, Path{0, 0, 0, 0, 0}}) {
    selection.Select(tree, bad);
    EXPECT_EQ(selection.path(), (Path{0, 0, 0, 0}));
    EXPECT_TRUE(selection.enabled(Edit::kBacklink));
  }
  selection.Clear();
  EXPECT_TRUE(selection.path().empty());
  EXPECT_FALSE(selection.enabled(Edit::kBacklink));
}

class TreeSelectionEditTest : public ::testing::Test {
 protected:
  TreeSelectionEditTest() : session_(dir_.folder() + "zeb.sqlite", OpenMode::kCreateIfMissing) {
    CreateApplicationTables(session_);
    PartnerRecord p;
    p.Project = "Pets";
    p.SiteName = "Cats";
    p.ContactWebSite = "http://cats.test/";
    p.ShortCheck = "me";
    app_.AddPartner(p);
  }

  PartnerRecord Cats() { return *app_.FindPartner("Pets", "Cats", ProjectScope::kExact); }

  testing::TempDir dir_;
  Session session_;
  AppTables app_{session_};
  std::vector<TreeNode> tree_ = SampleTree();
  TreeSelection selection_;
};

TEST_F(TreeSelectionEditTest, BacklinkStoresThePageAndTurnsItselfOff) {
  selection_.Select(tree_, {0, 0, 0, 0});
  EXPECT_EQ(selection_.Apply(Edit::kBacklink, tree_, app_, "Pets"), "Cats");
  EXPECT_EQ(Cats().URL, "http://cats.test/friends.htm");
  EXPECT_FALSE(selection_.enabled(Edit::kBacklink));
  // Off now: a second press writes nothing.
  EXPECT_EQ(selection_.Apply(Edit::kBacklink, tree_, app_, "Pets"), std::nullopt);
}

TEST_F(TreeSelectionEditTest, StartBaseStoresThePageWithItsHopUnderTheTitle) {
  struct Case {
    Path path;
    std::string url;
    int hop;
  };
  for (const Case& c :
       {Case{{0, 0}, "http://cats.test/", 0}, Case{{0, 0, 0}, "http://cats.test/links.htm", 1}}) {
    selection_.Select(tree_, c.path);
    EXPECT_EQ(selection_.Apply(Edit::kStartBase, tree_, app_, "Pets"), "Cats");
    EXPECT_EQ(Cats().BotStart, c.url);
    EXPECT_EQ(Cats().BotBaseHop, c.hop);
  }
}

TEST_F(TreeSelectionEditTest, NothingIsWrittenWithoutAPartnerOfThatName) {
  // The wrong project, a button that is off, and a root that is no partner title.
  selection_.Select(tree_, {0, 0, 0, 0});
  EXPECT_EQ(selection_.Apply(Edit::kBacklink, tree_, app_, "Birds"), std::nullopt);
  selection_.Select(tree_, {0, 0, 0, 0});
  EXPECT_EQ(selection_.Apply(Edit::kStartBase, tree_, app_, "Pets"), std::nullopt);
  std::vector<TreeNode> reloaded = {
      {"<B>Home page bypassed...</B>", {Link("http://cats.test/", {Link("http://x.test/")})}}};
  selection_.Select(reloaded, {0, 0, 0});
  EXPECT_EQ(selection_.Apply(Edit::kBacklink, reloaded, app_, "Pets"), std::nullopt);
  EXPECT_EQ(Cats().URL, "");
  EXPECT_EQ(Cats().BotStart, "");
}

}  // namespace
}  // namespace zeb
