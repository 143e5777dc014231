// The console's result tree: one root per partner's title, the chain of pages to the backlink
// as nested link nodes, and the reasons when it was not found. Node texts are short HTML.
//
// The stored form (TreeResults) is one line per node, a line's leading tabs giving its depth;
// a line with tabs hangs under the line before it.
#ifndef ZEB_CONSOLE_RESULT_TREE_H_
#define ZEB_CONSOLE_RESULT_TREE_H_

#include <string>
#include <vector>

#include "text/lines.h"

namespace zeb {

struct TreeNode {
  std::string text;
  std::vector<TreeNode> children;

  // A link node: `<A href="URL">URL</A>`.
  bool IsLink() const { return text.starts_with("<A href=\""); }
};

// `<A href="` + url + `">` + url + `</A>`, the address escaped in both places.
std::string LinkNodeText(const std::string& url);
// `<B><U>` + partner + `</U></B> (` + day + `)`, the name escaped.
std::string TitleNodeText(const std::string& partner, const std::string& day);
// The address of a link node's text: from after `<A href="` up to the first `">`, unescaped.
std::string LinkNodeURL(const std::string& text);
// The partner name of a title node's text: from after `<B><U>` up to `</U>`, unescaped.
std::string TitleNodePartner(const std::string& text);

// A stored node's text as a window shows it. Nodes of the known shapes (link, title, caption,
// rule) keep their mark-up with their text escaped; anything else is shown as plain text. Trees
// stored before their text was escaped are so shown safely too.
std::string ShownNodeHtml(const std::string& text);

// Rebuilds a tree from its stored lines: a line without tabs is a root; a line with tabs is a
// child of the node of the line before it (its tabs removed).
std::vector<TreeNode> TreeFromLines(const Lines& lines);

}  // namespace zeb

#endif  // ZEB_CONSOLE_RESULT_TREE_H_
