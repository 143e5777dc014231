#include "analysis/link_extraction.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <optional>

#include "analysis/url_normalisation.h"
#include "analysis/web_address.h"
#include "text/byte_block.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Renames every occurrence of tag (letter case ignored) to stem followed by its 0-based number,
// in one pass; returns how many there were. The tag's first characters are the stem, so a
// renamed tag never matches again, and no new occurrence can form across the renamed text.
std::size_t NumberTags(std::string& text, std::string_view tag, std::string_view stem) {
  std::string out;
  out.reserve(text.size() + 16);
  std::size_t count = 0;
  std::size_t from = 1;
  std::size_t copied = 0;
  while (std::size_t p = FastPosNoCase(text, tag, text.size(), tag.size(), from)) {
    out.append(text, copied, p - 1 - copied);
    out += stem;
    out += std::to_string(count++);
    copied = p - 1 + tag.size();
    from = copied + 1;
  }
  if (count == 0) return 0;  // nothing renamed: text stays as it is
  out.append(text, copied, std::string::npos);
  text = std::move(out);
  return count;
}

// Position-keeping search over the page text as the scanner consumes it from the front. The
// scanner only ever moves forward, so the first hit at or after the front is found once and
// reused until the front passes it: every byte is read once. scan(text, from) is the first hit
// at or after from (from < text.size()), kNone when there is none.
template <class Scan>
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, Scan scan) : text_(text), scan_(scan) {}
  std::size_t Next(std::size_t front) {
    if (!searched_ || (cached_ != kNone && cached_ < front)) {
      cached_ = front >= text_.size() ? kNone : scan_(text_, front);
      searched_ = true;
    }
    return cached_;
  }

 private:
  std::string_view text_;
  Scan scan_;
  bool searched_ = false;
  std::size_t cached_ = kNone;
};

// The first "=" at or after i.
std::size_t NextEquals(std::string_view text, std::size_t i) {
  const char* const end = text.data() + text.size();
  const char* const hit = block::Find(text.data() + i, end, '=');
  return hit == end ? kNone : static_cast<std::size_t>(hit - text.data());
}

// The first byte that ends a link ("'", ">", " " or "#") at or after i: one scan for the four
// bytes costs less than four searches of one byte each.
std::size_t NextLinkEnd(std::string_view text, std::size_t i) {
  const char* const p = text.data();
  const std::size_t n = text.size();
  for (; n - i >= block::kSize; i += block::kSize) {
    const block::Bytes bytes = block::Load(p + i);
    const unsigned bits =
        block::Bits((bytes == '\'') | (bytes == '>') | (bytes == ' ') | (bytes == '#'));
    if (bits != 0) return i + static_cast<std::size_t>(std::countr_zero(bits));
  }
  for (; i < n; ++i) {
    if (p[i] == '\'' || p[i] == '>' || p[i] == ' ' || p[i] == '#') return i;
  }
  return kNone;
}

// Whether "http" (any case) occurs in text.
bool ContainsHttp(std::string_view text) {
  for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
    if (FoldCase(text[i]) == 'h' && FoldCase(text[i + 1]) == 't' && FoldCase(text[i + 2]) == 't' &&
        FoldCase(text[i + 3]) == 'p') {
      return true;
    }
  }
  return false;
}

// Every "amp;" (any case) removed, left to right; most links have none, and cost only the look
// for a ";". Done in place: a removal is never searched again, so reading on from the original
// text behind the removed ones gives what replacing all occurrences in a copy gives.
void RemoveAmp(std::string& link) {
  if (link.find(';') == std::string::npos) return;
  char* const text = link.data();
  const std::size_t n = link.size();
  std::size_t w = 0;
  std::size_t r = 0;
  while (r < n) {
    if (r + 4 <= n && text[r + 3] == ';' && FoldCase(text[r]) == 'a' &&
        FoldCase(text[r + 1]) == 'm' && FoldCase(text[r + 2]) == 'p') {
      r += 4;
      continue;
    }
    text[w++] = text[r++];
  }
  link.resize(w);
}

// The first two occurrences (any case) of "<bod" and of "</bod", kNone where there are fewer,
// from one pass over the page: a block at a time, only a "<" followed by "bo" or "/b" is looked
// at.
struct BodyStems {
  std::size_t open[2] = {kNone, kNone};
  std::size_t close[2] = {kNone, kNone};
};

