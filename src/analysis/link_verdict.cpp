#include "analysis/link_verdict.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

#include "analysis/web_address.h"

namespace zeb {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  return at <= text.size() && text.size() - at >= prefix.size() &&
         EqualsNoCase(text.substr(at, prefix.size()), prefix);
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Calls `take` with each run of non-separator bytes of `text`.
template <typename IsSeparator, typename Take>
void ForEachToken(std::string_view text, IsSeparator is_separator, Take take) {
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && is_separator(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !is_separator(text[i])) ++i;
    if (i > start) take(text.substr(start, i - start));
  }
}

// Case-insensitive substring test in time linear in the text (Knuth-Morris-Pratt), so that no
// page, however repetitive, makes the Find text cost more than one pass.
class Finder {
 public:
  explicit Finder(std::string_view pattern) : pattern_(pattern.size(), '\0') {
    std::transform(pattern.begin(), pattern.end(), pattern_.begin(), Lower);
    failure_.assign(pattern_.size(), 0);
    for (std::size_t i = 1, k = 0; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = failure_[k - 1];
      if (pattern_[i] == pattern_[k]) ++k;
      failure_[i] = k;
    }
  }

  bool In(std::string_view text) const {
    if (pattern_.empty()) return false;
    std::size_t k = 0;
    for (char raw : text) {
      const char c = Lower(raw);
      while (k > 0 && c != pattern_[k]) k = failure_[k - 1];
      if (c == pattern_[k] && ++k == pattern_.size()) return true;
    }
    return false;
  }

 private:
  std::string pattern_;
  std::vector<std::size_t> failure_;
};

void AppendUtf8(std::uint32_t cp, std::string* out) {
  if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The character reference at text[at] ("&..."), appended to `out`; returns the bytes it used,
// 0 when it is none we know (the "&" then stands for itself). Named references need their ";",
// numeric ones end at their last digit. A no-break space becomes a blank: the texts read here are
// for a person to see, and blanks are collapsed.
std::size_t DecodeReference(std::string_view text, std::size_t at, std::string* out) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
      {"&nbsp;", ' '}};
  for (const auto& [name, c] : kNamed) {
    if (StartsWithNoCase(text, at, name)) {
      out->push_back(c);
      return name.size();
    }
  }
  std::size_t i = at + 1;
  if (i >= text.size() || text[i] != '#') return 0;
  ++i;
  const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  const std::size_t digits_start = i;
  std::uint32_t cp = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') {
      digit = Lower(c) - 'a' + 10;
    } else {
      break;
    }
    cp = std::min<std::uint32_t>(cp * (hex ? 16 : 10) + digit, 0x110000);  // no overflow
  }
  if (i == digits_start) return 0;
  if (i < text.size() && text[i] == ';') ++i;
  if (cp == 0xA0) {
    out->push_back(' ');
  } else {
    AppendUtf8(cp, out);
  }
  return i - at;
}

std::string DecodeEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '&') {
      if (const std::size_t used = DecodeReference(text, i, &out); used > 0) {
        i += used;
        continue;
      }
    }
    out.push_back(text[i++]);
  }
  return out;
}

std::string CollapseBlanks(std::string_view text) {
  std::string out;
  ForEachToken(text, IsBlank, [&](std::string_view word) {
    if (!out.empty()) out.push_back(' ');
    out.append(word);
  });
  return out;
}

struct Attribute {
  std::string_view name;   // as written
  std::string_view value;  // raw, entities not decoded
};

constexpr std::string_view kReadAttributes[] = {"href", "rel", "name", "content"};

struct Tag {
  std::string name;  // lower case
  bool closing = false;
  std::vector<Attribute> attributes;  // the first of each name in kReadAttributes

  std::optional<std::string> Value(std::string_view attribute) const {
    for (const Attribute& a : attributes) {
      if (EqualsNoCase(a.name, attribute)) return DecodeEntities(a.value);
    }
    return std::nullopt;
  }
};

