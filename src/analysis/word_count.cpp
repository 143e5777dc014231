#include "analysis/word_count.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "analysis/link_extraction.h"
#include "text/byte_block.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsWordSeparator(char c) {
  return c == ' ' || c == ',' || c == '.' || c == '\r' || c == '\n' || c == '<' || c == '>';
}

// Sixteen bytes at a time (text/byte_block.h).
using Block = block::Bytes;
using BlockMask = block::Mask;
constexpr std::size_t kBlock = block::kSize;

BlockMask Separators(Block b) {
  return (b == ' ') | (b == ',') | (b == '.') | (b == '\r') | (b == '\n') | (b == '<') | (b == '>');
}

// The set bits of a 16-bit value, without the library call std::popcount becomes on targets
// without a population count instruction.
std::size_t BitCount16(unsigned v) {
  v = v - ((v >> 1) & 0x5555u);
  v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
  v = (v + (v >> 4)) & 0x0F0Fu;
  return static_cast<std::size_t>((v + (v >> 8)) & 0x1Fu);
}

// The number of runs of word characters that start at or after from. A run starts where a word
// character follows a separator (or the start of the text): a block's separator bits, shifted
// by one with the last bit of the block before carried in, give the bits of the byte in front.
std::size_t CountRunsFrom(std::string_view text, std::size_t from) {
  const char* p = text.data();
  const std::size_t n = text.size();
  std::size_t words = 0;
  std::size_t i = from;
  if (i == 0) {
    if (n > 0 && !IsWordSeparator(p[0])) ++words;
    i = 1;
  }
  if (i + kBlock <= n) {
    unsigned before_first = IsWordSeparator(p[i - 1]) ? 1u : 0u;
    for (; i + kBlock <= n; i += kBlock) {
      const unsigned here = block::Bits(Separators(block::Load(p + i)));
      const unsigned before = ((here << 1) | before_first) & 0xFFFFu;
      words += BitCount16(~here & before & 0xFFFFu);
      before_first = here >> 15;
    }
  }
  for (; i < n; ++i) {
    if (!IsWordSeparator(p[i]) && IsWordSeparator(p[i - 1])) ++words;
  }
  return words;
}

std::size_t CountRuns(std::string_view text) { return CountRunsFrom(text, 0); }

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

// PosNoCase(text, search) with CountRunsSplit(text, KeepFor(text, search)), for a search text
// that is not empty, in one pass: the text is taken a chunk at a time, searched for occurrences
// that start in the chunk and then counted while the chunk is still in the cache.
struct SearchedRuns {
  std::size_t position = 0;  // 1-based, 0 when the search text is absent
  std::size_t up_to_keep = 0;
  std::size_t total = 0;
};

constexpr std::size_t kSearchChunk = 16 * 1024;

