#include "text/text_routines.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "text/byte_block.h"

namespace zeb {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// Patterns up to this length are verified candidate by candidate, which costs at most this many
// comparisons per text byte. Longer patterns go through KMP so that the work stays linear however
// the text and the pattern are made.
constexpr std::size_t kShortPatternLength = 16;

// Texts up to this length are searched by trying every start (at most this many squared
// comparisons, a constant).
constexpr std::size_t kShortText = 64;

// Finds the next occurrence of one byte with memchr, remembering the last answer: a later query
// from a position no further than that answer is served without scanning again. Queries come with
// non-decreasing positions, so every text byte is scanned at most once.
class ByteScanner {
 public:
  explicit ByteScanner(char byte) : byte_(byte) {}

  std::size_t Next(std::string_view text, std::size_t from) {
    if (from >= text.size()) return kNotFound;
    if (scanned_ && from >= scanned_from_ && from <= found_) return found_;
    const void* hit = std::memchr(text.data() + from, byte_, text.size() - from);
    scanned_ = true;
    scanned_from_ = from;
    found_ = hit == nullptr ? kNotFound
                            : static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
    return found_;
  }

 private:
  char byte_;
  bool scanned_ = false;
  std::size_t scanned_from_ = 0;
  std::size_t found_ = kNotFound;  // kNotFound also covers "none up to the end"
};

// Sixteen bytes at a time (text/byte_block.h).
using Block = block::Bytes;
using BlockMask = block::Mask;
constexpr std::size_t kBlock = block::kSize;

#ifdef ZEB_WIDE_BLOCKS
// The short-pattern scan thirty-two starts at a time, on processors with AVX2: the starts from
// `from` on where the pattern's first and last bytes match (a byte b matches value v when
// (b | fold) == v) go to verify until it accepts one, which is returned. Otherwise returns
// kNotFound with from moved to the first start not looked at; the loads reach to the last byte
// of the text at most.
template <class Verify>
__attribute__((target("avx2"))) std::size_t WideAnchorScan(
    const char* text, std::size_t& from, std::size_t last_start, std::size_t m,
    unsigned char first, unsigned char first_fold, unsigned char last, unsigned char last_fold,
    const Verify& verify) {
  constexpr std::size_t kWide = block::kWideSize;
  while (from <= last_start && last_start - from >= kWide) {
    const block::Wide head = block::LoadWide(text + from);
    const block::Wide tail = block::LoadWide(text + from + m - 1);
    const auto hits = ((head | first_fold) == first) & ((tail | last_fold) == last);
    for (unsigned bits = block::WideBits(reinterpret_cast<block::Wide>(hits)); bits != 0;
         bits &= bits - 1) {
      const std::size_t k = static_cast<std::size_t>(std::countr_zero(bits));
      if (verify(from + k)) return from + k;
    }
    from += kWide;
  }
  return kNotFound;
}
#endif

// Finds the occurrences of one pattern in one text, left to right. Find must be called with
// non-decreasing start positions (the search of every routine here only moves forward).
class Searcher {
 public:
  Searcher(std::string_view text, std::string_view pattern, bool ignore_case)
      : text_(text),
        pattern_(ignore_case ? LowerCase(pattern) : std::string(pattern)),
        ignore_case_(ignore_case),
        first_(pattern_.empty() ? '\0' : pattern_[0]),
        two_first_bytes_(ignore_case && first_ >= 'a' && first_ <= 'z'),
        first_scanner_(first_) {
    if (pattern_.size() > kShortPatternLength) BuildFailureTable();
    if (!pattern_.empty()) {
      const char last = pattern_.back();
      first_other_ = ignore_case && first_ >= 'a' && first_ <= 'z' ? ToUpper(first_) : first_;
      last_ = static_cast<unsigned char>(last);
      last_other_ = static_cast<unsigned char>(
          ignore_case && last >= 'a' && last <= 'z' ? ToUpper(last) : last);
    }
  }

  // 0-based index of the first occurrence that starts at or after from, or kNotFound.
  std::size_t Find(std::size_t from) {
    const std::size_t m = pattern_.size();
    if (m == 0 || m > text_.size() || from > text_.size() - m) return kNotFound;
    return m > kShortPatternLength ? FindLong(from) : FindShort(from);
  }

 private:
  char Fold(char c) const { return ignore_case_ ? FoldCase(c) : c; }
  static char ToUpper(char lower) { return static_cast<char>(lower - 'a' + 'A'); }