// The tag that opens at text[at] ("<x" or "</x", x a letter), read up to `end` as the HTML
// tokenizer does. Returns the position after its ">", or nullopt when `end` comes first.
std::optional<std::size_t> ReadTag(std::string_view text, std::size_t at, std::size_t end,
                                   Tag* tag) {
  std::size_t p = at + 1;
  tag->closing = text[p] == '/';
  if (tag->closing) ++p;
  const auto ends_name = [&](char c) { return IsBlank(c) || c == '/' || c == '>'; };
  while (p < end && !ends_name(text[p])) tag->name.push_back(Lower(text[p++]));
  while (true) {
    while (p < end && (IsBlank(text[p]) || text[p] == '/')) ++p;
    if (p >= end) return std::nullopt;
    if (text[p] == '>') return p + 1;
    const std::size_t name_start = p++;  // a first "=" belongs to the name
    while (p < end && !ends_name(text[p]) && text[p] != '=') ++p;
    Attribute attribute{text.substr(name_start, p - name_start), {}};
    while (p < end && IsBlank(text[p])) ++p;
    if (p < end && text[p] == '=') {
      ++p;
      while (p < end && IsBlank(text[p])) ++p;
      if (p >= end) return std::nullopt;
      if (text[p] == '"' || text[p] == '\'') {
        const std::size_t close = text.substr(0, end).find(text[p], p + 1);
        if (close == std::string_view::npos) return std::nullopt;
        attribute.value = text.substr(p + 1, close - p - 1);
        p = close + 1;
      } else {
        const std::size_t value_start = p;
        while (p < end && !IsBlank(text[p]) && text[p] != '>') ++p;
        attribute.value = text.substr(value_start, p - value_start);
      }
    }
    // Only the attributes read later are kept, so a tag with a million attributes costs no
    // more than its length.
    const auto same_name = [&](std::string_view n) { return EqualsNoCase(n, attribute.name); };
    const bool wanted = std::any_of(std::begin(kReadAttributes), std::end(kReadAttributes),
                                    same_name);
    const bool seen = std::any_of(tag->attributes.begin(), tag->attributes.end(),
                                  [&](const Attribute& a) { return same_name(a.name); });
    if (wanted && !seen) tag->attributes.push_back(attribute);
  }
}

// The position of the end tag "</name" that closes a raw text element whose content begins at
// `from`, or `end`.
std::size_t RawTextEnd(std::string_view text, std::size_t from, std::size_t end,
                       std::string_view name) {
  const std::string_view region = text.substr(0, end);
  for (std::size_t p = region.find("</", from); p != std::string_view::npos;
       p = region.find("</", p + 2)) {
    const std::size_t after = p + 2 + name.size();
    if (StartsWithNoCase(region, p + 2, name) &&
        (after >= end || IsBlank(text[after]) || text[after] == '/' || text[after] == '>')) {
      return p;
    }
  }
  return end;
}

enum RelFlag : unsigned { kNofollow = 1, kSponsored = 2, kUgc = 4 };
constexpr std::pair<std::string_view, unsigned> kRelTokens[] = {
    {"nofollow", kNofollow}, {"sponsored", kSponsored}, {"ugc", kUgc}};

unsigned RelFlags(std::string_view rel) {
  unsigned flags = 0;
  ForEachToken(rel, IsBlank, [&](std::string_view token) {
    for (const auto& [name, flag] : kRelTokens) {
      if (EqualsNoCase(token, name)) flags |= flag;
    }
  });
  return flags;
}

bool HasToken(std::string_view list, std::string_view wanted) {
  bool found = false;
  ForEachToken(list, IsBlank, [&](std::string_view t) { found = found || EqualsNoCase(t, wanted); });
  return found;
}

// Robots directives of one list ("noindex, nofollow", "none") added to `d`.
void AddDirective(std::string_view directive, RobotsDirectives* d) {
  directive = Trimmed(directive);
  if (EqualsNoCase(directive, "noindex") || EqualsNoCase(directive, "none")) d->noindex = true;
  if (EqualsNoCase(directive, "nofollow") || EqualsNoCase(directive, "none")) d->nofollow = true;
}

// One X-Robots-Tag value: comma-separated directives, where "name: directive" names the robot
// the rest of the line speaks to, unless "name" is a directive that takes a value itself.
void AddXRobotsTag(std::string_view value, RobotsDirectives* d) {
  static constexpr std::string_view kValued[] = {"unavailable_after", "max-snippet",
                                                 "max-image-preview", "max-video-preview"};
  bool for_googlebot = true;
  ForEachToken(value, [](char c) { return c == ','; }, [&](std::string_view item) {
    const std::size_t colon = item.find(':');
    if (colon != std::string_view::npos) {
      const std::string_view head = Trimmed(item.substr(0, colon));
      const bool valued = std::any_of(std::begin(kValued), std::end(kValued),
                                      [&](std::string_view v) { return EqualsNoCase(head, v); });
      if (!valued) {
        for_googlebot = EqualsNoCase(head, "googlebot");
        item = item.substr(colon + 1);
      }
    }
    if (for_googlebot) {
      ForEachToken(item, IsBlank, [&](std::string_view directive) { AddDirective(directive, d); });
    }
  });
}

