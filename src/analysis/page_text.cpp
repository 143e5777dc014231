#include "analysis/page_text.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "text/byte_block.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// First occurrence (letter case ignored) of a pattern at or after a position that only moves
// forward: each search result is reused until the position passes it.
class ForwardPatternFinder {
 public:
  ForwardPatternFinder(std::string_view text, std::string_view pattern)
      : text_(text), pattern_(pattern) {}
  std::size_t Next(std::size_t from) {
    if (!searched_ || (cached_ != kNone && cached_ < from)) {
      std::size_t p = FastPosNoCase(text_, pattern_, text_.size(), pattern_.size(), from + 1);
      cached_ = p == 0 ? kNone : p - 1;
      searched_ = true;
    }
    return cached_;
  }

 private:
  std::string_view text_;
  std::string_view pattern_;
  bool searched_ = false;
  std::size_t cached_ = kNone;
};

// The value of a meta tag: the text after the pattern up to the first ">", less the character
// in front of it (the closing quote). Both patterns start with "<meta".
std::string MetaValue(std::string_view page, std::string_view name_pattern,
                      std::string_view equiv_pattern) {
  // Both patterns start with "<meta": one scan over its occurrences finds the first of the
  // name pattern or, when there is none, the first of the equiv pattern.
  std::size_t name_at = kNone;
  std::size_t equiv_at = kNone;
  NoCaseFinder metas(page, "<meta");
  for (std::size_t m = metas.Find(0); m != kNone; m = metas.Find(m + 1)) {
    const std::string_view here = page.substr(m);
    if (StartsWithNoCase(here, name_pattern)) {
      name_at = m;
      break;
    }
    if (equiv_at == kNone && StartsWithNoCase(here, equiv_pattern)) equiv_at = m;
  }
  const std::string_view pattern = name_at != kNone ? name_pattern : equiv_pattern;
  const std::size_t at = name_at != kNone ? name_at : equiv_at;
  if (at == kNone) return std::string();
  std::string_view rest = page.substr(at + pattern.size());
  std::size_t close = rest.find('>');
  if (close == kNone || close < 1) return std::string();
  return std::string(rest.substr(0, close - 1));
}

// The index of the first ">" after the first occurrence (any case) of a meta tag's name form,
// kNone when either is missing.
std::size_t NameFormClose(std::string_view page, std::string_view name_pattern) {
  NoCaseFinder metas(page, "<meta");
  for (std::size_t m = metas.Find(0); m != kNone; m = metas.Find(m + 1)) {
    if (StartsWithNoCase(page.substr(m), name_pattern)) return page.find('>', m + name_pattern.size());
  }
  return kNone;
}

// A text in two pieces, the second following the first, read without joining them.
class TwoPieces {
 public:
  TwoPieces(std::string_view front, std::string_view back) : front_(front), back_(back) {}

  std::size_t size() const { return front_.size() + back_.size(); }
  char operator[](std::size_t i) const {
    return i < front_.size() ? front_[i] : back_[i - front_.size()];
  }

  // The sixteen bytes from i when they lie in one piece, else null.
  const char* BlockAt(std::size_t i) const {
    if (i + block::kSize <= front_.size()) return front_.data() + i;
    if (i >= front_.size() && i - front_.size() + block::kSize <= back_.size()) {
      return back_.data() + (i - front_.size());
    }
    return nullptr;
  }

  // The first c at or after from, kNone when there is none.
  std::size_t Find(char c, std::size_t from) const {
    if (from < front_.size()) {
      const char* const end = front_.data() + front_.size();
      const char* const hit = block::Find(front_.data() + from, end, c);
      if (hit != end) return static_cast<std::size_t>(hit - front_.data());
      from = front_.size();
    }
    const std::size_t at = from - front_.size();
    if (at >= back_.size()) return kNone;
    const char* const end = back_.data() + back_.size();
    const char* const hit = block::Find(back_.data() + at, end, c);
    return hit == end ? kNone : front_.size() + static_cast<std::size_t>(hit - back_.data());
  }

  // The last c, kNone when there is none.
  std::size_t ReverseFind(char c) const {
    const std::size_t in_back = back_.rfind(c);
    return in_back != kNone ? front_.size() + in_back : front_.rfind(c);
  }

 private:
  std::string_view front_;
  std::string_view back_;
};

