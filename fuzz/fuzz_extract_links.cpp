#include <cstdlib>

#include "analysis/link_extraction.h"
#include "analysis/page_normalisation.h"
#include "analysis/url_normalisation.h"
#include "analysis/word_count.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 3);
  std::string page = zeb::TrimToHtmlEnd(args[0]);
  page = zeb::DecodeLinkEscapes(zeb::NormalizeForCheck(zeb::StripLeadingLineBreaks(page)));
  std::string url = "http://" + args[1];
  zeb::PageLinks links = zeb::ExtractLinks(page, url, zeb::PageHost(url));
  if (links.All.size() != links.Internal.size() + links.External.size()) std::abort();
  zeb::CountWords(args[0], false, args[2]);
  zeb::CountWords(args[0], true, args[2]);
  zeb::StripTags(args[2]);
  return 0;
}