  // Next index at or after from whose byte equals the pattern's first byte (in either case).
  // A letter is looked for in both cases over windows that double in size, so the cost stays
  // proportional to the distance to the hit: a scan for the one case alone could run to the end
  // of the text on every call when the text only holds the other case, and callers that search
  // again and again from advancing positions would then pay for the whole text each time.
  std::size_t NextCandidate(std::size_t from) {
    if (!two_first_bytes_) return first_scanner_.Next(text_, from);
    const char other = static_cast<char>(first_ - 'a' + 'A');
    std::size_t window = 64;
    for (std::size_t start = from; start < text_.size(); start += window, window *= 2) {
      const std::size_t length = std::min(window, text_.size() - start);
      const char* base = text_.data() + start;
      const void* lower = std::memchr(base, first_, length);
      const void* upper = std::memchr(base, other, length);
      if (lower == nullptr && upper == nullptr) continue;
      const char* hit = static_cast<const char*>(lower == nullptr ? upper : lower);
      if (lower != nullptr && upper != nullptr)
        hit = std::min(hit, static_cast<const char*>(upper));
      return static_cast<std::size_t>(hit - text_.data());
    }
    return kNotFound;
  }

  std::size_t FindShort(std::size_t from) {
    const std::size_t m = pattern_.size();
    const std::size_t last_start = text_.size() - m;
    // Sixteen starts at a time: only those where both the first and the last byte of the
    // pattern match are verified. The loads reach to the last byte of the text at most. A
    // letter compared without regard to case matches both its cases once 0x20 is set in the
    // byte, which only its two cases turn into its lower case.
    const unsigned char first = static_cast<unsigned char>(first_);
    const unsigned char first_fold = first_other_ != first_ ? 0x20 : 0;
    const unsigned char last = static_cast<unsigned char>(last_ | (last_other_ != last_ ? 0x20 : 0));
    const unsigned char last_fold = last_other_ != last_ ? 0x20 : 0;
#ifdef ZEB_WIDE_BLOCKS
    if (block::HasWide()) {
      const std::size_t hit =
          WideAnchorScan(text_.data(), from, last_start, m, first, first_fold, last, last_fold,
                         [this](std::size_t at) { return RestMatches(at); });
      if (hit != kNotFound) return hit;
    }
#endif
    while (from <= last_start && last_start - from >= kBlock) {
      const Block head = block::Load(text_.data() + from);
      const Block tail = block::Load(text_.data() + from + m - 1);
      const BlockMask hits = ((head | first_fold) == first) & ((tail | last_fold) == last);
      for (unsigned bits = block::Bits(hits); bits != 0; bits &= bits - 1) {
        const std::size_t k = static_cast<std::size_t>(std::countr_zero(bits));
        if (RestMatches(from + k)) return from + k;
      }
      from += kBlock;
    }
    while (true) {
      const std::size_t candidate = NextCandidate(from);
      if (candidate == kNotFound || candidate > last_start) return kNotFound;
      if (RestMatches(candidate)) return candidate;
      from = candidate + 1;
    }
  }

  // Whether the pattern after its first byte matches the text after position at.
  bool RestMatches(std::size_t at) const {
    const std::size_t m = pattern_.size();
    const char* text = text_.data() + at;
    if (!ignore_case_) return std::memcmp(text + 1, pattern_.data() + 1, m - 1) == 0;
    for (std::size_t k = 1; k < m; ++k) {
      if (FoldCase(text[k]) != pattern_[k]) return false;
    }
    return true;
  }

  // KMP; while no prefix of the pattern is matched, jumps straight to the next candidate byte.
  std::size_t FindLong(std::size_t from) {
    const std::size_t n = text_.size();
    const std::size_t m = pattern_.size();
    std::size_t i = from;  // next text byte to read
    std::size_t q = 0;     // pattern bytes matched so far
    while (true) {
      if (q == 0) {
        const std::size_t candidate = NextCandidate(i);
        if (candidate == kNotFound || n - candidate < m) return kNotFound;
        i = candidate + 1;
        q = 1;
      }
      if (n - i < m - q) return kNotFound;  // too few bytes left to complete a match
      const char c = Fold(text_[i]);
      while (q > 0 && pattern_[q] != c) q = failure_[q - 1];
      if (pattern_[q] == c) ++q;
      ++i;
      if (q == m) return i - m;
    }
  }

  // failure_[k] is the length of the longest proper prefix of pattern_[0..k] that is also its
  // suffix.
  void BuildFailureTable() {
    const std::size_t m = pattern_.size();
    failure_.assign(m, 0);
    std::size_t border = 0;
    for (std::size_t k = 1; k < m; ++k) {
      while (border > 0 && pattern_[k] != pattern_[border]) border = failure_[border - 1];
      if (pattern_[k] == pattern_[border]) ++border;
      failure_[k] = border;
    }
  }

