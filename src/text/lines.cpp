#include "text/lines.h"

#include <bit>
#include <cstring>

#include "text/byte_block.h"

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

// A CR LF pair stays as it is; only a CR without its LF and an LF without its CR need a change
// (each becomes CR LF). The text is scanned a block at a time for those, and copied in spans
// between them; a page whose lines all end in CR LF is copied whole.
LineJoiner::LineJoiner(std::string& out, std::size_t expected_size) : out_(out) {
  out_.clear();
  out_.reserve(expected_size + expected_size / 8);
}

void LineJoiner::Advance(std::string_view text, std::size_t until) {
  constexpr std::size_t kSpan = 4096;
  const char* const p = text.data();
  const std::size_t n = text.size();
  std::size_t i = next_;
  auto lone_end = [&](std::size_t at) {
    out_.append(text.substr(copied_, at - copied_));
    out_.append("\r\n");
    copied_ = at + 1;
  };
  // Only the final call reaches the last byte of the text, so k + 1 == n is the text's end.
  auto lone_at = [&](std::size_t k) {
    return (p[k] == '\r' && (k + 1 == n || p[k + 1] != '\n')) ||
           (p[k] == '\n' && (k == 0 || p[k - 1] != '\r'));
  };
  while (i < until) {
    // The block, the byte in front of it and the byte after it.
    if (i >= 1 && until - i >= block::kSize && n - i >= block::kSize + 1) {
      const block::Bytes here = block::Load(p + i);
      const unsigned cr = block::Bits(here == '\r');
      const unsigned lf = block::Bits(here == '\n');
      const unsigned lf_after = block::Bits(block::Load(p + i + 1) == '\n');
      const unsigned cr_before = block::Bits(block::Load(p + i - 1) == '\r');
      const unsigned lone = (cr & ~lf_after) | (lf & ~cr_before);
      if (lone == 0) {
        i += block::kSize;
        // A long span is appended while it is still in the cache.
        if (i - copied_ >= kSpan) {
          out_.append(text.substr(copied_, i - copied_));
          copied_ = i;
        }
        continue;
      }
      const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(lone));
      lone_end(at);
      i = at + 1;
      continue;
    }
    if (lone_at(i)) lone_end(i);
    ++i;
  }
  next_ = i;
}

void LineJoiner::Finish(std::string_view text) {
  Advance(text, text.size());
  out_.append(text.substr(copied_));
  copied_ = text.size();
  // A line end at the very end starts no further line.
  const std::size_t n = text.size();
  if (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n')) out_.resize(out_.size() - 2);
}

void JoinSplitLines(std::string_view text, std::string& out) {
  LineJoiner joiner(out, text.size());
  joiner.Finish(text);
}

}  // namespace zeb