#ifdef ZEB_WIDE_BLOCKS
// FindBodyStems' block loop thirty-two bytes at a time, on processors with AVX2: the starts from
// i on that are candidates go to look until it has learnt all it can (then returns true). Moves
// i to the first start not looked at; reads up to the two bytes after the last block.
template <class Look>
__attribute__((target("avx2"))) bool WideBodyStems(const char* text, std::size_t n,
                                                   std::size_t& i, const Look& look) {
  for (; n - i >= block::kWideSize + 2; i += block::kWideSize) {
    const block::Wide bytes = block::LoadWide(text + i);
    const block::Wide second_raw = block::LoadWide(text + i + 1);
    const block::Wide second = second_raw | 0x20;
    const block::Wide third = block::LoadWide(text + i + 2) | 0x20;
    const auto candidates =
        (bytes == '<') & (((second == 'b') & (third == 'o')) | ((second_raw == '/') & (third == 'b')));
    for (unsigned bits = block::WideBits(reinterpret_cast<block::Wide>(candidates)); bits != 0;
         bits &= bits - 1) {
      if (look(i + static_cast<std::size_t>(std::countr_zero(bits)))) return true;
    }
  }
  return false;
}
#endif

BodyStems FindBodyStems(std::string_view page) {
  BodyStems stems;
  int opens = 0;
  int closes = 0;
  const auto look = [&](std::size_t at) {
    const std::string_view rest = page.substr(at);
    if (opens < 2 && StartsWithNoCase(rest, "<bod")) stems.open[opens++] = at;
    if (closes < 2 && StartsWithNoCase(rest, "</bod")) stems.close[closes++] = at;
    return opens == 2 && closes == 2;  // nothing more to learn
  };
  const char* const text = page.data();
  const std::size_t n = page.size();
  std::size_t i = 0;
#ifdef ZEB_WIDE_BLOCKS
  if (block::HasWide() && WideBodyStems(text, n, i, look)) return stems;
#endif
  for (; n - i >= block::kSize + 2; i += block::kSize) {  // the block and two bytes after it
    const block::Bytes bytes = block::Load(text + i);
    // Setting the 0x20 bit lowers a letter; only "B" and "O" become "b" and "o" that way.
    const block::Bytes second_raw = block::Load(text + i + 1);
    const block::Bytes second = second_raw | 0x20;
    const block::Bytes third = block::Load(text + i + 2) | 0x20;
    const block::Mask candidates =
        (bytes == '<') & (((second == 'b') & (third == 'o')) | ((second_raw == '/') & (third == 'b')));
    for (unsigned bits = block::Bits(candidates); bits != 0; bits &= bits - 1) {
      if (look(i + static_cast<std::size_t>(std::countr_zero(bits)))) return stems;
    }
  }
  for (; i < n; ++i) {
    if (text[i] == '<' && look(i)) return stems;
  }
  return stems;
}

// Whether the stem's occurrences (first two in at) are at most one, and that one starts tag;
// *first is its index, or kNone when there is none.
bool SoleTag(std::string_view page, const std::size_t (&at)[2], std::string_view tag,
             std::size_t* first) {
  *first = at[0];
  return at[0] == kNone || (at[1] == kNone && StartsWithNoCase(page.substr(at[0]), tag));
}

// The body tags renumbered so that only the first "<body" and the last "</body" keep their
// names, then the text cut to the body.
void RenumberAndCut(std::string_view page, std::string& text) {
  text.assign(page);
  // The restoring replacements run even without any body tag: a page that spells "<BOD0" (or
  // "</bod-1") itself gets it renamed, as the tag-by-tag rewrite would do.
  NumberTags(text, "<body", "<bod");
  text = FastAnsiReplace(text, "<bod0", "<body", kIgnoreCase);
  const long long ends = static_cast<long long>(NumberTags(text, "</body", "</bod"));
  text = FastAnsiReplace(text, "</bod" + std::to_string(ends - 1), "</body", kIgnoreCase);
  if (std::size_t b = PosNoCase(text, "<body"); b != 0) text.erase(0, b - 1);
  if (std::size_t e = PosNoCase(text, "</body"); e != 0 && e - 1 + 7 < text.size()) {
    text.resize(e - 1 + 7);
  }
}

// The link scanner's text: each "  " made one blank (left to right, so three blanks become
// two) and every double quote made a single one. Written to the front of out, which is only made
// longer (a shorter string would be filled again for the next page); returns that front.
std::string_view PrepareScanText(std::string_view body, std::string& out) {
  if (out.size() < body.size()) out.resize(body.size());
  char* w = out.data();
  const char* r = body.data();
  const char* const end = r + body.size();
  bool blank_open = false;  // the last character written is a blank whose partner would go
  while (r < end) {
    if (end - r > static_cast<std::ptrdiff_t>(block::kSize)) {  // the block and the byte after it
      // Up to the first blank pair the block is written whole, its quotes turned. The output
      // is never longer than what has been read, so the store stays inside out.
      const block::Bytes bytes = block::Load(r);
      const block::Bytes next = block::Load(r + 1);
      std::size_t clean = block::FirstSet((bytes == ' ') & (next == ' '));
      if (blank_open && *r == ' ') clean = 0;
      if (clean > 0) {
        block::Store(w, bytes + (reinterpret_cast<block::Bytes>(bytes == '"') & ('\'' - '"')));
        w += clean;
        r += clean;
        blank_open = w[-1] == ' ';
        continue;
      }
    }
    const char c = *r++;
    if (c == ' ') {
      if (!blank_open) *w++ = c;
      blank_open = !blank_open;
      continue;
    }
    blank_open = false;
    *w++ = c == '"' ? '\'' : c;
  }
  return std::string_view(out.data(), static_cast<std::size_t>(w - out.data()));
}

