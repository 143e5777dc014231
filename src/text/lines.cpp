#include "text/lines.h"

#include <cstring>

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

void JoinSplitLines(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size() + text.size() / 8);
  const char* const begin = text.data();
  const std::size_t n = text.size();
  std::size_t line = 0;  // start of the current line
  std::size_t pos = 0;   // next byte to look at
  auto line_end = [&](std::size_t at, std::size_t length) {
    out.append(text.substr(line, at - line));
    out.append("\r\n");
    line = pos = at + length;
  };
  while (pos < n) {
    const void* lf = std::memchr(begin + pos, '\n', n - pos);
    const std::size_t feed =
        lf == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
    // A CR right in front of the LF belongs to it; any other CR before it ends a line alone.
    const bool pair = feed < n && feed > pos && begin[feed - 1] == '\r';
    const std::size_t lone_limit = pair ? feed - 1 : feed;
    while (pos < lone_limit) {
      const void* cr = std::memchr(begin + pos, '\r', lone_limit - pos);
      if (cr == nullptr) break;
      line_end(static_cast<std::size_t>(static_cast<const char*>(cr) - begin), 1);
    }
    if (feed == n) break;
    line_end(pair ? feed - 1 : feed, pair ? 2 : 1);
  }
  if (line < n) {
    out.append(text.substr(line));
  } else if (!out.empty()) {
    out.resize(out.size() - 2);  // a line end at the very end starts no further line
  }
}

}  // namespace zeb
