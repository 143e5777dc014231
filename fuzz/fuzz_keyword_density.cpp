#include "analysis/page_text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 2);
  zeb::StopWords stop(zeb::SplitLines(args[1]));
  zeb::AnalyzeKeywordDensity(args[0], static_cast<int>(size % 4), stop);
  zeb::ExtractTitle(args[0]);
  zeb::ExtractMetaKeywords(args[0]);
  zeb::ExtractMetaDescription(args[0]);
  return 0;
}