// A list filled from the front over the strings it already holds, so that their memory is
// reused; Finish drops the strings of a longer previous page.
class ReusedList {
 public:
  explicit ReusedList(Lines& lines) : lines_(lines) {}
  void Add(std::string_view prefix, std::string_view text) {
    if (used_ < lines_.size()) {
      lines_[used_].assign(prefix).append(text);
    } else {
      std::string line;
      line.reserve(prefix.size() + text.size());
      line.append(prefix).append(text);
      lines_.push_back(std::move(line));
    }
    ++used_;
  }
  void Finish() { lines_.resize(used_); }

 private:
  Lines& lines_;
  std::size_t used_ = 0;
};

// TrimToHtmlEnd step by step: the end tag looked for in the whole page, then either the page
// rewritten or copied.
void TrimToHtmlEndRewriting(std::string_view page, std::string& text) {
  auto end_tag = [](std::string_view t) {
    std::size_t p = PosExact(t, "</html>");
    return p != 0 ? p : PosExact(t, "</HTML>");
  };
  std::size_t p = end_tag(page);
  if (static_cast<long long>(p) < static_cast<long long>(page.size()) - 10) {
    FastAnsiReplace(page, "</html>", "", kReplaceAll | kIgnoreCase, text);
    // In front of the last character, not after it.
    text.insert(text.empty() ? 0 : text.size() - 1, "</html>");
    p = end_tag(text);
  } else {
    text.assign(page);
  }
  if (p == 0 && text.size() > 1) {
    std::replace(text.begin(), text.end() - 1, '\0', ' ');
  }
}

}  // namespace

std::string TrimToHtmlEnd(std::string_view page) {
  std::string text;
  TrimToHtmlEnd(page, text);
  return text;
}

namespace {

// TrimToHtmlEnd into text; with a joiner, the kept text's lines are joined as it is copied.
// Returns false when the page went the long way and the joiner was not given all of it.
bool TrimToHtmlEndJoining(std::string_view page, std::string& text, LineJoiner* joiner) {
  // The usual page has its first "</html>" within its last 10 characters and is kept as it is:
  // it is copied a chunk at a time, each chunk searched while it is still in the cache. A page
  // whose first "</html>" comes earlier, or that has none, goes the long way.
  static constexpr std::string_view kEndTag = "</html>";
  constexpr std::size_t kChunk = 64 * 1024;
  text.clear();
  text.reserve(page.size());
  for (std::size_t begin = 0; begin < page.size(); begin += kChunk) {
    const std::size_t end = std::min(page.size(), begin + kChunk);
    // An occurrence that starts in [begin, end); none starts earlier.
    const std::size_t p = PosExact(page.substr(0, end + kEndTag.size() - 1), kEndTag, begin + 1);
    if (p != 0) {
      if (static_cast<long long>(p) < static_cast<long long>(page.size()) - 10) break;
      text.append(page.substr(begin));
      if (joiner != nullptr) joiner->Finish(text);
      return true;
    }
    text.append(page.substr(begin, end - begin));
    if (joiner != nullptr && text.size() > 1) joiner->Advance(text, text.size() - 1);
  }
  TrimToHtmlEndRewriting(page, text);
  return false;
}

}  // namespace

void TrimToHtmlEnd(std::string_view page, std::string& text) {
  TrimToHtmlEndJoining(page, text, nullptr);
}

void TrimToHtmlEnd(std::string_view page, std::string& text, std::string& joined) {
  LineJoiner joiner(joined, page.size());
  if (!TrimToHtmlEndJoining(page, text, &joiner)) JoinSplitLines(text, joined);
}

std::string CutToBody(std::string_view page) {
  std::string scratch;
  return std::string(CutToBody(page, scratch));
}