RobotsDirectives XRobotsTagOf(const std::vector<std::string>& header_lines) {
  RobotsDirectives d;
  const auto read_line = [&](std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (StartsWithNoCase(line, 0, "HTTP/")) {
      d = {};  // a new response: only the last one's headers count
      return;
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(Trimmed(line.substr(0, colon)),
                                                        "x-robots-tag")) {
      AddXRobotsTag(line.substr(colon + 1), &d);
    }
  };
  for (const std::string& entry : header_lines) {
    ForEachToken(entry, [](char c) { return c == '\n'; }, read_line);
  }
  return d;
}

// The page read once, front to back. Comments are read by a nested pass over their content in
// which only links count.
class PageScan {
 public:
  PageScan(std::string_view page, const Finder& finder, LinkVerdict* verdict)
      : page_(page), finder_(finder), verdict_(verdict) {}

  void Run() { ScanRegion(0, page_.size(), /*in_comment=*/false); }

  std::string_view canonical_href() const { return canonical_href_; }
  bool has_canonical() const { return has_canonical_; }
  std::size_t live_links() const { return live_links_; }
  std::size_t followed_links() const { return followed_links_; }
  // The union of each live link's own reason: kNofollow, kSponsored or kUgc.
  unsigned reasons() const { return reasons_; }

 private:
  struct OpenLink {
    bool open = false;
    bool matching = false;
    bool live = false;
    std::size_t depth = 0;  // <noscript>/<template> depth it opened at
    std::size_t start = 0;
    std::string href;
    unsigned rel = 0;
    std::string text;  // raw text segments, tags left out
  };

  bool InDeadElement() const { return noscript_depth_ + template_depth_ > 0; }

  void ScanRegion(std::size_t pos, std::size_t end, bool in_comment) {
    OpenLink link;
    const std::string_view region = page_.substr(0, end);
    while (pos < end) {
      const std::size_t lt = region.find('<', pos);
      if (lt == std::string_view::npos) {
        AddText(&link, pos, end);
        pos = end;
        break;
      }
      AddText(&link, pos, lt);
      const char next = lt + 1 < end ? page_[lt + 1] : '\0';
      if (!in_comment && region.substr(lt, 4) == "<!--") {
        std::size_t content = lt + 4;
        std::size_t close = region.find("-->", content);
        if (region.substr(lt, 5) == "<!-->") close = content = lt + 2;
        if (region.substr(lt, 6) == "<!--->") close = content = lt + 3;
        if (close == std::string_view::npos) close = end;
        ScanRegion(content, close, /*in_comment=*/true);
        pos = std::min(close + 3, end);
      } else if (!in_comment && (next == '!' || next == '?')) {  // doctype and kin
        const std::size_t close = region.find('>', lt + 2);
        pos = close == std::string_view::npos ? end : close + 1;
      } else if (IsAsciiLetter(next) ||
                 (next == '/' && lt + 2 < end && IsAsciiLetter(page_[lt + 2]))) {
        Tag tag;
        const std::optional<std::size_t> after = ReadTag(page_, lt, end, &tag);
        if (!after) {  // an unfinished tag takes the rest of the region
          pos = end;
          break;
        }
        pos = *after;
        if (tag.closing) {
          EndTag(tag, lt, pos, in_comment, &link);
        } else {
          pos = StartTag(tag, lt, pos, end, in_comment, &link);
        }
      } else {
        AddText(&link, lt, lt + 1);
        pos = lt + 1;
      }
    }
    CloseLink(&link, std::min(pos, end));
  }

  void AddText(OpenLink* link, std::size_t from, std::size_t to) {
    if (link->open && link->matching && to > from) link->text.append(page_.substr(from, to - from));
  }

