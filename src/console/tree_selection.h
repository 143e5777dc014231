// The result tree's selection and the two edits it offers. Selecting a link node enables
// Backlink for the last page of a chain (a node without children) and Start Base for a page
// with pages under it; any other node enables neither. An edit disables its button and writes
// the selected page into the partner named by the selection's root (a partner title node):
// Backlink as the partner's backlink address, Start Base as its start page at the node's depth
// under the title.
//
// Nodes are addressed by their path of child indexes from a root. The object holds only the
// selection; the tree itself is the console's.
#ifndef ZEB_CONSOLE_TREE_SELECTION_H_
#define ZEB_CONSOLE_TREE_SELECTION_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "console/result_tree.h"

namespace zeb {

class AppTables;

// The node at path, or nullptr when the path names none.
const TreeNode* NodeAt(const std::vector<TreeNode>& tree, const std::vector<std::size_t>& path);

class TreeSelection {
 public:
  enum class Edit { kBacklink, kStartBase };

  // HTMLTreeview1MouseUp: a path that names no node changes nothing.
  void Select(const std::vector<TreeNode>& tree, const std::vector<std::size_t>& path);
  // The tree was emptied: nothing is selected, both buttons are off.
  void Clear() { *this = TreeSelection(); }

  // HTMLButton5Click / HTMLButton14Click: when the edit's button is enabled, disables it and
  // writes the selected page into its partner of `project`. Returns the partner's name when a
  // record was changed; nullopt when the button was off, the selection is gone or no partner of
  // that name is in the project. Throws DatabaseError when the table cannot be written.
  std::optional<std::string> Apply(Edit edit, const std::vector<TreeNode>& tree, AppTables& app,
                                   const std::string& project);

  bool enabled(Edit edit) const {
    return edit == Edit::kBacklink ? backlink_enabled_ : start_base_enabled_;
  }
  const std::vector<std::size_t>& path() const { return path_; }

 private:
  std::vector<std::size_t> path_;    // empty for none
  bool backlink_enabled_ = false;    // HTMLButton5: Backlink
  bool start_base_enabled_ = false;  // HTMLButton14: Start Base
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_TREE_SELECTION_H_
