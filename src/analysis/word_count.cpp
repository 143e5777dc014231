#include "analysis/word_count.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "analysis/link_extraction.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsWordSeparator(char c) {
  return c == ' ' || c == ',' || c == '.' || c == '\r' || c == '\n' || c == '<' || c == '>';
}

// Sixteen bytes at a time (SIMD where the target has it, plain byte code elsewhere).
using Block = unsigned char __attribute__((vector_size(16)));
using BlockMask = signed char __attribute__((vector_size(16)));  // -1 where true, else 0
constexpr std::size_t kBlock = sizeof(Block);

Block LoadBlock(const char* p) {
  Block block;
  std::memcpy(&block, p, kBlock);
  return block;
}

BlockMask Separators(Block b) {
  return (b == ' ') | (b == ',') | (b == '.') | (b == '\r') | (b == '\n') | (b == '<') | (b == '>');
}

// Sum of the 16 byte lanes.
std::size_t LaneSum(Block counts) {
  std::uint64_t halves[2];
  std::memcpy(halves, &counts, sizeof(halves));
  std::size_t sum = 0;
  for (std::uint64_t half : halves) {
    for (int k = 0; k < 8; ++k) sum += (half >> (8 * k)) & 0xFF;
  }
  return sum;
}

// The number of runs of word characters. A run starts where a word character follows a
// separator (or the start of the text): the block at i is compared with the block at i - 1.
std::size_t CountRuns(std::string_view text) {
  const char* p = text.data();
  const std::size_t n = text.size();
  std::size_t words = 0;
  std::size_t i = 0;
  if (n > 0 && !IsWordSeparator(p[0])) ++words;
  i = 1;
  Block lanes = {};
  int pending = 0;  // blocks added into lanes since the last sum; each lane stays below 256
  while (i + kBlock <= n) {
    const BlockMask here = Separators(LoadBlock(p + i));
    const BlockMask before = Separators(LoadBlock(p + i - 1));
    lanes += reinterpret_cast<Block>(~here & before) & 1;
    i += kBlock;
    if (++pending == 255) {
      words += LaneSum(lanes);
      lanes = Block{};
      pending = 0;
    }
  }
  words += LaneSum(lanes);
  for (; i < n; ++i) {
    if (!IsWordSeparator(p[i]) && IsWordSeparator(p[i - 1])) ++words;
  }
  return words;
}

// Runs in the first keep characters (all when keep is larger).
std::size_t CountRunsUpTo(std::string_view text, std::size_t keep) {
  return CountRuns(text.substr(0, keep));
}

// How many characters the position count looks at: up to and including the search text and
// the one character after it, or the search text's length when it is absent.
std::size_t KeepFor(std::string_view text, std::string_view search) {
  const std::size_t p = PosNoCase(text, search);
  return p == 0 ? search.size() : p + search.size();
}

// When the search text stands inside a tag (looking back from it, a "<" comes before any ">"),
// writes text less that "<" and the first ">" after it into out, so the tag's text survives
// the tag stripping, and returns true; returns false when the text is left as it is.
bool OpenTagAround(std::string_view text, std::string_view search, std::string& out) {
  const std::size_t p = PosNoCase(text, search);
  if (p <= 1) return false;  // absent, or nothing in front of it
  std::size_t k = p - 2;
  while (text[k] != '<' && text[k] != '>') {
    if (k == 0) return false;
    --k;
  }
  if (text[k] != '<') return false;
  const std::size_t close = text.find('>', k + 1);
  out.assign(text.substr(0, k));
  if (close == kNone) {
    out.append(text.substr(k + 1));
  } else {
    out.append(text.substr(k + 1, close - k - 1));
    out.append(text.substr(close + 1));
  }
  return true;
}

}  // namespace

std::size_t CountWords(std::string_view page, bool with_tags, std::string_view search) {
  PageScratch scratch;
  const std::string_view body = CutToBody(page, scratch.body);
  if (with_tags) {
    return search.empty() ? CountRuns(body) : CountRunsUpTo(body, KeepFor(body, search));
  }
  std::string_view text = body;
  if (!search.empty() && OpenTagAround(body, search, scratch.copy)) text = scratch.copy;
  ExtractNonHTML(text, scratch.text);
  return search.empty() ? CountRuns(scratch.text)
                        : CountRunsUpTo(scratch.text, KeepFor(scratch.text, search));
}

WordCounts CountWordPositions(std::string_view page, std::string_view search,
                              PageScratch& scratch) {
  WordCounts counts;
  const std::string_view body = CutToBody(page, scratch.body);
  counts.total_tags = CountRuns(body);
  ExtractNonHTML(body, scratch.text);
  counts.total_no_tags = CountRuns(scratch.text);
  if (search.empty()) {
    counts.position_tags = counts.total_tags;
    counts.position_no_tags = counts.total_no_tags;
    return counts;
  }
  counts.position_tags = CountRunsUpTo(body, KeepFor(body, search));
  std::string_view stripped = scratch.text;
  if (OpenTagAround(body, search, scratch.copy)) {
    ExtractNonHTML(scratch.copy, scratch.stripped);
    stripped = scratch.stripped;
  }
  counts.position_no_tags = CountRunsUpTo(stripped, KeepFor(stripped, search));
  return counts;
}

}  // namespace zeb
