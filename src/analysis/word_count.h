// Word positions on the backlink page.
#ifndef ZEB_ANALYSIS_WORD_COUNT_H_
#define ZEB_ANALYSIS_WORD_COUNT_H_

#include <cstddef>
#include <string_view>

#include "analysis/page_scratch.h"

namespace zeb {

// Counts the words of a page's body (CutToBody): all of them with an empty search text, else
// those up to and including the search text (letter case ignored) and the one character after
// it. Without tags (with_tags false) mark-up is removed first (ExtractNonHTML); a search text
// that stands inside a tag survives, because that tag's "<" and the first ">" after it are
// removed beforehand. When the search text is absent, only the first length-of-search-text
// characters are counted. A word is a run of characters other than blank, ",", ".", CR, LF, "<"
// and ">".
std::size_t CountWords(std::string_view page, bool with_tags, std::string_view search);

// The four counts the position analysis takes, each what CountWords gives.
struct WordCounts {
  std::size_t total_no_tags = 0;     // CountWords(page, false, "")
  std::size_t position_no_tags = 0;  // CountWords(page, false, search)
  std::size_t total_tags = 0;        // CountWords(page, true, "")
  std::size_t position_tags = 0;     // CountWords(page, true, search)
};

// The four counts from one cut of the body and at most two tag removals, with the working text
// kept in scratch.
WordCounts CountWordPositions(std::string_view page, std::string_view search, PageScratch& scratch);

}  // namespace zeb

#endif  // ZEB_ANALYSIS_WORD_COUNT_H_
