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

#ifdef ZEB_WIDE_BLOCKS
// CountRunsFrom's block loop thirty-two bytes at a time, on processors with AVX2. before_first
// is 1 when the byte in front of i is a separator, and is carried on; returns the runs that
// start in the blocks read and moves i past them.
__attribute__((target("avx2"))) std::size_t WideCountRuns(const char* p, std::size_t n,
                                                          std::size_t& i, unsigned& before_first) {
  std::size_t words = 0;
  for (; i + block::kWideSize <= n; i += block::kWideSize) {
    const block::Wide b = block::LoadWide(p + i);
    const unsigned here = block::WideBits(reinterpret_cast<block::Wide>(
        (b == ' ') | (b == ',') | (b == '.') | (b == '\r') | (b == '\n') | (b == '<') | (b == '>')));
    const unsigned before = (here << 1) | before_first;
    words += static_cast<std::size_t>(__builtin_popcount(~here & before));
    before_first = here >> 31;
  }
  return words;
}
#endif

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
#ifdef ZEB_WIDE_BLOCKS
    if (block::HasWide()) words += WideCountRuns(p, n, i, before_first);
#endif
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

constexpr std::size_t kSearchChunk = 16 * 1024;

// PosNoCase(text, search) and the runs of CountRunsUpTo(text, KeepFor(text, search)) and of the
// whole text, for a search text that is not empty, taken a stretch at a time: each stretch is
// searched for the occurrences that start in it and then counted while it is in the cache. The
// text may grow between calls (its front unchanged), as when it is written while it is read.
class SearchedRuns {
 public:
  explicit SearchedRuns(std::string_view search) : search_(search) {}

  // Takes the starts in front of until. text must hold until + search.size() - 1 bytes, or be
  // the whole text.
  void Advance(std::string_view text, std::size_t until) {
    const std::size_t m = search_.size();
    until = std::min(until, text.size());
    while (done_ < until) {
      const std::size_t begin = done_;
      const std::size_t end = std::min(until, begin + kSearchChunk);
      if (keep_ == kNone) {
        // Occurrences that start in [begin, end): none starts earlier.
        const std::size_t p = FastPosNoCase(text, search_, end + m - 1, m, begin + 1);
        if (p != 0) {
          position_ = p;
          keep_ = p + m;
        }
      }
      // Runs that start in front of keep count for both; until the search text is found, every
      // run is in front of where it will be found.
      const std::size_t split = keep_ == kNone ? end : std::clamp(keep_, begin, end);
      const std::size_t before = CountRunsFrom(text.substr(0, split), begin);
      const std::size_t after = split < end ? CountRunsFrom(text.substr(0, end), split) : 0;
      up_to_keep_ += before;
      total_ += before + after;
      done_ = end;
    }
  }

  // 1-based, 0 while the search text has not been found.
  std::size_t position() const { return position_; }

  // Once the whole text has been taken.
  std::size_t UpToKeep(std::string_view text) const {
    return keep_ == kNone ? CountRunsUpTo(text, search_.size()) : up_to_keep_;
  }
  std::size_t total() const { return total_; }

 private:
  std::string_view search_;
  std::size_t done_ = 0;     // the starts before this have been taken
  std::size_t keep_ = kNone;  // known once the search text is found
  std::size_t position_ = 0;
  std::size_t up_to_keep_ = 0;
  std::size_t total_ = 0;
};

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