std::string_view CutToBody(std::string_view page, std::string& scratch) {
  std::size_t open = kNone;
  std::size_t close = kNone;
  const BodyStems stems = FindBodyStems(page);
  if (SoleTag(page, stems.open, "<body", &open) && SoleTag(page, stems.close, "</body", &close)) {
    // The renumbering would rename each tag and give it its name back, in lower case.
    const std::size_t start = open == kNone ? 0 : open;
    std::string_view body = page.substr(start);
    const bool close_inside = close != kNone && close >= start;
    if (close_inside && close - start + 7 < body.size()) body = body.substr(0, close - start + 7);
    const bool open_named = open == kNone || page.substr(open, 5) == "<body";
    const bool close_named = !close_inside || page.substr(close, 6) == "</body";
    if (open_named && close_named) return body;
    scratch.assign(body);
    if (!open_named) scratch.replace(0, 5, "<body");
    if (!close_named) scratch.replace(close - start, 6, "</body");
    return scratch;
  }
  RenumberAndCut(page, scratch);
  return scratch;
}

PageLinks ExtractLinks(std::string_view page, std::string_view page_url, std::string_view page_host,
                       LinkScanObserver* observer, LinkRules rules) {
  PageScratch scratch;
  return ExtractLinks(page, page_url, page_host, observer, rules, scratch);
}

PageLinks ExtractLinks(std::string_view page, std::string_view page_url, std::string_view page_host,
                       LinkScanObserver* observer, LinkRules rules, PageScratch& scratch) {
  PageLinks links;
  ExtractLinks(page, page_url, page_host, observer, rules, scratch, links);
  return links;
}

void ExtractLinks(std::string_view page, std::string_view page_url, std::string_view page_host,
                  LinkScanObserver* observer, LinkRules rules, PageScratch& scratch,
                  PageLinks& links) {
  ReusedList all(links.All), internal_list(links.Internal), external_list(links.External);
  const std::string_view view = PrepareScanText(CutToBody(page, scratch.body), scratch.text);

  // The scanner deletes from the front of the text; here the front is an index. The one
  // deletion that is not at the front, the blank right after a found "href", is always
  // swallowed by the next step, so it is kept as a flag that shortens the text by one.
  const std::size_t size = view.size();
  std::size_t front = 0;
  bool blank_dropped = false;
  ForwardFinder equals(view, NextEquals);
  ForwardFinder link_end(view, NextLinkEnd);
  std::size_t link_bytes = 0;
  std::string& absolute = scratch.link;
  NoCaseFinder hrefs(view, "href");
  // The page's address is read once for all its links.
  std::optional<LinkResolver> resolver;
  std::optional<PageLinkBase> original;
  if (rules == LinkRules::kBrowser) {
    resolver.emplace(page_url);
  } else {
    original.emplace(page_url, page_host);
  }

  std::size_t href = hrefs.Find(front);
  blank_dropped = href != kNone && href + 4 < size && view[href + 4] == ' ';
  while (href != kNone) {
    if (observer != nullptr) observer->StringLeft(size - front - (blank_dropped ? 1 : 0));
    front = href + 4 + (blank_dropped ? 1 : 0);  // everything up to and including "href"
    blank_dropped = false;
    if (front >= size) break;
    if (std::size_t eq = equals.Next(front); eq != kNone) front = eq + 1;
    if (front >= size) break;
    // A quote right here or one byte on is stepped over.
    if (view[front] == '\'') {
      front += 1;
    } else if (front + 1 < size && view[front + 1] == '\'') {
      front += 2;
    }
    if (front >= size) break;

    std::size_t end = std::min(link_end.Next(front), size);
    if (end == front) {  // an empty link: look for the next "href" from here
      href = hrefs.Find(front);
      continue;
    }
    std::string_view target = view.substr(front, std::min(end - front, kMaxLinkLength));
    if (rules == LinkRules::kBrowser) {
      absolute = resolver->MakeAbsolute(target);
    } else {
      original->MakeAbsolute(target, absolute);
    }
    RemoveAmp(absolute);
    if (observer != nullptr) observer->NewLink(absolute);
    link_bytes += absolute.size();
    // Every list gets the address without its class digit; the original rules put "http://"
    // in front of the classed ones that lack "http" (browser rules made them absolute).
    const bool internal = !absolute.empty() && absolute[0] == kInternalLink;
    const std::string_view address =
        absolute.empty() ? std::string_view() : std::string_view(absolute).substr(1);
    all.Add({}, address);
    ReusedList& classed = internal ? internal_list : external_list;
    if (rules == LinkRules::kOriginal && !ContainsHttp(address)) {
      classed.Add("http://", address);
    } else {
      classed.Add({}, address);
    }
    if (link_bytes >= kMaxLinkBytes) break;

    href = hrefs.Find(front);
    blank_dropped = href != kNone && href + 4 < size && view[href + 4] == ' ';
  }
  all.Finish();
  internal_list.Finish();
  external_list.Finish();
}

}  // namespace zeb
