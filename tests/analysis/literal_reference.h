// Direct, step-by-step transcriptions of the page routines' text surgery: delete or replace one
// piece, then search again from the start. They are slow (quadratic) on purpose and serve only
// as the reference that the linear code in src/analysis/ must match exactly.
#ifndef ZEB_TESTS_ANALYSIS_LITERAL_REFERENCE_H_
#define ZEB_TESTS_ANALYSIS_LITERAL_REFERENCE_H_

#include <string>
#include <vector>

#include "text/lines.h"

namespace zeb::literal {

std::string NormalizeForCheck(std::string text);
std::string DecodeLinkEscapes(std::string text);
std::string CutToBody(std::string text);
std::string StripTags(std::string text);
std::string RemoveScripts(std::string text);
std::string RemoveTags(std::string text);
Lines AnalyzeKeywordDensity(std::string text, int threshold, const Lines& stop_words);
std::size_t CountWords(std::string text, bool with_tags, const std::string& search);

struct ExtractedLinks {
  Lines all, internal, external;
  std::vector<std::size_t> string_left;  // the "StringLeft" notices in order
};
ExtractedLinks ExtractLinks(std::string text, const std::string& page_url,
                            const std::string& page_host);

}  // namespace zeb::literal

#endif  // ZEB_TESTS_ANALYSIS_LITERAL_REFERENCE_H_