// Removes script blocks: repeatedly, with s the first "<script" and e the first "</script", a
// "</script" in front of every "<script" loses its "<", otherwise s up to and including the "<"
// of e goes (the rest of the end tag stays). Done in one pass with out holding the settled
// text; the result is out followed by the text after the last removal, which is not copied (a
// text with nothing to remove is all the second piece). A deletion joins the text before it to
// "/script...", so when the settled text ends in "<" a new "</script" has formed there; it is
// then the first one, and its "<" goes next. No "<script" can form across a join, because the
// text after it starts with "/".
TwoPieces RemoveScripts(std::string_view text, std::string& out) {
  ForwardPatternFinder open(text, "<script");
  ForwardPatternFinder close(text, "</script");
  if (open.Next(0) == kNone || close.Next(0) == kNone) return TwoPieces({}, text);
  out.clear();
  std::size_t i = 0;
  while (true) {
    std::size_t s = open.Next(i);
    if (s == kNone) break;
    if (!out.empty() && out.back() == '<' && StartsWithNoCase(text.substr(i), "/script")) {
      out.pop_back();
      continue;
    }
    std::size_t e = close.Next(i);
    if (e == kNone) break;
    out.append(text.substr(i, (s > e ? e : s) - i));
    i = e + 1;
  }
  return TwoPieces(out, text.substr(i));
}

// Byte tables for the density's one pass over the page.
struct DensityTables {
  unsigned char lower[256];
  bool plain[256];  // neither "<", ">" nor "&"
  DensityTables() {
    for (int c = 0; c < 256; ++c) {
      lower[c] = static_cast<unsigned char>(FoldCase(static_cast<char>(c)));
      plain[c] = c != '<' && c != '>' && c != '&';
    }
  }
};
const DensityTables kDensity;

// The density's text in one pass: letters lower-cased, mark-up runs removed as RemoveTagRuns
// does with UnclosedTag::kKeepRest, then every "&nbsp;" removed. Lower-casing first or last
// gives the same text, since "<" and ">" are no letters. "&nbsp;" is matched on the text as the
// tag removal leaves it: its six characters need not be written together. It has no proper
// prefix that is also its suffix, so a failed partial match starts over at the current
// character, and a removed one never combines with what comes after it.
// Written to the front of out, which is only made longer (a shorter string would be filled
// again for the next page); returns that front.
std::string_view DensityText(const TwoPieces& text, std::string& out) {
  static constexpr std::string_view kNbsp = "&nbsp;";
  if (out.size() < text.size()) out.resize(text.size());
  char* const begin = out.data();
  char* w = begin;
  const std::size_t n = text.size();
  const std::size_t last_open = text.ReverseFind('<');
  std::size_t next_close = text.Find('>', 0);
  std::size_t matched = 0;  // characters of "&nbsp;" matched at the end of the output
  auto put = [&](unsigned char c) {
    const char lowered = static_cast<char>(kDensity.lower[c]);
    *w++ = lowered;
    matched = lowered == kNbsp[matched] ? matched + 1 : (lowered == '&' ? 1 : 0);
    if (matched == kNbsp.size()) {
      w -= kNbsp.size();
      matched = 0;
    }
  };
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (matched == 0) {
      // Most of the text: characters that neither start nor end mark-up nor start an "&nbsp;"
      // are copied lower-cased, a block at a time where the block (in one piece) allows. The
      // output is never longer than what has been read, so the store stays inside out.
      if (const char* const at = text.BlockAt(i); at != nullptr) {
        const block::Bytes bytes = block::Load(at);
        const std::size_t clean = block::FirstSet((bytes == '<') | (bytes == '>') | (bytes == '&'));
        if (clean > 0) {
          block::Store(w, block::Lower(bytes));
          w += clean;
          i += clean;
          continue;
        }
      } else if (kDensity.plain[c]) {
        *w++ = static_cast<char>(kDensity.lower[c]);
        ++i;
        continue;
      }
    }
    if (c == '<') {
      if (next_close != kNone && next_close < i) next_close = text.Find('>', i);
      if (next_close != kNone) {
        i = next_close + 1;  // the tag, its ">" included
        continue;
      }
      // No ">" follows: the rest stays as it is (lower-cased, and "&nbsp;" still goes).
      for (; i < n; ++i) put(static_cast<unsigned char>(text[i]));
      break;
    }
    ++i;
    if (c == '>' && last_open != kNone && i - 1 < last_open) continue;  // a stray ">" goes
    put(c);
  }
  return std::string_view(begin, static_cast<std::size_t>(w - begin));
}