  // Returns where scanning goes on: after the raw text of <script> and its kin.
  std::size_t StartTag(const Tag& tag, std::size_t at, std::size_t after, std::size_t end,
                       bool in_comment, OpenLink* link) {
    if (tag.name == "a") {
      CloseLink(link, at);
      const std::optional<std::string> href = tag.Value("href");
      link->open = true;
      link->matching = href && finder_.In(*href);
      link->live = !in_comment && !InDeadElement();
      link->depth = noscript_depth_ + template_depth_;
      link->start = at;
      link->href = href.value_or("");
      link->rel = RelFlags(tag.Value("rel").value_or(""));
      link->text.clear();  // the anchor text of this link only
      return after;
    }
    if (in_comment) return after;
    if (tag.name == "noscript") ++noscript_depth_;
    if (tag.name == "template") ++template_depth_;
    if (tag.name == "meta" && !InDeadElement()) {
      const std::string name(Trimmed(tag.Value("name").value_or("")));
      if (EqualsNoCase(name, "robots") || EqualsNoCase(name, "googlebot")) {
        ForEachToken(tag.Value("content").value_or(""),
                     [](char c) { return c == ',' || IsBlank(c); },
                     [&](std::string_view d) { AddDirective(d, &verdict_->meta_robots); });
      }
    }
    if (tag.name == "link" && !InDeadElement() && !has_canonical_ &&
        HasToken(tag.Value("rel").value_or(""), "canonical")) {
      if (std::optional<std::string> href = tag.Value("href")) {
        has_canonical_ = true;
        canonical_href_ = std::move(*href);
      }
    }
    for (std::string_view raw : {"script", "style", "textarea", "title"}) {
      if (tag.name == raw) return RawTextEnd(page_, after, end, raw);
    }
    return after;
  }

  void EndTag(const Tag& tag, std::size_t at, std::size_t after, bool in_comment,
              OpenLink* link) {
    if (tag.name == "a") {
      CloseLink(link, after);
      return;
    }
    if (in_comment) return;
    std::size_t* depth = tag.name == "noscript"   ? &noscript_depth_
                         : tag.name == "template" ? &template_depth_
                                                  : nullptr;
    if (depth == nullptr || *depth == 0) return;
    --*depth;
    if (link->open && link->depth > noscript_depth_ + template_depth_) CloseLink(link, at);
  }

  void CloseLink(OpenLink* link, std::size_t end) {
    if (!link->open) return;
    link->open = false;
    if (!link->matching) return;
    if (link->live) {
      ++live_links_;
      if (link->rel == 0) ++followed_links_;
      // A link's own reason is the first of its tokens in the verdict order.
      reasons_ |= link->rel & (~link->rel + 1);
    }
    if (verdict_->links.size() >= kMaxVerdictLinks) return;
    VerdictLink out;
    out.href = std::move(link->href);
    out.anchor_text = CollapseBlanks(DecodeEntities(link->text));
    for (const auto& [name, flag] : kRelTokens) {
      if (link->rel & flag) out.rel.emplace_back(name);
    }
    out.live = link->live;
    out.context = Context(link->start, end);
    verdict_->links.push_back(std::move(out));
  }

  // kVerdictContextBytes of the page centred on [start, end), moved inwards at the page's edges.
  std::string Context(std::size_t start, std::size_t end) const {
    const std::size_t size = std::min(kVerdictContextBytes, page_.size());
    const std::size_t middle = start + (end - start) / 2;
    std::size_t from = middle > size / 2 ? middle - size / 2 : 0;
    from = std::min(from, page_.size() - size);
    return std::string(page_.substr(from, size));
  }

  std::string_view page_;
  const Finder& finder_;
  LinkVerdict* verdict_;
  std::size_t noscript_depth_ = 0;
  std::size_t template_depth_ = 0;
  bool has_canonical_ = false;
  std::string canonical_href_;
  std::size_t live_links_ = 0;
  std::size_t followed_links_ = 0;
  unsigned reasons_ = 0;
};

std::string_view VerdictOf(const LinkVerdict& v, const PageScan& scan) {
  if (v.robots_closed) return kVerdictRobotsClosed;
  if (v.meta_robots.noindex || v.x_robots_tag.noindex) return kVerdictNoindex;
  if (v.canonical_elsewhere) return kVerdictCanonicalElsewhere;
  if (v.meta_robots.nofollow || v.x_robots_tag.nofollow) return kVerdictNofollow;
  if (scan.live_links() == 0) return kVerdictMentionOnly;
  if (scan.followed_links() > 0) return kVerdictCounts;
  // No live link is followed: the reason of the one nearest to counting, the last in the order.
  if (scan.reasons() & kUgc) return kVerdictUgc;
  if (scan.reasons() & kSponsored) return kVerdictSponsored;
  return kVerdictNofollow;
}

