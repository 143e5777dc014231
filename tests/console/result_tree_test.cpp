// The result tree as the partner records store it: lines reloaded into nodes under the line
// before them, the partner and address read back from node texts, and what a window is given to
// draw: hostile addresses and names stay text, old unescaped trees included.
#include "console/result_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace zeb {
namespace {

TEST(ResultTreeTest, StoredLinesReloadUnderTheLineBefore) {
  std::vector<TreeNode> tree = TreeFromLines(
      {"<B><U>P</U></B> (2026-12-09)", "<B>Home page bypassed...</B>", "\t<A href=\"u\">u</A>",
       "\t\t<A href=\"v\">v</A>", "<A href=\"s\">s</A>", "<B><I>Not Found</I></B>"});
  ASSERT_EQ(tree.size(), 4u);
  EXPECT_TRUE(tree[0].children.empty());
  ASSERT_EQ(tree[1].children.size(), 1u);  // the chain hangs under the bypass line
  EXPECT_EQ(LinkNodeURL(tree[1].children[0].children[0].text), "v");
  EXPECT_EQ(tree[3].text, "<B><I>Not Found</I></B>");  // a reason reloads as a root
  EXPECT_EQ(TitleNodePartner(tree[0].text), "P");
  EXPECT_EQ(TitleNodePartner(tree[1].text), "");
  EXPECT_TRUE(tree[2].IsLink());
}

// Addresses and names from pages and the user's data are text in the node, and read back as
// they were stored.
TEST(ResultTreeTest, AddressesAndNamesAreTextAndReadBackExactly) {
  const std::string addresses[] = {
      "http://a.test/p.htm",
      "http://a.test/?x=1&y=2",
      "http://a.test/p3<img\xC2\xA0src=/some/local/file.png>x",
      "http://a.test/p<b",
      "http://a.test/\"><b>BOLD</b><a\xC2\xA0href=\"http://evil.test/\">LINK</a>",
      "http://a.test/&amp;already",
  };
  for (const std::string& url : addresses) {
    SCOPED_TRACE(url);
    const std::string node = LinkNodeText(url);
    EXPECT_EQ(LinkNodeURL(node), url);
    EXPECT_TRUE((TreeNode{node, {}}.IsLink()));
    // Only the link's own tags are mark-up.
    EXPECT_EQ(std::count(node.begin(), node.end(), '<'), 2) << node;
    EXPECT_EQ(ShownNodeHtml(node), node);
  }
  EXPECT_EQ(LinkNodeText("http://a.test/"), "<A href=\"http://a.test/\">http://a.test/</A>");
  const std::string title = TitleNodeText("Name <img src=/local/file.png>", "2026-12-10");
  EXPECT_EQ(title, "<B><U>Name &lt;img src=/local/file.png&gt;</U></B> (2026-12-10)");
  EXPECT_EQ(TitleNodePartner(title), "Name <img src=/local/file.png>");
  EXPECT_EQ(ShownNodeHtml(title), title);
}

// Trees stored before their text was escaped: the known shapes keep their own mark-up, their
// text is shown as text; anything else is text altogether.
TEST(ResultTreeTest, StoredNodesAreShownWithOnlyTheirOwnMarkup) {
  struct Case {
    std::string stored, shown;
  };
  const Case cases[] = {
      {"<A href=\"http://a/p<b\">http://a/p<b</A>",
       "<A href=\"http://a/p&lt;b\">http://a/p&lt;b</A>"},
      {"<A href=\"http://a/?x=1&y=2\">http://a/?x=1&y=2</A>",
       "<A href=\"http://a/?x=1&amp;y=2\">http://a/?x=1&amp;y=2</A>"},
      {"<B><U>Name <img src=/f.png></U></B> (2026-12-10)",
       "<B><U>Name &lt;img src=/f.png&gt;</U></B> (2026-12-10)"},
      {"<B><I>Not Found: BackLink <i>me</i></I></B>",
       "<B><I>Not Found: BackLink &lt;i&gt;me&lt;/i&gt;</I></B>"},
      {"<B><I>Unverifiable: 403 &lt;challenge&gt;</I></B>",
       "<B><I>Unverifiable: 403 &lt;challenge&gt;</I></B>"},
      {"<B>Home page bypassed...</B>", "<B>Home page bypassed...</B>"},
      {"-----", "-----"},
      {"<table><tr><td>x</td></tr></table>",
       "&lt;table&gt;&lt;tr&gt;&lt;td&gt;x&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownNodeHtml(c.stored), c.shown) << c.stored;
    EXPECT_EQ(ShownNodeHtml(c.shown), c.shown) << "shown again: " << c.shown;
  }
}

}  // namespace
}  // namespace zeb
