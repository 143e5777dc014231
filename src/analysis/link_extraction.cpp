#include "analysis/link_extraction.h"

#include <algorithm>
#include <optional>

#include "analysis/url_normalisation.h"
#include "analysis/web_address.h"
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
// scanner only ever moves forward, so the first occurrence of a character at or after the front
// is found once and reused until the front passes it.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, char c) : text_(text), c_(c) {}
  std::size_t Next(std::size_t front) {
    if (!searched_ || (cached_ != kNone && cached_ < front)) {
      cached_ = text_.find(c_, front);
      searched_ = true;
    }
    return cached_;
  }

 private:
  std::string_view text_;
  char c_;
  bool searched_ = false;
  std::size_t cached_ = kNone;
};

std::size_t FindHref(std::string_view text, std::size_t front) {
  std::size_t p = FastPosNoCase(text, "href", text.size(), 4, front + 1);
  return p == 0 ? kNone : p - 1;
}

void AddScheme(Lines& links) {
  for (std::string& link : links) {
    if (PosNoCase(link, "http") == 0) link.insert(0, "http://");
  }
}

}  // namespace

std::string TrimToHtmlEnd(std::string_view page) {
  auto end_tag = [](std::string_view text) {
    std::size_t p = PosExact(text, "</html>");
    return p != 0 ? p : PosExact(text, "</HTML>");
  };
  std::string text(page);
  std::size_t p = end_tag(text);
  if (static_cast<long long>(p) < static_cast<long long>(text.size()) - 10) {
    text = FastAnsiReplace(text, "</html>", "", kReplaceAll | kIgnoreCase);
    // In front of the last character, not after it.
    text.insert(text.empty() ? 0 : text.size() - 1, "</html>");
    p = end_tag(text);
  }
  if (p == 0 && text.size() > 1) {
    std::replace(text.begin(), text.end() - 1, '\0', ' ');
  }
  return text;
}

std::string CutToBody(std::string_view page) {
  std::string text(page);
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
  return text;
}

PageLinks ExtractLinks(std::string_view page, std::string_view page_url,
                       std::string_view page_host, LinkScanObserver* observer,
                       LinkRules rules) {
  PageLinks links;
  std::string text = CutToBody(page);
  text = FastAnsiReplace(text, "  ", " ", kReplaceAll | kIgnoreCase);
  std::replace(text.begin(), text.end(), '"', '\'');

  // The scanner deletes from the front of the text; here the front is an index. The one
  // deletion that is not at the front, the blank right after a found "href", is always
  // swallowed by the next step, so it is kept as a flag that shortens the text by one.
  const std::string_view view(text);
  const std::size_t size = view.size();
  std::size_t front = 0;
  bool blank_dropped = false;
  ForwardFinder equals(view, '='), quote(view, '\''), close(view, '>'), blank(view, ' '),
      hash(view, '#');
  std::size_t link_bytes = 0;

  std::size_t href = FindHref(view, front);
  blank_dropped = href != kNone && href + 4 < size && view[href + 4] == ' ';
  while (href != kNone) {
    if (observer != nullptr) observer->StringLeft(size - front - (blank_dropped ? 1 : 0));
    front = href + 4 + (blank_dropped ? 1 : 0);  // everything up to and including "href"
    blank_dropped = false;
    if (front >= size) break;
    if (std::size_t eq = equals.Next(front); eq != kNone) front = eq + 1;
    if (front >= size) break;
    if (std::size_t q = quote.Next(front); q != kNone && q - front < 2) front = q + 1;
    if (front >= size) break;

    std::size_t end = std::min({quote.Next(front), close.Next(front), blank.Next(front),
                                hash.Next(front), size});
    if (end == front) {  // an empty link: look for the next "href" from here
      href = FindHref(view, front);
      continue;
    }
    std::string_view target = view.substr(front, std::min(end - front, kMaxLinkLength));
    std::string absolute = FastAnsiReplace(rules == LinkRules::kBrowser
                                               ? MakeLinkAbsoluteModern(target, page_url)
                                               : MakeLinkAbsolute(target, page_url, page_host),
                                           "amp;", "", kReplaceAll | kIgnoreCase);
    if (observer != nullptr) observer->NewLink(absolute);
    link_bytes += absolute.size();
    links.All.push_back(std::move(absolute));
    if (link_bytes >= kMaxLinkBytes) break;

    href = FindHref(view, front);
    blank_dropped = href != kNone && href + 4 < size && view[href + 4] == ' ';
  }

  for (std::string& link : links.All) {
    bool internal = !link.empty() && link[0] == kInternalLink;
    if (!link.empty()) link.erase(0, 1);
    (internal ? links.Internal : links.External).push_back(link);
  }
  if (rules == LinkRules::kOriginal) {  // browser rules made every web address absolute
    AddScheme(links.Internal);
    AddScheme(links.External);
  }
  return links;
}

}  // namespace zeb