// The density's word counts: a hash table over the distinct words, in the scratch buffers so
// that its memory is reused from page to page. Words are views into the density's text.
class WordTable {
 public:
  explicit WordTable(PageScratch& scratch) : words_(scratch.words), slots_(scratch.word_slots) {
    for (const DensityWord& word : words_) slots_[word.slot] = 0;  // the previous page's
    words_.clear();
    if (slots_.size() < kInitialSlots) slots_.assign(kInitialSlots, 0);
  }

  // The text the words are in ends at end: a word's bytes may be read eight at a time up to it.
  // Most words are short and met before: found at their first slot, they are counted here,
  // inline in the word scan; the rest take the whole way.
  [[gnu::always_inline]] void Add(const char* data, std::size_t size, const char* end) {
    if (end - data >= 8 && size <= 16) {
      const bool short_word = size <= 8;
      const std::uint64_t head = short_word ? Head(data, size) : 0;
      const std::uint64_t hash = short_word ? HashShort(data, size) : Hash(data, size);
      const std::uint32_t index = slots_[hash & (slots_.size() - 1)];
      if (index != 0 && Matches(words_[index - 1], data, size, hash, head)) {
        ++words_[index - 1].count;
        return;
      }
    }
    AddProbing(data, size, end);
  }

  [[gnu::noinline]] void AddProbing(const char* data, std::size_t size, const char* end) {
    const bool whole = end - data >= 8;  // eight bytes readable from the word's start
    const bool short_word = size <= 8;
    // A short word is its size and its bytes: the table's words compare by their heads.
    const std::uint64_t head = !short_word ? 0 : whole ? Head(data, size) : SlowHead(data, size);
    const std::uint64_t hash = short_word && whole ? HashShort(data, size) : Hash(data, size);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      const std::uint32_t index = slots_[slot];
      if (index == 0) {
        words_.push_back({data, size, 1, hash, slot, head});
        slots_[slot] = static_cast<std::uint32_t>(words_.size());
        if (words_.size() * 2 > slots_.size()) Grow();
        return;
      }
      DensityWord& word = words_[index - 1];
      if (Matches(word, data, size, hash, head)) {
        ++word.count;
        return;
      }
    }
  }

  const std::vector<DensityWord>& words() const { return words_; }

 private:
  static constexpr std::size_t kInitialSlots = 1024;  // a power of two

  // Whether a table word is the word at data: a short word (at most eight bytes) compares by its
  // head, a longer one by its hash and then its bytes.
  static bool Matches(const DensityWord& word, const char* data, std::size_t size,
                      std::uint64_t hash, std::uint64_t head) {
    if (word.size != size) return false;
    return size <= 8 ? word.head == head : word.hash == hash && SameBytes(word.data, data, size);
  }

  // Words are short: a loop costs less than a call of memcmp.
  static bool SameBytes(const char* a, const char* b, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      if (a[k] != b[k]) return false;
    }
    return true;
  }

  // The first n (1 to 8) bytes at p, from one eight-byte read; the rest of it is masked off.
  static std::uint64_t Head(const char* p, std::size_t n) {
    std::uint64_t chunk;
    std::memcpy(&chunk, p, 8);
    return n == 8 ? chunk : chunk & ((std::uint64_t{1} << (8 * n)) - 1);
  }

  // Head for a word with fewer than eight bytes readable.
  static std::uint64_t SlowHead(const char* p, std::size_t n) {
    std::uint64_t head = 0;
    for (std::size_t k = 0; k < n; ++k) {
      head |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[k])) << (8 * k);
    }
    return head;
  }

  // The same value as Hash for a word of 1 to 8 bytes with eight readable bytes.
  static std::uint64_t HashShort(const char* p, std::size_t n) {
    constexpr std::uint64_t kMix = 0xff51afd7ed558ccdULL;
    std::uint64_t h = n * 0x9E3779B97F4A7C15ULL;
    if (n == 8) {
      h = (h ^ Head(p, 8)) * kMix;
      h ^= h >> 32;
      h = h * kMix;  // the empty tail
    } else {
      h = (h ^ Head(p, n)) * kMix;
    }
    return h ^ (h >> 29);
  }

  static std::uint64_t Hash(const char* p, std::size_t n) {
    constexpr std::uint64_t kMix = 0xff51afd7ed558ccdULL;
    std::uint64_t h = n * 0x9E3779B97F4A7C15ULL;
    for (; n >= 8; p += 8, n -= 8) {
      std::uint64_t chunk;
      std::memcpy(&chunk, p, 8);
      h = (h ^ chunk) * kMix;
      h ^= h >> 32;
    }
    std::uint64_t tail = 0;
    for (std::size_t k = 0; k < n; ++k) {
      tail |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[k])) << (8 * k);
    }
    h = (h ^ tail) * kMix;
    return h ^ (h >> 29);
  }

  void Grow() {
    slots_.assign(slots_.size() * 2, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = 0; k < words_.size(); ++k) {
      std::size_t slot = words_[k].hash & mask;
      while (slots_[slot] != 0) slot = (slot + 1) & mask;
      slots_[slot] = static_cast<std::uint32_t>(k + 1);
      words_[k].slot = slot;
    }
  }

  std::vector<DensityWord>& words_;
  std::vector<std::uint32_t>& slots_;
};

}  // namespace