// The counts without tags when the search text stands inside a tag (FindTagToOpen): the total
// is counted in the body stripped of its tags, the position in the body stripped with that
// tag's two brackets removed first. Both texts are the stripped front of the body (up to
// region_begin), then their region stripped, then the stripped rest; the front is written into
// the buffer at start and searched and counted once for both. pos, out and front carry on the
// stripping, writing and searching already done.
void CountOpened(std::string_view body, std::string_view search, const OpenedTag& tag,
                 std::size_t pos, char* const start, char* out, SearchedRuns front,
                 PageScratch& scratch, WordCounts& counts) {
  const std::size_t m = search.size();
  // The stripping stops between tags, and it stops once the search has seen a stretch in which
  // the search text starts; so when it has passed region_begin, it last took the tag that starts
  // there (no ">" comes between region_begin and the search text), which writes nothing: what
  // it wrote is the stripped front.
  const std::string_view head = body.substr(0, tag.region_begin);
  while (pos < head.size()) {
    pos = WriteNonHTMLUntil(head, pos, std::min(head.size(), pos + kSearchChunk), out);
    const std::string_view text(start, static_cast<std::size_t>(out - start));
    if (text.size() >= m) front.Advance(text, text.size() - (m - 1));
  }
  const std::size_t front_end = static_cast<std::size_t>(out - start);
  WriteNonHTMLUntil(body.substr(tag.region_begin, tag.region_end - tag.region_begin), 0, kNone,
                    out);
  const std::size_t region_end = static_cast<std::size_t>(out - start);
  WriteNonHTMLUntil(body.substr(tag.region_end), 0, kNone, out);
  const std::size_t end = static_cast<std::size_t>(out - start);
  SearchedRuns plain = front;
  plain.Advance(std::string_view(start, end), end);
  counts.total_no_tags = plain.total();

  // The opened region without its two brackets, stripped, takes the place of the region; the
  // stripped text is never longer than what it was stripped from, so it fits the buffer.
  std::string& region = scratch.copy;
  region.assign(body.substr(tag.region_begin, tag.open_at - tag.region_begin));
  if (tag.close_at == kNone) {
    region.append(body.substr(tag.open_at + 1, tag.region_end - tag.open_at - 1));
  } else {
    region.append(body.substr(tag.open_at + 1, tag.close_at - tag.open_at - 1));
    region.append(body.substr(tag.close_at + 1, tag.region_end - tag.close_at - 1));
  }
  const std::string_view opened = NonHTMLInto(region, scratch.stripped);
  std::memmove(start + front_end + opened.size(), start + region_end, end - region_end);
  std::memcpy(start + front_end, opened.data(), opened.size());
  const std::string_view text(start, front_end + opened.size() + (end - region_end));
  front.Advance(text, text.size());
  counts.position_no_tags = front.UpToKeep(text);
}

// The four counts for a search text that is not empty, in one pass over the body a stretch at a
// time: the stretch is searched and counted, its tags are stripped into the scratch text, and
// what that wrote is searched and counted, while both are in the cache. When the search text
// turns out to stand inside a tag, CountOpened carries on.
void CountInOnePass(std::string_view body, std::string_view search, PageScratch& scratch,
                    WordCounts& counts) {
  const std::size_t n = body.size();
  const std::size_t m = search.size();
  std::string& buffer = scratch.text;
  if (buffer.size() < n) buffer.resize(n);  // only made longer: no clearing for every page
  char* const start = buffer.data();
  char* out = start;
  SearchedRuns tagged(search);
  SearchedRuns stripped(search);
  std::size_t pos = 0;  // where the stripping has got to in the body
  for (std::size_t begin = 0; begin < n; begin += kSearchChunk) {
    const std::size_t end = std::min(n, begin + kSearchChunk);
    const bool found_before = tagged.position() != 0;
    tagged.Advance(body, end);
    OpenedTag tag;
    if (!found_before && tagged.position() != 0 && FindTagToOpen(body, tagged.position(), &tag)) {
      tagged.Advance(body, n);
      counts.position_tags = tagged.UpToKeep(body);
      counts.total_tags = tagged.total();
      CountOpened(body, search, tag, pos, start, out, stripped, scratch, counts);
      return;
    }
    if (pos < end) pos = WriteNonHTMLUntil(body, pos, end, out);
    const std::string_view text(start, static_cast<std::size_t>(out - start));
    // Starts whose search text may run into what is not written yet wait for the next stretch.
    if (pos >= n) {
      stripped.Advance(text, text.size());
    } else if (text.size() >= m) {
      stripped.Advance(text, text.size() - (m - 1));
    }
  }
  const std::string_view text(start, static_cast<std::size_t>(out - start));
  stripped.Advance(text, text.size());
  counts.position_tags = tagged.UpToKeep(body);
  counts.total_tags = tagged.total();
  counts.position_no_tags = stripped.UpToKeep(text);
  counts.total_no_tags = stripped.total();
}

}  // namespace

WordCounts CountWordPositions(std::string_view page, std::string_view search,
                              PageScratch& scratch) {
  WordCounts counts;
  const std::string_view body = CutToBody(page, scratch.body);
  if (search.empty()) {
    counts.total_tags = CountRuns(body);
    counts.total_no_tags = CountRuns(NonHTMLInto(body, scratch.text));
    counts.position_tags = counts.total_tags;
    counts.position_no_tags = counts.total_no_tags;
    return counts;
  }
  CountInOnePass(body, search, scratch, counts);
  return counts;
}

}  // namespace zeb
