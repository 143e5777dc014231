// Title, meta keywords, meta description and keyword density of a page.
//
// Like the link scanner these are text searches on the page string, not an HTML parser. Only
// these spellings are recognised (letter case aside): `<title>`, `<meta name="keywords"
// content="`, `<meta http-equiv="keywords" content="` and the same two for "description".
//
// Thread safety: pure functions.
#ifndef ZEB_ANALYSIS_PAGE_TEXT_H_
#define ZEB_ANALYSIS_PAGE_TEXT_H_

#include <string>
#include <string_view>
#include <unordered_set>

#include "analysis/page_scratch.h"
#include "text/lines.h"

namespace zeb {

// The text between "<title>" and "</title>"; no lines when either tag is missing.
Lines ExtractTitle(std::string_view page);

// The meta keywords, one per line: split at commas when the value holds one, else at blanks,
// with one blank removed on each side of each separator.
Lines ExtractMetaKeywords(std::string_view page);

// The meta description.
Lines ExtractMetaDescription(std::string_view page);

// Words to leave out of the keyword density, held in lower case.
class StopWords {
 public:
  StopWords() = default;
  explicit StopWords(const Lines& entries);
  bool Contains(std::string_view lower_case_word) const;
  bool empty() const { return words_.empty(); }

 private:
  std::unordered_set<std::string> words_;
};

// One line per word that occurs at least `threshold` times: word, " ~ ", count, " ~ ", its share
// of all words in percent (FormatShare), "%"; lines sorted by their bytes. Scripts, tags and
// "&nbsp;" are removed first, the text is lower-cased, and stop words are not counted. Words are
// separated by blanks and line breaks.
Lines AnalyzeKeywordDensity(std::string_view page, int threshold, const StopWords& stop_words);

// AnalyzeKeywordDensity with its working text and word table kept in the thread's scratch.
Lines AnalyzeKeywordDensity(std::string_view page, int threshold, const StopWords& stop_words,
                            PageScratch& scratch);

// count / total x 100 computed in single precision and printed with at most two decimals, no
// trailing zeros and no leading zero ("25", "33.33", ".5"); the decimal separator is always ".",
// whatever the locale.
std::string FormatShare(std::size_t count, std::size_t total);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_PAGE_TEXT_H_
