#include "console/result_tree.h"

namespace zeb {

std::string LinkNodeText(const std::string& url) {
  return "<A href=\"" + url + "\">" + url + "</A>";
}

std::string LinkNodeURL(const std::string& text) {
  const std::size_t start = std::string("<A href=\"").size();
  if (text.size() < start) return std::string();
  const std::size_t end = text.find("\">", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string TitleNodePartner(const std::string& text) {
  const std::size_t start = std::string("<B><U>").size();
  if (text.compare(0, start, "<B><U>") != 0) return std::string();
  const std::size_t end = text.find("</U>", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::vector<TreeNode> TreeFromLines(const Lines& lines) {
  std::vector<TreeNode> roots;
  TreeNode* previous = nullptr;
  for (const std::string& line : lines) {
    const std::size_t tabs = line.find_first_not_of('\t');
    const std::string text = tabs == std::string::npos ? std::string() : line.substr(tabs);
    if (tabs == 0 || line.empty() || previous == nullptr) {
      roots.push_back({text, {}});
      previous = &roots.back();
    } else {
      previous->children.push_back({text, {}});
      previous = &previous->children.back();
    }
  }
  return roots;
}

}  // namespace zeb
