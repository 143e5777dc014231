#include "console/tree_selection.h"

#include "console/partner_update.h"
#include "data/app_tables.h"

namespace zeb {

const TreeNode* NodeAt(const std::vector<TreeNode>& tree, const std::vector<std::size_t>& path) {
  if (path.empty() || path[0] >= tree.size()) return nullptr;
  const TreeNode* node = &tree[path[0]];
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (path[i] >= node->children.size()) return nullptr;
    node = &node->children[path[i]];
  }
  return node;
}

void TreeSelection::Select(const std::vector<TreeNode>& tree,
                           const std::vector<std::size_t>& path) {
  const TreeNode* node = NodeAt(tree, path);
  if (node == nullptr) return;
  path_ = path;
  backlink_enabled_ = node->IsLink() && node->children.empty();
  start_base_enabled_ = node->IsLink() && !node->children.empty();
}

std::optional<std::string> TreeSelection::Apply(Edit edit, const std::vector<TreeNode>& tree,
                                                AppTables& app, const std::string& project) {
  bool& enabled = edit == Edit::kBacklink ? backlink_enabled_ : start_base_enabled_;
  if (!enabled) return std::nullopt;
  enabled = false;
  const TreeNode* node = NodeAt(tree, path_);
  if (node == nullptr) return std::nullopt;
  const std::string url = LinkNodeURL(node->text);
  const std::string partner = TitleNodePartner(tree[path_[0]].text);
  // The node's depth under the partner's title: the chain's start page is hop 0.
  const int hop = static_cast<int>(path_.size()) - 2;
  const bool changed = edit == Edit::kBacklink ? SetBacklink(app, project, partner, url)
                                               : SetStartBase(app, project, partner, url, hop);
  if (!changed) return std::nullopt;
  return partner;
}

}  // namespace zeb