Lines ExtractTitle(std::string_view page) {
  std::size_t t = PosNoCase(page, "<title>");
  if (t == 0) return {};
  std::string_view rest = page.substr(t - 1 + 7);
  std::size_t end = PosNoCase(rest, "</title>");
  if (end == 0) return {};
  return SplitLines(rest.substr(0, end - 1));
}

Lines ExtractMetaKeywords(std::string_view page) {
  static constexpr std::string_view kName = "<meta name=\"keywords\" content=\"";
  // The tag is looked for with the line breaks removed; the crawl's page has none left. When
  // the name form and the ">" after it come before any line break, the text with them removed
  // reads the same up to that ">", so the tag is found in the page as it is, and the rest of the
  // page need not be looked at.
  std::string_view text = page;
  std::string joined;
  const std::size_t close = NameFormClose(page, kName);
  const std::string_view head = page.substr(0, close == kNone ? 0 : close);
  const bool head_unbroken =
      close != kNone && head.find('\r') == kNone && head.find('\n') == kNone;
  if (!head_unbroken && (page.find('\r') != kNone || page.find('\n') != kNone)) {
    joined.reserve(page.size());
    std::remove_copy_if(page.begin(), page.end(), std::back_inserter(joined),
                        [](char c) { return c == '\r' || c == '\n'; });
    text = joined;
  }
  std::string value = MetaValue(text, kName, "<meta http-equiv=\"keywords\" content=\"");
  const unsigned all = kReplaceAll | kIgnoreCase;
  if (value.find(',') == std::string::npos) {
    value = FastAnsiReplace(value, " ", "\r\n", all);
  } else {
    value = FastAnsiReplace(value, ",", "\r\n", all);
  }
  value = FastAnsiReplace(value, "\r\n ", "\r\n", all);
  value = FastAnsiReplace(value, " \r\n", "\r\n", all);
  return SplitLines(value);
}

Lines ExtractMetaDescription(std::string_view page) {
  return SplitLines(MetaValue(page, "<meta name=\"description\" content=\"",
                              "<meta http-equiv=\"description\" content=\""));
}

StopWords::StopWords(const Lines& entries) {
  for (const std::string& entry : entries) words_.insert(LowerCase(entry));
}

bool StopWords::Contains(std::string_view lower_case_word) const {
  return words_.count(std::string(lower_case_word)) != 0;
}

std::string FormatShare(std::size_t count, std::size_t total) {
  if (total == 0) return std::string();
  float share = static_cast<float>(count) / static_cast<float>(total) * 100.0f;
  // The exact decimal digits of the float, then rounded half away from zero to two decimals.
  char digits[128];
  auto [end, ec] = std::to_chars(digits, digits + sizeof(digits), static_cast<double>(share),
                                 std::chars_format::fixed, 60);
  if (ec != std::errc()) return std::string();
  std::string text(digits, end);
  std::size_t point = text.find('.');
  bool round_up = point + 3 < text.size() && text[point + 3] >= '5';
  text.resize(point + 3);
  if (round_up) {
    std::size_t k = text.size();
    while (k-- > 0) {
      if (text[k] == '.') continue;
      if (text[k] != '9') {
        ++text[k];
        break;
      }
      text[k] = '0';
      if (k == 0) text.insert(0, "1");
    }
  }
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  if (text.size() >= 2 && text[0] == '0' && text[1] == '.') text.erase(0, 1);
  if (text == "0") text.clear();  // "#.##" prints nothing for zero
  return text;
}

