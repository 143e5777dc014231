#include "text/lines.h"

namespace zeb {

Lines SplitLines(std::string_view text) {
  Lines lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string JoinLines(const Lines& lines) {
  std::string out;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  out.reserve(size);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

}  // namespace zeb
