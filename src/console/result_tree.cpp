#include "console/result_tree.h"

#include <string_view>

#include "text/html_text.h"

namespace zeb {
namespace {

constexpr std::string_view kLinkStart = "<A href=\"";
constexpr std::string_view kTitleStart = "<B><U>";
constexpr std::string_view kTitleEnd = "</U></B>";

// Mark-up around a text: the text is escaped again, whether it was stored escaped or not.
std::string Wrapped(std::string_view open, std::string_view inner, std::string_view close) {
  return std::string(open) + HtmlEscaped(HtmlUnescaped(inner)) + std::string(close);
}

bool Encloses(std::string_view text, std::string_view open, std::string_view close) {
  return text.size() >= open.size() + close.size() && text.starts_with(open) &&
         text.ends_with(close);
}

}  // namespace

std::string LinkNodeText(const std::string& url) {
  const std::string shown = HtmlEscaped(url);
  return std::string(kLinkStart) + shown + "\">" + shown + "</A>";
}

std::string TitleNodeText(const std::string& partner, const std::string& day) {
  return std::string(kTitleStart) + HtmlEscaped(partner) + std::string(kTitleEnd) + " (" +
         HtmlEscaped(day) + ")";
}

std::string LinkNodeURL(const std::string& text) {
  if (!text.starts_with(kLinkStart)) return std::string();
  const std::size_t start = kLinkStart.size();
  const std::size_t end = text.find("\">", start);
  return HtmlUnescaped(std::string_view(text).substr(
      start, end == std::string::npos ? std::string::npos : end - start));
}

std::string TitleNodePartner(const std::string& text) {
  if (!text.starts_with(kTitleStart)) return std::string();
  const std::size_t start = kTitleStart.size();
  const std::size_t end = text.find("</U>", start);
  return HtmlUnescaped(std::string_view(text).substr(
      start, end == std::string::npos ? std::string::npos : end - start));
}

std::string ShownNodeHtml(const std::string& text) {
  if (text.starts_with(kLinkStart)) return LinkNodeText(LinkNodeURL(text));
  if (text.starts_with(kTitleStart)) {
    const std::size_t end = text.find(kTitleEnd);
    if (end != std::string::npos) {
      return Wrapped(kTitleStart,
                     std::string_view(text).substr(kTitleStart.size(), end - kTitleStart.size()),
                     kTitleEnd) +
             HtmlEscaped(HtmlUnescaped(std::string_view(text).substr(end + kTitleEnd.size())));
    }
  }
  const std::string_view view(text);
  if (Encloses(view, "<B><I>", "</I></B>")) {
    return Wrapped("<B><I>", view.substr(6, view.size() - 14), "</I></B>");
  }
  if (Encloses(view, "<B>", "</B>")) return Wrapped("<B>", view.substr(3, view.size() - 7), "</B>");
  return HtmlEscaped(HtmlUnescaped(view));
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
