#include <cstdlib>

#include "analysis/page_scratch.h"
#include "analysis/page_text.h"
#include "fuzz_input.h"

namespace {

zeb::PageScratch scratch;  // kept from input to input, as a crawl thread keeps it

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 2);
  zeb::StopWords stop(zeb::SplitLines(args[1]));
  const int threshold = static_cast<int>(size % 4);
  if (zeb::AnalyzeKeywordDensity(args[0], threshold, stop) !=
      zeb::AnalyzeKeywordDensity(args[0], threshold, stop, scratch)) {
    std::abort();
  }
  zeb::ExtractTitle(args[0]);
  zeb::ExtractMetaKeywords(args[0]);
  zeb::ExtractMetaDescription(args[0]);
  return 0;
}