#ifdef ZEB_WIDE_BLOCKS
// The word scan's block loop thirty-two bytes at a time, on processors with AVX2: each word met
// goes to word(begin, end). Moves i past the blocks read; start is the start of a word still
// open at i, or kNone.
template <class Word>
__attribute__((target("avx2"))) void WideWordScan(const char* text, std::size_t n, std::size_t& i,
                                                  std::size_t& start, const Word& word) {
  for (; n - i >= block::kWideSize; i += block::kWideSize) {
    const block::Wide bytes = block::LoadWide(text + i);
    const unsigned separators = block::WideBits(
        reinterpret_cast<block::Wide>((bytes == ' ') | (bytes == '\r') | (bytes == '\n')));
    const unsigned letters = ~separators;
    unsigned lane = 0;
    while (lane < block::kWideSize) {
      const unsigned ahead = (start == kNone ? letters : separators) >> lane;
      if (ahead == 0) break;
      lane += static_cast<unsigned>(std::countr_zero(ahead));
      if (start == kNone) {
        start = i + lane;
      } else {
        word(start, i + lane);
        start = kNone;
      }
    }
  }
}
#endif

Lines AnalyzeKeywordDensity(std::string_view page, int threshold, const StopWords& stop_words) {
  PageScratch scratch;
  return AnalyzeKeywordDensity(page, threshold, stop_words, scratch);
}

Lines AnalyzeKeywordDensity(std::string_view page, int threshold, const StopWords& stop_words,
                            PageScratch& scratch) {
  const std::string_view density_text = DensityText(RemoveScripts(page, scratch.copy), scratch.text);

  // Words are separated by blanks and line breaks; a block at a time, the lanes of the
  // separators and of the word characters tell where words start and end.
  WordTable table(scratch);
  const char* const text = density_text.data();
  const std::size_t n = density_text.size();
  std::size_t start = kNone;  // where the word being read starts
  std::size_t i = 0;
#ifdef ZEB_WIDE_BLOCKS
  if (block::HasWide()) {
    WideWordScan(text, n, i, start, [&](std::size_t begin, std::size_t end) {
      table.Add(text + begin, end - begin, text + n);
    });
  }
#endif
  for (; n - i >= block::kSize; i += block::kSize) {
    const block::Bytes bytes = block::Load(text + i);
    const unsigned separators = block::Bits((bytes == ' ') | (bytes == '\r') | (bytes == '\n'));
    const unsigned letters = ~separators & 0xFFFFu;
    std::size_t lane = 0;
    while (lane < block::kSize) {
      const unsigned ahead = (start == kNone ? letters : separators) >> lane;
      if (ahead == 0) break;
      lane += static_cast<std::size_t>(std::countr_zero(ahead));
      if (start == kNone) {
        start = i + lane;
      } else {
        table.Add(text + start, i + lane - start, text + n);
        start = kNone;
      }
    }
  }
  for (; i < n; ++i) {
    const bool separator = text[i] == ' ' || text[i] == '\r' || text[i] == '\n';
    if (!separator && start == kNone) start = i;
    if (separator && start != kNone) {
      table.Add(text + start, i - start, text + n);
      start = kNone;
    }
  }
  if (start != kNone) table.Add(text + start, n - start, text + n);

  // Stop words are counted neither for themselves nor in the total.
  std::vector<bool> stopped(table.words().size(), false);
  std::size_t total = 0;
  for (std::size_t k = 0; k < table.words().size(); ++k) {
    const DensityWord& word = table.words()[k];
    stopped[k] = !stop_words.empty() && stop_words.Contains(std::string_view(word.data, word.size));
    if (!stopped[k]) total += word.count;
  }
  Lines lines;
  for (std::size_t k = 0; k < table.words().size(); ++k) {
    const DensityWord& word = table.words()[k];
    if (stopped[k] || static_cast<long long>(word.count) < threshold) continue;
    std::string line(word.data, word.size);
    line.append(" ~ ").append(std::to_string(word.count)).append(" ~ ");
    line.append(FormatShare(word.count, total)).append("%");
    lines.push_back(std::move(line));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace zeb
