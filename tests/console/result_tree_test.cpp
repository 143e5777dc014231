// The result tree as the partner records store it: lines reloaded into nodes under the line
// before them, and the partner and address read back from node texts.
#include "console/result_tree.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zeb
