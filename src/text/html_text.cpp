#include "text/html_text.h"

#include <array>
#include <utility>

namespace zeb {

std::string HtmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string HtmlUnescaped(std::string_view html) {
  static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities = {
      {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}}};
  std::string out;
  out.reserve(html.size());
  for (std::size_t i = 0; i < html.size();) {
    bool replaced = false;
    if (html[i] == '&') {
      for (const auto& [entity, c] : kEntities) {
        if (html.substr(i, entity.size()) == entity) {
          out += c;
          i += entity.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += html[i++];
  }
  return out;
}

}  // namespace zeb