void AppendJsonString(std::string_view s, std::string* out) {
  out->push_back('"');
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = byte(i);
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
      ++i;
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
      out->append(escaped);
      ++i;
    } else if (c < 0x80) {
      out->push_back(static_cast<char>(c));
      ++i;
    } else {
      // A well-formed UTF-8 sequence (no overlong form, surrogate or value past U+10FFFF) is kept;
      // any other byte becomes U+FFFD on its own.
      std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                           : c >= 0xF0 && c <= 0xF4                         ? 4
                                                                            : 0;
      unsigned char low = 0x80, high = 0xBF;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
      bool valid = length > 0 && i + length <= s.size();
      for (std::size_t k = 1; valid && k < length; ++k) {
        const unsigned char b = byte(i + k);
        valid = k == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
      }
      if (valid) {
        out->append(s.substr(i, length));
        i += length;
      } else {
        out->append("\xEF\xBF\xBD");
        ++i;
      }
    }
  }
  out->push_back('"');
}

void AppendKey(std::string_view key, std::string* out) {
  if (out->back() != '{') out->push_back(',');
  AppendJsonString(key, out);
  out->push_back(':');
}

std::string_view JsonBool(bool b) { return b ? "true" : "false"; }

void AppendStrings(const std::vector<std::string>& list, std::string* out) {
  out->push_back('[');
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out->push_back(',');
    AppendJsonString(list[i], out);
  }
  out->push_back(']');
}

void AppendDirectives(const RobotsDirectives& d, std::string* out) {
  out->append("{\"noindex\":").append(JsonBool(d.noindex));
  out->append(",\"nofollow\":").append(JsonBool(d.nofollow)).append("}");
}

}  // namespace

LinkVerdict ComputeLinkVerdict(const LinkVerdictInput& input) {
  LinkVerdict v;
  v.status = input.status;
  v.redirects = input.redirects;
  v.robots_closed = input.robots_closed;
  v.x_robots_tag = XRobotsTagOf(input.header_lines);
  const Finder finder(input.find_text);
  PageScan scan(input.body, finder, &v);
  scan.Run();
  if (scan.has_canonical()) {
    v.canonical = ResolveWebLink(input.final_url, scan.canonical_href());
    v.canonical_elsewhere = v.canonical != ResolveWebLink(input.final_url, "");
  }
  v.mention_only = scan.live_links() == 0 && finder.In(input.body);
  v.verdict = VerdictOf(v, scan);
  return v;
}

std::string VerdictEvidenceJson(const LinkVerdict& v) {
  std::string out = "{";
  AppendKey("verdict", &out);
  AppendJsonString(v.verdict, &out);
  AppendKey("status", &out);
  out.append(std::to_string(v.status));
  AppendKey("redirects", &out);
  AppendStrings(v.redirects, &out);
  AppendKey("robots_closed", &out);
  out.append(JsonBool(v.robots_closed));
  AppendKey("meta_robots", &out);
  AppendDirectives(v.meta_robots, &out);
  AppendKey("x_robots_tag", &out);
  AppendDirectives(v.x_robots_tag, &out);
  AppendKey("canonical", &out);
  if (v.canonical.empty()) {
    out.append("null");
  } else {
    out.append("{\"href\":");
    AppendJsonString(v.canonical, &out);
    out.append(",\"elsewhere\":").append(JsonBool(v.canonical_elsewhere)).append("}");
  }
  AppendKey("links", &out);
  out.push_back('[');
  for (std::size_t i = 0; i < v.links.size(); ++i) {
    const VerdictLink& link = v.links[i];
    if (i > 0) out.push_back(',');
    out.push_back('{');
    AppendKey("href", &out);
    AppendJsonString(link.href, &out);
    AppendKey("anchor_text", &out);
    AppendJsonString(link.anchor_text, &out);
    AppendKey("rel", &out);
    AppendStrings(link.rel, &out);
    AppendKey("live", &out);
    out.append(JsonBool(link.live));
    AppendKey("context", &out);
    AppendJsonString(link.context, &out);
    out.push_back('}');
  }
  out.push_back(']');
  AppendKey("mention_only", &out);
  out.append(JsonBool(v.mention_only));
  out.push_back('}');
  return out;
}

}  // namespace zeb