  std::string_view text_;
  std::string pattern_;  // folded to lower case when ignore_case_
  bool ignore_case_;
  char first_;
  bool two_first_bytes_;  // the first byte is a letter searched in both cases
  ByteScanner first_scanner_;
  char first_other_ = '\0';       // the first byte in the other letter case, or itself
  unsigned char last_ = 0;        // the last byte of the pattern
  unsigned char last_other_ = 0;  // in the other letter case, or itself
  std::vector<std::size_t> failure_;
};

// The shared body of FastPosNoCase and PosExact, on already clamped views.
std::size_t Locate(std::string_view text, std::string_view pattern, std::size_t start,
                   bool ignore_case) {
  if (pattern.empty()) return 0;
  if (start == 0) start = 1;
  if (start > text.size()) return 0;
  if (text.size() <= kShortText) {
    // A link or a host name: trying every start costs less than setting up the searcher. Only
    // the starts that hold the pattern's first byte are compared further.
    const std::size_t m = pattern.size();
    if (m > text.size()) return 0;
    const std::size_t last = text.size() - m;
    if (!ignore_case) {
      for (std::size_t i = start - 1; i <= last; ++i) {
        if (text[i] == pattern[0] && text.compare(i + 1, m - 1, pattern.substr(1)) == 0) {
          return i + 1;
        }
      }
      return 0;
    }
    const char first = FoldCase(pattern[0]);
    for (std::size_t i = start - 1; i <= last; ++i) {
      if (FoldCase(text[i]) != first) continue;
      std::size_t k = 1;
      while (k < m && FoldCase(text[i + k]) == FoldCase(pattern[k])) ++k;
      if (k == m) return i + 1;
    }
    return 0;
  }
  Searcher searcher(text, pattern, ignore_case);
  const std::size_t hit = searcher.Find(start - 1);
  return hit == kNotFound ? 0 : hit + 1;
}

}  // namespace

struct NoCaseFinder::State {
  State(std::string_view text, std::string_view pattern) : searcher(text, pattern, true) {}
  Searcher searcher;
};

NoCaseFinder::NoCaseFinder(std::string_view text, std::string_view pattern)
    : text_size_(text.size()),
      pattern_size_(pattern.size()),
      state_(std::make_unique<State>(text, pattern)) {}

NoCaseFinder::~NoCaseFinder() = default;

std::size_t NoCaseFinder::Find(std::size_t from) {
  if (pattern_size_ == 0 || from >= text_size_) return kNotFound;
  return state_->searcher.Find(from);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.empty() || text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
  }
  return true;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = FoldCase(c);
  return result;
}

std::size_t FastPosNoCase(std::string_view text, std::string_view pattern, std::size_t text_length,
                          std::size_t pattern_length, std::size_t start) {
  // substr clamps the count to the view.
  return Locate(text.substr(0, text_length), pattern.substr(0, pattern_length), start, true);
}

std::size_t PosExact(std::string_view text, std::string_view pattern, std::size_t start) {
  return Locate(text, pattern, start, false);
}

std::string FastAnsiReplace(std::string_view text, std::string_view old_pattern,
                            std::string_view new_pattern, unsigned flags) {
  std::string result;
  FastAnsiReplace(text, old_pattern, new_pattern, flags, result);
  return result;
}

void FastAnsiReplace(std::string_view text, std::string_view old_pattern,
                     std::string_view new_pattern, unsigned flags, std::string& result) {
  result.clear();
  if (old_pattern.empty()) {
    result.append(text);
    return;
  }
  Searcher searcher(text, old_pattern, (flags & kIgnoreCase) != 0);
  result.reserve(text.size());
  std::size_t pos = 0;  // first byte of text not yet copied
  while (true) {
    const std::size_t hit = searcher.Find(pos);
    if (hit == kNotFound) break;
    result.append(text.substr(pos, hit - pos));
    result.append(new_pattern);
    pos = hit + old_pattern.size();
    if ((flags & kReplaceAll) == 0) break;
  }
  result.append(text.substr(pos));
}

std::size_t StringCount(std::string_view text, std::string_view pattern, bool case_sensitive) {
  if (pattern.empty()) return 0;
  Searcher searcher(text, pattern, !case_sensitive);
  std::size_t count = 0;
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = searcher.Find(pos);
    if (hit == kNotFound) return count;
    ++count;
    pos = hit + pattern.size();
  }
}

std::string ExtractNonHTML(std::string_view text) {
  std::string result;
  ExtractNonHTML(text, result);
  return result;
}

void ExtractNonHTML(std::string_view text, std::string& result) {
  result.clear();
  AppendNonHTML(text, result);
}

