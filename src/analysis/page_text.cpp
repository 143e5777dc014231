#include "analysis/page_text.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "analysis/page_normalisation.h"
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
// in front of it (the closing quote).
std::string MetaValue(std::string_view page, std::string_view name_pattern,
                      std::string_view equiv_pattern) {
  std::string_view pattern = name_pattern;
  std::size_t p = PosNoCase(page, name_pattern);
  if (p == 0) {
    pattern = equiv_pattern;
    p = PosNoCase(page, equiv_pattern);
  }
  if (p == 0) return std::string();
  std::string_view rest = page.substr(p - 1 + pattern.size());
  std::size_t close = rest.find('>');
  if (close == kNone || close < 1) return std::string();
  return std::string(rest.substr(0, close - 1));
}

// Removes script blocks: repeatedly, with s the first "<script" and e the first "</script", a
// "</script" in front of every "<script" loses its "<", otherwise s up to and including the "<"
// of e goes (the rest of the end tag stays). Done in one pass with `out` holding the settled
// text. A deletion joins the text before it to "/script...", so when the settled text ends in
// "<" a new "</script" has formed there; it is then the first one, and its "<" goes next. No
// "<script" can form across a join, because the text after it starts with "/".
std::string RemoveScripts(std::string_view text) {
  ForwardPatternFinder open(text, "<script");
  ForwardPatternFinder close(text, "</script");
  std::string out;
  out.reserve(text.size());
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
  out.append(text.substr(i));
  return out;
}

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
  std::string text = FastAnsiReplace(page, "\r", "", kReplaceAll | kIgnoreCase);
  text = FastAnsiReplace(text, "\n", "", kReplaceAll | kIgnoreCase);
  std::string value = MetaValue(text, "<meta name=\"keywords\" content=\"",
                                "<meta http-equiv=\"keywords\" content=\"");
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

Lines AnalyzeKeywordDensity(std::string_view page, int threshold, const StopWords& stop_words) {
  std::string text = LowerCase(RemoveScripts(page));
  text = FastAnsiReplace(RemoveTagRuns(text, UnclosedTag::kKeepRest), "&nbsp;", "", kReplaceAll | kIgnoreCase);

  std::unordered_map<std::string_view, std::size_t> counts;
  std::size_t total = 0;
  const std::string_view view(text);
  std::size_t start = 0;
  while (start < view.size()) {
    std::size_t end = view.find_first_of(" \r\n", start);
    if (end == kNone) end = view.size();
    std::string_view word = view.substr(start, end - start);
    start = end + 1;
    if (word.empty() || (!stop_words.empty() && stop_words.Contains(word))) continue;
    ++counts[word];
    ++total;
  }

  Lines lines;
  for (const auto& [word, count] : counts) {
    if (static_cast<long long>(count) < threshold) continue;
    lines.push_back(std::string(word) + " ~ " + std::to_string(count) + " ~ " +
                    FormatShare(count, total) + "%");
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace zeb