SearchedRuns SearchAndCountRuns(std::string_view text, std::string_view search) {
  SearchedRuns runs;
  const std::size_t n = text.size();
  const std::size_t m = search.size();
  std::size_t keep = kNone;  // known once the search text is found
  for (std::size_t begin = 0; begin < n; begin += kSearchChunk) {
    const std::size_t end = std::min(n, begin + kSearchChunk);
    if (keep == kNone) {
      // Occurrences that start in [begin, end): none starts earlier.
      const std::size_t p = FastPosNoCase(text, search, end + m - 1, m, begin + 1);
      if (p != 0) {
        runs.position = p;
        keep = p + m;
      }
    }
    // Runs that start in front of keep count for both; until the search text is found, every
    // run is in front of where it will be found.
    const std::size_t split = keep == kNone ? end : std::clamp(keep, begin, end);
    const std::size_t before = CountRunsFrom(text.substr(0, split), begin);
    const std::size_t after = split < end ? CountRunsFrom(text.substr(0, end), split) : 0;
    runs.up_to_keep += before;
    runs.total += before + after;
  }
  if (keep == kNone) runs.up_to_keep = CountRunsUpTo(text, m);  // absent: its length is counted
  return runs;
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

namespace {

// Where opening the tag around the search text changes the page: the "<" at open_at and the
// first ">" after it, close_at, are removed. Before region_begin and from region_end on, the
// tag stripping of the page and of the opened page agree, because both scans are outside any
// tag there: region_begin is the "<" that starts the tag holding open_at (the first "<" after
// the last ">" in front of open_at), and region_end follows the first ">" after close_at, which
// ends whatever tag the opened page has there.
struct OpenedTag {
  std::size_t open_at = kNone;
  std::size_t close_at = kNone;
  std::size_t region_begin = 0;
  std::size_t region_end = 0;
};

// The tag around the search text found at the 1-based position p, when there is one to open.
bool FindTagToOpen(std::string_view text, std::size_t p, OpenedTag* tag) {
  if (p <= 1) return false;  // absent, or nothing in front of it
  std::size_t k = p - 2;
  while (text[k] != '<' && text[k] != '>') {
    if (k == 0) return false;
    --k;
  }
  if (text[k] != '<') return false;
  tag->open_at = k;
  tag->close_at = text.find('>', k + 1);
  const std::size_t last_close = k == 0 ? kNone : text.rfind('>', k - 1);
  tag->region_begin = text.find('<', last_close == kNone ? 0 : last_close + 1);
  const std::size_t end = tag->close_at == kNone ? kNone : text.find('>', tag->close_at + 1);
  tag->region_end = end == kNone ? text.size() : end + 1;
  return true;
}

}  // namespace

WordCounts CountWordPositions(std::string_view page, std::string_view search,
                              PageScratch& scratch) {
  WordCounts counts;
  const std::string_view body = CutToBody(page, scratch.body);
  OpenedTag tag;
  std::size_t p = 0;
  if (search.empty()) {
    counts.total_tags = CountRuns(body);
  } else {
    const SearchedRuns runs = SearchAndCountRuns(body, search);
    p = runs.position;
    counts.position_tags = runs.up_to_keep;
    counts.total_tags = runs.total;
  }
  const bool opened = !search.empty() && FindTagToOpen(body, p, &tag);

  // The body without tags, stripped piece by piece at the region's ends when a tag is opened.
  std::string& buffer = scratch.text;
  std::string_view text;
  std::size_t region_out_begin = 0;
  std::size_t region_out_end = 0;
  if (opened) {
    buffer.clear();
    AppendNonHTML(body.substr(0, tag.region_begin), buffer);
    region_out_begin = buffer.size();
    AppendNonHTML(body.substr(tag.region_begin, tag.region_end - tag.region_begin), buffer);
    region_out_end = buffer.size();
    AppendNonHTML(body.substr(tag.region_end), buffer);
    text = buffer;
  } else {
    text = NonHTMLInto(body, buffer);
  }
  if (search.empty()) {
    counts.total_no_tags = CountRuns(text);
    counts.position_tags = counts.total_tags;
    counts.position_no_tags = counts.total_no_tags;
    return counts;
  }
  if (!opened) {  // the position is counted in the same text
    const SearchedRuns runs = SearchAndCountRuns(text, search);
    counts.position_no_tags = runs.up_to_keep;
    counts.total_no_tags = runs.total;
    return counts;
  }
  counts.total_no_tags = CountRuns(text);

  std::string_view stripped = text;
  if (opened) {
    // The opened region without its two brackets, stripped between the unchanged pieces.
    std::string& region = scratch.copy;
    region.assign(body.substr(tag.region_begin, tag.open_at - tag.region_begin));
    if (tag.close_at == kNone) {
      region.append(body.substr(tag.open_at + 1, tag.region_end - tag.open_at - 1));
    } else {
      region.append(body.substr(tag.open_at + 1, tag.close_at - tag.open_at - 1));
      region.append(body.substr(tag.close_at + 1, tag.region_end - tag.close_at - 1));
    }
    std::string& out = scratch.stripped;
    out.assign(text.substr(0, region_out_begin));
    AppendNonHTML(region, out);
    out.append(text.substr(region_out_end));
    stripped = out;
  }
  counts.position_no_tags = CountRunsUpTo(stripped, KeepFor(stripped, search));
  return counts;
}

}  // namespace zeb