namespace {

// ExtractNonHTML written at out, which has room for the whole text; returns the end of what was
// written. The text between tags is copied a block at a time up to its "<": the output never
// runs ahead of the input, so while sixteen bytes are left to read, sixteen bytes may be stored.
// Stops between tags once until is reached.
char* WriteNonHTML(std::string_view text, char* out, std::size_t from = 0,
                   std::size_t until = std::string_view::npos, std::size_t* reached = nullptr) {
  const char* pos = text.data() + from;
  const char* const end = text.data() + text.size();
  const char* const stop = until >= text.size() ? end : text.data() + until;
  while (pos < stop) {
    const char* open = end;
    while (end - pos >= static_cast<std::ptrdiff_t>(kBlock)) {
      const Block bytes = block::Load(pos);
      block::Store(out, bytes);
      const unsigned bits = block::Bits(bytes == '<');
      if (bits != 0) {
        const int k = std::countr_zero(bits);
        out += k;
        pos += k;
        open = pos;
        break;
      }
      out += kBlock;
      pos += kBlock;
    }
    if (open == end && pos < end) {
      open = block::Find(pos, end, '<');
      std::memcpy(out, pos, static_cast<std::size_t>(open - pos));
      out += open - pos;
      pos = open;
    }
    if (open == end) break;
    const char* const close = block::Find(open + 1, end, '>');
    if (close == end) {
      // No further complete tag: the rest, an unterminated "<" included, stays.
      std::memcpy(out, open, static_cast<std::size_t>(end - open));
      out += end - open;
      pos = end;
      break;
    }
    pos = close + 1;
  }
  if (reached != nullptr) *reached = static_cast<std::size_t>(pos - text.data());
  return out;
}

}  // namespace

void AppendNonHTML(std::string_view text, std::string& result) {
  const std::size_t kept = result.size();
  result.resize(kept + text.size());
  char* const end = WriteNonHTML(text, result.data() + kept);
  result.resize(static_cast<std::size_t>(end - result.data()));
}

std::string_view NonHTMLInto(std::string_view text, std::string& buffer) {
  if (buffer.size() < text.size()) buffer.resize(text.size());
  char* const end = WriteNonHTML(text, buffer.data());
  return std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
}

std::size_t WriteNonHTMLUntil(std::string_view text, std::size_t from, std::size_t until,
                              char*& out) {
  if (from >= text.size()) return text.size();
  std::size_t reached = from;
  out = WriteNonHTML(text, out, from, until, &reached);
  return reached;
}

std::size_t PosNoCase(std::string_view text, std::string_view pattern) {
  return FastPosNoCase(text, pattern, text.size(), pattern.size(), 1);
}

std::size_t CountOccurrences(std::string_view text, std::string_view pattern) {
  return StringCount(text, pattern, false);
}

std::string ProcessPath(std::string_view base, std::string_view relative,
                        std::string_view delimiter) {
  std::string result;
  AppendProcessedPath(base, relative, delimiter, result);
  return result;
}

void AppendProcessedPath(std::string_view base, std::string_view relative,
                         std::string_view delimiter, std::string& out) {
  if (delimiter.empty()) {
    out.append(base);
    out.append(relative);
    return;
  }

  thread_local std::string joined;
  thread_local std::vector<std::string_view> segments;
  joined.assign(base);
  if (!base.ends_with(delimiter)) joined.append(delimiter);
  joined.append(relative);

  // One pass over the pieces between delimiters. Empty pieces come from runs of delimiters (and
  // from a delimiter at either end); only the two ends are remembered.
  const std::string_view path(joined);
  segments.clear();
  bool leading = false;   // the path starts with a delimiter
  bool trailing = false;  // the path ends with a delimiter, or names a directory with "." / ".."
  std::size_t pos = 0;
  while (true) {
    const std::size_t end = path.find(delimiter, pos);
    const bool first = pos == 0;
    const bool last = end == kNotFound;
    const std::string_view piece = path.substr(pos, last ? kNotFound : end - pos);
    if (piece.empty()) {
      if (first && !last) leading = true;
      if (last) trailing = true;
    } else if (piece == ".") {
      if (last) trailing = true;
    } else if (piece == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) trailing = true;
    } else {
      segments.push_back(piece);
    }
    if (last) break;
    pos = end + delimiter.size();
  }

  if (leading) out.append(delimiter);
  for (std::size_t k = 0; k < segments.size(); ++k) {
    if (k > 0) out.append(delimiter);
    out.append(segments[k]);
  }
  if (trailing && !segments.empty()) out.append(delimiter);
}

bool ContainsAnyExact(std::string_view text, const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (!word.empty() && PosExact(text, word) != 0) return true;
  }
  return false;
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

}  // namespace zeb
