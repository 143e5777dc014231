#include "analysis/word_count.h"

#include <string>

#include "analysis/link_extraction.h"
#include "text/text_routines.h"

namespace zeb {
namespace {

bool IsWordSeparator(char c) {
  return c == ' ' || c == ',' || c == '.' || c == '\r' || c == '\n' || c == '<' || c == '>';
}

std::size_t CountRuns(std::string_view text) {
  std::size_t words = 0;
  bool in_word = false;
  for (char c : text) {
    bool part = !IsWordSeparator(c);
    if (part && !in_word) ++words;
    in_word = part;
  }
  return words;
}

// When the search text stands inside a tag (looking back from it, a "<" comes before any ">"),
// removes that "<" and the first ">" after it, so the tag's text survives the tag stripping.
void OpenTagAround(std::string& text, std::string_view search) {
  std::size_t p = PosNoCase(text, search);
  if (p <= 1) return;  // absent, or nothing in front of it
  std::size_t k = text.find_last_of("<>", p - 2);
  if (k == std::string::npos || text[k] != '<') return;
  std::size_t close = text.find('>', k + 1);
  if (close != std::string::npos) text.erase(close, 1);
  text.erase(k, 1);
}

}  // namespace

std::size_t CountWords(std::string_view page, bool with_tags, std::string_view search) {
  std::string text = CutToBody(page);
  if (!with_tags) {
    if (!search.empty()) OpenTagAround(text, search);
    text = ExtractNonHTML(text);
  }
  if (!search.empty()) {
    std::size_t p = PosNoCase(text, search);
    std::size_t keep = p == 0 ? search.size() : p + search.size();
    if (keep < text.size()) text.resize(keep);
  }
  return CountRuns(text);
}

}  // namespace zeb
